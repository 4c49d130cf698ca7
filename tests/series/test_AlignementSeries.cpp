// Registration of real and synthetic series against numpy: the SAAO frame
// shifted (integer, noisy, sub-pixel) and a synthetic planet, registered by
// the preprocessing run.
#include "Soutien.h"
#include "UExecutionPretraitement.h"
#include "UParametres.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(AlignementSeries, DecalagesRetrouvesCommeNumpy)
{
    QTemporaryDir reglages;
    FixerFichierPreferences(reglages.filePath(QStringLiteral("Stelor.ini")));
    const struct {
        const char* Mode;
        int Largeur;
        double Tolerance;
    } cas[] = {{"entier", 5, 0.001}, {"bruit", 11, 0.25}, {"fraction", 11, 0.35}, {"planete", 5, 0.1}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Mode);
        const QString dossier = reglages.filePath(QString::fromLatin1(c.Mode));
        QDir().mkpath(dossier);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("LargMatriceCentroide"), QString::number(c.Largeur));
        const QStringList lignes =
            Python(QStringLiteral("alignement"), {QString::fromLatin1(c.Mode), dossier, QString::number(c.Largeur),
                    CheminDonnees(QStringLiteral("saao_raw_u16.fits"))})
                .split(QLatin1Char('\n'));
        ASSERT_EQ(lignes.size(), 4);
        const bool planete = QByteArray(c.Mode) == "planete";
        TReglagesPretraitement r;
        r.TypeImages = 1;
        r.AjustementNiveaux = false;
        r.Registration = planete ? RegistrationPlanetaire : RegistrationStellaire;
        r.CoefPlanetaire = 1;
        if (!planete)
            r.Cadre = {436, 70, 466, 100};
        for (int k = 0; k < 4; ++k)
            r.Brutes << TFichierSerie{dossier, QStringLiteral("e%1.fit").arg(k)};
        QStringList textes;
        THistoFit fit;
        THistoBmp bmp;
        ExecuterPretraitement(
            r, [&](const QString& t, const QColor&) { if (t.contains(QStringLiteral("pretbrg~"))) textes << t; }, {},
            fit, bmp);
        ASSERT_EQ(textes.size(), 4);
        for (int k = 0; k < 4; ++k) {
            const QStringList attendu = lignes[k].split(QLatin1Char(' ')), lu = textes[k].split(QLatin1Char('\t'));
            const auto nombre = [](QString t) { return t.remove(QStringLiteral("...")).replace(',', '.').toDouble(); };
            EXPECT_NEAR(nombre(lu[0]), -attendu[0].toDouble(), c.Tolerance) << k;
            EXPECT_NEAR(nombre(lu[1]), -attendu[1].toDouble(), c.Tolerance) << k;
            // The same cut measured by numpy gives the same five decimals.
            EXPECT_TRUE(planete || lu[0] + '\t' + lu[1] == attendu[2]) << k << " " << textes[k].toStdString();
        }
    }
    FermerPreferences();
}

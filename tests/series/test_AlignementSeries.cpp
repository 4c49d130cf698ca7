// Registration of real and synthetic series against numpy: the SAAO frame
// shifted (integer, noisy, sub-pixel, drifting out of a small frame) and a
// synthetic planet, registered by the preprocessing run.
#include "PErreurs.h"
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
        TCadre Cadre = {436, 70, 466, 100};
        const char* Echec = ""; // the frame whose star leaves the frame
    } cas[] = {{"entier", 5, 0.001}, {"bruit", 11, 0.25}, {"fraction", 11, 0.35}, {"planete", 5, 0.1, TCadre()},
               {"derive", 5, 0.001, {431, 65, 471, 105}},
               // A window as wide as the frame reaches its edge wherever the star is: biased, but not stopped.
               {"derive", 41, 1.2, {431, 65, 471, 105}},
               // 12 pixels: the third frame's star is cut by the frame's edge.
               {"derive", 5, 0, {445, 79, 457, 91}, "e2.fit"}};
    for (const auto& c : cas) {
        const QString nom = QStringLiteral("%1-%2-%3").arg(QString::fromLatin1(c.Mode)).arg(c.Largeur).arg(c.Cadre.X2);
        SCOPED_TRACE(nom.toStdString());
        const QString dossier = reglages.filePath(nom);
        QDir().mkpath(dossier);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("LargMatriceCentroide"), QString::number(c.Largeur));
        const QStringList lignes =
            Python(QStringLiteral("alignement"), {QString::fromLatin1(c.Mode), dossier, QString::number(c.Largeur),
                                                  CheminDonnees(QStringLiteral("saao_raw_u16.fits")),
                                                  QString::number(c.Cadre.X1), QString::number(c.Cadre.Y1),
                                                  QString::number(c.Cadre.X2), QString::number(c.Cadre.Y2)})
                .split(QLatin1Char('\n'));
        ASSERT_EQ(lignes.size(), 4);
        const bool planete = QByteArray(c.Mode) == "planete";
        TReglagesPretraitement r;
        r.TypeImages = 1;
        r.AjustementNiveaux = false;
        r.Registration = planete ? RegistrationPlanetaire : RegistrationStellaire;
        r.CoefPlanetaire = 1;
        r.Cadre = c.Cadre;
        for (int k = 0; k < 4; ++k)
            r.Brutes << TFichierSerie{dossier, QStringLiteral("e%1.fit").arg(k)};
        QStringList textes, autres;
        THistoFit fit;
        THistoBmp bmp;
        QString erreur;
        try {
            ExecuterPretraitement(
                r, [&](const QString& t, const QColor&) { (t.contains(QStringLiteral("pretbrg~")) ? textes : autres) << t; },
                {}, fit, bmp);
        } catch (const EStelor& e) {
            erreur = e.Message();
        }
        if (*c.Echec) {
            // Stopped on the file, before any wrong shift is stacked or any success is reported.
            EXPECT_EQ(std::make_tuple(erreur.contains(QDir(dossier).filePath(QString::fromLatin1(c.Echec))),
                                      textes.size(), autres.contains(QStringLiteral("Terminé."))),
                      std::make_tuple(true, 2, false))
                << erreur.toStdString();
            continue;
        }
        ASSERT_EQ(textes.size(), 4) << erreur.toStdString();
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

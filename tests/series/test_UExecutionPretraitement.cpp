// The preprocessing run on series written by the test: report lines, what is
// kept and where, registration on a bitmap plane, and what a failure leaves.
#include "PErreurs.h"
#include "Soutien.h"
#include "UEcritureFit.h"
#include "UExecutionPretraitement.h"
#include "UImages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

class TExecutionPretraitement : public ::testing::Test {
protected:
    QTemporaryDir Dossier;
    QTemporaryDir Temp; // the run's private folders go here
    QByteArray AncienTmp;
    std::vector<std::pair<QString, QColor>> Rapport; // text, colour
    THistoFit ResultatFit;
    THistoBmp ResultatBmp;

    void SetUp() override
    {
        AncienTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", Temp.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", AncienTmp); }

    TFichierSerie EcrireFit(const QString& sousDossier, const QString& nom, const THistoFit& image)
    {
        const QString d = Dossier.filePath(sousDossier);
        QDir().mkpath(d);
        THistoFit copie = image;
        EnregistrerFit(copie, QDir(d).filePath(nom));
        return {d, nom};
    }

    TResultatPretraitement Executer(const TReglagesPretraitement& r)
    {
        return ExecuterPretraitement(
            r, [this](const QString& t, const QColor& c) { Rapport.push_back({t, c}); }, {}, ResultatFit, ResultatBmp);
    }

    // The report's lines holding the text.
    QStringList Textes(const QString& contenant = {}) const
    {
        QStringList t;
        for (const auto& [texte, couleur] : Rapport)
            if (texte.contains(contenant))
                t << texte;
        return t;
    }

    // The kept intermediates whose names match, in the folder the run kept.
    static QStringList Conserves(const TResultatPretraitement& fin, const QString& filtre)
    {
        QStringList l;
        QDirIterator it(fin.DossierConserve, {filtre}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            l << it.next();
        l.sort();
        return l;
    }

    // Every file under the users' folder, with its bytes.
    std::map<QString, QByteArray> Empreinte() const
    {
        std::map<QString, QByteArray> m;
        QDirIterator it(Dossier.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            f.open(QIODevice::ReadOnly);
            m[f.fileName()] = f.readAll();
        }
        return m;
    }

    int DossiersTemporaires() const { return QDir(Temp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); }
};

TEST_F(TExecutionPretraitement, BrutesSeulesRapportEtNiveaux)
{
    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.Registration = RegistrationAucune;
    r.Brutes << EcrireFit("a", "b1.fit", ImageFitDe(8, 6, [](int x, int y) { return 100 + x + y; }))
             << EcrireFit("a", "b2.fit", ImageFitDe(8, 6, [](int x, int y) { return 300 + x + y; }));
    const TResultatPretraitement fin = Executer(r);
    // The run's own lines; the frame and colours of the report are read in the window's run.
    const QStringList t = Textes();
    ASSERT_GE(t.size(), 12);
    EXPECT_EQ((QStringList{t[2], t[4]}), (QStringList{"2 brute(s).", "Validation des brutes..."}));
    EXPECT_TRUE(t[5].endsWith(QStringLiteral("/pretbok~b1.fit enregistré."))) << t[5].toStdString();
    // Every blue closing line is followed by an empty black one.
    for (size_t i = 0; i + 1 < Rapport.size(); ++i)
        EXPECT_TRUE(Rapport[i].second != Qt::blue || Rapport[i + 1] == std::pair(QString(), QColor(Qt::black))) << i;
    // A negative zero shift reads as a positive one.
    EXPECT_EQ(TexteDecalage(0, -0.0), QStringLiteral("+0,00000...\t+0,00000...\t"));
    // The levels and the mean are followed by numpy in the window's run.
    EXPECT_EQ(std::tuple(fin.Compose, DossiersTemporaires()), std::tuple(true, 0));
}

TEST_F(TExecutionPretraitement, CalibrationConserveeEtAddition)
{
    // The arithmetic is followed by numpy in the window's run; here, what is
    // kept and where, two raw frames of one name, and the sum's saturation.
    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.Registration = RegistrationAucune;
    r.AjustementNiveaux = false;
    r.Conserver = true;
    r.Addition = true;
    r.CombinaisonDark = CombinaisonMoyenne;
    for (int k = 0; k < 3; ++k) {
        const auto image = [k](int base, int pente) {
            return ImageFitDe(12, 9, [=](int x, int y) { return base + pente * x + y + k; });
        };
        // Calibrated: 959 + 1963 x + k.
        r.Brutes << EcrireFit(k < 2 ? "brutes" : "autres", QStringLiteral("m%1.fit").arg(k % 2), image(1000, 2000));
        r.Darks << EcrireFit("darks", QStringLiteral("d%1.fit").arg(k), image(40, 37));
        r.Flats << EcrireFit("flats", QStringLiteral("f%1.fit").arg(k), image(20000, 37));
        r.Offsets << EcrireFit("offsets", QStringLiteral("o%1.fit").arg(k), image(200, 37));
    }
    const auto avant = Empreinte();
    const TResultatPretraitement fin = Executer(r);
    EXPECT_EQ(Conserves(fin, QStringLiteral("pretbok~*")).size(), 3);
    const QStringList m0 = Conserves(fin, QStringLiteral("pretbok~m0.fit"));
    ASSERT_EQ(m0.size(), 2);
    EXPECT_EQ(FitLu(m0[0]).Pixel(0, 0) + FitLu(m0[1]).Pixel(0, 0), 959 + 961);
    // The sum saturates at 65535 where it overflows.
    EXPECT_EQ(std::pair(ResultatFit.Pixel(0, 0), ResultatFit.Pixel(11, 0)), std::pair(3 * 959 + 3.0, 65535.0));
    // The users' folders are untouched and nothing was written beside them.
    EXPECT_EQ(Empreinte(), avant);
    EXPECT_TRUE(fin.DossierConserve.startsWith(Temp.path()) &&
                Textes().contains(QStringLiteral("Fichiers intermédiaires conservés dans ") + fin.DossierConserve));
}

TEST_F(TExecutionPretraitement, UnEchecNeLaisseRienEtGardeLeResultat)
{
    // A result shown before the run.
    ResultatFit = ImageFitDe(3, 3, [](int, int) { return 7; });
    // A star of the given peak at (xe, ye) on a slope.
    const auto etoile = [](int xe, int ye, double pic) -> std::function<double(int, int)> {
        return [=](int x, int y) { return 10.0 + x + (x == xe && y == ye ? pic : 0); };
    };
    // The second raw frame written again after the list was made (none: deleted).
    const struct {
        const char* Nom;
        std::function<double(int, int)> B1;
        QSize Taille;
        int Registration;
        const char* Message;
    } cas[] = {{"fichier supprimé depuis la liste", {}, {16, 12}, RegistrationAucune, "b1.fit"},
               {"taille changée depuis la liste", [](int, int) { return 1; }, {5, 5}, RegistrationAucune,
                "n'a plus la taille"},
               {"aucune étoile dans le cadre", [](int, int) { return 0; }, {16, 12}, RegistrationStellaire,
                "Aucune étoile"},
               // The frame is cut at the same place: the star left it, or another one is in its place.
               {"étoile au bord du cadre", etoile(3, 6, 1000), {16, 12}, RegistrationStellaire, "touche le bord"},
               {"étoile plus faible que la référence", etoile(7, 6, 300), {16, 12}, RegistrationStellaire,
                "fait moins de la moitié"},
               // One bright pixel on the scanned edge: all edge points coincide.
               {"disque sans contour", [](int x, int y) { return x == 0 && y == 5 ? 1000 : 0; }, {16, 12},
                RegistrationPlanetaire, "centre du disque"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Nom);
        TReglagesPretraitement r;
        r.TypeImages = 1;
        r.Registration = c.Registration;
        const bool stellaire = c.Registration == RegistrationStellaire;
        if (stellaire)
            r.Cadre = {2, 2, 12, 10};
        r.Brutes << EcrireFit("e", "b0.fit", ImageFitDe(16, 12, etoile(7, 6, stellaire ? 1000 : 0)))
                 << EcrireFit("e", "b1.fit", ImageFitDe(16, 12, [](int, int y) { return 20 + y; }));
        if (c.B1)
            EcrireFit("e", "b1.fit", ImageFitDe(c.Taille.width(), c.Taille.height(), c.B1));
        else
            QFile::remove(r.Brutes[1].Chemin());
        try {
            Executer(r);
            ADD_FAILURE() << "no error";
        } catch (const EStelor& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.Message)) && e.Message().contains("b1.fit"))
                << e.Message().toStdString();
        }
        EXPECT_EQ(std::tuple(LargeurFit(ResultatFit), ResultatFit.Pixel(1, 1)), std::tuple(3, 7));
        EXPECT_EQ(DossiersTemporaires(), 0);
        const QStringList succes = Textes(QStringLiteral("Fin du prétraitement")) + Textes(QStringLiteral("Terminé."));
        EXPECT_EQ(succes.join('|').toStdString(), "");
        Rapport.clear();
    }
}

TEST_F(TExecutionPretraitement, SerieBmpNiveauxEtAlignementSurLePlan)
{
    TReglagesPretraitement r;
    r.TypeImages = 2;
    r.PlanRegistration = 1;
    r.Cadre = {10, 5, 32, 25};
    QDir().mkpath(Dossier.filePath(QStringLiteral("bmp")));
    // 24-bit frames whose green plane carries a star moved by (dx, dy); the other planes are flat.
    for (const std::array<int, 3>& a : {std::array{0, 0, 20}, std::array{2, -1, 40}}) {
        THistoBmp b = ObjetBmpDe(BitmapDe(40, 30, 3, [a](int x, int y, int c) {
            const double r2 = (x - 20 - a[0]) * (x - 20 - a[0]) + (y - 14 - a[1]) * (y - 14 - a[1]);
            return c != 1 ? a[2] : int(std::min(255.0, a[2] + 200 * std::exp(-r2 / 3.0)));
        }));
        r.Brutes << TFichierSerie{Dossier.filePath(QStringLiteral("bmp")), QStringLiteral("c%1.bmp").arg(a[0])};
        EnregistrerSourceBmp(b, r.Brutes.last().Chemin());
    }
    Executer(r);
    const QStringList lignes = Textes(QStringLiteral("pretbrg~"));
    ASSERT_EQ(lignes.size(), 2);
    EXPECT_TRUE(lignes[1].startsWith(QStringLiteral("-2,00000...\t+1,00000...\t"))) << lignes[1].toStdString();
    ASSERT_EQ(LargeurBmp(ResultatBmp), 40);
    // Brought to the reference's level, the red background stays near 20.
    EXPECT_NEAR(OctetDe(ResultatBmp.BitmapSource, 2, 2, 2), 20, 2);
}

} // namespace

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
#include <algorithm>
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

    // A grey frame of the kind (1 FIT, 2 BMP) in the folder "g".
    TFichierSerie EcrireGris(int type, const QString& nom, int w, int h, const std::function<int(int, int)>& f)
    {
        if (type == 1)
            return EcrireFit("g", nom + ".fit", ImageFitDe(w, h, f));
        const QString d = Dossier.filePath(QStringLiteral("g"));
        QDir().mkpath(d);
        EnregistrerSourceBmp(ObjetBmpDe(BitmapDe(w, h, 1, [&f](int x, int y, int) { return f(x, y); })),
                             QDir(d).filePath(nom + ".bmp"));
        return {d, nom + ".bmp"};
    }

    // A run that must stop: its message holds every text given; the results
    // shown before are kept, nothing of the run is left, no success reported.
    void ExecuterEnEchec(const TReglagesPretraitement& r, const QStringList& attendus)
    {
        const THistoFit fit = ResultatFit;
        const QImage bmp = ResultatBmp.BitmapSource;
        try {
            Executer(r);
            ADD_FAILURE() << "no error";
        } catch (const EStelor& e) {
            for (const QString& a : attendus)
                EXPECT_TRUE(e.Message().contains(a)) << e.Message().toStdString();
        }
        EXPECT_EQ(std::tuple(LargeurFit(ResultatFit), ResultatFit.Pixels, ResultatBmp.BitmapSource),
                  std::tuple(LargeurFit(fit), fit.Pixels, bmp));
        EXPECT_EQ(DossiersTemporaires(), 0);
        const QStringList succes = Textes(QStringLiteral("Fin du prétraitement")) + Textes(QStringLiteral("Terminé."));
        EXPECT_EQ(succes.join('|').toStdString(), "");
        Rapport.clear();
    }
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
        ExecuterEnEchec(r, {QString::fromUtf8(c.Message), QStringLiteral("b1.fit")});
    }
    EXPECT_EQ(std::tuple(LargeurFit(ResultatFit), ResultatFit.Pixel(1, 1)), std::tuple(3, 7));
}

// What a shift does to a frame: below the size along both axes something of
// it stays in the picture, at the size nothing does.
TEST(DecalagePlanetaire, HorsImageQuandLaTranslationNeLaisseRien)
{
    const int w = 5, h = 4;
    const std::pair<double, double> decalages[] = {{4.99, 0}, {5, 0},     {-5, 0},  {-4.99, 0}, {4, -3.99},
                                                   {0, 4},    {0, -4.01}, {7.5, 0}, {0.5, 3.5}, {-4.5, -3.5}};
    for (const bool fraction : {true, false})
        for (const auto& [dx, dy] : decalages) {
            SCOPED_TRACE(testing::Message() << dx << " " << dy << (fraction ? " fraction" : " entier"));
            THistoFit im = ImageFitDe(w, h, [](int, int) { return 1; });
            TranslationXFit(im, dx, fraction);
            TranslationYFit(im, dy, fraction);
            const bool vide = std::all_of(im.Pixels.begin(), im.Pixels.end(), [](double v) { return v == 0; });
            EXPECT_EQ(DecalageHorsImage(dx, dy, w, h), vide);
        }
    // A shift that is no number moves nothing, and is no shift either.
    EXPECT_TRUE(DecalageHorsImage(std::nan(""), 0, w, h));
}

TEST_F(TExecutionPretraitement, PlanetaireArreteUnDecalageHorsDeLImage)
{
    // Frames of texture with no disk (deep sky here, the Moon's ground for
    // the user): their outlines have centres far outside the picture.
    const QImage ciel = QImage(CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")))
                            .convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(ciel.isNull());
    const auto texture = [&ciel](int x0, int y0) -> std::function<int(int, int)> {
        return [&ciel, x0, y0](int x, int y) { return qGray(ciel.pixel(x + x0, y + y0)); };
    };
    const auto disque = [](int cx, int cy) -> std::function<int(int, int)> {
        return [=](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= 30 * 30 ? 200 : 20; };
    };
    const struct {
        const char* Nom;
        std::function<int(int, int)> B0, B1;
        int Coef;
        const char* Decalage; // none: the run stops
    } cas[] = {{"le même ciel décalé de (7, -4)", texture(20, 20), texture(27, 16), 2, nullptr},
               // Most of the width and height, but inside: steps of the
               // scanned columns (6) and rows (4) keep the shift exact.
               {"un disque d'un coin à l'autre", disque(35, 35), disque(35 + 516, 35 + 300), 1,
                "-516,00000...\t-300,00000...\t"}};
    ResultatFit = ImageFitDe(3, 3, [](int, int) { return 7; });
    ResultatBmp = ObjetBmpDe(BitmapDe(2, 2, 1, [](int, int, int) { return 9; }));
    for (const int type : {1, 2})
        for (const auto& c : cas) {
            SCOPED_TRACE(testing::Message() << (type == 1 ? "FIT, " : "BMP, ") << c.Nom);
            TReglagesPretraitement r;
            r.TypeImages = type;
            r.Registration = RegistrationPlanetaire;
            r.CoefPlanetaire = c.Coef;
            r.AjustementNiveaux = false;
            r.Brutes << EcrireGris(type, QStringLiteral("p0"), 640, 480, c.B0)
                     << EcrireGris(type, QStringLiteral("p1"), 640, 480, c.B1);
            if (!c.Decalage) {
                ExecuterEnEchec(r, {QStringLiteral("Le décalage de l'image ") + r.Brutes[1].Chemin(),
                                    QStringLiteral("la ferait sortir entièrement de l'image de 640 x 480 pixels"),
                                    QStringLiteral("référence ") + r.Brutes[0].Chemin()});
                continue;
            }
            const TResultatPretraitement fin = Executer(r);
            const QStringList lignes = Textes(QStringLiteral("pretbrg~"));
            ASSERT_EQ(lignes.size(), 2);
            EXPECT_TRUE(lignes[1].startsWith(QString::fromUtf8(c.Decalage))) << lignes[1].toStdString();
            // Both disks on the reference's; the second frame's place is sky.
            const auto valeur = [&](int x, int y) {
                return type == 1 ? ResultatFit.Pixel(x, y) : double(OctetDe(ResultatBmp.BitmapSource, x, y));
            };
            EXPECT_EQ(std::tuple(fin.Compose, valeur(35, 35), valeur(551, 335)), std::tuple(true, 200.0, 10.0));
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

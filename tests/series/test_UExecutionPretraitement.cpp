// The preprocessing run on series written by the test: report lines, the
// calibration arithmetic, registration, stacking, and what a failure leaves.
#include "PErreurs.h"
#include "Soutien.h"
#include "UArithmetique.h"
#include "UExecutionPretraitement.h"
#include "UImages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

struct TLigne {
    QString Texte;
    QColor Couleur;
};

class TExecutionPretraitement : public ::testing::Test {
protected:
    QTemporaryDir Dossier;
    QTemporaryDir Temp; // the run's private folders go here
    QByteArray AncienTmp;
    std::vector<TLigne> Rapport;
    THistoFit ResultatFit;
    THistoBmp ResultatBmp;

    void SetUp() override
    {
        AncienTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", Temp.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("TMPDIR", AncienTmp); }

    TLigneRapport Rapporteur()
    {
        return [this](const QString& t, const QColor& c) { Rapport.push_back({t, c}); };
    }

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
        return ExecuterPretraitement(r, Rapporteur(), {}, ResultatFit, ResultatBmp);
    }

    QStringList Textes() const
    {
        QStringList t;
        for (const TLigne& l : Rapport)
            t << l.Texte;
        return t;
    }

    // Every file under the users' folder, with a digest of its bytes.
    std::map<QString, QByteArray> Empreinte() const
    {
        std::map<QString, QByteArray> m;
        QDirIterator it(Dossier.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            QFile fichier(f);
            fichier.open(QIODevice::ReadOnly);
            m[f] = QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha1);
        }
        return m;
    }

    int DossiersTemporaires() const { return QDir(Temp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); }
};

// A faint background with one gaussian star centred at (cx, cy).
THistoFit Etoile(int w, int h, double cx, double cy, double fond = 100)
{
    return ImageFitDe(w, h, [=](int x, int y) {
        const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return std::nearbyint(fond + 20000 * std::exp(-r2 / 4.0));
    });
}

TEST_F(TExecutionPretraitement, BrutesSeulesRapportEtNiveaux)
{
    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.Registration = RegistrationAucune;
    r.Brutes << EcrireFit("a", "b1.fit", ImageFitDe(8, 6, [](int x, int y) { return 100 + x + y; }))
             << EcrireFit("a", "b2.fit", ImageFitDe(8, 6, [](int x, int y) { return 300 + x + y; }));
    const auto avant = Empreinte();
    const TResultatPretraitement fin = Executer(r);

    const QStringList t = Textes();
    ASSERT_GE(t.size(), 12);
    EXPECT_EQ(t[0], QStringLiteral("Début du prétraitement ").leftJustified(80, QLatin1Char('-')));
    EXPECT_EQ(t[0].size(), 80);
    EXPECT_EQ(Rapport[0].Couleur, QColor(255, 0, 0));
    EXPECT_EQ(t[2], QStringLiteral("2 brute(s)."));
    EXPECT_EQ(Rapport[2].Couleur, QColor(0, 0, 255));
    EXPECT_EQ(t[4], QStringLiteral("Validation des brutes..."));
    EXPECT_TRUE(t[5].endsWith(QStringLiteral("/pretbok~b1.fit enregistré."))) << t[5].toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Ajustement des niveaux...")));
    EXPECT_TRUE(t.contains(QStringLiteral("Compositage...")));
    EXPECT_TRUE(t.contains(QStringLiteral("Purge des fichiers temporaires...")));
    EXPECT_EQ(t.last(), QString());
    EXPECT_EQ(t[t.size() - 2], QStringLiteral("Fin du prétraitement ").leftJustified(80, QLatin1Char('-')));
    // Every blue closing line is followed by an empty black one.
    for (size_t i = 0; i + 1 < Rapport.size(); ++i)
        if (Rapport[i].Couleur == QColor(0, 0, 255)) {
            EXPECT_TRUE(Rapport[i + 1].Texte.isEmpty());
            EXPECT_EQ(Rapport[i + 1].Couleur, QColor(0, 0, 0));
        }
    // Both frames brought to the first one's mean (101 + 5.5 + ...), then averaged.
    ASSERT_TRUE(fin.Compose);
    ASSERT_EQ(LargeurFit(ResultatFit), 8);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 6; ++y)
            EXPECT_NEAR(ResultatFit.Pixel(x, y), 100 + x + y, 0.5);
    EXPECT_EQ(Empreinte(), avant);
    EXPECT_EQ(DossiersTemporaires(), 0);
}

TEST_F(TExecutionPretraitement, CalibrationCompleteConserveeEtCalculee)
{
    const int w = 12, h = 9;
    auto brute = [](int k) {
        return ImageFitDe(12, 9, [k](int x, int y) { return 1000 + 37 * x + 11 * y + 50 * k; });
    };
    auto dark = [](int k) { return ImageFitDe(12, 9, [k](int x, int y) { return 40 + (x == 3 && y == 4 ? 900 : 0) + k; }); };
    auto flat = [](int k) { return ImageFitDe(12, 9, [k](int x, int) { return 20000 + 500 * x + 10 * k; }); };
    auto offset = [](int k) { return ImageFitDe(12, 9, [k](int, int y) { return 200 + y + 2 * k; }); };

    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.Registration = RegistrationAucune;
    r.AjustementNiveaux = false;
    r.Conserver = true;
    r.CombinaisonDark = CombinaisonMoyenne;
    r.CombinaisonOffset = CombinaisonMediane;
    r.CombinaisonFlat = CombinaisonMoyenne;
    for (int k = 0; k < 3; ++k) {
        r.Brutes << EcrireFit("brutes", QStringLiteral("m%1.fit").arg(k), brute(k));
        r.Darks << EcrireFit("darks", QStringLiteral("d%1.fit").arg(k), dark(k));
        r.Flats << EcrireFit("flats", QStringLiteral("f%1.fit").arg(k), flat(k));
        r.Offsets << EcrireFit("offsets", QStringLiteral("o%1.fit").arg(k), offset(k));
    }
    const auto avant = Empreinte();
    const TResultatPretraitement fin = Executer(r);
    ASSERT_FALSE(fin.DossierConserve.isEmpty());
    EXPECT_TRUE(Textes().contains(QStringLiteral("Divisions des brutes (- master dark) par le master flat...")));
    EXPECT_TRUE(Textes().contains(QStringLiteral("Master offset calculé.")));

    // Masters computed here the plain way: dark mean 41 + hot pixel, offset
    // median (k = 1), flat mean of (flat - offset) with every value rounded
    // as the intermediate file stores it.
    std::vector<double> masterFlat(w * h);
    double sommeFlat = 0;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            double s = 0;
            for (int k = 0; k < 3; ++k)
                s += std::nearbyint(flat(k).Pixel(x, y) - offset(1).Pixel(x, y));
            masterFlat[x * h + y] = s / 3;
            sommeFlat += s / 3;
        }
    const double moyenneFlat = sommeFlat / (w * h);
    // The kept intermediates of every raw frame.
    QStringList calibrees;
    QDirIterator it(fin.DossierConserve, {QStringLiteral("pretbok~*")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        calibrees << it.next();
    ASSERT_EQ(calibrees.size(), 3);
    for (int k = 0; k < 3; ++k) {
        QString chemin;
        for (const QString& c : calibrees)
            if (c.endsWith(QStringLiteral("pretbok~m%1.fit").arg(k)))
                chemin = c;
        ASSERT_FALSE(chemin.isEmpty());
        const THistoFit lu = FitLu(chemin);
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y) {
                const double d = 40 + (x == 3 && y == 4 ? 900 : 0) + 1;
                const double moinsDark = std::clamp(brute(k).Pixel(x, y) - d, 0.0, 65535.0);
                const double attendu =
                    std::clamp(std::nearbyint(moinsDark) / masterFlat[x * h + y] * moyenneFlat, 0.0, 65535.0);
                EXPECT_NEAR(lu.Pixel(x, y), attendu, 1.0) << k << " " << x << " " << y;
            }
    }
    // The users' folders are untouched and nothing was written beside them.
    EXPECT_EQ(Empreinte(), avant);
    EXPECT_TRUE(fin.DossierConserve.startsWith(Temp.path()));
    EXPECT_TRUE(Textes().contains(QStringLiteral("Fichiers intermédiaires conservés dans ") + fin.DossierConserve));
}

TEST_F(TExecutionPretraitement, AlignementStellaireRetrouveLesDecalages)
{
    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.AjustementNiveaux = false;
    r.Cadre = {20, 15, 44, 40};
    const std::vector<std::pair<int, int>> decalages{{0, 0}, {3, -2}, {-4, 5}};
    for (size_t k = 0; k < decalages.size(); ++k)
        r.Brutes << EcrireFit("s", QStringLiteral("e%1.fit").arg(k),
                              Etoile(64, 56, 31 + decalages[k].first, 27 + decalages[k].second));
    Executer(r);
    QStringList lignes;
    for (const QString& t : Textes())
        if (t.contains(QStringLiteral("pretbrg~")))
            lignes << t;
    ASSERT_EQ(lignes.size(), 3);
    EXPECT_TRUE(lignes[0].startsWith(QStringLiteral("+0,00000...\t+0,00000...\t"))) << lignes[0].toStdString();
    EXPECT_TRUE(lignes[1].startsWith(QStringLiteral("-3,00000...\t+2,00000...\t"))) << lignes[1].toStdString();
    EXPECT_TRUE(lignes[2].startsWith(QStringLiteral("+4,00000...\t-5,00000...\t"))) << lignes[2].toStdString();
    // Registered and averaged, the star stands where the reference has it.
    double x = 0, y = 0;
    ASSERT_TRUE(PositionEtoileFit(ResultatFit, x, y));
    EXPECT_NEAR(x, 31, 0.01);
    EXPECT_NEAR(y, 27, 0.01);
}

TEST_F(TExecutionPretraitement, TexteDecalage)
{
    EXPECT_EQ(TexteDecalage(0, -0.0), QStringLiteral("+0,00000...\t+0,00000...\t"));
    EXPECT_EQ(TexteDecalage(-1.25, 2.5), QStringLiteral("-1,25000...\t+2,50000...\t"));
}

TEST_F(TExecutionPretraitement, UnEchecNeLaisseRienEtGardeLeResultat)
{
    // A result shown before the run.
    ResultatFit = ImageFitDe(3, 3, [](int, int) { return 7; });
    struct TCas {
        const char* Nom;
        std::function<void(TReglagesPretraitement&)> Preparer;
        const char* Message;
    };
    const std::vector<TCas> cas{
        {"fichier supprimé depuis la liste",
         [this](TReglagesPretraitement& r) { QFile::remove(r.Brutes[1].Chemin()); }, "b1.fit"},
        {"taille changée depuis la liste",
         [this](TReglagesPretraitement&) { EcrireFit("e", "b1.fit", ImageFitDe(5, 5, [](int, int) { return 1; })); },
         "n'a plus la taille"},
        {"aucune étoile dans le cadre",
         [this](TReglagesPretraitement& r) {
             EcrireFit("e", "b1.fit", ImageFitDe(16, 12, [](int, int) { return 0; }));
             r.Registration = RegistrationStellaire;
             r.Cadre = {2, 2, 12, 10};
         },
         "Aucune étoile"},
        {"disque sans contour",
         [this](TReglagesPretraitement& r) {
             // One bright pixel on the scanned edge: all edge points coincide.
             EcrireFit("e", "b1.fit", ImageFitDe(16, 12, [](int x, int y) { return x == 0 && y == 5 ? 1000 : 0; }));
             r.Registration = RegistrationPlanetaire;
         },
         "centre du disque"},
    };
    for (const TCas& c : cas) {
        SCOPED_TRACE(c.Nom);
        TReglagesPretraitement r;
        r.TypeImages = 1;
        r.Registration = RegistrationAucune;
        r.Brutes << EcrireFit("e", "b0.fit", ImageFitDe(16, 12, [](int x, int) { return 10 + x; }))
                 << EcrireFit("e", "b1.fit", ImageFitDe(16, 12, [](int, int y) { return 20 + y; }));
        c.Preparer(r);
        try {
            Executer(r);
            ADD_FAILURE() << "no error";
        } catch (const EStelor& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.Message))) << e.Message().toStdString();
        }
        EXPECT_EQ(LargeurFit(ResultatFit), 3);
        EXPECT_EQ(ResultatFit.Pixel(1, 1), 7);
        EXPECT_EQ(DossiersTemporaires(), 0);
        EXPECT_FALSE(Textes().contains(QStringLiteral("Fin du prétraitement ").leftJustified(80, QLatin1Char('-'))));
        Rapport.clear();
    }
}

TEST_F(TExecutionPretraitement, MemeNomDansDeuxDossiersEtAddition)
{
    TReglagesPretraitement r;
    r.TypeImages = 1;
    r.Registration = RegistrationAucune;
    r.AjustementNiveaux = false;
    r.Addition = true;
    r.Conserver = true;
    r.Brutes << EcrireFit("un", "m.fit", ImageFitDe(4, 4, [](int, int) { return 40000; }))
             << EcrireFit("deux", "m.fit", ImageFitDe(4, 4, [](int x, int) { return 10000 * x; }));
    const TResultatPretraitement fin = Executer(r);
    QStringList copies;
    QDirIterator it(fin.DossierConserve, {QStringLiteral("pretbok~m.fit")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        copies << it.next();
    ASSERT_EQ(copies.size(), 2);
    EXPECT_EQ(FitLu(copies[0]).Pixel(2, 0) + FitLu(copies[1]).Pixel(2, 0), 60000);
    // The sum saturates at 65535 where it overflows.
    EXPECT_EQ(ResultatFit.Pixel(0, 0), 40000);
    EXPECT_EQ(ResultatFit.Pixel(3, 2), 65535);
}

TEST_F(TExecutionPretraitement, SerieBmpNiveauxEtAlignementSurLePlan)
{
    // 24-bit frames whose green plane carries a star; red is flat.
    auto image = [](int dx, int dy, int fond) {
        return ObjetBmpDe(BitmapDe(40, 30, 3, [=](int x, int y, int c) {
            if (c != 1)
                return fond;
            const double r2 = (x - 20 - dx) * (x - 20 - dx) + (y - 14 - dy) * (y - 14 - dy);
            return static_cast<int>(std::min(255.0, fond + 200 * std::exp(-r2 / 3.0)));
        }));
    };
    TReglagesPretraitement r;
    r.TypeImages = 2;
    r.PlanRegistration = 1;
    r.Cadre = {10, 5, 32, 25};
    const QString d = Dossier.filePath(QStringLiteral("bmp"));
    QDir().mkpath(d);
    const std::vector<std::array<int, 3>> cas{{0, 0, 20}, {2, -1, 40}};
    for (size_t k = 0; k < cas.size(); ++k) {
        THistoBmp b = image(cas[k][0], cas[k][1], cas[k][2]);
        const QString nom = QStringLiteral("c%1.bmp").arg(k);
        EnregistrerSourceBmp(b, QDir(d).filePath(nom));
        r.Brutes << TFichierSerie{d, nom};
    }
    Executer(r);
    QStringList lignes;
    for (const QString& t : Textes())
        if (t.contains(QStringLiteral("pretbrg~")))
            lignes << t;
    ASSERT_EQ(lignes.size(), 2);
    EXPECT_TRUE(lignes[1].startsWith(QStringLiteral("-2,00000...\t+1,00000...\t"))) << lignes[1].toStdString();
    ASSERT_EQ(LargeurBmp(ResultatBmp), 40);
    // Brought to the reference's level, the red background stays near 20.
    EXPECT_NEAR(OctetDe(ResultatBmp.BitmapSource, 2, 2, 2), 20, 2);
}

} // namespace

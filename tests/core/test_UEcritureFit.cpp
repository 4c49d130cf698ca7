// The scaling a save writes, checked by the three readers: every value a
// 16-bit file can hold comes back, read by this program, cfitsio and astropy.
#include "Soutien.h"
#include "UArithmetique.h"
#include "UEcritureFit.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// How a save may bring the pixels back.
enum class TRetour {
    Exact,   // as they were
    Unites,  // rounded to whole units, halves to even, under BSCALE 1
    DemiPas, // within half a step of (Max - Min) / 65535, the scaling spanning Min..Max
};

struct TCasEcriture {
    const char* nom;
    std::function<THistoFit(const QString& dossier)> image;
    TRetour retour;
};

// The first n values of f, in file order.
std::vector<double> Valeurs(size_t n, const std::function<double(size_t)>& f)
{
    std::vector<double> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = f(i);
    return v;
}

// The file cfitsio writes, as this program reads it.
THistoFit LuDeCfitsio(const QString& nom, int bitpix, long l, long h, const std::function<double(size_t)>& brut,
                      double bscale = 1, double bzero = 0)
{
    EXPECT_TRUE(EcrireFitCfitsio(nom, bitpix, {l, h}, Valeurs(static_cast<size_t>(l * h), brut), bscale, bzero));
    return FitLu(nom);
}

const TCasEcriture kCas[] = {
    // What 16 bits at BSCALE 1 cannot hold: a span beyond 0..65535, or
    // fewer than 256 whole units between Min and Max.
    {"entiers 32 bits de 0 a 999990", [](const QString& d) {
         return LuDeCfitsio(d + "/e32.fit", 32, 300, 200, [](size_t i) { return std::nearbyint(i * 999990.0 / 59999); });
     }, TRetour::DemiPas},
    {"32 bits a BSCALE 1,29345E-6 et BZERO 35,32", [](const QString& d) {
         return LuDeCfitsio(d + "/s32.fit", 32, 256, 256, [](size_t i) { return -123468.0 + double(i * 7919 % 246937); },
                            1.29345E-6, 35.32);
     }, TRetour::DemiPas},
    {"plat normalise de 0 a 1", [](const QString& d) {
         return LuDeCfitsio(d + "/plat.fit", -32, 97, 61, [](size_t i) { return float(i * 37 % 1001) / 1000.0f; });
     }, TRetour::DemiPas},
    {"moyenne d'images pres de 100000 et 70000", [](const QString& d) {
         LuDeCfitsio(d + "/a.fit", -32, 40, 30, [](size_t i) { return 100000.0 + double(i * 13 % 97); });
         LuDeCfitsio(d + "/b.fit", -32, 40, 30, [](size_t i) { return 70000.0 + double(i * 7 % 89); });
         THistoFit moyenne;
         CreerHistoFit(moyenne);
         MoyenneListeFit({d + "/a.fit", d + "/b.fit"}, moyenne, nullptr, QString());
         return moyenne;
     }, TRetour::DemiPas},
    {"reels sur 255 unites", [](const QString&) {
         return ImageFitDe(31, 17, [](int x, int y) { return 0.4 + (x * 17 + y) % 255; });
     }, TRetour::DemiPas},
    {"reels entre deux entiers", [](const QString&) {
         return ImageFitDe(9, 7, [](int x, int y) { return 100.1 + 0.1 * ((x + y) % 9); });
     }, TRetour::DemiPas},
    // What holds as it did.
    {"entiers de 0 a 65535 (BZERO 32768)", [](const QString&) { return FitLu(CheminDonnees("saao_raw_u16.fits")); },
     TRetour::Exact},
    {"echelle du fichier, qui tient chaque valeur", [](const QString&) {
         return FitLu(CheminDonnees("scale_bscale_bzero_i16.fits"));
     }, TRetour::Exact},
    {"reels sur 256 unites", [](const QString&) {
         return ImageFitDe(31, 17, [](int x, int y) { return 0.4 + (x * 17 + y) % 256; });
     }, TRetour::Unites},
    {"reels de 0 a 60000", [](const QString&) {
         return ImageFitDe(40, 25, [](int x, int y) { return std::fmod((x * 25 + y) * 61.37, 60000.0); });
     }, TRetour::Unites},
    {"une seule valeur non entiere", [](const QString&) { return ImageFitDe(5, 4, [](int, int) { return 0.25; }); },
     TRetour::Exact},
    {"une seule valeur au-dela de 65535", [](const QString&) { return ImageFitDe(5, 4, [](int, int) { return 1e6; }); },
     TRetour::Exact},
};

} // namespace

TEST(EcritureFitEchelle, ChaqueValeurRevientChezLesTroisLecteurs)
{
    QTemporaryDir dossier;
    QStringList pourAstropy;
    std::vector<double> tolerances;
    for (size_t k = 0; k < std::size(kCas); ++k) {
        const TCasEcriture& cas = kCas[k];
        SCOPED_TRACE(cas.nom);
        THistoFit im = cas.image(dossier.path());
        ASSERT_FALSE(im.Pixels.empty());
        const std::vector<double> avant = im.Pixels;
        const double bscaleLu = LireBScaleFit(im);
        const auto [mini, maxi] = std::ranges::minmax(avant);
        const double demiPas = (maxi - mini) / 65535 / 2;
        const double tolerance = cas.retour == TRetour::Exact ? 0 : cas.retour == TRetour::Unites ? 0.5 : demiPas;
        // What floating point may add to the scaling's own rounding.
        const double bruit = 1e-12 * (std::fabs(maxi) + 1);

        const QString nom = dossier.filePath(QStringLiteral("sortie%1.fit").arg(k));
        EnregistrerFit(im, nom);
        EXPECT_TRUE(AccepteParFitsverify(nom));
        const std::vector<double> relu = FitLu(nom).Pixels;
        EXPECT_TRUE(relu == CommeLeLecteur(LireFitCfitsio(nom)));
        ASSERT_EQ(relu.size(), avant.size());
        double pire = 0;
        for (size_t i = 0; i < relu.size(); ++i) {
            const double attendu = cas.retour == TRetour::Unites ? std::nearbyint(avant[i]) : avant[i];
            pire = std::max(pire, std::fabs(relu[i] - attendu));
        }
        EXPECT_LE(pire, (cas.retour == TRetour::DemiPas ? demiPas * (1 + 1e-6) : 0) + bruit);

        // The scaling written: BSCALE 1 for whole units, the file's own
        // kept, else one step of the span.
        const double bscale = LireBScaleFit(im);
        if (cas.retour == TRetour::Unites) {
            EXPECT_EQ(bscale, 1);
        } else if (cas.retour == TRetour::DemiPas) {
            EXPECT_NEAR(bscale, (maxi - mini) / 65535, 1e-12 * bscale);
        } else if (bscaleLu != 1) {
            EXPECT_EQ(bscale, bscaleLu);
        }
        pourAstropy << nom << PixelsBruts(im, nom + ".brut");
        tolerances.push_back(tolerance * (1 + 1e-6) + bruit);
    }
    const QStringList ecarts = Python(QStringLiteral("ecarts_relus"), pourAstropy).split(' ');
    ASSERT_EQ(ecarts.size(), qsizetype(std::size(kCas)));
    for (size_t k = 0; k < std::size(kCas); ++k)
        EXPECT_LE(ecarts[k].toDouble(), tolerances[k]) << kCas[k].nom;
}

TEST(EcritureFitEchelle, ValeursDeVingtEtUnChiffresEcritesApresUnBlanc)
{
    // A scaling of 0..1 needs BSCALE 1/65535, whose shortest exact text has
    // 22 characters: the card still reads "BSCALE  = " before it.
    QTemporaryDir dossier;
    THistoFit im = ImageFitDe(3, 3, [](int x, int y) { return (x * 3 + y) / 8.0; });
    double bscale = 0, bzero = 0;
    EchelleEnregistrementFit(im, im.Entete, bscale, bzero);
    EXPECT_EQ(bscale, 1.0 / 65535);
    const QString nom = dossier.filePath("f.fit");
    EnregistrerFit(im, nom);
    const int i = DerniereCarteFit(im.Entete, QLatin1String("BSCALE"));
    ASSERT_GE(i, 0);
    EXPECT_TRUE(im.Entete[i].startsWith("BSCALE  = 1.5259021896696422E-05")) << im.Entete[i].toStdString();
    EXPECT_EQ(std::pair(LireBScaleFit(im), LireBZeroFit(im)), std::pair(bscale, bzero));
    EXPECT_TRUE(AccepteParFitsverify(nom));
    EXPECT_EQ(CarteValeurFit("BZERO", "-1.2345678901234567E-10"), "BZERO   = -1.2345678901234567E-10");
}

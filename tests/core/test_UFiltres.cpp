#include "UFiltres.h"
#include "UFit.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace {

THistoFit Image(int largeur, int hauteur, const std::function<double(int, int)>& valeur)
{
    THistoFit im;
    CreerHistoFit(im);
    im.XMax = largeur - 1;
    im.YMax = hauteur - 1;
    im.Pixels.resize(static_cast<size_t>(largeur) * hauteur);
    im.Min = 65535;
    im.Max = 0;
    for (int x = 0; x < largeur; ++x)
        for (int y = 0; y < hauteur; ++y) {
            im.Pixel(x, y) = valeur(x, y);
            im.Min = std::min(im.Min, im.Pixel(x, y));
            im.Max = std::max(im.Max, im.Pixel(x, y));
        }
    return im;
}

THistoFit Aleatoire(int largeur, int hauteur, unsigned graine)
{
    std::mt19937 gen(graine);
    std::uniform_real_distribution<double> fond(0, 3000);
    std::uniform_int_distribution<int> etoile(0, 40);
    return Image(largeur, hauteur, [&](int, int) { return etoile(gen) == 0 ? 30000 + fond(gen) : fond(gen); });
}

// The convolution exactly as described: y outer, x inner, taps in kernel
// order read through the element routine, clamp, FixerPixelFit.
void Reference(const double* k, int taille, THistoFit& im, bool protege, double seuil)
{
    THistoFit c;
    CreerHistoFit(c);
    CopierPixelsFit(im, c);
    const int h = taille / 2;
    for (int y = 0; y <= im.YMax; ++y)
        for (int x = 0; x <= im.XMax; ++x) {
            double s = 0, sp = 0;
            const double centre = c.Pixel(x, y);
            for (int dy = -h; dy <= h; ++dy)
                for (int dx = -h; dx <= h; ++dx) {
                    const double n = c.Pixel(std::clamp(x + dx, 0, im.XMax), std::clamp(y + dy, 0, im.YMax));
                    const double w = CoefficientNoyau(k, taille, h + dy + 1, h + dx + 1);
                    if (!protege) {
                        s += w * n;
                    } else if (std::fabs(n - centre) < seuil) {
                        s += w * n;
                        sp += w;
                    }
                }
            const double d = protege ? ValeurNonNulle(sp, 1) : ValeurNonNulle(SommeNoyau(k, taille), 1);
            FixerPixelFit(im, x, y, BornerReel(s / d, 0, 65535));
        }
}

void ExpectMemesPixels(const THistoFit& a, const THistoFit& b)
{
    ASSERT_EQ(a.Pixels.size(), b.Pixels.size());
    for (size_t i = 0; i < a.Pixels.size(); ++i)
        ASSERT_EQ(a.Pixels[i], b.Pixels[i]) << "pixel " << i;
    EXPECT_EQ(a.Min, b.Min);
    EXPECT_EQ(a.Max, b.Max);
}

class Preferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dossier.isValid());
        FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    }
    void TearDown() override { FixerFichierPreferences(QString()); }
    QTemporaryDir dossier;
};

} // namespace

TEST(Noyaux, TablesEtElements)
{
    TNoyau3x3 k;
    NoyauPasseBas(5, k);
    EXPECT_EQ(k, (TNoyau3x3{1, 2, 1, 1, 1, 1, 1, 2, 1}));
    NoyauPasseBas(1, k);
    EXPECT_EQ(CoefficientNoyau3x3(k, 2, 2), 32);
    EXPECT_EQ(SommeNoyau(k.data(), 3), 44);
    for (int f = 1; f <= 5; ++f) {
        NoyauPasseHaut(f, k);
        EXPECT_EQ(SommeNoyau(k.data(), 3), 6 - f);
    }
    NoyauPasseBas(6, k);
    EXPECT_EQ(k, TNoyau3x3{});
    NoyauPasseHaut(0, k);
    EXPECT_EQ(k, TNoyau3x3{});
    // Any other size reads as zero and sums to 1; outside rows read as zero.
    EXPECT_EQ(CoefficientNoyau(k.data(), 4, 1, 1), 0);
    EXPECT_EQ(SommeNoyau(k.data(), 4), 1);
    NoyauPasseBas(4, k);
    EXPECT_EQ(CoefficientNoyau(k.data(), 3, 0, 1), 0);
    EXPECT_EQ(CoefficientNoyau(k.data(), 3, 3, 2), 2);
}

TEST(Noyaux, GaussienEtSigmaInvalide)
{
    TNoyau5x5 g, minimum, h;
    NoyauGaussien(g, 1.5);
    EXPECT_DOUBLE_EQ(g[12], 2 * M_PI * 2.25);
    EXPECT_DOUBLE_EQ(g[13] / g[12], std::exp(-1 / 4.5));
    EXPECT_DOUBLE_EQ(g[0] / g[12], std::exp(-8 / 4.5));
    EXPECT_EQ(g[0], g[24]);
    NoyauGaussien(minimum, 0.2);
    for (double sigma : {0.0, -3.0, 1e-200, std::nan("")}) {
        NoyauGaussien(h, sigma);
        EXPECT_EQ(h, minimum) << sigma;
    }
}

TEST(ConvoluerFit, IdentiqueALAlgorithmeDecrit)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> poids(-3, 9);
    const int tailles[][2] = {{1, 1}, {2, 7}, {37, 75}, {5, 33}, {9, 16}, {3, 2}, {4, 130}};
    for (int taille : {3, 5})
        for (auto [l, h] : tailles) {
            std::vector<double> k(static_cast<size_t>(taille) * taille);
            for (double& w : k)
                w = std::round(poids(gen) * 4) / 4 + (gen() % 3 == 0 ? 0.1 : 0);
            for (double seuil : {-1.0, 0.0, 1000.0, 40000.0}) {
                THistoFit a = Aleatoire(l, h, 11 * l + h), b = a;
                if (seuil < 0) {
                    ConvoluerFit(k.data(), taille, a, false);
                    Reference(k.data(), taille, b, false, 0);
                } else {
                    ConvoluerFitSeuil(k.data(), taille, a, seuil);
                    Reference(k.data(), taille, b, true, seuil);
                }
                SCOPED_TRACE(testing::Message() << taille << " " << l << "x" << h << " seuil " << seuil);
                ExpectMemesPixels(a, b);
            }
        }
}

TEST(ConvoluerFit, CasLimites)
{
    // Identity kernel: every pixel unchanged, borders included.
    TNoyau5x5 identite{};
    identite[12] = 1;
    THistoFit a = Aleatoire(6, 40, 3), b = a;
    FiltreConvolutionFit(a, identite, false);
    ExpectMemesPixels(a, b);

    // Laplacian (sum 0): divided by 1, negative results become 0.
    TNoyau5x5 laplacien{};
    laplacien[7] = laplacien[11] = laplacien[13] = laplacien[17] = -1;
    laplacien[12] = 4;
    THistoFit p = Image(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 100.0 : 10.0; });
    FiltreConvolutionFit(p, laplacien, false);
    EXPECT_EQ(p.Pixel(2, 2), 360);
    EXPECT_EQ(p.Pixel(2, 1), 0);
    EXPECT_EQ(p.Pixel(0, 0), 0);
    EXPECT_EQ(p.Min, 0);

    // Low pass force 4 on one bright pixel; Max keeps the earlier 1600.
    THistoFit q = Image(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 1600.0 : 0.0; });
    FiltrePasseBasFit(q, 4, false);
    EXPECT_EQ(q.Pixel(2, 2), 400);
    EXPECT_EQ(q.Pixel(1, 2), 200);
    EXPECT_EQ(q.Pixel(2, 3), 200);
    EXPECT_EQ(q.Pixel(3, 3), 100);
    EXPECT_EQ(q.Pixel(0, 0), 0);
    EXPECT_EQ(q.Max, 1600);

    // Force outside 1..5: all-zero kernel, every pixel 0.
    THistoFit z = Aleatoire(4, 4, 5);
    FiltrePasseHautFit(z, 9, false);
    EXPECT_TRUE(std::all_of(z.Pixels.begin(), z.Pixels.end(), [](double v) { return v == 0; }));

    // An image without pixels is left alone.
    THistoFit vide;
    CreerHistoFit(vide);
    FiltreGaussienFit(vide, false, 1);
    FiltreMediane3x3Fit(vide);
    EXPECT_TRUE(vide.Pixels.empty());
}

TEST_F(Preferences, ProtectionDesEtoiles)
{
    // Star of 30000 on 100: the background ignores it, the star keeps its value.
    EcrireOffsetDetectEtoiles(1000);
    THistoFit im = Image(7, 7, [](int x, int y) { return x == 3 && y == 3 ? 30000.0 : 100.0; });
    FiltrePasseBasFit(im, 3, true);
    EXPECT_EQ(im.Pixel(3, 3), 30000);
    EXPECT_EQ(im.Pixel(2, 3), 100);
    EXPECT_EQ(im.Pixel(4, 4), 100);

    // Without protection the star spreads.
    THistoFit libre = Image(7, 7, [](int x, int y) { return x == 3 && y == 3 ? 30000.0 : 100.0; });
    FiltrePasseBasFit(libre, 3, false);
    EXPECT_GT(libre.Pixel(2, 3), 100);

    // Threshold 0: nothing counts, every pixel becomes 0.
    EcrireOffsetDetectEtoiles(0);
    FiltreGaussienFit(im, true, 1.2);
    EXPECT_TRUE(std::all_of(im.Pixels.begin(), im.Pixels.end(), [](double v) { return v == 0; }));
}

TEST(FiltresFit, MasqueFlouSuitSesEtapes)
{
    THistoFit a = Aleatoire(23, 41, 9), b = a;
    FiltreMasqueFlouFit(a, false, 1.3, 2.5);
    // The three-copy construction with the image operations.
    THistoFit flou, detail, resultat;
    CreerHistoFit(flou);
    CreerHistoFit(detail);
    CreerHistoFit(resultat);
    CopierPixelsFit(b, flou);
    FiltreGaussienFit(flou, false, 1.3);
    CopierPixelsFit(b, detail);
    SoustraireImageFit(detail, flou);
    MultiplierConstanteFit(detail, 2.5);
    CopierPixelsFit(b, resultat);
    AdditionnerImageFit(resultat, detail);
    ExpectMemesPixels(a, resultat);

    THistoFit c = Aleatoire(8, 8, 2), d = c;
    FiltreMasqueFlouFit(c, false, 0.7, 0);
    ExpectMemesPixels(c, d);
}

TEST(FiltresFit, DDP)
{
    THistoFit im = Image(3, 1, [](int x, int) { return x == 0 ? 1000.0 : x == 1 ? 3000.0 : 999.0; });
    FiltreDDPNeutreFit(im, 1000, 2);
    EXPECT_EQ(im.Pixel(0, 0), 1000);
    EXPECT_EQ(im.Pixel(1, 0), 1500);
    EXPECT_EQ(im.Pixel(2, 0), 999);

    // Level 0 on black pixels: 0/0 keeps the pixel; any other pixel becomes 0.
    THistoFit noir = Image(2, 1, [](int x, int) { return x == 0 ? 0.0 : 500.0; });
    FiltreDDPNeutreFit(noir, 0, 5);
    EXPECT_EQ(noir.Pixel(0, 0), 0);
    EXPECT_EQ(noir.Pixel(1, 0), 0);

    // Filtered variants: reference = low-passed copy, taken before any change.
    THistoFit a = Aleatoire(12, 35, 4), ref = a, attendu = a;
    FiltreDDPPasseBasFit(a, 800, 2, 3.5, false);
    FiltrePasseBasFit(ref, 2, false);
    for (int x = 0; x <= attendu.XMax; ++x)
        for (int y = 0; y <= attendu.YMax; ++y) {
            const double p = attendu.Pixel(x, y);
            if (p >= 800)
                FixerPixelFit(attendu, x, y, std::min(65535.0, 800 * 3.5 * p / (800 + ref.Pixel(x, y))));
        }
    ExpectMemesPixels(a, attendu);

    // Gaussian reference with sigma 0 behaves as sigma 0,2 and never yields NaN.
    THistoFit g0 = Aleatoire(9, 9, 8), g2 = g0;
    FiltreDDPGaussienFit(g0, 0, false, 0, 2);
    FiltreDDPGaussienFit(g2, 0, false, 0.2, 2);
    ExpectMemesPixels(g0, g2);
    EXPECT_TRUE(std::none_of(g0.Pixels.begin(), g0.Pixels.end(), [](double v) { return std::isnan(v); }));
}

TEST(FiltresFit, Mediane)
{
    THistoFit chaud = Image(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 65535.0 : 100.0; });
    FiltreMediane3x3Fit(chaud);
    EXPECT_EQ(chaud.Pixel(1, 1), 100);
    EXPECT_EQ(chaud.Max, 65535); // only widens

    THistoFit etroite = Aleatoire(2, 100, 1), copie = etroite;
    FiltreMediane3x3Fit(etroite);
    ExpectMemesPixels(etroite, copie);

    // Against a plain sort of the nine values, with many ties; borders stay.
    std::mt19937 gen(5);
    THistoFit a = Image(31, 50, [&](int, int) { return static_cast<double>(gen() % 6); }), b = a;
    FiltreMediane3x3Fit(a);
    for (int x = 0; x <= b.XMax; ++x)
        for (int y = 0; y <= b.YMax; ++y) {
            double attendu = b.Pixel(x, y);
            if (x > 0 && y > 0 && x < b.XMax && y < b.YMax) {
                std::vector<double> v;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        v.push_back(b.Pixel(x + dx, y + dy));
                std::sort(v.begin(), v.end());
                attendu = v[4];
            }
            ASSERT_EQ(a.Pixel(x, y), attendu) << x << "," << y;
        }
}

#include "Soutien.h"
#include "UFiltres.h"
#include "UFit.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>

namespace {

// Background up to 3000 with a star of 30000 or more in about one pixel of 40.
THistoFit Aleatoire(int largeur, int hauteur, unsigned graine)
{
    std::mt19937 gen(graine);
    std::uniform_real_distribution<double> fond(0, 3000);
    return ImageFitDe(largeur, hauteur, [&](int, int) { return gen() % 40 == 0 ? 30000 + fond(gen) : fond(gen); });
}

// The convolution as described: from an untouched copy, y outer, x inner,
// taps in kernel order read through the element routine, clamp, FixerPixelFit.
void Reference(const double* k, int taille, THistoFit& im, bool protege, double seuil)
{
    const THistoFit c = im;
    const int h = taille / 2;
    for (int y = 0; y <= im.YMax; ++y)
        for (int x = 0; x <= im.XMax; ++x) {
            double s = 0, sp = 0;
            for (int dy = -h; dy <= h; ++dy)
                for (int dx = -h; dx <= h; ++dx) {
                    const double n = c.Pixel(std::clamp(x + dx, 0, im.XMax), std::clamp(y + dy, 0, im.YMax));
                    const double w = CoefficientNoyau(k, taille, h + dy + 1, h + dx + 1);
                    if (!protege || std::fabs(n - c.Pixel(x, y)) < seuil) {
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
    EXPECT_EQ(a.Pixels, b.Pixels);
    EXPECT_EQ(a.Min, b.Min);
    EXPECT_EQ(a.Max, b.Max);
}

bool ToutA(const THistoFit& im, double v)
{
    return std::all_of(im.Pixels.begin(), im.Pixels.end(), [v](double p) { return p == v; });
}

// The protected filters read their threshold from the settings: a scratch file.
void Seuil(int32_t seuil)
{
    static QTemporaryDir dossier;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    EcrireOffsetDetectEtoiles(seuil);
}

} // namespace

TEST(Noyaux, TablesEtElements)
{
    const double centreBas[] = {32, 16, 8, 4, 1}, centreHaut[] = {9, 8, 7, 6, 5};
    for (int f = -1; f <= 6; ++f) { // forces outside 1..5: all zeros
        TNoyau3x3 bas, haut;
        NoyauPasseBas(f, bas);
        NoyauPasseHaut(f, haut);
        const bool connue = f >= 1 && f <= 5;
        const double c = f == 5 ? 1 : 2; // force 5: middle row 1 1 1
        EXPECT_EQ(bas, (connue ? TNoyau3x3{1, 2, 1, c, centreBas[f - 1], c, 1, 2, 1} : TNoyau3x3{})) << f;
        EXPECT_EQ(haut, (connue ? TNoyau3x3{0, -1, 0, -1, centreHaut[f - 1], -1, 0, -1, 0} : TNoyau3x3{})) << f;
    }
    // Elements 1, 2, 3...: row r, column c of size n holds (r - 1) n + c.
    std::array<double, 81> k;
    std::iota(k.begin(), k.end(), 1);
    TNoyau3x3 k3;
    TNoyau5x5 k5;
    std::copy_n(k.begin(), 9, k3.begin());
    std::copy_n(k.begin(), 25, k5.begin());
    EXPECT_EQ(std::make_tuple(CoefficientNoyau3x3(k3, 2, 3), CoefficientNoyau5x5(k5, 4, 2), CoefficientNoyau(k.data(), 9, 9, 8)),
              std::make_tuple(6, 17, 80));
    for (auto [taille, ligne, colonne] : {std::array{4, 1, 1}, {3, 0, 1}, {5, 1, 6}})
        EXPECT_EQ(CoefficientNoyau(k.data(), taille, ligne, colonne), 0);
    for (auto [taille, somme] : {std::pair{3, 45}, {5, 325}, {9, 3321}, {4, 1}}) // 1 for other sizes
        EXPECT_EQ(SommeNoyau(k.data(), taille), somme);
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
    // A huge sigma gives a flat kernel of finite weights, not infinities.
    for (double sigma : {1e300, HUGE_VAL}) {
        NoyauGaussien(h, sigma);
        EXPECT_TRUE(std::isfinite(h[0]) && std::all_of(h.begin(), h.end(), [&](double w) { return w == h[0]; }));
    }
}

TEST(ConvoluerFit, IdentiqueALAlgorithmeDecrit)
{
    // Sizes below, at and well above the engine's blocks of rows.
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> poids(-3, 9);
    const int tailles[][2] = {{1, 1}, {2, 7}, {37, 75}, {9, 16}, {3, 2}, {4, 130}};
    for (int taille : {3, 5})
        for (auto [l, h] : tailles) {
            // Quarters, some with a tenth added; every other kernel sums to 0
            // exactly (divided by 1, negative results clamped to 0).
            std::vector<double> k(static_cast<size_t>(taille) * taille);
            for (double& w : k)
                w = std::round(poids(gen) * 4) / 4;
            if (h % 2 == 0)
                k[k.size() / 2] -= std::accumulate(k.begin(), k.end(), 0.0);
            else
                for (double& w : k)
                    w += gen() % 3 == 0 ? 0.1 : 0;
            for (int seuil : {-1, 0, 1000, 40000}) {
                THistoFit a = Aleatoire(l, h, 11 * l + h), b = a;
                if (seuil >= 0)
                    Seuil(seuil);
                ConvoluerFit(k.data(), taille, a, seuil >= 0);
                Reference(k.data(), taille, b, seuil >= 0, seuil);
                SCOPED_TRACE(testing::Message() << taille << " " << l << "x" << h << " seuil " << seuil);
                ExpectMemesPixels(a, b);
            }
        }
}

TEST(ConvoluerFit, CasLimites)
{
    TNoyau5x5 identite{};
    identite[12] = 1;
    THistoFit a = Aleatoire(6, 40, 3), b = a;
    FiltreConvolutionFit(a, identite, false);
    ExpectMemesPixels(a, b);

    // Low pass force 4 on one bright pixel; Max keeps the earlier 1600.
    THistoFit q = ImageFitDe(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 1600.0 : 0.0; });
    FiltrePasseBasFit(q, 4, false);
    THistoFit attendu = ImageFitDe(5, 5, [](int x, int y) {
        const int dx = std::abs(x - 2), dy = std::abs(y - 2);
        return dx > 1 || dy > 1 ? 0.0 : dx + dy == 0 ? 400.0 : dx + dy == 1 ? 200.0 : 100.0;
    });
    attendu.Max = 1600;
    ExpectMemesPixels(q, attendu);

    THistoFit z = Aleatoire(4, 4, 5); // force outside 1..5: all-zero kernel
    FiltrePasseHautFit(z, 9, false);
    EXPECT_TRUE(ToutA(z, 0));

    THistoFit vide; // no pixels: left alone
    FiltreGaussienFit(vide, false, 1), FiltreMediane3x3Fit(vide);
    EXPECT_TRUE(vide.Pixels.empty());
}

TEST(ConvoluerFit, ProtectionDesEtoiles)
{
    // Star of 30000 on 100: the background ignores it, the star keeps its value.
    Seuil(1000);
    THistoFit im = ImageFitDe(7, 7, [](int x, int y) { return x == 3 && y == 3 ? 30000.0 : 100.0; });
    const THistoFit avant = im;
    FiltrePasseBasFit(im, 3, true);
    ExpectMemesPixels(im, avant);

    Seuil(0); // nothing counts, every pixel becomes 0
    FiltreGaussienFit(im, true, 1.2);
    EXPECT_TRUE(ToutA(im, 0));
}

TEST(FiltresFit, MasqueFlouSuitSesEtapes)
{
    THistoFit a = Aleatoire(23, 41, 9), flou = a, detail = a, attendu = a;
    FiltreMasqueFlouFit(a, false, 1.3, 2.5);
    FiltreGaussienFit(flou, false, 1.3);
    SoustraireImageFit(detail, flou);
    MultiplierConstanteFit(detail, 2.5);
    AdditionnerImageFit(attendu, detail);
    ExpectMemesPixels(a, attendu);

    THistoFit c = Aleatoire(8, 8, 2), d = c;
    FiltreMasqueFlouFit(c, false, 0.7, 0);
    ExpectMemesPixels(c, d);
}

TEST(FiltresFit, DDP)
{
    THistoFit im = ImageFitDe(3, 1, [](int x, int) { return x == 0 ? 1000.0 : x == 1 ? 3000.0 : 999.0; });
    FiltreDDPNeutreFit(im, 1000, 2);
    EXPECT_EQ(im.Pixels, (std::vector<double>{1000, 1500, 999}));

    // Level 0: 0/0 on a black pixel keeps it; any other pixel becomes 0.
    THistoFit noir = ImageFitDe(2, 1, [](int x, int) { return x == 0 ? 0.0 : 500.0; });
    FiltreDDPNeutreFit(noir, 0, 5);
    EXPECT_TRUE(ToutA(noir, 0));

    // The reference: the image, or a blurred copy taken before any change
    // (a sigma of 0 works as 0,2).
    for (int variante : {0, 1, 2}) {
        THistoFit a = Aleatoire(12, 35, 4), ref = a, attendu = a;
        variante == 0   ? FiltreDDPNeutreFit(a, 800, 3.5)
        : variante == 1 ? (FiltreDDPPasseBasFit(a, 800, 2, 3.5, false), FiltrePasseBasFit(ref, 2, false))
                        : (FiltreDDPGaussienFit(a, 800, false, 0, 3.5), FiltreGaussienFit(ref, false, 0.2));
        for (int x = 0; x <= attendu.XMax; ++x)
            for (int y = 0; y <= attendu.YMax; ++y) {
                const double p = attendu.Pixel(x, y);
                if (p >= 800)
                    FixerPixelFit(attendu, x, y, std::min(65535.0, 800 * 3.5 * p / (800 + ref.Pixel(x, y))));
            }
        SCOPED_TRACE(variante);
        ExpectMemesPixels(a, attendu);
    }
}

TEST(FiltresFit, Mediane)
{
    THistoFit etroite = Aleatoire(2, 100, 1), copie = etroite;
    FiltreMediane3x3Fit(etroite);
    ExpectMemesPixels(etroite, copie);

    // Against a plain sort of the nine values, with many ties and one hot
    // pixel (its 65535 stays the Max); borders stay.
    std::mt19937 gen(5);
    const THistoFit b = ImageFitDe(31, 50, [&](int x, int y) { return x == 7 && y == 9 ? 65535.0 : gen() % 6; });
    THistoFit a = b, attendu = b;
    FiltreMediane3x3Fit(a);
    for (int x = 1; x < b.XMax; ++x)
        for (int y = 1; y < b.YMax; ++y) {
            std::vector<double> v;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    v.push_back(b.Pixel(x + dx, y + dy));
            std::sort(v.begin(), v.end());
            attendu.Pixel(x, y) = v[4];
        }
    ExpectMemesPixels(a, attendu);
    EXPECT_LT(a.Pixel(7, 9), 6);
}

#include "Soutien.h"
#include "UFiltresBmp.h"
#include "UOutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>

namespace {

QImage Uni(int largeur, int hauteur, int canaux, int v)
{
    return BitmapDe(largeur, hauteur, canaux, [v](int, int, int) { return v; });
}

QImage Aleatoire(int largeur, int hauteur, int canaux, unsigned graine)
{
    std::mt19937 gen(graine);
    return BitmapDe(largeur, hauteur, canaux, [&](int, int, int) { return static_cast<int>(gen() % 256); });
}

int Canaux(const QImage& im) { return im.format() == QImage::Format_BGR888 ? 3 : 1; }

// The convolution as described: every byte sums its taps in kernel order
// from an untouched copy, then rounds half to even and clamps.
QImage Reference(const double* k, int taille, const QImage& source)
{
    QImage res = source.copy();
    const int h = taille / 2;
    const double d = ValeurNonNulle(SommeNoyau(k, taille), 1.0);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            for (int c = 0; c < Canaux(source); ++c) {
                double s = 0;
                for (int dy = -h; dy <= h; ++dy)
                    for (int dx = -h; dx <= h; ++dx)
                        s += CoefficientNoyau(k, taille, dy + h + 1, dx + h + 1) *
                             OctetDe(source, std::clamp(x + dx, 0, source.width() - 1),
                                   std::clamp(y + dy, 0, source.height() - 1), c);
                res.scanLine(y)[x * Canaux(source) + c] =
                    static_cast<uchar>(std::clamp(static_cast<int>(std::nearbyint(s / d)), 0, 255));
            }
    return res;
}

} // namespace

TEST(ConvolutionBitmap, IdentiqueALAlgorithmeDecrit)
{
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> poids(-4, 10);
    const int tailles[][2] = {{1, 1}, {37, 9}, {5, 2}, {2, 6}};
    for (int taille : {3, 5})
        for (int canaux : {1, 3})
            for (auto [l, h] : tailles) {
                // Every other kernel sums to 0: divided by 1, negative results clamped.
                std::vector<double> k(static_cast<size_t>(taille) * taille);
                for (double& w : k)
                    w = std::round(poids(gen) * 4) / 4 + (h % 2 ? 0.1 : 0);
                if (h % 2 == 0)
                    k[k.size() / 2] -= std::accumulate(k.begin(), k.end(), 0.0);
                const QImage source = Aleatoire(l, h, canaux, l * 7 + h);
                QImage im = source;
                ConvolutionBitmap(k.data(), taille, im);
                EXPECT_EQ(im, Reference(k.data(), taille, source)) << taille << " " << canaux << " " << l << "x" << h;
                EXPECT_EQ(source, Aleatoire(l, h, canaux, l * 7 + h)); // a shared copy is not touched
            }
}

TEST(ConvolutionBitmap, CasLimites)
{
    // Halves go to even: centre and right neighbour, weights 1 and 1.
    const double deux[9] = {0, 0, 0, 0, 1, 1, 0, 0, 0};
    QImage moities = BitmapDe(3, 2, 1, [](int x, int y, int) { return y == 0 ? (x == 0 ? 2 : 3) : (x == 0 ? 1 : 2); });
    ConvolutionBitmap(deux, 3, moities);
    // 2,5 and 1,5 give 2; the last column is its own neighbour.
    EXPECT_EQ(moities, BitmapDe(3, 2, 1, [](int x, int y, int) { return y == 0 && x > 0 ? 3 : 2; }));

    // Min/Max recomputed: 200 x 16 / 20 at most.
    THistoBmp bord = ObjetBmpDe(BitmapDe(6, 4, 1, [](int x, int, int) { return x == 5 ? 200 : 0; }));
    FiltrePasseBasBmp(bord, 3);
    EXPECT_EQ(bord.Max, 160);

    // Other pixel formats are left alone by every operation.
    QImage autre(4, 4, QImage::Format_RGB32);
    autre.fill(qRgb(10, 200, 30));
    const QImage avant = autre.copy();
    FiltreGaussienBitmap(autre, 1);
    FiltreMasqueFlouBitmap(autre, 1, 3);
    DDPGaussienBitmap(autre, 5, 1, 2);
    MultiplierBitmap(autre, 2);
    EXPECT_FALSE(ExtraireCanalBitmap(autre, clRouge));
    EXPECT_EQ(autre, avant);
}

TEST(FiltresBmp, MasqueFlou)
{
    const QImage source = Aleatoire(19, 13, 3, 5);
    QImage im = source;
    FiltreMasqueFlouBitmap(im, 1.4, 2.5);
    QImage flou = source.copy(), detail = source.copy(), attendu = source.copy();
    FiltreGaussienBitmap(flou, 1.4);
    SoustraireBitmap(detail, flou);
    MultiplierBitmap(detail, 2.5);
    AjouterBitmap(attendu, detail);
    EXPECT_EQ(im, attendu);
    for (int y = 0; y < im.height(); ++y) // never darker
        for (int j = 0; j < im.width() * 3; ++j)
            ASSERT_GE(im.constScanLine(y)[j], source.constScanLine(y)[j]);

    THistoBmp zero = ObjetBmpDe(source);
    FiltreMasqueFlouBmp(zero, 0.7, 0);
    EXPECT_EQ(zero.BitmapSource, source);
}

TEST(FiltresBmp, DDP)
{
    // A byte equal to the level, its reference equal too: round(k x L / 2),
    // halves to even; bytes below the level (any byte for 256) stay.
    const std::tuple<int, int, double, int> cas[] = {{100, 100, 3, 150}, {5, 5, 1, 2},     {7, 7, 1, 4},
                                                     {4, 5, 1, 4},       {200, 200, 9, 255}, {255, 256, 4, 255}};
    for (const auto& [octet, niveau, k, attendu] : cas) {
        QImage im = Uni(1, 1, 1, octet);
        DDPBitmap(im, niveau, k);
        EXPECT_EQ(OctetDe(im, 0, 0), attendu) << octet << " " << niveau;
    }

    // Level 0 on an all-zero reference (force 9: zero kernel) is 0/0: bytes kept.
    THistoBmp plat = ObjetBmpDe(Uni(3, 3, 3, 50));
    FiltreDDPPasseBasBmp(plat, 0, 9, 2);
    EXPECT_EQ(plat.BitmapSource, Uni(3, 3, 3, 50));

    // Filtered variants: the reference is the blurred picture taken before any
    // change; a sigma of 0 from a hand-edited file works as 0,2.
    for (bool gaussien : {false, true}) {
        const QImage s = Aleatoire(9, 7, 3, 4);
        QImage a = s.copy(), ref = s.copy(), attendu = s.copy();
        gaussien ? DDPGaussienBitmap(a, 30, 0, 2) : DDPPasseBasBitmap(a, 30, 3, 2);
        gaussien ? FiltreGaussienBitmap(ref, 0.2) : FiltrePasseBasBitmap(ref, 3);
        for (int y = 0; y < s.height(); ++y)
            for (int j = 0; j < s.width() * 3; ++j) {
                const int v = s.constScanLine(y)[j];
                if (v >= 30)
                    attendu.scanLine(y)[j] = static_cast<uchar>(
                        std::min(255.0, std::nearbyint(30 * 2.0 * (v / (ref.constScanLine(y)[j] + 30.0)))));
            }
        EXPECT_EQ(a, attendu) << gaussien;
    }
}

TEST(FiltresBmp, Arithmetique)
{
    THistoBmp a = ObjetBmpDe(BitmapDe(3, 1, 1, [](int x, int, int) { return x == 0 ? 5 : x == 1 ? 7 : 250; }));
    const QImage avant = a.BitmapSource.copy();
    EXPECT_TRUE(DiviserImageBmp(a, ObjetBmpDe(Uni(3, 1, 1, 0)), 1));
    EXPECT_EQ(a.BitmapSource, avant);
    EXPECT_TRUE(DiviserImageBmp(a, ObjetBmpDe(Uni(3, 1, 1, 2)), 1));
    EXPECT_EQ(OctetDe(a.BitmapSource, 0, 0), 2); // 2,5
    EXPECT_EQ(OctetDe(a.BitmapSource, 1, 0), 4); // 3,5
    EXPECT_EQ(a.Max, 125);
    MultiplierBmp(a, 100);
    EXPECT_EQ(OctetDe(a.BitmapSource, 0, 0), 200);
    EXPECT_EQ(OctetDe(a.BitmapSource, 2, 0), 255);
    EXPECT_TRUE(AjouterImageBmp(a, a));
    EXPECT_EQ(OctetDe(a.BitmapSource, 0, 0), 255);
    EXPECT_TRUE(SoustraireImageBmp(a, a));
    EXPECT_EQ(a.Max, 0);

    // Another size or format: refused, nothing changes.
    THistoBmp b = ObjetBmpDe(Aleatoire(3, 2, 1, 1));
    const QImage b0 = b.BitmapSource.copy();
    EXPECT_FALSE(AjouterImageBmp(b, ObjetBmpDe(Uni(3, 1, 1, 2))));
    EXPECT_FALSE(SoustraireImageBmp(b, ObjetBmpDe(Aleatoire(3, 2, 3, 1))));
    EXPECT_FALSE(DiviserImageBmp(b, ObjetBmpDe(Uni(2, 2, 1, 2)), 1));
    EXPECT_EQ(b.BitmapSource, b0);
}

TEST(FiltresBmp, PlansCouleur)
{
    // Red in the third byte, green in the second, blue in the first.
    const QImage r = Uni(2, 2, 1, 10);
    const QImage v = BitmapDe(2, 2, 1, [](int x, int, int) { return 20 + x; });
    const QImage b = BitmapDe(2, 2, 1, [](int, int y, int) { return 200 + y; });
    THistoBmp rvb;
    CreerHistoBmp(rvb);
    EXPECT_TRUE(CompositionRVB(r, v, b, rvb));
    EXPECT_EQ(rvb.BitmapSource, BitmapDe(2, 2, 3, [](int x, int y, int c) { return c == 2 ? 10 : c == 1 ? 20 + x : 200 + y; }));
    EXPECT_EQ(rvb.Min, 10);
    EXPECT_EQ(rvb.Max, 201);
    const QImage garde = rvb.BitmapSource.copy();
    EXPECT_FALSE(CompositionRVB(r, v, Uni(3, 2, 1, 1), rvb));
    EXPECT_FALSE(CompositionRVB(r, garde, b, rvb));
    EXPECT_EQ(rvb.BitmapSource, garde);

    // Each plane back as an 8-bit grey picture.
    for (auto [plan, attendu] : {std::pair{clRouge, r}, {clVert, v}, {clBleu, b}}) {
        QImage canal = garde.copy();
        EXPECT_TRUE(ExtraireCanalBitmap(canal, plan));
        EXPECT_EQ(canal, attendu);
        EXPECT_EQ(canal.colorTable(), TablePaletteGris());
        EXPECT_FALSE(ExtraireCanalBitmap(canal, plan)); // already 8-bit
    }
    QImage copie = garde.copy();
    EXPECT_FALSE(ExtraireCanalBitmap(copie, 12345));
    EXPECT_EQ(copie, garde);

    THistoBmp obj = ObjetBmpDe(garde); // in place, Min/Max of the plane
    EXPECT_TRUE(CopierCanalBmp(obj, obj, clVert));
    EXPECT_EQ(obj.BitmapSource, v);
    EXPECT_EQ(obj.Min, 20);
    EXPECT_EQ(obj.Max, 21);
}

TEST(FiltresBmp, MarqueEtoile)
{
    // Two equal pixels: the star is at (5,5; 7). Magnified 3 times, the
    // fraction is spread over 4 pixels: (5 x 3 + 2, 7 x 3) = (17, 21).
    const THistoBmp etoile = ObjetBmpDe(BitmapDe(12, 12, 1, [](int x, int y, int) { return (x == 5 || x == 6) && y == 7 ? 200 : 0; }));
    QImage gris = Uni(48, 48, 1, 0), couleur = Uni(48, 48, 3, 0);
    MarquerEtoileBmp(etoile, gris, 3, clVert);
    MarquerEtoileBmp(etoile, couleur, 3, clVert);
    // The arms and beside them; a red cross on 24 bits.
    EXPECT_EQ(std::make_tuple(OctetDe(gris, 17, 12), OctetDe(gris, 16, 12), OctetDe(gris, 9, 21), OctetDe(gris, 9, 20)),
              std::make_tuple(255, 0, 255, 0));
    EXPECT_EQ(std::make_tuple(OctetDe(couleur, 17, 21, 2), OctetDe(couleur, 17, 21, 0)), std::make_tuple(255, 0));

    QImage rien = Uni(48, 48, 1, 0); // no star: nothing drawn
    MarquerEtoileBmp(ObjetBmpDe(Uni(12, 12, 1, 0)), rien, 4, clVert);
    EXPECT_EQ(rien, Uni(48, 48, 1, 0));
}

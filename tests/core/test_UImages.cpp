// Statistics, crop, resize and the star mark of FIT images.
#include "Soutien.h"
#include "UArithmetique.h"
#include "UImages.h"

#include <cmath>
#include <tuple>
#include <gtest/gtest.h>

namespace {

template <class F>
THistoFit Image(int w, int h, F f)
{
    THistoFit im;
    CreerHistoFit(im);
    InitialiserImageFit(im, w, h, 0);
    im.Min = 1e300;
    im.Max = -1e300;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) FixerPixelFit(im, x, y, f(x, y));
    return im;
}

} // namespace

TEST(StatistiquesFit, EcartDePopulationEtPremiereOccurrence)
{
    // 0 0 / 0 4: mean 1, deviations 1,1,1,9 over N = 4 -> sqrt(3).
    const THistoFit im = Image(2, 2, [](int x, int y) { return x == 1 && y == 1 ? 4.0 : 0.0; });
    TStatistiquesImage s;
    StatistiquesFit(im, s);
    EXPECT_EQ(std::tuple(s.Largeur, s.Hauteur, s.NombrePixels), std::tuple(2, 2, 4));
    EXPECT_EQ(std::tuple(s.Somme, s.Moyenne, s.BackGround), std::tuple(4.0, 1.0, 0.0));
    EXPECT_DOUBLE_EQ(s.EcartType, std::sqrt(3.0));
    EXPECT_EQ(std::tuple(s.Minimum, s.XMinimum, s.YMinimum), std::tuple(0.0, 0, 0));
    EXPECT_EQ(std::tuple(s.Maximum, s.XMaximum, s.YMaximum), std::tuple(4.0, 1, 1));
    EXPECT_DOUBLE_EQ(MoyenneFit(im), 1);
    EXPECT_DOUBLE_EQ(EcartTypeFit(im), std::sqrt(3.0));

    // Equal extremes at (1, 0) and (0, 2): column order finds (0, 2) first.
    const THistoFit deux = Image(2, 3, [](int x, int y) {
        return (x == 1 && y == 0) || (x == 0 && y == 2) ? 9.0 : (x == 1 && y == 2) || (x == 0 && y == 1) ? 1.0 : 5.0;
    });
    int32_t x = -1, y = -1;
    double v = 0;
    PositionMaxiValeurFit(deux, x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(9.0, 0, 2));
    PositionMiniValeurFit(deux, x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(1.0, 0, 1));

    // Nothing below 65535: the scan reports its starting point.
    const THistoFit haut = Image(2, 2, [](int, int) { return 70000.0; });
    PositionMiniValeurFit(haut, x, y, v);
    EXPECT_EQ(v, 65535);
    EXPECT_EQ(x, 0);
}

TEST(StatistiquesFit, ImageSansPixelDonneDesZeros)
{
    THistoFit vide;
    CreerHistoFit(vide);
    TStatistiquesImage s;
    s.Moyenne = 42;
    StatistiquesFit(vide, s);
    EXPECT_EQ(s.NombrePixels, 0);
    EXPECT_EQ(s.Moyenne, 0);
    EXPECT_EQ(s.EcartType, 0);
    EXPECT_FALSE(std::isnan(MoyenneFit(vide)));
}

TEST(ExtraireZoneFit, MargesEtEnTete)
{
    THistoFit im = Image(100, 80, [](int x, int y) { return 1.0 + x + 1000.0 * y; });
    ASSERT_TRUE(ExtraireZoneFit(im, 10, 5, 2, 3));
    EXPECT_EQ(LargeurFit(im), 95);
    EXPECT_EQ(HauteurFit(im), 65);
    EXPECT_EQ(LireNaxis1Fit(im), 95);
    EXPECT_EQ(LireNaxis2Fit(im), 65);
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 1.0 + 2 + 10000);
    EXPECT_EQ(ValeurPixelFit(im, 94, 64), 1.0 + 96 + 74000);
    // Extremes are those of the kept pixels only.
    EXPECT_EQ(im.Min, 1.0 + 2 + 10000);
    EXPECT_EQ(im.Max, 1.0 + 96 + 74000);
}

TEST(ExtraireZoneFit, MargesRefuseesLaissentLImage)
{
    THistoFit im = Image(4, 3, [](int x, int y) { return x + 10.0 * y; });
    const std::vector<double> avant = im.Pixels;
    EXPECT_FALSE(ExtraireZoneFit(im, -1, 0, 0, 0));
    EXPECT_FALSE(ExtraireZoneFit(im, 0, 0, 2, 2)); // no column left
    EXPECT_FALSE(ExtraireZoneFit(im, 2, 1, 0, 0)); // no row left
    EXPECT_EQ(LargeurFit(im), 4);
    EXPECT_EQ(im.Pixels, avant);
    EXPECT_TRUE(ExtraireZoneFit(im, 0, 0, 3, 0)); // one column is enough
    EXPECT_EQ(LargeurFit(im), 1);
}

TEST(RedimensionnerFit, Dimensions)
{
    auto dimensions = [](int32_t l, int32_t h, double f) {
        int32_t l2 = 0, h2 = 0;
        DimensionsRedimensionnees(l, h, f, l2, h2);
        return std::pair(l2, h2);
    };
    EXPECT_EQ(dimensions(101, 50, 0.5), std::pair(51, 25));
    EXPECT_EQ(dimensions(100, 100, 2), std::pair(200, 200));
    EXPECT_EQ(dimensions(100, 70, 1), std::pair(100, 70));
    EXPECT_EQ(NombrePixelsRedimensionnes(2000, 1500, 1.5), int64_t(3000) * 2250);
    EXPECT_EQ(NombrePixelsRedimensionnes(100000, 100000, 1), int64_t(10000000000));
}

TEST(RedimensionnerFit, EchantillonsEtBords)
{
    THistoFit im = Image(100, 100, [](int x, int y) { return 10.0 + 2.0 * x + 1000.0 * y; });
    im.Zoom = 50;
    im.SMin = 7;
    RedimensionnerFit(im, 2);
    ASSERT_EQ(LargeurFit(im), 200);
    ASSERT_EQ(HauteurFit(im), 200);
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 10);
    EXPECT_DOUBLE_EQ(ValeurPixelFit(im, 1, 0), (10.0 + 12.0) / 2);
    EXPECT_DOUBLE_EQ(ValeurPixelFit(im, 0, 1), (10.0 + 1010.0) / 2);
    // The last source column and row appear on their own at the far edge.
    EXPECT_DOUBLE_EQ(ValeurPixelFit(im, 199, 0), 10.0 + 198);
    EXPECT_DOUBLE_EQ(ValeurPixelFit(im, 199, 199), 10.0 + 198 + 99000);
    EXPECT_EQ(im.Min, 0);
    EXPECT_EQ(im.Max, 10.0 + 198 + 99000);
    EXPECT_EQ(im.Zoom, 100);
    EXPECT_EQ(im.SMin, 7);
    EXPECT_EQ(LireNaxis1Fit(im), 200);
    EXPECT_EQ(im.Entete.size(), 9);
}

TEST(RedimensionnerFit, ColonneUniqueEtFacteursSansEffet)
{
    THistoFit im = Image(1, 2, [](int, int y) { return 5.0 + y; });
    RedimensionnerFit(im, 3);
    ASSERT_EQ(LargeurFit(im), 3);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(ValeurPixelFit(im, x, 0), 5);

    THistoFit autre = Image(3, 3, [](int x, int y) { return x + y; });
    const std::vector<double> avant = autre.Pixels;
    for (double f : {1.0, 0.0, -2.0, std::nan(""), HUGE_VAL}) {
        RedimensionnerFit(autre, f);
        EXPECT_EQ(autre.Pixels, avant);
    }
}

TEST(MarquerEtoileFit, CroixALaPositionAgrandie)
{
    const THistoFit im = Image(40, 40, [](int x, int y) { return x == 10 && y == 20 ? 1000.0 : 0.0; });
    QImage b(80, 80, QImage::Format_Indexed8);
    PaletteGris(b);
    b.fill(0);
    MarquerEtoileFit(im, b, 2);
    EXPECT_EQ(b.pixelIndex(20, 40), 255);
    EXPECT_EQ(b.pixelIndex(15, 40), 255);
    EXPECT_EQ(b.pixelIndex(21, 41), 0);

    // An image of zeros has no star: nothing is drawn.
    const THistoFit noir = Image(40, 40, [](int, int) { return 0.0; });
    QImage c(80, 80, QImage::Format_Indexed8);
    PaletteGris(c);
    c.fill(0);
    MarquerEtoileFit(noir, c, 2);
    EXPECT_EQ(c.pixelIndex(2, 2), 0);
}

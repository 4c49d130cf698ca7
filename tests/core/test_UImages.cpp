// Statistics, crop, resize and the star mark of FIT images.
#include "Soutien.h"
#include "UImages.h"

#include <cmath>
#include <tuple>
#include <gtest/gtest.h>

TEST(StatistiquesFit, EcartDePopulationEtPremiereOccurrence)
{
    // 0 0 / 0 4: mean 1, deviations 1,1,1,9 over N = 4 -> sqrt(3).
    const THistoFit im = ImageFitDe(2, 2, [](int x, int y) { return x == 1 && y == 1 ? 4.0 : 0.0; });
    TStatistiquesImage s;
    StatistiquesFit(im, s);
    EXPECT_EQ(std::tuple(s.Largeur, s.Hauteur, s.NombrePixels), std::tuple(2, 2, 4));
    EXPECT_EQ(std::tuple(s.Somme, s.Moyenne, s.BackGround), std::tuple(4.0, 1.0, 0.0));
    EXPECT_TRUE(std::fabs(s.EcartType - std::sqrt(3.0)) < 1e-12 && std::fabs(EcartTypeFit(im) - std::sqrt(3.0)) < 1e-12);
    EXPECT_EQ(std::tuple(s.Minimum, s.XMinimum, s.YMinimum), std::tuple(0.0, 0, 0));
    EXPECT_EQ(std::tuple(s.Maximum, s.XMaximum, s.YMaximum), std::tuple(4.0, 1, 1));

    // Equal extremes at (1, 0) and (0, 2): column order finds (0, 2) first.
    const THistoFit deux = ImageFitDe(2, 3, [](int x, int y) {
        return (x == 1 && y == 0) || (x == 0 && y == 2) ? 9.0 : (x == 1 && y == 2) || (x == 0 && y == 1) ? 1.0 : 5.0;
    });
    int32_t x = -1, y = -1;
    double v = 0;
    PositionMaxiValeurFit(deux, x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(9.0, 0, 2));
    PositionMiniValeurFit(deux, x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(1.0, 0, 1));
    // The scans' starting points: nothing below 65535, nothing above 0.
    PositionMiniValeurFit(ImageFitDe(2, 2, [](int, int) { return 70000.0; }), x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(65535.0, 0, 0));
    PositionMaxiValeurFit(ImageFitDe(2, 2, [](int x, int) { return x - 3.0; }), x, y, v);
    EXPECT_EQ(std::tuple(v, x, y), std::tuple(0.0, 0, 0));

    // An image without pixels: zeros, no division by zero.
    THistoFit vide;
    CreerHistoFit(vide);
    s.Moyenne = 42;
    StatistiquesFit(vide, s);
    EXPECT_EQ(std::tuple(s.NombrePixels, s.Moyenne, s.EcartType), std::tuple(0, 0.0, 0.0));
    EXPECT_EQ(MoyenneFit(vide), 0);
}

TEST(ExtraireZoneFit, MargesEtEnTete)
{
    THistoFit im = ImageFitDe(100, 80, [](int x, int y) { return 1.0 + x + 1000.0 * y; });
    ASSERT_TRUE(ExtraireZoneFit(im, 10, 5, 2, 3));
    EXPECT_EQ(std::tuple(LargeurFit(im), HauteurFit(im), LireNaxis1Fit(im), LireNaxis2Fit(im)),
              std::tuple(95, 65, 95, 65));
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 1.0 + 2 + 10000);
    // Extremes are those of the kept pixels only.
    EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(1.0 + 2 + 10000, 1.0 + 96 + 74000));

    // Negative margins, or none left: refused, the image unchanged.
    const std::vector<double> avant = im.Pixels;
    for (const auto& [haut, bas, gauche, droite] :
         {std::tuple(-1, 0, 0, 0), std::tuple(0, 0, 50, 45), std::tuple(60, 5, 0, 0), std::tuple(0, 0, 0, -2)})
        EXPECT_FALSE(ExtraireZoneFit(im, haut, bas, gauche, droite));
    EXPECT_EQ(im.Pixels, avant);
    ASSERT_TRUE(ExtraireZoneFit(im, 0, 64, 94, 0)); // one pixel is enough
    EXPECT_EQ(im.Pixels, std::vector<double>{1.0 + 96 + 10000});
}

TEST(RedimensionnerFit, Dimensions)
{
    for (const auto& [l, h, f, l2, h2] : {std::tuple(101, 50, 0.5, 51, 25), std::tuple(100, 100, 2.0, 200, 200),
                                          std::tuple(100, 70, 1.0, 100, 70), std::tuple(100, 70, 0.0, 100, 70)}) {
        int32_t nl = 0, nh = 0;
        DimensionsRedimensionnees(l, h, f, nl, nh);
        EXPECT_EQ(std::pair(nl, nh), std::pair(l2, h2)) << f;
    }
    EXPECT_EQ(NombrePixelsRedimensionnes(100000, 100000, 1), int64_t(10000000000));
}

TEST(RedimensionnerFit, EchantillonsEtBords)
{
    THistoFit im = ImageFitDe(100, 100, [](int x, int y) { return 10.0 + 2.0 * x + 1000.0 * y; });
    im.Zoom = 50;
    im.SMin = 7;
    RedimensionnerFit(im, 2);
    ASSERT_EQ(std::pair(LargeurFit(im), HauteurFit(im)), std::pair(200, 200));
    // Halfway samples between pixels; the last source column and row appear
    // on their own at the far edge.
    EXPECT_EQ(std::tuple(ValeurPixelFit(im, 0, 0), ValeurPixelFit(im, 1, 0), ValeurPixelFit(im, 0, 1)),
              std::tuple(10.0, 11.0, 510.0));
    EXPECT_EQ(std::pair(ValeurPixelFit(im, 199, 0), ValeurPixelFit(im, 199, 199)), std::pair(208.0, 99208.0));
    EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(0.0, 10.0 + 198 + 99000));
    EXPECT_EQ(std::tuple(im.Zoom, im.SMin, LireNaxis1Fit(im), im.Entete.size()), std::tuple(100, 7, 200, 9));

    // One column is repeated; factors of 1, 0 or below, or not finite change nothing.
    THistoFit un = ImageFitDe(1, 2, [](int, int y) { return 5.0 + y; });
    RedimensionnerFit(un, 3);
    ASSERT_EQ(LargeurFit(un), 3);
    EXPECT_EQ(std::tuple(ValeurPixelFit(un, 0, 0), ValeurPixelFit(un, 2, 0)), std::tuple(5.0, 5.0));
    const std::vector<double> avant = un.Pixels;
    for (double f : {1.0, 0.0, -2.0, std::nan(""), HUGE_VAL}) {
        RedimensionnerFit(un, f);
        EXPECT_EQ(un.Pixels, avant) << f;
    }
}

TEST(RedimensionnerFit, VersUneCopie)
{
    // The copy is what the resize in place gives, with the source's levels;
    // the source is left as it was.
    const THistoFit source = [] {
        THistoFit im = ImageFitDe(37, 23, [](int x, int y) { return 3.0 * x * x + 7.0 * y + 1; });
        im.SMin = 11;
        im.SMax = 999;
        im.TRFT = 3.5;
        return im;
    }();
    for (double f : {2.0, 0.5, 1.5, 1.0, -1.0}) {
        THistoFit enPlace = source, copie;
        CreerHistoFit(copie);
        RedimensionnerFit(enPlace, f);
        RedimensionnerCopieFit(source, copie, f);
        EXPECT_EQ(copie.Pixels, enPlace.Pixels) << f;
        EXPECT_EQ(std::tuple(copie.XMax, copie.YMax, copie.Min, copie.Max, copie.Zoom, copie.Entete),
                  std::tuple(enPlace.XMax, enPlace.YMax, enPlace.Min, enPlace.Max, enPlace.Zoom, enPlace.Entete))
            << f;
        EXPECT_EQ(std::tuple(copie.SMin, copie.SMax, copie.TRFT), std::tuple(11, 999, 3.5)) << f;
    }
    EXPECT_EQ(LargeurFit(source), 37);
}

TEST(MarquerEtoileFit, CroixALaPositionAgrandie)
{
    // Star at (10, 20), n = 2: the cross centre at (20, 40); none without a star.
    for (const double etoile : {1000.0, 0.0}) {
        const THistoFit im = ImageFitDe(40, 40, [etoile](int x, int y) { return x == 10 && y == 20 ? etoile : 0.0; });
        QImage b = BitmapDe(80, 80, 1, [](int, int, int) { return 0; });
        MarquerEtoileFit(im, b, 2);
        EXPECT_EQ(std::tuple(b.pixelIndex(20, 40), b.pixelIndex(15, 40), b.pixelIndex(21, 41)),
                  std::tuple(etoile ? 255 : 0, etoile ? 255 : 0, 0));
    }
}

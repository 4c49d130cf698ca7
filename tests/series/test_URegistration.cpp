// The registration frame apart from the window: normalising, cutting, the
// rubber band, the magnified view, the saturation level, the planetary preview.
#include "Soutien.h"
#include "UImages.h"
#include "URegistration.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(Cadre, NormaliserVideEtDefini)
{
    const struct {
        const char* Nom;
        TCadre Avant, Apres;
    } cas[] = {{"au-delà, à l'envers", {150, 90, -20, -30}, {0, 0, 99, 79}},
               {"plaqué contre le bord droit", {99, 5, 130, 30}, {99, 5, 99, 30}}};
    for (const auto& c : cas) { // picture 100 x 80
        SCOPED_TRACE(c.Nom);
        TCadre k = c.Avant;
        NormaliserCadre(k, 100, 80);
        EXPECT_EQ(TexteCadre(k), TexteCadre(c.Apres));
    }
    EXPECT_FALSE(EstCadreDefini(TCadre()) || EstCadreDefini({3, 4, -1, 9}));
    EXPECT_TRUE(EstCadreDefini({0, 0, 0, 0}));
    // Straight vertical and horizontal drags.
    EXPECT_EQ(std::tuple(EstCadreVide({5, 2, 5, 9}), EstCadreVide({1, 7, 30, 7})), std::tuple(true, true));
    EXPECT_FALSE(EstCadreVide({1, 7, 2, 8}));
    EXPECT_EQ(SeuilSaturationFit(8), 254);
}

TEST(Cadre, CoupeCommeCopiePuisDecoupage)
{
    const QImage b = BitmapDe(30, 20, 3, [](int x, int y, int c) { return (x * 7 + y * 3 + c * 50) % 256; });
    THistoBmp coupeBmp;
    CreerHistoBmp(coupeBmp);
    ASSERT_TRUE(CouperCadreBmp(ObjetBmpDe(b), coupeBmp, {4, 5, 14, 9}));
    EXPECT_EQ(coupeBmp.BitmapSource, b.copy(4, 5, 10, 4));

    const THistoFit source = FitLu(CheminDonnees(QStringLiteral("m51_i16_256.fits")));
    for (const TCadre& c : {TCadre{0, 0, 255, 255}, TCadre{10, 20, 11, 21}, TCadre{100, 37, 140, 90},
                            TCadre{0, 200, 30, 255}}) {
        SCOPED_TRACE(TexteCadre(c).toStdString());
        THistoFit attendu, coupe;
        CreerHistoFit(attendu);
        CopierHistoFit(source, attendu);
        ASSERT_TRUE(ExtraireZoneFit(attendu, c.Y1, 256 - c.Y2, c.X1, 256 - c.X2));
        CreerHistoFit(coupe);
        ASSERT_TRUE(CouperCadreFit(source, coupe, c));
        EXPECT_EQ(coupe.Pixels, attendu.Pixels);
        EXPECT_EQ(coupe.Entete, attendu.Entete);
        const auto etat = [](const THistoFit& i) {
            return std::make_tuple(i.XMax, i.YMax, i.Min, i.Max, i.SMin, i.SMax, i.TRFT);
        };
        EXPECT_EQ(etat(coupe), etat(attendu));
    }
}

TEST(Cadre, CoupeRefuseeLaisseLaDestination)
{
    const THistoFit source = ImageFitDe(20, 10, [](int x, int y) { return x * 100 + y; });
    THistoFit dest = ImageFitDe(3, 3, [](int, int) { return 7; });
    const std::vector<double> avant = dest.Pixels;
    for (const TCadre& c : {TCadre(), TCadre{5, 5, 5, 9}, TCadre{2, 3, 9, 3}, TCadre{0, 0, 21, 5},
                            TCadre{-1, 0, 4, 4}, TCadre{0, 0, 20, 11}}) {
        SCOPED_TRACE(TexteCadre(c).toStdString());
        EXPECT_FALSE(CouperCadreFit(source, dest, c));
        EXPECT_EQ(dest.Pixels, avant);
        int64_t m = -1;
        EXPECT_FALSE(MaxiCadreFit(source, c, m));
        EXPECT_EQ(m, -1);
        EXPECT_TRUE(ZoomCadreFit(source, c, true).isNull());
    }
    // The last column and row of the frame are left out of the cut.
    int64_t m = 0;
    ASSERT_TRUE(MaxiCadreFit(source, {0, 0, 19, 9}, m));
    EXPECT_EQ(m, 18 * 100 + 8);
}

TEST(Cadre, RubanTraceSurToutFondPuisEfface)
{
    for (const QImage& fond : {BitmapDe(60, 40, 1, [](int x, int y, int) { return (x + y) % 256; }),
                               BitmapDe(60, 40, 3, [](int x, int y, int c) { return (x * 3 + y + c) % 256; })}) {
        QImage image = fond.copy();
        const TCadre c{5, 7, 30, 25};
        TracerRectangleCadre(image, c);
        // Dots of 3 black then 3 white along the outline, from the top left corner.
        EXPECT_EQ(std::make_tuple(OctetDe(image, 5, 7), OctetDe(image, 7, 7), OctetDe(image, 8, 7), OctetDe(image, 11, 7)),
                  std::make_tuple(0, 0, 255, 0));
        // Inside and outside untouched; the bottom edge marked all along.
        EXPECT_EQ(image.copy(6, 8, 24, 17), fond.copy(6, 8, 24, 17));
        EXPECT_EQ(image.copy(31, 0, 29, 40), fond.copy(31, 0, 29, 40));
        for (int x = 5; x <= 30; ++x)
            EXPECT_TRUE(OctetDe(image, x, 25) == 0 || OctetDe(image, x, 25) == 255) << x;
        EffacerRectangleCadre(image, fond, c);
        EXPECT_EQ(image, fond);
    }
}

TEST(Cadre, AgrandissementEtCroixRouge)
{
    const QImage gris = BitmapDe(3, 2, 1, [](int x, int y, int) { return 40 * x + 100 * y; });
    const QImage z = AgrandirBitmap(gris, 4);
    ASSERT_EQ(std::tuple(z.size(), z.format()), std::tuple(QSize(12, 8), QImage::Format_BGR888));
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 8; ++y)
            ASSERT_EQ(z.pixel(x, y), gris.pixel(x / 4, y / 4)) << x << "," << y;
    const QImage rvb = BitmapDe(2, 2, 3, [](int x, int y, int c) { return 10 * x + 20 * y + 70 * c; });
    EXPECT_EQ(AgrandirBitmap(rvb, 4).pixel(3, 4), rvb.pixel(0, 1));

    // One bright pixel at (6, 4) of the cut: the centroid is that pixel, marked only when asked.
    THistoFit image = ImageFitDe(40, 30, [](int x, int y) { return x == 16 && y == 14 ? 5000.0 : 100.0; });
    image.SMin = 0;
    image.SMax = 6000;
    const QImage marque = ZoomCadreFit(image, {10, 10, 30, 25}, true);
    ASSERT_EQ(marque.size(), QSize(80, 60));
    EXPECT_EQ(std::tuple(marque.pixel(6 * 4 - 9, 4 * 4), marque.pixel(6 * 4, 4 * 4 + 9)),
              std::tuple(qRgb(255, 0, 0), qRgb(255, 0, 0)));
    EXPECT_NE(ZoomCadreFit(image, {10, 10, 30, 25}, false).pixel(6 * 4 - 9, 4 * 4), qRgb(255, 0, 0));
}

TEST(Cadre, ApercuPlaneteSansCentreNeTraceAucuneLigne)
{
    // All the bright pixels on one row: the outline encloses no area. A single
    // bright pixel in a corner: every edge point is that pixel.
    for (const THistoFit& im : {ImageFitDe(120, 60, [](int, int y) { return y == 10 ? 1000.0 : 0.0; }),
                                ImageFitDe(120, 60, [](int x, int y) { return x == 0 && y == 0 ? 1000.0 : 0.0; })}) {
        QImage rendu = RendreFit(im, true);
        rendu.fill(0);
        EXPECT_FALSE(ApercuPlaneteFitSur(im, rendu, 1));
        // No line through (0, 0): the far end of row 0 and of column 0 stay dark.
        EXPECT_EQ(std::make_tuple(OctetDe(rendu, 119, 0), OctetDe(rendu, 0, 59), OctetDe(rendu, 60, 30)),
                  std::make_tuple(0, 0, 0));
    }
}

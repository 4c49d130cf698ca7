// Translations, centroid and disk outline: the cases a mutation run showed
// the other tests let through.
#include "Soutien.h"
#include "UArithmetique.h"
#include "UBmp.h"
#include "UFit.h"

#include <gtest/gtest.h>
#include <tuple>

// Each channel of a 24-bit row moves as an 8-bit row of that channel alone
// would, never mixed with a neighbour channel of the same pixel; bytes are
// multiples of 4 so that halves are exact.
TEST(Geometrie, Translation24BitsParPixelEtCanalParCanal)
{
    const auto canal = [](int x, int k) { return 4 * (10 * x + k + 1); };
    for (const double d : {1.0, -1.0, 0.5, -0.5}) {
        SCOPED_TRACE(d);
        const QImage ligne = BitmapDe(4, 1, 3, [&](int x, int, int k) { return canal(x, k); });
        QImage nue = ligne.copy();
        TranslationXBitmap(nue, d, true);
        THistoBmp objet = ObjetBmpDe(ligne);
        TranslationXBmp(objet, d, true);
        for (int k = 0; k < 3; ++k) {
            QImage seul = BitmapDe(4, 1, 1, [&](int x, int, int) { return canal(x, k); });
            TranslationXBitmap(seul, d, true);
            // Pixel 2 from its neighbour (d = 1: pixel 1), or half of each.
            const int voisin = d > 0 ? 1 : 3;
            EXPECT_EQ(OctetDe(seul, 2, 0), std::fabs(d) == 1 ? canal(voisin, k) : (canal(2, k) + canal(voisin, k)) / 2);
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(std::pair(OctetDe(nue, x, 0, k), OctetDe(objet.BitmapSource, x, 0, k)),
                          std::pair(OctetDe(seul, x, 0), OctetDe(seul, x, 0))) << x << " " << k;
        }
    }
}

// Pixels exactly at the window's mean count in the centroid. Window of the
// star at (10, 20): columns 8..11, rows 18..21; the star 800, columns 8 and
// 11 at 100, the rest 0: mean 1600 / 16 = 100.
TEST(Geometrie, CentroideCompteLesPixelsEgauxALaMoyenne)
{
    auto v = [](int x, int y) {
        if (x == 10 && y == 20)
            return 800;
        return (x == 8 || x == 11) && y >= 18 && y <= 21 ? 100 : 0;
    };
    // x: (800 x 10 + 400 x 8 + 400 x 11) / 1600; y: (800 x 20 + 200 x (18 + 19 + 20 + 21)) / 1600.
    const std::pair attendu(9.75, 19.75);
    double x = 0, y = 0;
    ASSERT_TRUE(PositionEtoileFit(ImageFitDe(30, 30, [&](int x, int y) { return double(v(x, y)); }), x, y, 5));
    EXPECT_EQ(std::pair(x, y), attendu);
    x = y = 0;
    ASSERT_TRUE(PositionEtoileBmp(ObjetBmpDe(BitmapDe(30, 30, 1, [&](int x, int y, int) { return v(x, y) / 4; })), x,
                                  y, clRouge, 5));
    EXPECT_EQ(std::pair(x, y), attendu);
}

// Columns 0, s, 2s, ..., 98s and w - 1 with s = w div 99: widths where w div
// 98, w div 99 and w div 100 differ, a bright column that only the right step
// reaches, and the last column.
TEST(Geometrie, DisqueEchantillonneTousLesWDiv99)
{
    const struct {
        int Largeur, Colonne;
        bool Vue;
    } cas[] = {
        {198, 194, true},  // s = 2; 1 with div 100 scans 0..98
        {296, 194, true},  // s = 2; 3 with div 98 skips 194
        {296, 195, false}, // odd: between two scanned columns
        {296, 295, true},  // the last column
        {9702, 9604, true}, // s = 98 (div 98: 99, div 100: 97)
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Largeur * 100000 + c.Colonne);
        const THistoFit im = ImageFitDe(c.Largeur, 3, [&](int x, int) { return x == c.Colonne ? 7.0 : 0.0; });
        QList<TPointBord> points;
        PointsBordDisqueFit(im, points, 7);
        // Rows: 3 high, s = 0: row 0 ninety-nine times, then row 2, two points each.
        const qsizetype lignes = 2 * 100;
        ASSERT_EQ(points.size(), lignes + (c.Vue ? 2 : 0));
        if (c.Vue) {
            EXPECT_EQ(std::tuple(points[0].x, points[0].y, points[1].x, points[1].y),
                      std::tuple(c.Colonne, 0, c.Colonne, 2));
        }
        // The same along the rows of the transposed image.
        const THistoFit t = ImageFitDe(3, c.Largeur, [&](int, int y) { return y == c.Colonne ? 7.0 : 0.0; });
        QList<TPointBord> lignesT;
        PointsBordDisqueFit(t, lignesT, 7);
        ASSERT_EQ(lignesT.size(), 2 * 100 + (c.Vue ? 2 : 0));
        if (c.Vue) {
            EXPECT_EQ(std::tuple(lignesT.last().x, lignesT.last().y), std::tuple(2, c.Colonne));
        }
    }
}

TEST(Geometrie, ContourEgaliteAuPremierRencontre)
{
    // From (0, 0), (0, 1) and (1, 0) are both at 1: the first in the list wins.
    for (const auto& [entree, sortie] :
         {std::pair(QList<TPointBord>{{0, 0}, {0, 1}, {1, 0}, {5, 5}}, QList<TPointBord>{{0, 0}, {0, 1}, {1, 0}, {5, 5}}),
          std::pair(QList<TPointBord>{{0, 0}, {1, 0}, {0, 1}, {5, 5}}, QList<TPointBord>{{0, 0}, {1, 0}, {0, 1}, {5, 5}}),
          std::pair(QList<TPointBord>{{3, 3}, {9, 9}, {4, 3}, {2, 3}}, QList<TPointBord>{{3, 3}, {4, 3}, {2, 3}, {9, 9}})}) {
        QList<TPointBord> l = entree;
        OrdonnerPointsContour(l);
        ASSERT_EQ(l.size(), sortie.size());
        for (qsizetype i = 0; i < l.size(); ++i)
            EXPECT_EQ(std::pair(l[i].x, l[i].y), std::pair(sortie[i].x, sortie[i].y)) << i;
    }
}

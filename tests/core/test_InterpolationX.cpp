// The fractional shift along x, done a column at a time, gives exactly what
// the row walk gives: each value (old - g old) + g old neighbour, the edge
// value (old - g old), and the extremes of every value written.
#include "Soutien.h"
#include "UArithmetique.h"

#include <gtest/gtest.h>
#include <random>

TEST(InterpolationX, CommeLaMarcheParLigne)
{
    std::mt19937 alea(5);
    std::uniform_real_distribution<double> valeur(0, 65535);
    for (double f : {0.3, -0.3, 0.75, -0.999}) {
        SCOPED_TRACE(f);
        const THistoFit source = ImageFitDe(7, 5, [&](int, int) { return std::nearbyint(valeur(alea)); });
        THistoFit image = source;
        InterpolerXFit(image, f);
        const double g = std::fabs(f);
        double mini = source.Min, maxi = source.Max;
        for (int x = 0; x < 7; ++x)
            for (int y = 0; y < 5; ++y) {
                const double ancien = source.Pixel(x, y);
                const double attenue = ancien - g * ancien;
                const int voisin = f > 0 ? x - 1 : x + 1;
                const double attendu = voisin < 0 || voisin > 6 ? attenue : attenue + g * source.Pixel(voisin, y);
                EXPECT_EQ(image.Pixel(x, y), attendu) << x << "," << y;
                mini = std::min({mini, attenue, attendu});
                maxi = std::max({maxi, attenue, attendu});
            }
        EXPECT_EQ(image.Min, mini);
        EXPECT_EQ(image.Max, maxi);
    }
}

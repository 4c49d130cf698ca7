// The fractional shift along x, done a column at a time, gives exactly what
// the walk along a line gives on the transposed image (the shift along y),
// the extremes of every value written included.
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
        THistoFit image = ImageFitDe(7, 5, [&](int, int) { return std::nearbyint(valeur(alea)); });
        THistoFit transposee = ImageFitDe(5, 7, [&](int x, int y) { return image.Pixel(y, x); });
        InterpolerXFit(image, f);
        InterpolerYFit(transposee, f);
        for (int x = 0; x < 7; ++x)
            for (int y = 0; y < 5; ++y) EXPECT_EQ(image.Pixel(x, y), transposee.Pixel(y, x)) << x << "," << y;
        EXPECT_EQ(std::pair(image.Min, image.Max), std::pair(transposee.Min, transposee.Max));
    }
}

#pragma once
// Convolution kernels, the FIT convolution engine and the FIT filters.
#include "UFit.h"

#include <array>
#include <cstdint>
#include <vector>

// Kernels are row-major: row 1 columns 1..n, then row 2...
using TNoyau3x3 = std::array<double, 9>;
using TNoyau5x5 = std::array<double, 25>;
using TNoyau9x9 = std::array<double, 81>;

// Element at row and column (1-based) of a kernel of size 3, 5 or 9; 0 for any
// other size or for a row or column outside 1..size.
double CoefficientNoyau(const double* noyau, int taille, int ligne, int colonne);
double CoefficientNoyau3x3(const TNoyau3x3& noyau, int ligne, int colonne);
double CoefficientNoyau5x5(const TNoyau5x5& noyau, int ligne, int colonne);
// Sum of the elements for size 3, 5 or 9 (in storage order); 1 for any other size.
double SommeNoyau(const double* noyau, int taille);

// Low-pass and high-pass 3x3 kernels by force 1..5; any other force gives zeros.
void NoyauPasseBas(int force, TNoyau3x3& noyau);
void NoyauPasseHaut(int force, TNoyau3x3& noyau);
// 5x5 gaussian shape (not normalised: the engine divides by the sum).
// A sigma of 0 or below (or too small to square) is taken as the dialogs'
// minimum 0,2; a huge one as 1e100, already a flat kernel.
void NoyauGaussien(TNoyau5x5& noyau, double sigma);

// A kernel as both convolution engines read it: the weights in tap order
// (row offset outer, column offset inner) through CoefficientNoyau, and the
// divisor of the plain convolution. A size other than 3, 5 or 9 reads as one
// zero tap, which gives the same results as its all-zero window.
struct TNoyauPrepare {
    int Demi = 0;
    int Cote = 1;
    std::vector<double> Poids;
    double Diviseur = 1;
};
TNoyauPrepare PreparerNoyau(const double* noyau, int taille);

// Convolution of the whole image with a 3x3 or 5x5 kernel (9x9 accepted),
// borders repeated outwards, results clamped to 0..65535 and stored as
// FixerPixelFit does (Min and Max only widen). With preservatif, only the
// neighbours closer to the centre pixel than the setting OffsetDetectEtoiles
// count (the centre itself counts when that threshold is above 0).
void ConvoluerFit(const double* noyau, int taille, THistoFit& image, bool preservatif);

void FiltrePasseBasFit(THistoFit& image, int force, bool preservatif);
void FiltrePasseHautFit(THistoFit& image, int force, bool preservatif);
void FiltreGaussienFit(THistoFit& image, bool preservatif, double sigma);
void FiltreConvolutionFit(THistoFit& image, TNoyau5x5 noyau, bool preservatif);
// Adds coefficient x (image - blur) where the image is brighter than its blur.
void FiltreMasqueFlouFit(THistoFit& image, bool preservatif, double sigma, double coefficient);
// Digital development: pixels at or above the level L become
// min(65535, L x k x p / (L + b)), b being the reference pixel. Where that is
// 0/0 (L = 0 on a black reference) the pixel is left as it was.
void FiltreDDPNeutreFit(THistoFit& image, int32_t niveau, double coefficient);
void FiltreDDPPasseBasFit(THistoFit& image, int32_t niveau, int force, double coefficient, bool preservatif);
void FiltreDDPGaussienFit(THistoFit& image, int32_t niveau, bool preservatif, double sigma, double coefficient);
// 3x3 median of the interior pixels; the outer rows and columns stay.
void FiltreMediane3x3Fit(THistoFit& image);

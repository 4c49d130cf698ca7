#pragma once
// Measuring and reshaping FIT images: statistics, crop, resize, star mark.
#include "UBmp.h"
#include "UFit.h"

#include <QImage>
#include <cstdint>

// Statistics of one image (FIT or BMP).
struct TStatistiquesImage {
    int32_t Largeur = 0;
    int32_t Hauteur = 0;
    double Minimum = 0;
    double Maximum = 0;
    int32_t XMinimum = 0;
    int32_t YMinimum = 0;
    int32_t XMaximum = 0;
    int32_t YMaximum = 0;
    int32_t NombrePixels = 0;
    double Somme = 0;
    double Moyenne = 0;
    double EcartType = 0;
    double BackGround = 0;
};

// One edge point of a planetary disk outline.
struct TPointBord {
    int32_t x = 0;
    int32_t y = 0;
};

// Every field; an image without pixels gives a record of zeros.
void StatistiquesFit(const THistoFit& image, TStatistiquesImage& stats);
double MoyenneFit(const THistoFit& image);
double EcartTypeFit(const THistoFit& image);
// First occurrence in column order; the scans start from 65535 (minimum)
// and 0 (maximum) at (0, 0).
void PositionMiniValeurFit(const THistoFit& image, int32_t& x, int32_t& y, double& valeur);
void PositionMaxiValeurFit(const THistoFit& image, int32_t& x, int32_t& y, double& valeur);

// Removes the given numbers of rows and columns on each side; the header
// follows (EnteteApresGeometrieFit). Negative margins, or margins leaving no
// row or column, are refused: the image stays as it was and the result is
// false.
bool ExtraireZoneFit(THistoFit& image, int32_t haut, int32_t bas, int32_t gauche, int32_t droite);

// Bilinear resize in place, the header following (EnteteApresGeometrieFit);
// a factor of 1, of 0 or below, or not finite changes nothing. Throws EStelor
// when the new size cannot be held.
void RedimensionnerFit(THistoFit& image, double facteur);
// The same into another object, with the source's levels and curve (a full
// copy when the factor changes nothing); the source is not read twice.
void RedimensionnerCopieFit(const THistoFit& source, THistoFit& cible, double facteur);
void DimensionsRedimensionnees(int32_t largeur, int32_t hauteur, double facteur, int32_t& nouvelleLargeur,
                               int32_t& nouvelleHauteur);
int64_t NombrePixelsRedimensionnes(int32_t largeur, int32_t hauteur, double facteur);

// Cross at the star centroid on a bitmap showing the image magnified n times;
// nothing is drawn when no star is found.
void MarquerEtoileFit(const THistoFit& image, QImage& bitmap, int32_t n);

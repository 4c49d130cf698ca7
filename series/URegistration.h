#pragma once
// The registration frame of the preprocessing window, apart from the window:
// normalising, cutting the image to it, the rubber band, the magnified view
// with its star mark, the saturation level and the planetary preview. The
// window's operations of the same purpose (TPretraitement) call these.
#include "UBmp.h"
#include "UFit.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>

// Inclusive image pixels; all four -1: no frame.
struct TCadre {
    int32_t X1 = -1;
    int32_t Y1 = -1;
    int32_t X2 = -1;
    int32_t Y2 = -1;
};

// Magnification of the zoom view.
constexpr int32_t FacteurZoomCadre = 4;

bool EstCadreDefini(const TCadre& cadre);
// A frame that covers no pixel to cut (X1 = X2 or Y1 = Y2): a click, or a
// straight drag, or one pressed against an edge.
bool EstCadreVide(const TCadre& cadre);
// Corners in order, then clamped to the picture (0 .. size - 1).
void NormaliserCadre(TCadre& cadre, int32_t largeur, int32_t hauteur);
// "[X1,Y1] [X2,Y2]"
QString TexteCadre(const TCadre& cadre);

// The destination becomes the source cut to columns X1 .. X2 - 1 and rows
// Y1 .. Y2 - 1, levels and header included (as a copy followed by the crop
// would give, without copying the whole image). False, destination untouched,
// for an empty frame or one outside the image.
bool CouperCadreFit(const THistoFit& source, THistoFit& destination, const TCadre& cadre);
bool CouperCadreBmp(const THistoBmp& source, THistoBmp& destination, const TCadre& cadre);

// The rubber band: a dotted closed line through the four corners, black
// dots on white gaps so that it shows on any sky.
void TracerRectangleCadre(QImage& bitmap, const TCadre& cadre);
// Puts back the pixels the rubber band covered, from the copy taken before.
void EffacerRectangleCadre(QImage& bitmap, const QImage& avant, const TCadre& cadre);
// The rectangle of the picture the rubber band covers.
QRect ZoneCadre(const TCadre& cadre);

// Each pixel of an 8-bit or 24-bit bitmap repeated n x n times, in 24-bit
// colour (so that the star mark is red whatever the picture).
QImage AgrandirBitmap(const QImage& bitmap, int32_t n);
// The magnified view of the frame: the cut rendered (FIT with the image's
// levels, BMP with 0 and 255), magnified, the star marked when asked. Null
// for an empty frame.
QImage ZoomCadreFit(const THistoFit& image, const TCadre& cadre, bool marquer);
QImage ZoomCadreBmp(const THistoBmp& image, const TCadre& cadre, bool marquer, int32_t plan);

// Largest value of the cut: FIT rounded, BMP every channel. False for an empty frame.
bool MaxiCadreFit(const THistoFit& image, const TCadre& cadre, int64_t& maxi);
bool MaxiCadreBmp(const THistoBmp& image, const TCadre& cadre, int64_t& maxi);
// The FIT saturation level for the coding setting n: 2^n - 2.
int64_t SeuilSaturationFit(int32_t codage);
QString MessageSaturationFit(int64_t seuil);
QString MessageSaturationBmp();

// The planetary preview on the rendered picture: the disk's edge points in
// white and, when the outline has a centre, white lines across the picture
// through it. The threshold is coefficient x standard deviation + histogram
// mode (BMP: of the plane). True when the lines were drawn.
bool ApercuPlaneteFitSur(const THistoFit& image, QImage& rendu, int32_t coefficient);
bool ApercuPlaneteBmpSur(const THistoBmp& image, QImage& rendu, int32_t coefficient, int32_t plan);

#pragma once
// Pixel operations on BMP pictures: convolution and filters, unsharp mask,
// DDP, byte arithmetic, colour planes and the star mark. Every operation works
// on 8-bit (Format_Indexed8) and 24-bit (Format_BGR888, each channel on its
// own) pictures and leaves any other format untouched. Results are rounded
// (halves to even) and clamped to 0..255; a computation that gives no number
// (0/0) leaves its byte as it was. The THistoBmp forms work on BitmapSource
// and then recompute Min and Max.
#include "UBmp.h"
#include "UFiltres.h"

#include <QImage>
#include <cstdint>

// Convolution with a 3x3 or 5x5 kernel (9x9 accepted), borders repeated
// outwards, divided by the kernel's sum (by 1 when it sums to 0).
void ConvolutionBitmap(const double* noyau, int taille, QImage& bitmap);
void ConvolutionBmp(const double* noyau, int taille, THistoBmp& image);

void FiltrePasseBasBmp(THistoBmp& image, int force);
void FiltrePasseHautBmp(THistoBmp& image, int force);
void FiltreGaussienBmp(THistoBmp& image, double sigma);
void FiltreConvolutionBmp(THistoBmp& image, TNoyau5x5 noyau);
void FiltrePasseBasBitmap(QImage& bitmap, int force);
void FiltrePasseHautBitmap(QImage& bitmap, int force);
void FiltreGaussienBitmap(QImage& bitmap, double sigma);

// Adds coefficient x (picture - blur) where the picture is brighter than its blur.
void FiltreMasqueFlouBmp(THistoBmp& image, double sigma, double coefficient);
void FiltreMasqueFlouBitmap(QImage& bitmap, double sigma, double coefficient);

// Digital development: bytes v at or above the level L become
// min(255, round(L x k x v / (r + L))), r being the reference byte (the
// picture itself, or its low-pass or gaussian blur). 0/0 (L = 0 on a black
// reference) leaves the byte as it was.
void DDPBitmap(QImage& bitmap, int32_t niveau, double coefficient);
void DDPPasseBasBitmap(QImage& bitmap, int32_t niveau, int force, double coefficient);
void DDPGaussienBitmap(QImage& bitmap, int32_t niveau, double sigma, double coefficient);
void FiltreDDPNeutreBmp(THistoBmp& image, int32_t niveau, double coefficient);
void FiltreDDPPasseBasBmp(THistoBmp& image, int32_t niveau, int force, double coefficient);
void FiltreDDPGaussienBmp(THistoBmp& image, int32_t niveau, double sigma, double coefficient);

// Byte arithmetic, the result in the first picture. The second picture must
// have the first one's size and pixel format; otherwise nothing changes and
// the result is false.
bool SoustraireBitmap(QImage& a, const QImage& b);                    // a - b
bool AjouterBitmap(QImage& a, const QImage& b);                       // a + b
void MultiplierBitmap(QImage& bitmap, double k);                      // v x k
bool SoustraireImageBmp(THistoBmp& image, const THistoBmp& autre);
bool AjouterImageBmp(THistoBmp& image, const THistoBmp& autre);
bool DiviserImageBmp(THistoBmp& image, const THistoBmp& autre, double k);
void MultiplierBmp(THistoBmp& image, double k);

// Colour planes, chosen by clRouge, clVert or clBleu.
// A 24-bit picture becomes the 8-bit grey picture of one plane; any other
// picture or plane value changes nothing (false).
bool ExtraireCanalBitmap(QImage& bitmap, int32_t plan);
// The destination (which may be the source) becomes the source's plane, with
// its Min/Max; nothing changes unless the source is 24-bit and the plane valid.
bool CopierCanalBmp(const THistoBmp& source, THistoBmp& destination, int32_t plan);
// Three 8-bit pictures of one size into a 24-bit picture, Min/Max recomputed;
// nothing changes (false) for other formats or unequal sizes.
bool CompositionRVB(const QImage& rouge, const QImage& vert, const QImage& bleu, THistoBmp& destination);

// Red cross (white on an 8-bit bitmap) on a bitmap that shows the picture
// magnified n times, at the star of the chosen plane. Nothing is drawn when
// no star can be measured.
void MarquerEtoileBmp(const THistoBmp& image, QImage& bitmap, int32_t n, int32_t plan);

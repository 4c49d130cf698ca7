#pragma once
// One BMP picture in memory: 8-bit (palette indexes read as grey levels,
// QImage::Format_Indexed8) or 24-bit colour (QImage::Format_BGR888, bytes
// blue, green, red as in the file). Other formats are loaded and left alone.
#include "UFit.h"
#include "UOutils.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

struct TStatistiquesImage;

class THistoBmp {
public:
    TProprietaire Proprietaire;
    QImage BitmapAffichage;
    int32_t Zoom = 100;
    QImage BitmapSource;
    uint8_t Max = 0;
    uint8_t Min = 0;
    int32_t SMin = 0;
    int32_t SMax = 0;
    double TRFT = 0;
};

// Pixel-format codes of the class library.
enum : int { pfDevice = 0, pf1bit = 1, pf4bit = 2, pf8bit = 3, pf15bit = 4, pf16bit = 5, pf24bit = 6, pf32bit = 7 };

// Colour planes of a 24-bit picture are chosen by colour value (clRouge,
// clVert, clBleu): red is the third byte of a pixel, green the second, blue
// the first. The byte of a plane (2, 1, 0), -1 for any other value.
int OctetPlan(int32_t plan);

// Shared bitmap routines.
QImage CreerBitmap();                               // a new empty bitmap
void CopierBitmap(const QImage& source, QImage& destination); // deep copy
void PaletteGris(QImage& bitmap);                   // 256 entries, entry i = (i, i, i)
QVector<QRgb> TablePaletteGris();
void InverserBitmap(QImage& bitmap);                // every byte 255 - byte
void NegatifBitmap(QImage& bitmap);                 // the same, in place
// Nearest-pixel rescale to round(size x zoom / 100) (halves to even), at least
// 1 x 1; an 8-bit bitmap keeps its palette (grey when it has none).
void ZoomerBitmap(QImage& bitmap, int zoom);
int FormatPixelBitmap(const QImage& bitmap);        // pf8bit, pf24bit or another code
// A 24-bit bitmap becomes 8-bit grey, (R + G + B) div 3; other formats unchanged.
void ConvertirBitmapGris(QImage& bitmap);
// Smallest and largest byte (every channel); an empty picture gives 255 and 0;
// formats other than 8-bit and 24-bit leave both untouched.
void MinMaxBmp(const QImage& bitmap, uint8_t& mini, uint8_t& maxi);

// BMP files. Reading keeps 8-bit and 24-bit pictures in their depth; an
// 8-bit picture whose palette is not the grey ramp becomes 24-bit through
// its palette. Other depths load in a format that no pixel operation touches.
// Bad, truncated or oversized files throw EErreurFichier / EStelor.
QImage DecoderBmp(const QByteArray& donnees, const QString& nom);
QImage LireBitmapBmp(const QString& nom);
QByteArray CoderBmp(const QImage& bitmap);
void EcrireBitmapBmp(const QImage& bitmap, const QString& nom);

// Construction and loading
void CreerHistoBmp(THistoBmp& image, TProprietaire proprietaire = {});
void ChargerBmp(THistoBmp& image, const QString& nom);
void ChargerBmpSansAnalyse(THistoBmp& image, const QString& nom);
void DetruireHistoBmp(THistoBmp& image);

// Rendering and display settings
void AfficherBmp(THistoBmp& image, bool positif);
const QImage& BitmapBmp(THistoBmp& image);
void FixerSeuilsBmp(THistoBmp& image, int32_t sMin, int32_t sMax, bool redessiner, bool positif);
void FixerTransfertBmp(THistoBmp& image, double trft, bool redessiner, bool positif);
void FixerZoomBmp(THistoBmp& image, int32_t zoom, bool redessiner, bool positif);
int32_t ZoomBmp(const THistoBmp& image);
uint8_t MiniBmp(const THistoBmp& image);
uint8_t MaxiBmp(const THistoBmp& image);
int32_t LargeurBmp(const THistoBmp& image);
int32_t HauteurBmp(const THistoBmp& image);
int FormatPixelBmp(const THistoBmp& image);
int32_t SeuilMiniBmpDefaut();
int32_t SeuilMaxiBmpDefaut();
double TransfertBmpDefaut();
QString TexteInfoBmp(const THistoBmp& image);

// Saving
void EnregistrerBmp(THistoBmp& image, const QString& nom, bool positif);
void EnregistrerSourceBmp(const THistoBmp& image, const QString& nom);

// Copies, undo, conversion
void CopierHistoBmp(const THistoBmp& source, THistoBmp& destination);  // picture, Min/Max, zoom
void CopierImageBmp(const THistoBmp& source, THistoBmp& destination);  // and levels, curve
void EchangerHistoBmp(THistoBmp& a, THistoBmp& b);  // levels and curve stay with each object
void ConvertirHistoBmpGris(THistoBmp& image);

// Measuring
using TTableHistogrammeBmp = std::array<int64_t, 256>;
void StatistiquesBmp(const THistoBmp& image, TStatistiquesImage& stats);
double MoyenneBmp(const THistoBmp& image);
double EcartTypeBmp(const THistoBmp& image, int32_t plan);
int32_t ModeHistogrammeBmp(const THistoBmp& image, int32_t plan);
void HistogrammeBmp(const THistoBmp& image, int32_t plan, TTableHistogrammeBmp& comptes);
void PositionMaxBmp(const THistoBmp& image, int32_t& x, int32_t& y);
// Removes rows at the top and bottom and columns at the left and right.
// Negative margins, or margins that leave no row or column, change nothing
// and return false.
bool ExtraireZoneBmp(THistoBmp& image, int32_t haut, int32_t bas, int32_t gauche, int32_t droite);
void DimensionsFichierBmp(const QString& nom, int32_t& largeur, int32_t& hauteur);
int FormatPixelFichierBmp(const QString& nom);
// The picture becomes width x height, black (Min = Max = 0); FixerTailleBmp keeps
// the pixel format (8-bit grey for an empty picture), FixerTailleBmp24 makes it 24-bit.
void FixerTailleBmp(THistoBmp& image, int32_t largeur, int32_t hauteur);
void FixerTailleBmp24(THistoBmp& image, int32_t largeur, int32_t hauteur);

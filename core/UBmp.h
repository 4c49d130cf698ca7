#pragma once
// One BMP picture in memory: 8-bit (palette indexes read as grey levels,
// QImage::Format_Indexed8) or 24-bit colour (QImage::Format_BGR888, bytes
// blue, green, red as in the file). Other formats are loaded and left alone.
#include "UFit.h"

#include <QImage>
#include <cstdint>

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

// Shared bitmap routines.
QImage CreerBitmap();                               // a new empty bitmap
void CopierBitmap(const QImage& source, QImage& destination); // deep copy
void PaletteGris(QImage& bitmap);                   // 256 entries, entry i = (i, i, i)
QVector<QRgb> TablePaletteGris();
void InverserBitmap(QImage& bitmap);                // every byte 255 - byte
void NegatifBitmap(QImage& bitmap);                 // the same, in place
// Nearest-pixel rescale to round(size x zoom / 100) (halves to even), at least 1 x 1.
void ZoomerBitmap(QImage& bitmap, int zoom);
int FormatPixelBitmap(const QImage& bitmap);        // pf8bit, pf24bit or another code

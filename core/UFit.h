#pragma once
// One 16-bit FITS image in memory.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// One header card: at most 80 characters, padded to 80 when written.
using CarteFit = QString;

// The picture control that shows an image: each rendering is handed to it.
// Empty for work and undo copies.
using TProprietaire = std::function<void(const QImage&)>;

// Pixels are one contiguous block, column by column (x outer, y inner);
// y = 0 is the top row as displayed.
class THistoFit {
public:
    TProprietaire Proprietaire;
    QImage BitmapAffichage;
    int32_t Zoom = 100;
    QList<QRgb> Palette;       // empty: renderings take the grey palette
    QStringList Entete;        // the header, "END" card last
    std::vector<double> Pixels;
    int32_t XMax = 0;
    int32_t YMax = 0;
    double Max = 0;
    double Min = 0;
    int32_t SMin = 0;
    int32_t SMax = 0;
    double TRFT = 0;

    double& Pixel(int x, int y) { return Pixels[static_cast<size_t>(x) * (YMax + 1) + y]; }
    double Pixel(int x, int y) const { return Pixels[static_cast<size_t>(x) * (YMax + 1) + y]; }
    // Start of column x: YMax + 1 values, top row first.
    double* Colonne(int x) { return Pixels.data() + static_cast<size_t>(x) * (YMax + 1); }
    const double* Colonne(int x) const { return Pixels.data() + static_cast<size_t>(x) * (YMax + 1); }
};

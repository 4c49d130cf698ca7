#include "UBmp.h"

#include <algorithm>
#include <cmath>

QImage CreerBitmap() { return QImage(); }

void CopierBitmap(const QImage& source, QImage& destination)
{
    destination = source.copy();
}

QVector<QRgb> TablePaletteGris()
{
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    return table;
}

void PaletteGris(QImage& bitmap)
{
    if (bitmap.format() == QImage::Format_Indexed8)
        bitmap.setColorTable(TablePaletteGris());
}

int FormatPixelBitmap(const QImage& bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_Indexed8:
        return pf8bit;
    case QImage::Format_BGR888:
        return pf24bit;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return pf1bit;
    case QImage::Format_RGB555:
        return pf15bit;
    case QImage::Format_RGB16:
        return pf16bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return pf32bit;
    default:
        return pfDevice;
    }
}

void NegatifBitmap(QImage& bitmap)
{
    const int f = FormatPixelBitmap(bitmap);
    if (f != pf8bit && f != pf24bit)
        return;
    const int octets = bitmap.width() * (f == pf8bit ? 1 : 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* ligne = bitmap.scanLine(y);
        for (int i = 0; i < octets; ++i)
            ligne[i] = static_cast<uchar>(255 - ligne[i]);
    }
}

void InverserBitmap(QImage& bitmap)
{
    QImage copie = bitmap.copy();
    NegatifBitmap(copie);
    bitmap = copie;
}

void ZoomerBitmap(QImage& bitmap, int zoom)
{
    if (bitmap.isNull())
        return;
    const int l = std::max(1, static_cast<int>(std::nearbyint(bitmap.width() * static_cast<double>(zoom) / 100.0)));
    const int h = std::max(1, static_cast<int>(std::nearbyint(bitmap.height() * static_cast<double>(zoom) / 100.0)));
    const int f = FormatPixelBitmap(bitmap);
    const int octets = f == pf8bit ? 1 : 3;
    if (f != pf8bit && f != pf24bit) {
        bitmap = bitmap.scaled(l, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return;
    }
    QImage resultat(l, h, f == pf8bit ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (f == pf8bit)
        resultat.setColorTable(TablePaletteGris());
    const int ls = bitmap.width(), hs = bitmap.height();
    std::vector<int> sx(l);
    for (int x = 0; x < l; ++x)
        sx[x] = static_cast<int>(static_cast<int64_t>(x) * ls / l);
    for (int y = 0; y < h; ++y) {
        const uchar* src = bitmap.constScanLine(static_cast<int>(static_cast<int64_t>(y) * hs / h));
        uchar* dst = resultat.scanLine(y);
        if (octets == 1)
            for (int x = 0; x < l; ++x)
                dst[x] = src[sx[x]];
        else
            for (int x = 0; x < l; ++x)
                std::copy_n(src + 3 * sx[x], 3, dst + 3 * x);
    }
    bitmap = resultat;
}

#pragma once
// JPEG writing and reading back through libjpeg. A libjpeg failure never ends
// the program: it becomes an EStelor with a French message.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Quality bounds accepted by the compressor; values outside are clamped.
enum : int { QualiteJpegMin = 1, QualiteJpegMax = 100 };

// Compresses a picture in memory. An 8-bit picture with a grey palette gives
// a grey JPEG; any other picture is compressed as RGB.
QByteArray CompresserJpeg(const QImage& image, int qualite);

// Decompresses a JPEG held in memory: Format_Indexed8 with the grey palette
// for a grey JPEG, Format_RGB888 otherwise. With a size expected, a JPEG
// that announces another one is refused before anything is allocated.
QImage DecompresserJpeg(const QByteArray& donnees, const QSize& attendue = {});

// Writes the picture as a JPEG file; the target only appears once complete.
void EnregistrerJpeg(const QImage& image, int qualite, const QString& nom);

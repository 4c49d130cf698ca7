#pragma once
// Writing an image as a file of the other kind (FIT <-> BMP), or a copy of a
// FIT image, without touching the image the window shows.
#include "UBmp.h"
#include "UFit.h"

#include <QImage>
#include <QString>
#include <functional>

// Shows a notice to the user; the windows pass Dialogues::Information (the
// core has no widgets). Empty: no notice.
using TAvis = std::function<void(const QString&)>;

// Writes a full copy of the image, so that the header changes of writing
// (BZERO, program cards) stay in the copy.
void EnregistrerCopieFit(const THistoFit& image, const QString& nom);
// A colour bitmap is converted to grey first ((R + G + B) div 3), with the
// notice "L'image couleurs est convertie..." given to avertir when it is set.
void ExporterBmpEnFit(const QImage& bitmap, const QString& nom, const TAvis& avertir);
// An 8-bit bitmap is written as one FIT file under nomGris; any other as three
// FIT files, one per colour plane, written red, green, blue.
void ExporterPlansRVBEnFit(const QImage& bitmap, const QString& nomGris, const QString& nomRouge,
                           const QString& nomVert, const QString& nomBleu);
// The image as the window shows it (levels, curve, zoom), as a BMP file.
void ExporterFitEnBmp(THistoFit& image, const QString& nom, bool positif);
void EnregistrerBitmapFichier(const QImage& bitmap, const QString& nom, bool positif);

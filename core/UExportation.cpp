#include "UExportation.h"

#include "UEcritureFit.h"
#include "UFiltresBmp.h"

namespace {

// Pictures of formats the program does not process are read through their
// colours, as a 24-bit picture, so that no byte is taken for what it is not.
QImage CopieTraitable(const QImage& bitmap)
{
    const int f = FormatPixelBitmap(bitmap);
    if (f == pf8bit || f == pf24bit || bitmap.isNull())
        return bitmap.copy();
    return bitmap.convertToFormat(QImage::Format_BGR888);
}

// One plane of a 24-bit bitmap, from a fresh copy, as an 8-bit grey bitmap.
QImage PlanBitmap(const QImage& bitmap, int32_t plan)
{
    QImage plan8 = bitmap.copy();
    ExtraireCanalBitmap(plan8, plan);
    return plan8;
}

void EcrireBitmapGrisEnFit(const QImage& gris, const QString& nom)
{
    THistoFit temp;
    CreerHistoFit(temp);
    ImporterBitmapFit(temp, gris);
    EnregistrerFit(temp, nom);
    DetruireHistoFit(temp);
}

} // namespace

void EnregistrerCopieFit(const THistoFit& image, const QString& nom)
{
    THistoFit copie;
    CreerHistoFit(copie);
    CopierHistoFit(image, copie);
    EnregistrerFit(copie, nom);
    DetruireHistoFit(copie);
}

void ExporterBmpEnFit(const QImage& bitmap, const QString& nom, const TAvis& avertir)
{
    QImage copie = CopieTraitable(bitmap);
    if (FormatPixelBitmap(copie) == pf24bit) {
        if (avertir)
            avertir(QStringLiteral("L'image couleurs est convertie en niveaux de gris avant l'exportation."));
        ConvertirBitmapGris(copie);
    }
    EcrireBitmapGrisEnFit(copie, nom);
}

void ExporterPlansRVBEnFit(const QImage& bitmap, const QString& nomGris, const QString& nomRouge,
                           const QString& nomVert, const QString& nomBleu)
{
    if (FormatPixelBitmap(bitmap) == pf8bit) {
        EcrireBitmapGrisEnFit(bitmap.copy(), nomGris);
        return;
    }
    const QImage couleur = CopieTraitable(bitmap);
    EcrireBitmapGrisEnFit(PlanBitmap(couleur, clRouge), nomRouge);
    EcrireBitmapGrisEnFit(PlanBitmap(couleur, clVert), nomVert);
    EcrireBitmapGrisEnFit(PlanBitmap(couleur, clBleu), nomBleu);
}

void ExporterFitEnBmp(THistoFit& image, const QString& nom, bool positif)
{
    EnregistrerBitmapFichier(BitmapFit(image), nom, positif);
}

void EnregistrerBitmapFichier(const QImage& bitmap, const QString& nom, bool positif)
{
    QImage copie;
    CopierBitmap(bitmap, copie);
    if (!positif)
        InverserBitmap(copie);
    EcrireBitmapBmp(copie, nom);
}

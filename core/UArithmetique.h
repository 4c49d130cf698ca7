#pragma once
// Pixel arithmetic on FIT images and BMP pictures: combination of file lists,
// image and constant arithmetic, translations, mirrors and rotations, star
// centroid and planetary disk centre.
#include "UBmp.h"
#include "UFit.h"
#include "UImages.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

// Progress of a long combination: receives the text to show at once (the
// window binds it to a label: setText + repaint), an empty text at the end.
using TProgression = std::function<void(const QString&)>;

// ---- Combination of file lists -------------------------------------------
// Every file must have the size of the first: another one, or a file that
// cannot be read, stops the operation with an error naming the file, the
// result left as it was and the progress text emptied. FIT files of any
// standard BITPIX are decoded as the reader does; the median opens each file
// only while it reads a band of it, so that a list may hold more files than
// a process may keep open.

// Median by bands of rows: memory stays near (files x one band) + result.
void MedianeListeFit(const QStringList& liste, THistoFit& resultat);
void MoyenneListeFit(const QStringList& liste, THistoFit& resultat, const TProgression& progression,
                     const QString& legende);
void SommeListeFit(const QStringList& liste, THistoFit& resultat, const TProgression& progression,
                   const QString& legende);
// BMP: the first file's pixel format (8-bit or 24-bit) decides; files of
// another format are left out (the mean divides by the files taken, the
// progress counts them all); nothing happens for other first formats.
void MedianeListeBmp(const QStringList& liste, THistoBmp& resultat);
void MoyenneListeBmp(const QStringList& liste, THistoBmp& resultat, const TProgression& progression,
                     const QString& legende);
void SommeListeBmp(const QStringList& liste, THistoBmp& resultat, const TProgression& progression,
                   const QString& legende);

// ---- Image and constant arithmetic ---------------------------------------
// Images of a list and the second image of a subtraction must have the size
// of the first image (EStelor otherwise, result untouched); the result takes
// the first image's header.
void AdditionImagesFit(const std::vector<const THistoFit*>& images, THistoFit& resultat);
void SoustractionImagesFit(const THistoFit& a, const THistoFit& b, THistoFit& resultat);
void MoyenneImagesFit(const std::vector<const THistoFit*>& images, THistoFit& resultat);
void AjouterConstanteFit(THistoFit& image, double c);
void SoustraireConstanteFit(THistoFit& image, double c);
void AjusterNiveauFit(THistoFit& image, double niveau);
void AjusterNiveauBmp(THistoBmp& image, double niveau);
void AjouterConstanteBmp(THistoBmp& image, int32_t n);

// ---- Translations ---------------------------------------------------------
// new[x] = old[x - d]: a positive d moves the content right (or down). The
// whole part first, then the fraction when the setting allows it. A
// non-finite amount changes nothing; vacated pixels become 0. A FIT image
// that moved has its header follow (EnteteApresGeometrieFit).
void TranslationXFit(THistoFit& image, double d);
void TranslationYFit(THistoFit& image, double d);
void TranslationXBmp(THistoBmp& image, double d);
void TranslationYBmp(THistoBmp& image, double d);
void TranslationXBitmap(QImage& bitmap, double d);
void TranslationYBitmap(QImage& bitmap, double d);
// The same with the fractional step chosen by the caller.
void TranslationXFit(THistoFit& image, double d, bool fractionnaire);
void TranslationYFit(THistoFit& image, double d, bool fractionnaire);
void TranslationXBmp(THistoBmp& image, double d, bool fractionnaire);
void TranslationYBmp(THistoBmp& image, double d, bool fractionnaire);
void TranslationXBitmap(QImage& bitmap, double d, bool fractionnaire);
void TranslationYBitmap(QImage& bitmap, double d, bool fractionnaire);

// Whole and fractional steps (0 < |f| < 1).
void DecalerXFit(THistoFit& image, int64_t n);
void DecalerYFit(THistoFit& image, int64_t n);
void InterpolerXFit(THistoFit& image, double f);
void InterpolerYFit(THistoFit& image, double f);
void DecalerXBmp(THistoBmp& image, int64_t n);
void DecalerYBmp(THistoBmp& image, int64_t n);
void InterpolerXBmp(THistoBmp& image, double f);
void InterpolerYBmp(THistoBmp& image, double f);
void DecalerXBitmap(QImage& bitmap, int64_t n);
void DecalerYBitmap(QImage& bitmap, int64_t n);
void InterpolerXBitmap(QImage& bitmap, double f);
void InterpolerYBitmap(QImage& bitmap, double f);

// ---- Mirrors and rotations (quarter turns clockwise) ----------------------
// The header follows (EnteteApresGeometrieFit).
void MiroirHorizontalFit(THistoFit& image);
void MiroirVerticalFit(THistoFit& image);
void Rotation90Fit(THistoFit& image);
void Rotation180Fit(THistoFit& image);
void Rotation270Fit(THistoFit& image);

// ---- Star centroid and disk centre ----------------------------------------
// Intensity-weighted centre of the brightest star, in a window of the
// setting's width (below 2: 5) around the brightest pixel. False, outputs
// untouched, when there is nothing to measure (an all-zero window, a picture
// neither 8-bit nor 24-bit, a plane colour that selects no plane).
bool PositionEtoileFit(const THistoFit& image, double& x, double& y);
bool PositionEtoileFit(const THistoFit& image, double& x, double& y, int32_t largeur);
bool PositionEtoileBmp(const THistoBmp& image, double& x, double& y, int32_t couleur);
bool PositionEtoileBmp(const THistoBmp& image, double& x, double& y, int32_t couleur, int32_t largeur);
// Crops the image to the centroid window; gives the window's offsets.
void FenetreEtoileFit(THistoFit& image, int32_t& gauche, int32_t& haut);
void FenetreEtoileFit(THistoFit& image, int32_t& gauche, int32_t& haut, int32_t largeur);
void FenetreEtoileBmp(THistoBmp& image, int32_t& gauche, int32_t& haut);
void FenetreEtoileBmp(THistoBmp& image, int32_t& gauche, int32_t& haut, int32_t largeur);
// The width the centroid uses for a setting value.
int32_t LargeurFenetreCentroide(int32_t reglage);

// Edge points of a bright disk on 100 columns and 100 rows.
void PointsBordDisqueFit(const THistoFit& image, QList<TPointBord>& points, double seuil);
void PointsBordDisqueBmp(const THistoBmp& image, QList<TPointBord>& points, int32_t couleur, double seuil);
// Reorders the points into a chain, each the nearest unused to its predecessor.
void OrdonnerPointsContour(QList<TPointBord>& points);
// Centre of the area enclosed by the outline; false (outputs untouched) for
// fewer than 3 points or an outline enclosing no area.
bool CentreContour(const QList<TPointBord>& points, double& x, double& y);

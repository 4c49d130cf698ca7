#pragma once
// Series of noisy copies of the real images for the series windows' tests,
// made and checked with numpy, astropy and Pillow.
#include <QString>
#include <QStringList>

// Runs a python script after a prelude that imports numpy (np), astropy's fits
// and Pillow's Image and defines: lire(nom) (a FIT file as [y][x], top row
// first, as the windows show it), ecrire(nom, a) (rounded, clamped, 16-bit),
// bmp(nom), pile(noms), decaler(a, sx, sy) (right and down, black fill) and
// rng. Returns what it printed, trimmed; a failing script fails the test.
QString Python(const QString& script, const QStringList& arguments = {});

// Writes into the folder: brute1..3.fit (saao_raw_u16 with noise), dark1..4.fit
// (hot pixels), flat1..3.fit (vignetting), offset1..5.fit, ngc.fit (another
// size), m51_0..1.fit, gris0..3.bmp (8-bit) and couleur0..2.bmp (24-bit).
void EcrireSeriesEssai(const QString& dossier);

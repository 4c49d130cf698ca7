#pragma once
// Small routines every unit calls: numbers, texts, bitmaps, file names.
#include <QImage>
#include <QString>
#include <cstdint>

// Numbers
int32_t MinEntier(int32_t a, int32_t b);
int32_t MaxEntier(int32_t a, int32_t b);
int32_t BornerEntier(int32_t v, int32_t lo, int32_t hi); // the low bound wins when lo > hi
double MinReel(double a, double b);
double MaxReel(double a, double b);
double BornerReel(double v, double lo, double hi);
void EchangerEntiers(int32_t& a, int32_t& b);
double ValeurNonNulle(double valeur, double remplacement);
// Fixed-point text with n decimals and the decimal comma: 0.2 -> "0,2".
QString ReelEnTexte(double valeur, int decimales);

// Bitmaps
void LibererBitmap(QImage& bitmap);

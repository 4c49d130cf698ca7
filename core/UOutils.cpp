#include "UOutils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <QRegularExpression>

int32_t MinEntier(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t MaxEntier(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t BornerEntier(int32_t v, int32_t lo, int32_t hi) { return MaxEntier(MinEntier(v, hi), lo); }
double MinReel(double a, double b) { return a < b ? a : b; }
double MaxReel(double a, double b) { return a > b ? a : b; }
double BornerReel(double v, double lo, double hi) { return MaxReel(MinReel(v, hi), lo); }
void EchangerEntiers(int32_t& a, int32_t& b) { std::swap(a, b); }
double ValeurNonNulle(double valeur, double remplacement) { return valeur == 0 ? remplacement : valeur; }

QString ReelEnTexte(double valeur, int decimales)
{
    if (!std::isfinite(valeur))
        return std::isnan(valeur) ? QStringLiteral("NAN") : (valeur > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    decimales = std::clamp(decimales, 0, 18);
    char tampon[400];
    const auto r = std::to_chars(tampon, tampon + sizeof tampon, valeur, std::chars_format::fixed, decimales);
    QString texte = QString::fromLatin1(tampon, static_cast<int>(r.ptr - tampon));
    texte.replace(QLatin1Char('.'), QLatin1Char(','));
    if (texte.startsWith(QLatin1Char('-')) && texte.indexOf(QRegularExpression(QStringLiteral("[1-9]"))) < 0)
        texte.remove(0, 1); // no "-0,0"
    return texte;
}

void LibererBitmap(QImage& bitmap) { bitmap = QImage(); }

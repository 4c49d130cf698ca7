#include "UImages.h"

#include "PErreurs.h"
#include "UArithmetique.h"
#include "UImagesCommun.h"
#include "UOutils.h"

#include <cmath>
#include <limits>

using namespace ImagesCommun;

void PositionMiniValeurFit(const THistoFit& image, int32_t& x, int32_t& y, double& valeur)
{
    x = 0;
    y = 0;
    valeur = 65535;
    if (!image.PixelsPresents()) return;
    for (int32_t i = 0; i <= image.XMax; ++i) {
        const double* col = image.Colonne(i);
        for (int32_t j = 0; j <= image.YMax; ++j)
            if (col[j] < valeur) {
                valeur = col[j];
                x = i;
                y = j;
            }
    }
}

void PositionMaxiValeurFit(const THistoFit& image, int32_t& x, int32_t& y, double& valeur)
{
    // The image object's own scan (from 0 at (0, 0)); only (0, 0) can hold
    // a value that did not beat the start.
    x = 0;
    y = 0;
    valeur = 0;
    if (!image.PixelsPresents()) return;
    PositionMaxiFit(image, x, y);
    valeur = std::max(0.0, image.Pixel(x, y));
}

void StatistiquesFit(const THistoFit& image, TStatistiquesImage& stats)
{
    stats = TStatistiquesImage();
    if (!image.PixelsPresents()) return;
    stats.Largeur = image.XMax + 1;
    stats.Hauteur = image.YMax + 1;
    const int64_t n = NombrePixels(image);
    stats.NombrePixels = static_cast<int32_t>(std::min<int64_t>(n, std::numeric_limits<int32_t>::max()));
    // Extended accumulators: the sum of millions of 16-bit values stays exact.
    long double somme = 0;
    for (double v : image.Pixels) somme += v;
    const long double moyenne = somme / n;
    long double carres = 0;
    for (double v : image.Pixels) {
        const long double d = v - moyenne;
        carres += d * d;
    }
    stats.Somme = static_cast<double>(somme);
    stats.Moyenne = static_cast<double>(moyenne);
    stats.EcartType = static_cast<double>(std::sqrt(carres / n));
    stats.BackGround = ModeHistogrammeFit(image);
    PositionMiniValeurFit(image, stats.XMinimum, stats.YMinimum, stats.Minimum);
    PositionMaxiValeurFit(image, stats.XMaximum, stats.YMaximum, stats.Maximum);
}

double MoyenneFit(const THistoFit& image)
{
    // The statistics' own sum, without the rest of them.
    if (!image.PixelsPresents()) return 0;
    long double somme = 0;
    for (double v : image.Pixels) somme += v;
    return static_cast<double>(somme / NombrePixels(image));
}

double EcartTypeFit(const THistoFit& image)
{
    TStatistiquesImage s;
    StatistiquesFit(image, s);
    return s.EcartType;
}

bool ExtraireZoneFit(THistoFit& image, int32_t haut, int32_t bas, int32_t gauche, int32_t droite)
{
    if (!image.PixelsPresents() || haut < 0 || bas < 0 || gauche < 0 || droite < 0) return false;
    const int64_t l = static_cast<int64_t>(image.XMax) + 1 - gauche - droite;
    const int64_t h = static_cast<int64_t>(image.YMax) + 1 - haut - bas;
    if (l < 1 || h < 1) return false;
    std::vector<double> pixels(static_cast<size_t>(l * h));
    double mini = 2147483647.0, maxi = 0;
    for (int64_t x = 0; x < l; ++x) {
        const double* source = image.Colonne(static_cast<int>(x + gauche)) + haut;
        double* dest = pixels.data() + x * h;
        for (int64_t y = 0; y < h; ++y) {
            const double v = source[y];
            dest[y] = v;
            if (v > maxi) maxi = v;
            if (v < mini) mini = v;
        }
    }
    image.Pixels = std::move(pixels);
    image.XMax = static_cast<int32_t>(l - 1);
    image.YMax = static_cast<int32_t>(h - 1);
    image.Min = mini;
    image.Max = maxi;
    EnteteApresGeometrieFit(image);
    return true;
}

namespace {

// New side: the product, rounded up when it has a fractional part; -1 when
// it cannot be held in a 32-bit size.
int64_t CoteRedimensionne(int32_t cote, double facteur)
{
    const double p = static_cast<double>(cote) * facteur;
    if (!std::isfinite(p) || p >= 2147483647.0) return -1;
    const double t = std::trunc(p);
    return static_cast<int64_t>(t) + (p != t ? 1 : 0);
}

bool FacteurValide(double facteur) { return std::isfinite(facteur) && facteur > 0; }

} // namespace

void DimensionsRedimensionnees(int32_t largeur, int32_t hauteur, double facteur, int32_t& nouvelleLargeur,
                               int32_t& nouvelleHauteur)
{
    const int64_t l = FacteurValide(facteur) ? CoteRedimensionne(largeur, facteur) : largeur;
    const int64_t h = FacteurValide(facteur) ? CoteRedimensionne(hauteur, facteur) : hauteur;
    nouvelleLargeur = static_cast<int32_t>(l < 0 ? std::numeric_limits<int32_t>::max() : l);
    nouvelleHauteur = static_cast<int32_t>(h < 0 ? std::numeric_limits<int32_t>::max() : h);
}

int64_t NombrePixelsRedimensionnes(int32_t largeur, int32_t hauteur, double facteur)
{
    int32_t l = 0, h = 0;
    DimensionsRedimensionnees(largeur, hauteur, facteur, l, h);
    return static_cast<int64_t>(l) * h;
}

namespace {

// Resizes source into cible (which may be the source itself: every pixel is
// read before the new block replaces the old one), under the source's
// header. Levels and curve of the target are left alone.
void Redimensionner(const THistoFit& image, THistoFit& cible, double facteur)
{
    const int32_t w = image.XMax + 1, h = image.YMax + 1;
    const int64_t w2 = CoteRedimensionne(w, facteur), h2 = CoteRedimensionne(h, facteur);
    // Beyond this the pixel block could not be addressed (or held) anyway.
    constexpr int64_t limite = int64_t(1) << 31;
    if (w2 < 1 || h2 < 1 || w2 * h2 >= limite)
        LeverErreur(QStringLiteral("L'image redimensionnée serait trop grande."));

    // Source rows and columns of each destination line, with the same edge
    // rule on both axes: past the last line both neighbours are the last one.
    struct TVoisins {
        int32_t a, b;
        double f, g;
    };
    auto voisins = [facteur](int64_t n, int32_t taille) {
        std::vector<TVoisins> t(static_cast<size_t>(n));
        for (int64_t k = 1; k <= n; ++k) {
            const double s = static_cast<double>(k - 1) / facteur + 1;
            const double ent = std::trunc(s);
            const double f = s - ent;
            const int64_t i = static_cast<int64_t>(ent);
            TVoisins v;
            v.f = f;
            v.g = 1 - f;
            if (i > taille) {
                v.a = v.b = taille - 1;
            } else {
                v.a = static_cast<int32_t>(i - 1);
                v.b = i + 1 > taille ? v.a : static_cast<int32_t>(i);
            }
            t[static_cast<size_t>(k - 1)] = v;
        }
        return t;
    };
    const std::vector<TVoisins> colonnes = voisins(w2, w), lignes = voisins(h2, h);

    std::vector<double> pixels(static_cast<size_t>(w2 * h2));
    double mini = 0, maxi = 0; // the extremes of a new image of zeros, widened
    for (int64_t i = 0; i < w2; ++i) {
        const TVoisins& c = colonnes[static_cast<size_t>(i)];
        const double* gauche = image.Colonne(c.a);
        const double* droite = image.Colonne(c.b);
        double* dest = pixels.data() + i * h2;
        for (int64_t j = 0; j < h2; ++j) {
            const TVoisins& r = lignes[static_cast<size_t>(j)];
            const double v = (droite[r.b] * c.f + gauche[r.b] * c.g) * r.f + (droite[r.a] * c.f + gauche[r.a] * c.g) * r.g;
            dest[j] = v;
            mini = std::min(mini, v);
            maxi = std::max(maxi, v);
        }
    }
    if (&cible != &image) cible.Entete = image.Entete;
    cible.Pixels = std::move(pixels);
    cible.XMax = static_cast<int32_t>(w2 - 1);
    cible.YMax = static_cast<int32_t>(h2 - 1);
    EnteteApresGeometrieFit(cible);
    cible.Min = mini;
    cible.Max = maxi;
    cible.Zoom = 100;
    cible.Palette.clear();
}

} // namespace

void RedimensionnerFit(THistoFit& image, double facteur)
{
    if (facteur == 1 || !FacteurValide(facteur) || !image.PixelsPresents()) return;
    Redimensionner(image, image, facteur);
}

void RedimensionnerCopieFit(const THistoFit& source, THistoFit& cible, double facteur)
{
    if (facteur == 1 || !FacteurValide(facteur) || !source.PixelsPresents()) {
        CopierHistoFit(source, cible);
        return;
    }
    Redimensionner(source, cible, facteur);
    cible.SMin = source.SMin;
    cible.SMax = source.SMax;
    cible.TRFT = source.TRFT;
}

void MarquerEtoileFit(const THistoFit& image, QImage& bitmap, int32_t n)
{
    double cx = 0, cy = 0;
    if (!PositionEtoileFit(image, cx, cy)) return;
    auto position = [n](double c) {
        const double t = std::trunc(c);
        return static_cast<int32_t>(t) * n + static_cast<int32_t>(std::trunc((c - t) * (n + 1)));
    };
    DessinerCroix(bitmap, position(cx), position(cy), 255);
}

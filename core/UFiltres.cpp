#include "UFiltres.h"

#include "UOutils.h"
#include "UParametres.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

// The hot loops are vectorised across neighbouring rows of one column; each
// pixel still adds its taps in the kernel's own order, one rounding per
// product and per sum, so the results do not depend on the vector width.
// Contraction into fused multiply-adds would change the last bits, hence
// fp-contract=off on every clone.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define STELOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default"), optimize("fp-contract=off")))
#elif defined(__GNUC__) && !defined(__clang__)
#define STELOR_CLONES __attribute__((optimize("fp-contract=off")))
#else
#define STELOR_CLONES
#endif
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace {

constexpr double MaxFit = 65535.0;
constexpr double Infini = std::numeric_limits<double>::infinity();

// Eight doubles; the compiler splits it into what the processor holds.
typedef double V8 __attribute__((vector_size(64)));
constexpr int VecteursBloc = 6;
constexpr int LargeurBloc = 8 * VecteursBloc; // rows per block

// Vectors never cross a real call (the helpers are always inlined), so the
// vector-ABI notes do not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
#define EN_LIGNE inline __attribute__((always_inline))

EN_LIGNE V8 Charger(const double* p)
{
    V8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

EN_LIGNE void Ranger(double* p, const V8& v) { std::memcpy(p, &v, sizeof v); }

EN_LIGNE V8 Diffuser(double d) { return V8{} + d; }

template <typename T>
EN_LIGNE T Min2(const T& a, const T& b)
{
    return a < b ? a : b;
}
template <typename T>
EN_LIGNE T Max2(const T& a, const T& b)
{
    return a > b ? a : b;
}

// MaxReel(MinReel(v, 65535), 0), with the same comparisons (NaN gives 65535).
EN_LIGNE double BornerFit(double v)
{
    const double m = v < MaxFit ? v : MaxFit;
    return m > 0.0 ? m : 0.0;
}

EN_LIGNE V8 BornerFit(const V8& v)
{
    const V8 haut = Diffuser(MaxFit), bas = V8{};
    const V8 m = v < haut ? v : haut;
    return m > bas ? m : bas;
}

template <typename T>
EN_LIGNE void Etendre(const T& r, T& mini, T& maxi)
{
    mini = Min2(mini, r);
    maxi = Max2(maxi, r);
}

// Folds the lanes of a vector block's extremes into the scalar ones.
EN_LIGNE void Replier(const V8& vmin, const V8& vmax, double& mini, double& maxi)
{
    for (int i = 0; i < 8; ++i) {
        mini = Min2(mini, vmin[i]);
        maxi = Max2(maxi, vmax[i]);
    }
}

// Start of the block of n rows that follows the one at debut, blocks ending
// at fin: the last block overlaps the one before it rather than leaving rows
// to a scalar loop (recomputing a row writes the same value again).
EN_LIGNE int BlocSuivant(int debut, int n, int fin) { return debut + n >= fin ? fin : Min2(debut + n, fin - n); }

// One output column. voisins[t] points at the neighbour of row 0 for tap t.
STELOR_CLONES
void ColonneSimple(const double* const* voisins, const double* poids, int nb, double diviseur, double* sortie,
                   int hauteur, double& mini, double& maxi)
{
    V8 vmin = Diffuser(mini), vmax = Diffuser(maxi);
    int y = 0; // rows left to the scalar loop start here
    for (int b = 0; hauteur >= LargeurBloc && b < hauteur; b = BlocSuivant(b, LargeurBloc, hauteur)) {
        y = hauteur;
        V8 s[VecteursBloc] = {};
        for (int t = 0; t < nb; ++t) {
            const double* p = voisins[t] + b;
            const double w = poids[t];
            for (int i = 0; i < VecteursBloc; ++i)
                s[i] += w * Charger(p + 8 * i);
        }
        for (int i = 0; i < VecteursBloc; ++i) {
            const V8 r = BornerFit(s[i] / diviseur);
            Ranger(sortie + b + 8 * i, r);
            Etendre(r, vmin, vmax);
        }
    }
    Replier(vmin, vmax, mini, maxi);
    for (; y < hauteur; ++y) {
        double s = 0;
        for (int t = 0; t < nb; ++t)
            s += poids[t] * voisins[t][y];
        const double r = BornerFit(s / diviseur);
        sortie[y] = r;
        Etendre(r, mini, maxi);
    }
}

// Protected variant: a tap counts only when |neighbour - centre| < seuil.
// Adding an exact zero for a tap left out changes at most the sign of a zero
// sum, which the clamp turns into 0 either way.
STELOR_CLONES
void ColonneProtegee(const double* const* voisins, const double* poids, int nb, const double* centre, double seuil,
                     double* sortie, int hauteur, double& mini, double& maxi)
{
    V8 vmin = Diffuser(mini), vmax = Diffuser(maxi);
    const V8 vseuil = Diffuser(seuil), zero{}, un = Diffuser(1.0);
    int y = 0;
    for (int b = 0; hauteur >= 16 && b < hauteur; b = BlocSuivant(b, 16, hauteur)) {
        y = hauteur;
        V8 s0{}, s1{}, p0{}, p1{};
        const V8 c0 = Charger(centre + b), c1 = Charger(centre + b + 8);
        for (int t = 0; t < nb; ++t) {
            const double* p = voisins[t] + b;
            const double w = poids[t];
            const V8 n0 = Charger(p), n1 = Charger(p + 8);
            V8 d0 = n0 - c0, d1 = n1 - c1;
            d0 = d0 < zero ? -d0 : d0;
            d1 = d1 < zero ? -d1 : d1;
            const V8 w0 = d0 < vseuil ? Diffuser(w) : zero;
            const V8 w1 = d1 < vseuil ? Diffuser(w) : zero;
            s0 += w0 * n0;
            s1 += w1 * n1;
            p0 += w0;
            p1 += w1;
        }
        const V8 q0 = p0 == zero ? un : p0, q1 = p1 == zero ? un : p1;
        const V8 r0 = BornerFit(s0 / q0), r1 = BornerFit(s1 / q1);
        Ranger(sortie + b, r0);
        Ranger(sortie + b + 8, r1);
        Etendre(r0, vmin, vmax);
        Etendre(r1, vmin, vmax);
    }
    Replier(vmin, vmax, mini, maxi);
    for (; y < hauteur; ++y) {
        const double c = centre[y];
        double s = 0, somme = 0;
        for (int t = 0; t < nb; ++t) {
            const double n = voisins[t][y];
            if (std::fabs(n - c) < seuil) {
                s += poids[t] * n;
                somme += poids[t];
            }
        }
        const double r = BornerFit(s / ValeurNonNulle(somme, 1));
        sortie[y] = r;
        Etendre(r, mini, maxi);
    }
}

// Convolves the image into sortie (column by column, same layout); sortie may
// be the image's own pixels: the source columns still needed are held in a
// ring of padded columns, loaded before anything overwrites them.
void Convoluer(const THistoFit& image, const TNoyauPrepare& k, bool protege, double seuil, double* sortie,
               double& mini, double& maxi)
{
    const int largeur = image.XMax + 1, hauteur = image.YMax + 1, demi = k.Demi, cote = k.Cote;
    const size_t longueur = static_cast<size_t>(hauteur) + 2 * demi;
    std::vector<double> anneau(longueur * cote);
    auto fente = [&](int colonne) { return anneau.data() + static_cast<size_t>(colonne % cote) * longueur; };
    int prochaine = 0;
    auto chargerJusqua = [&](int derniere) {
        for (; prochaine <= derniere; ++prochaine) {
            const double* col = image.Colonne(prochaine);
            double* f = fente(prochaine);
            for (int i = 0; i < demi; ++i) {
                f[i] = col[0];
                f[demi + hauteur + i] = col[hauteur - 1];
            }
            std::memcpy(f + demi, col, sizeof(double) * hauteur);
        }
    };
    const int nb = cote * cote;
    std::vector<const double*> voisins(nb);
    const double* centre = nullptr;
    for (int x = 0; x < largeur; ++x) {
        chargerJusqua(std::min(largeur - 1, x + demi));
        for (int dy = -demi; dy <= demi; ++dy)
            for (int dx = -demi; dx <= demi; ++dx) {
                const int c = BornerEntier(x + dx, 0, largeur - 1);
                voisins[static_cast<size_t>(dy + demi) * cote + (dx + demi)] = fente(c) + (dy + demi);
            }
        centre = fente(x) + demi;
        double* dest = sortie + static_cast<size_t>(x) * hauteur;
        if (protege)
            ColonneProtegee(voisins.data(), k.Poids.data(), nb, centre, seuil, dest, hauteur, mini, maxi);
        else
            ColonneSimple(voisins.data(), k.Poids.data(), nb, k.Diviseur, dest, hauteur, mini, maxi);
    }
}

// Below about 1e-154 the squared sigma vanishes and the centre becomes 0/0;
// far above 1e100 the weights overflow against 16-bit pixels.
double SigmaUtilisable(double sigma)
{
    constexpr double minimum = 0.2, maximum = 1e100;
    if (sigma > maximum)
        return maximum;
    return sigma > 0 && std::isnormal(2 * sigma * sigma) ? sigma : minimum;
}

// FixerPixelFit's rule for a whole set of stored values.
void ElargirMinMax(THistoFit& image, double mini, double maxi)
{
    if (image.Min > mini)
        image.Min = mini;
    if (image.Max < maxi)
        image.Max = maxi;
}

void ConvoluerEnPlace(const double* noyau, int taille, THistoFit& image, bool protege, double seuil)
{
    if (!image.PixelsPresents())
        return;
    const TNoyauPrepare k = PreparerNoyau(noyau, taille);
    double mini = Infini, maxi = -Infini;
    Convoluer(image, k, protege, seuil, image.Pixels.data(), mini, maxi);
    ElargirMinMax(image, mini, maxi);
}

// A filtered copy of the pixels, for the filters that compare the image with it.
std::vector<double> CopieFiltree(const THistoFit& image, const double* noyau, int taille, bool preservatif)
{
    const TNoyauPrepare k = PreparerNoyau(noyau, taille);
    const double seuil = preservatif ? LireOffsetDetectEtoiles() : 0;
    std::vector<double> copie(image.Pixels.size());
    double mini = Infini, maxi = -Infini;
    Convoluer(image, k, preservatif, seuil, copie.data(), mini, maxi);
    return copie;
}

void DDPFit(THistoFit& image, int32_t niveau, double coefficient, const double* reference)
{
    const double l = niveau, lk = l * coefficient;
    double mini = Infini, maxi = -Infini;
    const size_t n = image.Pixels.size();
    for (size_t i = 0; i < n; ++i) {
        const double p = image.Pixels[i];
        if (!(p >= l))
            continue;
        const double v = lk * p / (l + (reference ? reference[i] : p));
        if (std::isnan(v))
            continue; // 0/0: a level of 0 on a black reference tells nothing, keep the pixel
        const double r = BornerFit(v);
        image.Pixels[i] = r;
        Etendre(r, mini, maxi);
    }
    ElargirMinMax(image, mini, maxi);
}

// The reference of the filtered variants: a blurred copy taken before any pixel changes.
void DDPFiltreFit(THistoFit& image, int32_t niveau, double coefficient, const double* noyau, int taille,
                  bool preservatif)
{
    if (!image.PixelsPresents())
        return;
    const std::vector<double> reference = CopieFiltree(image, noyau, taille, preservatif);
    DDPFit(image, niveau, coefficient, reference.data());
}

// Sorted vertical triplets (rows y-1, y, y+1) of one column, for y = 1..hauteur-2.
STELOR_CLONES
void TrierTriplets(const double* col, int hauteur, double* bas, double* milieu, double* haut)
{
    for (int y = 1; y < hauteur - 1; ++y) {
        const double a = col[y - 1], b = col[y], c = col[y + 1];
        const double mn = Min2(a, b), mx = Max2(a, b);
        bas[y] = Min2(mn, c);
        haut[y] = Max2(mx, c);
        milieu[y] = Min2(mx, Max2(mn, c));
    }
}

// The fifth of nine from three sorted columns: the median of the largest
// minimum, the median of the middles and the smallest maximum.
template <typename T>
EN_LIGNE T Cinquieme(const T& b0, const T& b1, const T& b2, const T& m0, const T& m1, const T& m2, const T& h0,
                     const T& h1, const T& h2)
{
    const T a = Max2(Max2(b0, b1), b2);
    const T c = Min2(Min2(h0, h1), h2);
    const T b = Min2(Max2(m0, m1), Max2(Min2(m0, m1), m2));
    return Min2(Max2(a, b), Max2(Min2(a, b), c));
}

STELOR_CLONES
void MedianeColonne(const double* const* bas, const double* const* milieu, const double* const* haut, int hauteur,
                    double* sortie, double& mini, double& maxi)
{
    const double *b0 = bas[0], *b1 = bas[1], *b2 = bas[2];
    const double *m0 = milieu[0], *m1 = milieu[1], *m2 = milieu[2];
    const double *h0 = haut[0], *h1 = haut[1], *h2 = haut[2];
    V8 vmin = Diffuser(mini), vmax = Diffuser(maxi);
    int y = 1;
    for (int b = 1; hauteur - 2 >= 8 && b < hauteur - 1; b = BlocSuivant(b, 8, hauteur - 1)) {
        y = hauteur - 1;
        const V8 r = Cinquieme(Charger(b0 + b), Charger(b1 + b), Charger(b2 + b), Charger(m0 + b), Charger(m1 + b),
                               Charger(m2 + b), Charger(h0 + b), Charger(h1 + b), Charger(h2 + b));
        Ranger(sortie + b, r);
        Etendre(r, vmin, vmax);
    }
    Replier(vmin, vmax, mini, maxi);
    for (; y < hauteur - 1; ++y) {
        const double r = Cinquieme(b0[y], b1[y], b2[y], m0[y], m1[y], m2[y], h0[y], h1[y], h2[y]);
        sortie[y] = r;
        Etendre(r, mini, maxi);
    }
}

} // namespace

double CoefficientNoyau(const double* noyau, int taille, int ligne, int colonne)
{
    if (taille != 3 && taille != 5 && taille != 9)
        return 0;
    if (ligne < 1 || ligne > taille || colonne < 1 || colonne > taille)
        return 0;
    return noyau[(ligne - 1) * taille + (colonne - 1)];
}

double CoefficientNoyau3x3(const TNoyau3x3& noyau, int ligne, int colonne)
{
    return CoefficientNoyau(noyau.data(), 3, ligne, colonne);
}

double CoefficientNoyau5x5(const TNoyau5x5& noyau, int ligne, int colonne)
{
    return CoefficientNoyau(noyau.data(), 5, ligne, colonne);
}

TNoyauPrepare PreparerNoyau(const double* noyau, int taille)
{
    TNoyauPrepare k;
    k.Demi = (taille == 3 || taille == 5 || taille == 9) ? taille / 2 : 0;
    k.Cote = 2 * k.Demi + 1;
    k.Poids.resize(static_cast<size_t>(k.Cote) * k.Cote);
    for (int dy = -k.Demi; dy <= k.Demi; ++dy)
        for (int dx = -k.Demi; dx <= k.Demi; ++dx)
            k.Poids[static_cast<size_t>(dy + k.Demi) * k.Cote + (dx + k.Demi)] =
                CoefficientNoyau(noyau, taille, k.Demi + dy + 1, k.Demi + dx + 1);
    k.Diviseur = ValeurNonNulle(SommeNoyau(noyau, taille), 1);
    return k;
}

double SommeNoyau(const double* noyau, int taille)
{
    if (taille != 3 && taille != 5 && taille != 9)
        return 1;
    double s = 0;
    for (int i = 0; i < taille * taille; ++i)
        s += noyau[i];
    return s;
}

void NoyauPasseBas(int force, TNoyau3x3& noyau)
{
    static const double centres[5] = {32, 16, 8, 4, 0};
    if (force < 1 || force > 5) {
        noyau.fill(0);
        return;
    }
    noyau = {1, 2, 1, 2, centres[force - 1], 2, 1, 2, 1};
    if (force == 5)
        noyau = {1, 2, 1, 1, 1, 1, 1, 2, 1};
}

void NoyauPasseHaut(int force, TNoyau3x3& noyau)
{
    if (force < 1 || force > 5) {
        noyau.fill(0);
        return;
    }
    const double c = 10 - force;
    noyau = {0, -1, 0, -1, c, -1, 0, -1, 0};
}

void NoyauGaussien(TNoyau5x5& noyau, double sigma)
{
    sigma = SigmaUtilisable(sigma);
    const double s2 = sigma * sigma;
    for (int i = -2; i <= 2; ++i)
        for (int j = -2; j <= 2; ++j)
            noyau[(i + 2) * 5 + (j + 2)] = 2 * std::numbers::pi * s2 * std::exp(-(i * i + j * j) / (2 * s2));
}

void ConvoluerFit(const double* noyau, int taille, THistoFit& image, bool preservatif)
{
    if (preservatif)
        ConvoluerEnPlace(noyau, taille, image, true, LireOffsetDetectEtoiles());
    else
        ConvoluerEnPlace(noyau, taille, image, false, 0);
}

void FiltrePasseBasFit(THistoFit& image, int force, bool preservatif)
{
    TNoyau3x3 k;
    NoyauPasseBas(force, k);
    ConvoluerFit(k.data(), 3, image, preservatif);
}

void FiltrePasseHautFit(THistoFit& image, int force, bool preservatif)
{
    TNoyau3x3 k;
    NoyauPasseHaut(force, k);
    ConvoluerFit(k.data(), 3, image, preservatif);
}

void FiltreGaussienFit(THistoFit& image, bool preservatif, double sigma)
{
    TNoyau5x5 k;
    NoyauGaussien(k, sigma);
    ConvoluerFit(k.data(), 5, image, preservatif);
}

void FiltreConvolutionFit(THistoFit& image, TNoyau5x5 noyau, bool preservatif)
{
    ConvoluerFit(noyau.data(), 5, image, preservatif);
}

void FiltreMasqueFlouFit(THistoFit& image, bool preservatif, double sigma, double coefficient)
{
    if (!image.PixelsPresents())
        return;
    TNoyau5x5 k;
    NoyauGaussien(k, sigma);
    const std::vector<double> flou = CopieFiltree(image, k.data(), 5, preservatif);
    double mini = Infini, maxi = -Infini;
    const size_t n = image.Pixels.size();
    for (size_t i = 0; i < n; ++i) {
        const double p = image.Pixels[i];
        const double detail = BornerFit(BornerFit(p - flou[i]) * coefficient);
        const double r = BornerFit(p + detail);
        image.Pixels[i] = r;
        Etendre(r, mini, maxi);
    }
    ElargirMinMax(image, mini, maxi);
}

void FiltreDDPNeutreFit(THistoFit& image, int32_t niveau, double coefficient)
{
    if (!image.PixelsPresents())
        return;
    DDPFit(image, niveau, coefficient, nullptr);
}

void FiltreDDPPasseBasFit(THistoFit& image, int32_t niveau, int force, double coefficient, bool preservatif)
{
    TNoyau3x3 k;
    NoyauPasseBas(force, k);
    DDPFiltreFit(image, niveau, coefficient, k.data(), 3, preservatif);
}

void FiltreDDPGaussienFit(THistoFit& image, int32_t niveau, bool preservatif, double sigma, double coefficient)
{
    TNoyau5x5 k;
    NoyauGaussien(k, sigma);
    DDPFiltreFit(image, niveau, coefficient, k.data(), 5, preservatif);
}

void FiltreMediane3x3Fit(THistoFit& image)
{
    if (!image.PixelsPresents())
        return;
    const int largeur = image.XMax + 1, hauteur = image.YMax + 1;
    if (largeur < 3 || hauteur < 3)
        return;
    // Three columns of sorted triplets, taken from each column before it is
    // overwritten: no copy of the image is needed.
    std::vector<double> triplets(static_cast<size_t>(9) * hauteur);
    auto tableau = [&](int colonne, int rang) {
        return triplets.data() + (static_cast<size_t>(colonne % 3) * 3 + rang) * hauteur;
    };
    auto trier = [&](int colonne) {
        TrierTriplets(image.Colonne(colonne), hauteur, tableau(colonne, 0), tableau(colonne, 1), tableau(colonne, 2));
    };
    trier(0);
    trier(1);
    double mini = Infini, maxi = -Infini;
    for (int x = 1; x < largeur - 1; ++x) {
        trier(x + 1);
        const double* bas[3] = {tableau(x - 1, 0), tableau(x, 0), tableau(x + 1, 0)};
        const double* milieu[3] = {tableau(x - 1, 1), tableau(x, 1), tableau(x + 1, 1)};
        const double* haut[3] = {tableau(x - 1, 2), tableau(x, 2), tableau(x + 1, 2)};
        MedianeColonne(bas, milieu, haut, hauteur, image.Colonne(x), mini, maxi);
    }
    ElargirMinMax(image, mini, maxi);
}

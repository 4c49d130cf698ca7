#include "UFiltresBmp.h"

#include "UArithmetique.h"
#include "UOutils.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// Bytes per pixel of the formats we process; 0 for the others.
int Canaux(const QImage& bitmap)
{
    switch (FormatPixelBitmap(bitmap)) {
    case pf8bit:
        return 1;
    case pf24bit:
        return 3;
    default:
        return 0;
    }
}

// Rounded (halves to even) and clamped byte; false for a NaN, whose byte
// the caller leaves as it was.
inline bool VersOctet(double v, uchar& octet)
{
    if (std::isnan(v))
        return false;
    const double r = std::nearbyint(v);
    octet = r <= 0 ? 0 : r >= 255 ? 255 : static_cast<uchar>(r);
    return true;
}

inline uchar Borner(int v) { return static_cast<uchar>(v < 0 ? 0 : v > 255 ? 255 : v); }

bool Compatibles(const QImage& a, const QImage& b)
{
    return Canaux(a) != 0 && FormatPixelBitmap(a) == FormatPixelBitmap(b) && a.size() == b.size();
}

void RecalculerMinMax(THistoBmp& image) { MinMaxBmp(image.BitmapSource, image.Min, image.Max); }

// In-place convolution: the rows still needed as neighbours are held in a
// ring of padded rows, loaded before their row is overwritten, so no copy of
// the picture is made. Each byte sums its taps in the kernel's order.
void ConvoluerOctets(QImage& bitmap, const double* noyau, int taille)
{
    const int nc = Canaux(bitmap);
    const int largeur = bitmap.width(), hauteur = bitmap.height();
    if (nc == 0 || largeur == 0 || hauteur == 0)
        return;
    bitmap.bits(); // detach now: the reads below must see this picture's own rows

    const TNoyauPrepare k = PreparerNoyau(noyau, taille);
    const int demi = k.Demi, cote = k.Cote;
    const size_t octetsLigne = static_cast<size_t>(largeur) * nc;
    const size_t longueur = static_cast<size_t>(largeur + 2 * demi) * nc;
    std::vector<double> anneau(longueur * cote);
    auto fente = [&](int ligne) { return anneau.data() + static_cast<size_t>(ligne % cote) * longueur; };
    int prochaine = 0;
    auto chargerJusqua = [&](int derniere) {
        for (; prochaine <= derniere; ++prochaine) {
            const uchar* src = bitmap.constScanLine(prochaine);
            double* f = fente(prochaine);
            for (int i = 0; i < largeur + 2 * demi; ++i) {
                const uchar* pixel = src + static_cast<size_t>(std::clamp(i - demi, 0, largeur - 1)) * nc;
                for (int c = 0; c < nc; ++c)
                    f[static_cast<size_t>(i) * nc + c] = pixel[c];
            }
        }
    };

    std::vector<double> somme(octetsLigne);
    for (int y = 0; y < hauteur; ++y) {
        chargerJusqua(std::min(hauteur - 1, y + demi));
        std::fill(somme.begin(), somme.end(), 0.0);
        for (int dy = -demi; dy <= demi; ++dy) {
            const double* ligne = fente(std::clamp(y + dy, 0, hauteur - 1));
            for (int dx = -demi; dx <= demi; ++dx) {
                const double w = k.Poids[static_cast<size_t>(dy + demi) * cote + (dx + demi)];
                const double* p = ligne + static_cast<size_t>(dx + demi) * nc;
                double* s = somme.data();
                for (size_t j = 0; j < octetsLigne; ++j)
                    s[j] += w * p[j];
            }
        }
        const double* origine = fente(y) + static_cast<size_t>(demi) * nc;
        uchar* sortie = bitmap.scanLine(y);
        for (size_t j = 0; j < octetsLigne; ++j)
            if (!VersOctet(somme[j] / k.Diviseur, sortie[j]))
                sortie[j] = static_cast<uchar>(origine[j]);
    }
}

void DDP(QImage& bitmap, int32_t niveau, double coefficient, const QImage* reference)
{
    const int nc = Canaux(bitmap);
    if (nc == 0)
        return;
    const size_t octets = static_cast<size_t>(bitmap.width()) * nc;
    const double lk = static_cast<double>(niveau) * coefficient;
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* ligne = bitmap.scanLine(y);
        const uchar* ref = reference ? reference->constScanLine(y) : ligne;
        for (size_t j = 0; j < octets; ++j) {
            const int v = ligne[j];
            if (v < niveau)
                continue;
            // 0/0 (level 0 on a black reference byte) keeps the byte.
            VersOctet(lk * (v / (static_cast<double>(ref[j]) + niveau)), ligne[j]);
        }
    }
}

// The reference of the filtered DDP variants: a blurred copy taken before any byte changes.
void DDPFiltre(QImage& bitmap, int32_t niveau, double coefficient, const double* noyau, int taille)
{
    if (Canaux(bitmap) == 0)
        return;
    QImage reference = bitmap.copy();
    ConvoluerOctets(reference, noyau, taille);
    DDP(bitmap, niveau, coefficient, &reference);
}

template <typename Operation>
void PourChaqueOctet(QImage& a, const QImage& b, Operation operation)
{
    const size_t octets = static_cast<size_t>(a.width()) * Canaux(a);
    for (int y = 0; y < a.height(); ++y) {
        uchar* ligne = a.scanLine(y);
        const uchar* autre = b.constScanLine(y);
        for (size_t j = 0; j < octets; ++j)
            operation(ligne[j], autre[j]);
    }
}

bool DiviserBitmap(QImage& a, const QImage& b, double k)
{
    if (!Compatibles(a, b))
        return false;
    PourChaqueOctet(a, b, [k](uchar& v, uchar o) { VersOctet(v / static_cast<double>(o == 0 ? 1 : o) * k, v); });
    return true;
}

} // namespace

// ---- Convolution and filters -----------------------------------------------

void ConvolutionBitmap(const double* noyau, int taille, QImage& bitmap) { ConvoluerOctets(bitmap, noyau, taille); }

void ConvolutionBmp(const double* noyau, int taille, THistoBmp& image)
{
    ConvoluerOctets(image.BitmapSource, noyau, taille);
    RecalculerMinMax(image);
}

void FiltrePasseBasBitmap(QImage& bitmap, int force)
{
    TNoyau3x3 k;
    NoyauPasseBas(force, k);
    ConvoluerOctets(bitmap, k.data(), 3);
}

void FiltrePasseHautBitmap(QImage& bitmap, int force)
{
    TNoyau3x3 k;
    NoyauPasseHaut(force, k);
    ConvoluerOctets(bitmap, k.data(), 3);
}

void FiltreGaussienBitmap(QImage& bitmap, double sigma)
{
    TNoyau5x5 k;
    NoyauGaussien(k, sigma);
    ConvoluerOctets(bitmap, k.data(), 5);
}

void FiltrePasseBasBmp(THistoBmp& image, int force)
{
    FiltrePasseBasBitmap(image.BitmapSource, force);
    RecalculerMinMax(image);
}

void FiltrePasseHautBmp(THistoBmp& image, int force)
{
    FiltrePasseHautBitmap(image.BitmapSource, force);
    RecalculerMinMax(image);
}

void FiltreGaussienBmp(THistoBmp& image, double sigma)
{
    FiltreGaussienBitmap(image.BitmapSource, sigma);
    RecalculerMinMax(image);
}

void FiltreConvolutionBmp(THistoBmp& image, TNoyau5x5 noyau) { ConvolutionBmp(noyau.data(), 5, image); }

// ---- Unsharp mask ------------------------------------------------------------

void FiltreMasqueFlouBitmap(QImage& bitmap, double sigma, double coefficient)
{
    if (Canaux(bitmap) == 0)
        return;
    QImage flou = bitmap.copy();
    FiltreGaussienBitmap(flou, sigma);
    PourChaqueOctet(bitmap, flou, [coefficient](uchar& v, uchar a) {
        uchar detail = Borner(v - a);
        VersOctet(detail * coefficient, detail);
        v = Borner(v + detail);
    });
}

void FiltreMasqueFlouBmp(THistoBmp& image, double sigma, double coefficient)
{
    FiltreMasqueFlouBitmap(image.BitmapSource, sigma, coefficient);
    RecalculerMinMax(image);
}

// ---- DDP ---------------------------------------------------------------------

void DDPBitmap(QImage& bitmap, int32_t niveau, double coefficient) { DDP(bitmap, niveau, coefficient, nullptr); }

void DDPPasseBasBitmap(QImage& bitmap, int32_t niveau, int force, double coefficient)
{
    TNoyau3x3 k;
    NoyauPasseBas(force, k);
    DDPFiltre(bitmap, niveau, coefficient, k.data(), 3);
}

void DDPGaussienBitmap(QImage& bitmap, int32_t niveau, double sigma, double coefficient)
{
    TNoyau5x5 k;
    NoyauGaussien(k, sigma);
    DDPFiltre(bitmap, niveau, coefficient, k.data(), 5);
}

void FiltreDDPNeutreBmp(THistoBmp& image, int32_t niveau, double coefficient)
{
    DDPBitmap(image.BitmapSource, niveau, coefficient);
    RecalculerMinMax(image);
}

void FiltreDDPPasseBasBmp(THistoBmp& image, int32_t niveau, int force, double coefficient)
{
    DDPPasseBasBitmap(image.BitmapSource, niveau, force, coefficient);
    RecalculerMinMax(image);
}

void FiltreDDPGaussienBmp(THistoBmp& image, int32_t niveau, double sigma, double coefficient)
{
    DDPGaussienBitmap(image.BitmapSource, niveau, sigma, coefficient);
    RecalculerMinMax(image);
}

// ---- Arithmetic ----------------------------------------------------------------

bool SoustraireBitmap(QImage& a, const QImage& b)
{
    if (!Compatibles(a, b))
        return false;
    PourChaqueOctet(a, b, [](uchar& v, uchar o) { v = Borner(v - o); });
    return true;
}

bool AjouterBitmap(QImage& a, const QImage& b)
{
    if (!Compatibles(a, b))
        return false;
    PourChaqueOctet(a, b, [](uchar& v, uchar o) { v = Borner(v + o); });
    return true;
}

void MultiplierBitmap(QImage& bitmap, double k)
{
    if (Canaux(bitmap) == 0)
        return;
    const size_t octets = static_cast<size_t>(bitmap.width()) * Canaux(bitmap);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* ligne = bitmap.scanLine(y);
        for (size_t j = 0; j < octets; ++j)
            VersOctet(ligne[j] * k, ligne[j]);
    }
}

bool SoustraireImageBmp(THistoBmp& image, const THistoBmp& autre)
{
    if (!SoustraireBitmap(image.BitmapSource, autre.BitmapSource))
        return false;
    RecalculerMinMax(image);
    return true;
}

bool AjouterImageBmp(THistoBmp& image, const THistoBmp& autre)
{
    if (!AjouterBitmap(image.BitmapSource, autre.BitmapSource))
        return false;
    RecalculerMinMax(image);
    return true;
}

bool DiviserImageBmp(THistoBmp& image, const THistoBmp& autre, double k)
{
    if (!DiviserBitmap(image.BitmapSource, autre.BitmapSource, k))
        return false;
    RecalculerMinMax(image);
    return true;
}

void MultiplierBmp(THistoBmp& image, double k)
{
    MultiplierBitmap(image.BitmapSource, k);
    RecalculerMinMax(image);
}

// ---- Colour planes -------------------------------------------------------------

bool ExtraireCanalBitmap(QImage& bitmap, int32_t plan)
{
    const int octet = OctetPlan(plan);
    if (FormatPixelBitmap(bitmap) != pf24bit || octet < 0)
        return false;
    const int largeur = bitmap.width(), hauteur = bitmap.height();
    QImage canal(largeur, hauteur, QImage::Format_Indexed8);
    PaletteGris(canal);
    for (int y = 0; y < hauteur; ++y) {
        const uchar* src = bitmap.constScanLine(y);
        uchar* dst = canal.scanLine(y);
        for (int x = 0; x < largeur; ++x)
            dst[x] = src[3 * x + octet];
    }
    bitmap = canal;
    return true;
}

bool CopierCanalBmp(const THistoBmp& source, THistoBmp& destination, int32_t plan)
{
    if (FormatPixelBitmap(source.BitmapSource) != pf24bit || OctetPlan(plan) < 0)
        return false;
    if (&source != &destination)
        CopierHistoBmp(source, destination);
    ExtraireCanalBitmap(destination.BitmapSource, plan);
    RecalculerMinMax(destination);
    return true;
}

bool CompositionRVB(const QImage& rouge, const QImage& vert, const QImage& bleu, THistoBmp& destination)
{
    if (FormatPixelBitmap(rouge) != pf8bit || FormatPixelBitmap(vert) != pf8bit ||
        FormatPixelBitmap(bleu) != pf8bit || vert.size() != rouge.size() || bleu.size() != rouge.size())
        return false;
    // Shared copies: one of the planes may be the destination's own picture.
    const QImage r = rouge, v = vert, b = bleu;
    const int largeur = r.width(), hauteur = r.height();
    FixerTailleBmp24(destination, largeur, hauteur);
    QImage& dst = destination.BitmapSource;
    for (int y = 0; y < hauteur; ++y) {
        const uchar* lr = r.constScanLine(y);
        const uchar* lv = v.constScanLine(y);
        const uchar* lb = b.constScanLine(y);
        uchar* d = dst.scanLine(y);
        for (int x = 0; x < largeur; ++x) {
            d[3 * x] = lb[x];
            d[3 * x + 1] = lv[x];
            d[3 * x + 2] = lr[x];
        }
    }
    RecalculerMinMax(destination);
    return true;
}

// ---- Star mark -------------------------------------------------------------------

void MarquerEtoileBmp(const THistoBmp& image, QImage& bitmap, int32_t n, int32_t plan)
{
    double x = 0, y = 0;
    if (!PositionEtoileBmp(image, x, y, plan) || !std::isfinite(x) || !std::isfinite(y))
        return;
    // The fraction is spread over n + 1 pixels, as the registration zoom has always drawn it.
    auto agrandir = [n](double v) {
        const double entier = std::trunc(v);
        const double p = entier * n + std::trunc((v - entier) * (static_cast<double>(n) + 1));
        return static_cast<int>(std::clamp(p, static_cast<double>(INT_MIN / 2), static_cast<double>(INT_MAX / 2)));
    };
    DessinerCroix(bitmap, agrandir(x), agrandir(y), clRouge);
}

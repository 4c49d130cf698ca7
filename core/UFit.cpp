#include "UFit.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UBmp.h"
#include "UOutils.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QIODevice>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <optional>
#include <sys/mman.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// ===========================================================================
// Transfer curves
// ===========================================================================

namespace {

// Rounded pixel value for the fast paths: true with i = round(v) (halves to
// even) when that is 0..65535. 1.5 x 2^52 puts the integer part in the low
// mantissa bits under the default rounding mode.
inline bool IndexRapide(double v, uint32_t& i)
{
    if (!(v > -0.5 && v < 65535.5))
        return false;
    const double d = v + 6755399441055744.0;
    i = static_cast<uint32_t>(std::bit_cast<uint64_t>(d)) & 0xFFFFu;
    return true;
}

inline int BornerSortie(long double r, int sortie)
{
    if (!(r > 0))
        return 0; // also NaN
    if (r >= sortie)
        return sortie;
    return static_cast<int>(std::nearbyint(r));
}

// Gain factor R of the logarithmic or exponential curve at t.
long double FacteurCourbe(const TCourbeAffichage& c, long double t)
{
    if (c.Genre > 0) {
        const long double e = c.InvA;
        const long double u = (1.0L - e) * t + e;
        const long double w = (1.0L - u) / (e - 1.0L);
        if (w == 0 || c.LnA == 0)
            return 1.0L;
        const long double l = std::log(u) / c.LnA;
        if (l == 0)
            return 1.0L;
        return std::fabs(w) / std::fabs(l);
    }
    if (c.Genre < 0) {
        const long double s = t - 1.0L;
        return std::pow(c.P, s) / (1.0L + (1.0L - c.InvP) * s);
    }
    return 1.0L;
}

TCourbeAffichage gCourbeLog;  // PreparerCourbeLog
TCourbeAffichage gCourbeExp;  // PreparerCourbeExp

} // namespace

TCourbeAffichage PreparerCourbe(int32_t sMin, int32_t sMax, double trft)
{
    TCourbeAffichage c;
    c.SMin = sMin;
    c.SMax = sMax;
    c.Ecart = static_cast<long double>(sMax) - static_cast<long double>(sMin);
    if (trft < 0) {
        c.Genre = -1;
        c.P = -static_cast<long double>(trft);
        c.InvP = 1.0L / c.P;
    } else if (trft > 0) {
        c.Genre = 1;
        c.LnA = std::log(static_cast<long double>(trft));
        c.InvA = std::exp(-c.LnA);
    }
    return c;
}

int NiveauCourbe(const TCourbeAffichage& c, int64_t v, int sortie)
{
    if (v < c.SMin)
        return 0;
    if (v > c.SMax)
        return sortie;
    if (c.SMax == c.SMin)
        return 0;
    // Here SMin <= v <= SMax: v - SMin and SMax - SMin fit in 33 bits.
    const int64_t d = v - c.SMin;
    const int64_t ecart = static_cast<int64_t>(c.SMax) - c.SMin;
    if (c.Genre == 0)
        return static_cast<int>(d * sortie / ecart);
    const long double t255 = static_cast<long double>(d * sortie) / c.Ecart;
    const long double t = static_cast<long double>(d) / c.Ecart;
    return BornerSortie(FacteurCourbe(c, t) * t255, sortie);
}

void ConstruireTableCourbe(const TCourbeAffichage& c, TTableCourbe& table)
{
    // Below SMin 0, above SMax 255: only the levels between need the curve.
    const int64_t debut = std::clamp<int64_t>(c.SMin, 0, 65536);
    const int64_t fin = std::clamp<int64_t>(static_cast<int64_t>(c.SMax) + 1, debut, 65536);
    std::fill(table.begin(), table.begin() + debut, uint8_t(0));
    for (int64_t v = debut; v < fin; ++v)
        table[v] = static_cast<uint8_t>(NiveauCourbe(c, v));
    std::fill(table.begin() + fin, table.end(), uint8_t(255));
}

void ConstruireTableCourbe(int32_t sMin, int32_t sMax, double trft, TTableCourbe& table)
{
    ConstruireTableCourbe(PreparerCourbe(sMin, sMax, trft), table);
}

int64_t ArrondiPixel(double valeur)
{
    if (std::isnan(valeur))
        return 0;
    return static_cast<int64_t>(std::nearbyint(std::clamp(valeur, -1e15, 1e15)));
}

int NiveauLineaire(int32_t sMin, int32_t sMax, int64_t v, int sortie)
{
    TCourbeAffichage c;
    c.SMin = sMin;
    c.SMax = sMax;
    c.Ecart = static_cast<long double>(sMax) - sMin;
    return NiveauCourbe(c, v, sortie);
}

void PreparerCourbeLog(int32_t sMin, int32_t sMax, double trft)
{
    gCourbeLog = PreparerCourbe(sMin, sMax, trft > 0 ? trft : 1.0);
}

void PreparerCourbeExp(int32_t sMin, int32_t sMax, double p)
{
    gCourbeExp = PreparerCourbe(sMin, sMax, p > 0 ? -p : -1.0);
}

int NiveauLog(int32_t sMin, int32_t sMax, int64_t v, int sortie)
{
    TCourbeAffichage c = gCourbeLog;
    c.SMin = sMin;
    c.SMax = sMax;
    c.Genre = 1;
    return NiveauCourbe(c, v, sortie);
}

int NiveauExp(int32_t sMin, int32_t sMax, int64_t v, double trft, int sortie)
{
    TCourbeAffichage c = gCourbeExp;
    c.SMin = sMin;
    c.SMax = sMax;
    c.Genre = -1;
    if (trft < 0)
        c.P = -static_cast<long double>(trft);
    return NiveauCourbe(c, v, sortie);
}

long double FacteurLog(int32_t sMin, int64_t v)
{
    TCourbeAffichage c = gCourbeLog;
    c.Genre = 1;
    return FacteurCourbe(c, static_cast<long double>(v - sMin) / c.Ecart);
}

long double FacteurExp(int32_t sMin, double p, int64_t v)
{
    TCourbeAffichage c = gCourbeExp;
    c.Genre = -1;
    c.P = p;
    return FacteurCourbe(c, static_cast<long double>(v - sMin) / c.Ecart);
}

// The ladder in thousandths, increasing.
namespace {
constexpr int kEchelons = 41;
constexpr std::array<int, kEchelons> EchelleMilliemes()
{
    std::array<int, kEchelons> e{};
    int i = 0;
    for (int k = 21; k >= 2; --k)
        e[i++] = -(k * 1000 + 1);
    e[i++] = 0;
    for (int m = 1250; m <= 6000; m += 250)
        e[i++] = m;
    return e;
}
constexpr std::array<int, kEchelons> kEchelle = EchelleMilliemes();

int IndexEchelon(double valeur)
{
    if (!std::isfinite(valeur) || std::fabs(valeur) > 1e6)
        return -1;
    const long long k = std::llrint(valeur * 1000.0);
    for (int i = 0; i < kEchelons; ++i)
        if (kEchelle[i] == k)
            return i;
    return -1;
}
} // namespace

bool EstTransfertValide(double valeur)
{
    for (int m : kEchelle)
        if (valeur == m / 1000.0)
            return true;
    return false;
}

double TransfertSuivant(double valeur)
{
    const int i = IndexEchelon(valeur);
    if (i < 0)
        return valeur;
    return kEchelle[std::min(i + 1, kEchelons - 1)] / 1000.0;
}

double TransfertPrecedent(double valeur)
{
    const int i = IndexEchelon(valeur);
    if (i < 0)
        return valeur;
    return kEchelle[std::max(i - 1, 0)] / 1000.0;
}

QString NomCourbe(double valeur)
{
    if (valeur < 0)
        return QStringLiteral("Exp");
    if (valeur > 0)
        return QStringLiteral("Log");
    return QStringLiteral("Lin");
}

double TransfertParDefaut() { return 0; }

// ===========================================================================
// The image object
// ===========================================================================

void CreerHistoFit(THistoFit& image, TProprietaire proprietaire)
{
    image.SMin = 0;
    image.SMax = 0;
    image.TRFT = TransfertParDefaut();
    image.Proprietaire = std::move(proprietaire);
    image.BitmapAffichage = CreerBitmap();
    image.Zoom = 100;
    image.Palette.clear();
}

void DetruireHistoFit(THistoFit& image)
{
    std::vector<double>().swap(image.Pixels);
    LibererBitmap(image.BitmapAffichage);
    image.Entete.clear();
    image.Proprietaire = nullptr;
}

int32_t LargeurFit(const THistoFit& image) { return image.XMax + 1; }
int32_t HauteurFit(const THistoFit& image) { return image.YMax + 1; }
int32_t ZoomFit(const THistoFit& image) { return image.Zoom; }
double ValeurPixelFit(const THistoFit& image, int x, int y) { return image.Pixel(x, y); }

void FixerPixelFit(THistoFit& image, int x, int y, double valeur)
{
    image.Pixel(x, y) = valeur;
    if (image.Min > valeur)
        image.Min = valeur;
    if (image.Max < valeur)
        image.Max = valeur;
}

int64_t MiniArrondiFit(const THistoFit& image) { return ArrondiPixel(image.Min); }
int64_t MaxiArrondiFit(const THistoFit& image) { return ArrondiPixel(image.Max); }

namespace {
// Number of pixels the image's size calls for; 0 when the pixel block does
// not match it (a fresh object has no pixels).
size_t NombrePixels(const THistoFit& image)
{
    return image.PixelsPresents() ? image.Pixels.size() : 0;
}
} // namespace

void PositionMaxiFit(const THistoFit& image, int32_t& x, int32_t& y)
{
    x = 0;
    y = 0;
    if (NombrePixels(image) == 0)
        return;
    double meilleur = 0;
    for (int32_t i = 0; i <= image.XMax; ++i) {
        const double* col = image.Colonne(i);
        for (int32_t j = 0; j <= image.YMax; ++j)
            if (col[j] > meilleur) {
                meilleur = col[j];
                x = i;
                y = j;
            }
    }
}

void CopierPixelsFit(const THistoFit& source, THistoFit& cible)
{
    if (&source == &cible)
        return;
    cible.Entete = source.Entete;
    cible.XMax = source.XMax;
    cible.YMax = source.YMax;
    cible.Max = source.Max;
    cible.Min = source.Min;
    cible.Pixels = source.Pixels;
    cible.Zoom = source.Zoom;
    cible.Palette = source.Palette;
}

void CopierHistoFit(const THistoFit& source, THistoFit& cible)
{
    CopierPixelsFit(source, cible);
    cible.SMin = source.SMin;
    cible.SMax = source.SMax;
    cible.TRFT = source.TRFT;
}

void EchangerHistoFit(THistoFit& a, THistoFit& b)
{
    // The same as three CopierPixelsFit through a temporary, without copying.
    if (&a == &b)
        return;
    a.Entete.swap(b.Entete);
    std::swap(a.XMax, b.XMax);
    std::swap(a.YMax, b.YMax);
    std::swap(a.Max, b.Max);
    std::swap(a.Min, b.Min);
    a.Pixels.swap(b.Pixels);
    std::swap(a.Zoom, b.Zoom);
    a.Palette.swap(b.Palette);
}

void InitialiserImageFit(THistoFit& image, int32_t largeur, int32_t hauteur, double valeur)
{
    CreerEnteteFit(largeur, hauteur, 16, 0, 65535, 0, image.Entete);
    const size_t n = static_cast<size_t>(std::max(largeur, 0)) * static_cast<size_t>(std::max(hauteur, 0));
    image.Pixels.assign(n, valeur);
    image.XMax = largeur - 1;
    image.YMax = hauteur - 1;
}

void CreerImageFitRemplie(THistoFit& image, int32_t largeur, int32_t hauteur, double valeur)
{
    InitialiserImageFit(image, largeur, hauteur, valeur);
    image.Min = 65535;
    image.Max = 0;
    if (!image.Pixels.empty()) {
        image.Min = std::min(image.Min, valeur);
        image.Max = std::max(image.Max, valeur);
    }
    const int32_t mode = ModeHistogrammeFit(image); // SeuilMiniAutoFit, SeuilMaxiAutoFit
    image.SMin = BornerEntier(mode / 2, 0, 65535);
    image.SMax = BornerEntier(2 * mode, 0, 65535);
    image.TRFT = 0;
}

void ImporterBitmapFit(THistoFit& image, const QImage& source)
{
    // One byte per pixel is read: a bitmap of fewer bits per pixel is made grey
    // first rather than read beyond its lines.
    const QImage bitmap = source.depth() < 8 ? source.convertToFormat(QImage::Format_Grayscale8) : source;
    const int l = bitmap.width(), h = bitmap.height();
    CreerEnteteFit(l, h, 16, 0, 255, 0, image.Entete);
    image.Pixels.assign(static_cast<size_t>(l) * h, 0.0);
    image.XMax = l - 1;
    image.YMax = h - 1;
    double mx = 0, mn = 255;
    const int pas = bitmap.depth() / 8 > 0 ? bitmap.depth() / 8 : 1; // one byte per pixel expected
    for (int y = 0; y < h; ++y) {
        const uchar* ligne = bitmap.constScanLine(y);
        for (int x = 0; x < l; ++x) {
            const double v = ligne[static_cast<size_t>(x) * pas];
            image.Pixel(x, y) = v;
            mx = std::max(mx, v);
            mn = std::min(mn, v);
        }
    }
    image.Max = mx;
    image.Min = mn;
    image.SMin = 0;
    image.SMax = 255;
    image.TRFT = 0;
}

namespace {
template <class F>
void Combiner(THistoFit& image, const THistoFit* autre, F f)
{
    const size_t n = NombrePixels(image);
    // The other image is read at every (x, y) of this one.
    if (autre && n && (autre->XMax < image.XMax || autre->YMax < image.YMax || !NombrePixels(*autre)))
        LeverErreur(QStringLiteral("Les deux images n'ont pas la même taille."));
    for (int32_t x = 0; n && x <= image.XMax; ++x)
        for (int32_t y = 0; y <= image.YMax; ++y)
            FixerPixelFit(image, x, y, BornerReel(f(image.Pixel(x, y), x, y), 0, 65535));
}
} // namespace

void AdditionnerImageFit(THistoFit& image, const THistoFit& autre)
{
    Combiner(image, &autre, [&](double p, int x, int y) { return p + autre.Pixel(x, y); });
}

void SoustraireImageFit(THistoFit& image, const THistoFit& autre)
{
    Combiner(image, &autre, [&](double p, int x, int y) { return p - autre.Pixel(x, y); });
}

void MultiplierImageFit(THistoFit& image, const THistoFit& autre, double k)
{
    const double d = ValeurNonNulle(k, 1);
    Combiner(image, &autre, [&](double p, int x, int y) { return p * autre.Pixel(x, y) / d; });
}

void DiviserImageFit(THistoFit& image, const THistoFit& autre, double k)
{
    Combiner(image, &autre, [&](double p, int x, int y) { return p / ValeurNonNulle(autre.Pixel(x, y), 1) * k; });
}

void MultiplierConstanteFit(THistoFit& image, double c)
{
    Combiner(image, nullptr, [&](double p, int, int) { return p * c; });
}

// ===========================================================================
// Header cards
// ===========================================================================

namespace {

const QString kCarteRelease = QStringLiteral("RELEASE ='Stelor 2.0 Avril 2008'");

QString Rembourrer(const QString& carte) { return carte.leftJustified(80, QLatin1Char(' '), true); }

// Keyword padded to 8, "=", value right-aligned to column 30.
QString CarteValeur(const QString& motCle, const QString& valeur)
{
    return motCle.leftJustified(8, QLatin1Char(' ')) + QLatin1Char('=') + valeur.rightJustified(21, QLatin1Char(' '));
}

QString CarteEntiere(const QString& motCle, int64_t valeur) { return CarteValeur(motCle, EntierEnTexte(valeur)); }

bool EstCarteFin(const QString& carte) { return carte.trimmed() == QLatin1String("END"); }

// Index of the last card whose keyword is motCle, -1 when none.
int DerniereCarte(const QStringList& entete, QLatin1String motCle)
{
    for (int i = entete.size() - 1; i >= 0; --i)
        if (MotCleCarte(entete[i]) == motCle)
            return i;
    return -1;
}

} // namespace

QString MotCleCarte(const QString& carte)
{
    const int p = carte.indexOf(QLatin1Char('='));
    return (p < 0 ? carte : carte.left(p)).trimmed();
}

QString ValeurCarte(const QString& carte)
{
    const int p = carte.indexOf(QLatin1Char('='));
    return p < 0 ? QString() : carte.mid(p + 1).trimmed();
}

QString ValeurCarteSansCommentaire(const QString& carte)
{
    QString v = ValeurCarte(carte);
    const int p = v.indexOf(QLatin1Char('/'));
    if (p >= 0)
        v = v.left(p).trimmed();
    return v;
}

QString NormaliserCarte(const QString& ligne)
{
    const QString l = ligne.leftJustified(80, QLatin1Char(' '));
    const int p = l.indexOf(QLatin1Char('='));
    if (p < 1)
        return l;
    return l.left(p).leftJustified(8, QLatin1Char(' ')) + QLatin1Char('=') + l.mid(p + 1, l.size() - 9);
}

QString TexteReelCourt(double valeur)
{
    QString t = ReelEnTexteGeneral(valeur);
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    return t;
}

namespace {
bool EntierSiTexte(bool passe, const QString& texte, int32_t& valeur)
{
    const std::optional<int32_t> v = passe ? TexteEnEntier(texte) : std::nullopt;
    if (v)
        valeur = *v;
    return v.has_value();
}
} // namespace

bool TexteCarteEnEntier(const QString& texte, int32_t& valeur)
{
    return EntierSiTexte(EstTexteEntier(texte), texte, valeur);
}

bool TexteCarteEnEntierSigne(const QString& texte, int32_t& valeur)
{
    return EntierSiTexte(EstTexteEntierSigne(texte), texte, valeur);
}

bool TexteCarteEnReel(const QString& texte, double& valeur)
{
    // '.' is the decimal comma of a card; FITS also writes an exponent with
    // E or D: the mantissa and the exponent pass the text tests on their own.
    static const QRegularExpression exposant(QStringLiteral("[EeDd]"));
    QString t = PointEnVirgule(texte);
    const int e = t.indexOf(exposant);
    if (e >= 0) {
        if (!EstTexteReel(t.left(e)) || !EstTexteEntierSigne(t.mid(e + 1)))
            return false;
        t[e] = QLatin1Char('E');
    } else if (!EstTexteReel(t)) {
        return false;
    }
    const std::optional<double> v = TexteEnReel(t);
    if (!v || !std::isfinite(*v))
        return false;
    valeur = *v;
    return true;
}

namespace {
// The value of the last card named motCle when it converts, defaut otherwise.
template <class T>
T ValeurEntete(const QStringList& entete, const char* motCle, T defaut, QString (*texte)(const QString&),
               bool (*convertir)(const QString&, T&))
{
    const int i = DerniereCarte(entete, QLatin1String(motCle));
    if (i >= 0)
        convertir(texte(entete[i]), defaut);
    return defaut;
}
} // namespace

int32_t LireNaxis1Fit(const QStringList& e)
{
    return ValeurEntete<int32_t>(e, "NAXIS1", 0, ValeurCarteSansCommentaire, TexteCarteEnEntier);
}
int32_t LireNaxis2Fit(const QStringList& e)
{
    return ValeurEntete<int32_t>(e, "NAXIS2", 0, ValeurCarteSansCommentaire, TexteCarteEnEntier);
}
double LireBZeroFit(const QStringList& e)
{
    return ValeurEntete<double>(e, "BZERO", 0, ValeurCarteSansCommentaire, TexteCarteEnReel);
}
double LireBScaleFit(const QStringList& e)
{
    return ValeurEntete<double>(e, "BSCALE", 1, ValeurCarteSansCommentaire, TexteCarteEnReel);
}
int32_t LireSMinEnteteFit(const QStringList& e)
{
    return ValeurEntete<int32_t>(e, "STL_SMIN", 0, ValeurCarte, TexteCarteEnEntierSigne);
}
int32_t LireSMaxEnteteFit(const QStringList& e)
{
    return ValeurEntete<int32_t>(e, "STL_SMAX", 0, ValeurCarte, TexteCarteEnEntierSigne);
}
double LireTransfertEnteteFit(const QStringList& e)
{
    const double v = ValeurEntete<double>(e, "STL_TRFT", 0, ValeurCarte, TexteCarteEnReel);
    return EstTransfertValide(v) ? v : 0;
}

int32_t LireNaxis1Fit(const THistoFit& image) { return LireNaxis1Fit(image.Entete); }
int32_t LireNaxis2Fit(const THistoFit& image) { return LireNaxis2Fit(image.Entete); }
double LireBZeroFit(const THistoFit& image) { return LireBZeroFit(image.Entete); }
double LireBScaleFit(const THistoFit& image) { return LireBScaleFit(image.Entete); }
int32_t LireSMinEnteteFit(const THistoFit& image) { return LireSMinEnteteFit(image.Entete); }
int32_t LireSMaxEnteteFit(const THistoFit& image) { return LireSMaxEnteteFit(image.Entete); }
double LireTransfertEnteteFit(const THistoFit& image) { return LireTransfertEnteteFit(image.Entete); }

void CreerEnteteFit(int32_t largeur, int32_t hauteur, int32_t bitpix, int32_t seuilBas, int32_t seuilHaut,
                    double transfert, QStringList& entete)
{
    entete = {
        Rembourrer(CarteValeur(QStringLiteral("SIMPLE"), QStringLiteral("T"))),
        Rembourrer(CarteEntiere(QStringLiteral("BITPIX"), bitpix)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS"), 2)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS1"), largeur)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS2"), hauteur)),
        Rembourrer(CarteEntiere(QStringLiteral("STL_SMIN"), seuilBas)),
        Rembourrer(CarteEntiere(QStringLiteral("STL_SMAX"), seuilHaut)),
        Rembourrer(CarteValeur(QStringLiteral("STL_TRFT"), TexteReelCourt(transfert))),
        Rembourrer(QStringLiteral("END")),
    };
}

namespace {
void InsererBZero(QStringList& entete, double valeur)
{
    const QString carte = Rembourrer(CarteValeur(QStringLiteral("BZERO"), ReelEnTexte(valeur, 0)));
    const int i = DerniereCarte(entete, QLatin1String("NAXIS2"));
    if (i >= 0)
        entete.insert(i + 1, carte);
    else
        entete.insert(std::max<qsizetype>(entete.size() - 1, 0), carte);
}
} // namespace

void AjouterBZeroFit(THistoFit& image, double valeur) { InsererBZero(image.Entete, valeur); }

void SupprimerBZeroFit(THistoFit& image)
{
    const int i = DerniereCarte(image.Entete, QLatin1String("BZERO"));
    if (i >= 0)
        image.Entete.removeAt(i);
}

void FixerDimensionsEnteteFit(THistoFit& image, int32_t largeur, int32_t hauteur)
{
    for (QString& carte : image.Entete) {
        const QString k = MotCleCarte(carte);
        if (k == QLatin1String("NAXIS1"))
            carte = NormaliserCarte(QStringLiteral("NAXIS1=") + EntierEnTexte(largeur).rightJustified(21));
        else if (k == QLatin1String("NAXIS2"))
            carte = NormaliserCarte(QStringLiteral("NAXIS2=") + EntierEnTexte(hauteur).rightJustified(21));
    }
}

void CompleterEnteteFit(THistoFit& image)
{
    bool smin = false, smax = false, trft = false, release = false;
    for (const QString& carte : image.Entete) {
        const QString k = MotCleCarte(carte);
        smin |= k == QLatin1String("STL_SMIN");
        smax |= k == QLatin1String("STL_SMAX");
        trft |= k == QLatin1String("STL_TRFT");
        release |= k == QLatin1String("RELEASE");
    }
    if (smin && smax && trft && release)
        return;
    // SeuilMiniAutoFit and SeuilMaxiAutoFit from one histogram.
    const int32_t mode = smin && smax ? 0 : ModeHistogrammeFit(image);
    QStringList ajout;
    if (!smin)
        ajout << CarteEntiere(QStringLiteral("STL_SMIN"), BornerEntier(mode / 2, 0, 65535));
    if (!smax)
        ajout << CarteEntiere(QStringLiteral("STL_SMAX"), BornerEntier(2 * mode, 0, 65535));
    if (!trft)
        ajout << CarteValeur(QStringLiteral("STL_TRFT"), QStringLiteral("0"));
    if (!release)
        ajout << kCarteRelease;
    if (!image.Entete.isEmpty() && EstCarteFin(image.Entete.last()))
        image.Entete.removeLast();
    image.Entete << ajout << Rembourrer(QStringLiteral("END"));
}

// ===========================================================================
// Reading
// ===========================================================================

namespace {

// The header of a file in memory: its cards up to and including "END" and
// the checked size of its data.
struct TEnteteFichier {
    QStringList Cartes;
    qint64 Decalage = 0;
    int32_t Largeur = 0;
    int32_t Hauteur = 0;
};

[[noreturn]] void FichierInvalide(const QString& nom, const QString& raison)
{
    throw EErreurFichier(ES_LectureApresFin,
                         QStringLiteral("Lecture au-delà de la fin de fichier : %1 (%2)").arg(raison, nom));
}

// True for the 80 bytes of a card whose trimmed text is "END".
bool EstOctetsFin(const char* c)
{
    const auto blanc = [](char o) { return o == ' ' || (o >= '\t' && o <= '\r'); };
    int d = 0, f = 80;
    while (d < f && blanc(c[d]))
        ++d;
    while (f > d && blanc(c[f - 1]))
        --f;
    return f - d == 3 && c[d] == 'E' && c[d + 1] == 'N' && c[d + 2] == 'D';
}

// The cards up to and including "END"; a file without one is refused before
// any card is kept.
QStringList CartesFichier(const QByteArray& donnees, const QString& nom)
{
    const qint64 n = donnees.size() / 80;
    qint64 fin = 0;
    while (fin < n && !EstOctetsFin(donnees.constData() + 80 * fin))
        ++fin;
    if (fin == n)
        FichierInvalide(nom, QStringLiteral("l'en-tête FITS n'a pas de carte END"));
    QStringList cartes;
    cartes.reserve(fin + 1);
    for (qint64 k = 0; k <= fin; ++k)
        cartes << QString::fromLatin1(donnees.constData() + 80 * k, 80);
    return cartes;
}

// The header bytes (up to the block holding "END") and the file's size.
TEnteteFichier AnalyserEntete(const QByteArray& donnees, qint64 taille, const QString& nom)
{
    TEnteteFichier e;
    e.Cartes = CartesFichier(donnees, nom);
    e.Decalage = 2880 * ((static_cast<qint64>(e.Cartes.size()) + 35) / 36);
    e.Largeur = LireNaxis1Fit(e.Cartes);
    e.Hauteur = LireNaxis2Fit(e.Cartes);
    if (e.Largeur <= 0)
        FichierInvalide(nom, QStringLiteral("NAXIS1 absent, nul ou illisible"));
    if (e.Hauteur <= 0)
        FichierInvalide(nom, QStringLiteral("NAXIS2 absent, nul ou illisible"));
    // Samples scaled beyond the range of doubles would give infinite pixels,
    // and NaN ones once shifted to a minimum of 0.
    const double bzero = LireBZeroFit(e.Cartes), bscale = LireBScaleFit(e.Cartes);
    const double bas = bzero == 0 ? 0 : -32768 * bscale + bzero;
    const double haut = bzero == 0 ? 65535 * bscale : 32767 * bscale + bzero;
    if (!std::isfinite(haut - bas))
        FichierInvalide(nom, QStringLiteral("BSCALE ou BZERO hors des limites des réels"));
    const qint64 dispo = taille - e.Decalage;
    const uint64_t octets = 2 * static_cast<uint64_t>(e.Largeur) * static_cast<uint64_t>(e.Hauteur);
    if (dispo < 0 || octets > static_cast<uint64_t>(dispo))
        FichierInvalide(nom, QStringLiteral("les données de %1 x %2 pixels dépassent la fin du fichier")
                                 .arg(e.Largeur)
                                 .arg(e.Hauteur));
    return e;
}

// File rows (bottom row first, x inner) to columns (top row first). Each
// sample becomes a key k = raw ^ inversion (0x8000 for signed samples, so that
// keys sort as the samples do) and the pixel (k - decalage) x bscale + bzero:
// for signed samples that is sample x BSCALE + BZERO, for samples read as
// 0..65535 (decalage 0) raw x BSCALE + BZERO.
struct TDecodage {
    uint16_t Inversion = 0;
    double Decalage = 0;
    double BScale = 1;
    double BZero = 0;
    uint16_t CleMin = 0xFFFF;
    uint16_t CleMax = 0;
    double Valeur(uint16_t k) const { return (k - Decalage) * BScale + BZero; }
};

// One sample at (x, file row r0 + r): the scalar path, for the columns and
// rows the vector path leaves.
template <bool Identite>
inline void DecoderUn(const uchar* src, double* dst, int64_t l, int64_t h, int64_t x, int64_t r, int64_t r0,
                      TDecodage& d)
{
    const uchar* p = src + 2 * (r * l + x);
    const uint16_t c = static_cast<uint16_t>(((p[0] << 8) | p[1]) ^ d.Inversion);
    d.CleMin = std::min(d.CleMin, c);
    d.CleMax = std::max(d.CleMax, c);
    dst[x * h + (h - 1 - r0 - r)] = Identite ? double(c) : d.Valeur(c);
}

// The n file rows from r0 on, whose bytes src holds.
template <bool Identite>
void DecoderBande(const uchar* src, double* dst, int64_t l, int64_t h, int64_t r0, int64_t n, TDecodage& d)
{
    const int64_t lVect = l - l % 8, nVect = n - n % 8;
#if defined(__SSE2__)
    // Blocks of 8 columns x 8 file rows: one 16-byte load per row, 2 x 2
    // transposes of doubles, and 8 consecutive values (y ascending) stored in
    // each column.
    const __m128i inv = _mm_set1_epi16(static_cast<short>(d.Inversion));
    const __m128i signe = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i zero = _mm_setzero_si128();
    const __m128d dec = _mm_set1_pd(d.Decalage), sc = _mm_set1_pd(d.BScale), bz = _mm_set1_pd(d.BZero);
    __m128i mn = _mm_set1_epi16(0x7FFF), mx = _mm_set1_epi16(static_cast<short>(0x8000)); // keys ^ 0x8000, signed
    const auto valeurs = [&](__m128i k32) { // the two low 32-bit keys
        const __m128d v = _mm_cvtepi32_pd(k32);
        return Identite ? v : _mm_add_pd(_mm_mul_pd(_mm_sub_pd(v, dec), sc), bz);
    };
    for (int64_t x0 = 0; x0 < lVect; x0 += 8) {
        for (int64_t rb = nVect - 8; rb >= 0; rb -= 8) {
            const uchar* p = src + 2 * (rb * l + x0);
            __m128d v[8][4];
            for (int r = 0; r < 8; ++r) {
                const __m128i brut = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * r * l));
                const __m128i k = _mm_xor_si128(_mm_or_si128(_mm_slli_epi16(brut, 8), _mm_srli_epi16(brut, 8)), inv);
                const __m128i s = _mm_xor_si128(k, signe);
                mn = _mm_min_epi16(mn, s);
                mx = _mm_max_epi16(mx, s);
                const __m128i bas = _mm_unpacklo_epi16(k, zero), haut = _mm_unpackhi_epi16(k, zero);
                v[r][0] = valeurs(bas);
                v[r][1] = valeurs(_mm_srli_si128(bas, 8));
                v[r][2] = valeurs(haut);
                v[r][3] = valeurs(_mm_srli_si128(haut, 8));
            }
            // File row r0 + rb + 7 is the smallest y of the block.
            double* q = dst + x0 * h + (h - 1 - (r0 + rb + 7));
            for (int j = 0; j < 4; ++j) {
                double* c0 = q + (2 * j) * h;
                double* c1 = c0 + h;
                _mm_storeu_pd(c0 + 0, _mm_unpacklo_pd(v[7][j], v[6][j]));
                _mm_storeu_pd(c0 + 2, _mm_unpacklo_pd(v[5][j], v[4][j]));
                _mm_storeu_pd(c0 + 4, _mm_unpacklo_pd(v[3][j], v[2][j]));
                _mm_storeu_pd(c0 + 6, _mm_unpacklo_pd(v[1][j], v[0][j]));
                _mm_storeu_pd(c1 + 0, _mm_unpackhi_pd(v[7][j], v[6][j]));
                _mm_storeu_pd(c1 + 2, _mm_unpackhi_pd(v[5][j], v[4][j]));
                _mm_storeu_pd(c1 + 4, _mm_unpackhi_pd(v[3][j], v[2][j]));
                _mm_storeu_pd(c1 + 6, _mm_unpackhi_pd(v[1][j], v[0][j]));
            }
        }
    }
    alignas(16) int16_t tmn[8], tmx[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(tmn), mn);
    _mm_store_si128(reinterpret_cast<__m128i*>(tmx), mx);
    for (int k = 0; k < 8; ++k) {
        d.CleMin = std::min(d.CleMin, static_cast<uint16_t>(tmn[k] ^ 0x8000));
        d.CleMax = std::max(d.CleMax, static_cast<uint16_t>(tmx[k] ^ 0x8000));
    }
#else
    const int64_t lVect = 0;
#endif
    // What the blocks leave: the last columns, then the last rows.
    for (int64_t x = lVect; x < l; ++x)
        for (int64_t r = 0; r < nVect; ++r)
            DecoderUn<Identite>(src, dst, l, h, x, r, r0, d);
    for (int64_t r = nVect; r < n; ++r)
        for (int64_t x = 0; x < l; ++x)
            DecoderUn<Identite>(src, dst, l, h, x, r, r0, d);
}

// Large pages for a large block not yet touched, where the system offers
// them: fewer page faults and address misses on the column-wise writes.
void ConseillerGrandesPages(void* debut, size_t octets)
{
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t grande = uintptr_t(2) << 20;
    const uintptr_t d = (reinterpret_cast<uintptr_t>(debut) + grande - 1) & ~(grande - 1);
    const uintptr_t f = (reinterpret_cast<uintptr_t>(debut) + octets) & ~(grande - 1);
    if (f > d)
        madvise(reinterpret_cast<void*>(d), f - d, MADV_HUGEPAGE);
#else
    (void)debut;
    (void)octets;
#endif
}

// The header's blocks, up to the one holding "END" (all the file without).
// Never past the file's size: a device such as /dev/zero reads on forever.
QByteArray LireBlocsEntete(QFile& f)
{
    QByteArray entete;
    for (;;) {
        const QByteArray bloc = f.read(std::min<qint64>(2880, f.size() - entete.size()));
        entete += bloc;
        if (bloc.isEmpty())
            return entete;
        for (qsizetype k = 0; k + 80 <= bloc.size(); k += 80)
            if (EstOctetsFin(bloc.constData() + k))
                return entete;
    }
}

// Opens the file and reads and checks its header.
TEnteteFichier OuvrirEntete(QFile& f, const QString& nom)
{
    if (!f.open(QIODevice::ReadOnly))
        LeverErreurFichier(CodeErreurOuverture(nom));
    return AnalyserEntete(LireBlocsEntete(f), f.size(), nom);
}

} // namespace

QByteArray LireFichierEnMemoire(const QString& nom) { return LireFichierComplet(nom); }

int CompterCartesFit(const QString& nom)
{
    return static_cast<int>(CartesFichier(LireFichierEnMemoire(nom), nom).size());
}

void LireFichierFit(THistoFit& image, const QString& nom)
{
    QFile f(nom);
    TEnteteFichier e = OuvrirEntete(f, nom);
    TDecodage d;
    d.BZero = LireBZeroFit(e.Cartes);
    d.BScale = LireBScaleFit(e.Cartes);
    if (d.BZero != 0) {
        // Standard FITS: signed samples (for BZERO 32768 the same as
        // raw - 2 x BZERO from BZERO up).
        d.Inversion = 0x8000;
        d.Decalage = 32768;
    }
    const int64_t l = e.Largeur, h = e.Hauteur;
    const size_t n = static_cast<size_t>(l) * static_cast<size_t>(h);
    // A new pixel block unless the image has one of this size: a block of
    // another size is released with the image's old pixels.
    std::vector<double> nouveaux;
    if (image.Pixels.size() != n) {
        nouveaux.reserve(n);
        ConseillerGrandesPages(nouveaux.data(), n * sizeof(double));
        nouveaux.resize(n);
    }
    double* pixels = image.Pixels.size() == n ? image.Pixels.data() : nouveaux.data();

    // The data by bands of file rows (4 MB), each decoded while in cache.
    const int64_t bande = std::max<int64_t>(8, ((int64_t(1) << 22) / (2 * l)) & ~int64_t(7));
    const std::unique_ptr<uchar[]> tampon(new uchar[2 * l * std::min(bande, h)]);
    if (!f.seek(e.Decalage))
        LeverErreurFichier(ES_LectureApresFin);
    for (int64_t r0 = 0; r0 < h; r0 += bande) {
        const int64_t rangs = std::min(bande, h - r0), octets = 2 * l * rangs;
        for (int64_t lus = 0; lus < octets;) {
            const qint64 r = f.read(reinterpret_cast<char*>(tampon.get()) + lus, octets - lus);
            if (r <= 0) // the file shrank since its size was checked
                LeverErreurFichier(ES_LectureApresFin);
            lus += r;
        }
        // BSCALE 1 with BZERO 0 or 32768: the pixel is the key itself.
        if (d.BScale == 1 && d.BZero == d.Decalage)
            DecoderBande<true>(tampon.get(), pixels, l, h, r0, rangs, d);
        else
            DecoderBande<false>(tampon.get(), pixels, l, h, r0, rangs, d);
    }
    if (pixels == nouveaux.data())
        image.Pixels.swap(nouveaux);
    const double a = d.Valeur(d.CleMin), b = d.Valeur(d.CleMax);
    image.XMax = static_cast<int32_t>(l - 1);
    image.YMax = static_cast<int32_t>(h - 1);
    image.Max = std::max(0.0, std::max(a, b));
    image.Min = std::min(2147483647.0, std::min(a, b));
    if (image.Min < 0) {
        const double m = image.Min;
        for (double& p : image.Pixels)
            p -= m;
        image.Max -= m;
        image.Min = 0;
    }
    image.Entete = std::move(e.Cartes);
    CompleterEnteteFit(image);
    image.SMin = LireSMinEnteteFit(image);
    image.SMax = LireSMaxEnteteFit(image);
    image.TRFT = LireTransfertEnteteFit(image);
}

void ChargerFit(THistoFit& image, const QString& nom) { LireFichierFit(image, nom); }

void DimensionsFichierFit(const QString& nom, int32_t& largeur, int32_t& hauteur)
{
    // The same checks as a load; only the header is read.
    QFile f(nom);
    const TEnteteFichier e = OuvrirEntete(f, nom);
    largeur = e.Largeur;
    hauteur = e.Hauteur;
}

TEnteteFichierFit LireEnteteFichierFit(const QString& nom)
{
    QFile f(nom);
    TEnteteFichier e = OuvrirEntete(f, nom);
    TEnteteFichierFit r;
    r.BZero = LireBZeroFit(e.Cartes);
    r.BScale = LireBScaleFit(e.Cartes);
    r.Cartes = std::move(e.Cartes);
    r.Largeur = e.Largeur;
    r.Hauteur = e.Hauteur;
    r.Debut = e.Decalage;
    return r;
}

void SeuilsFichierFit(const QString& nom, int32_t& bas, int32_t& haut)
{
    THistoFit temp;
    CreerHistoFit(temp);
    LireFichierFit(temp, nom);
    bas = LireSMinEnteteFit(temp);
    haut = LireSMaxEnteteFit(temp);
}

// ===========================================================================
// Writing
// ===========================================================================

namespace {

bool EstMotCleStructure(const QString& k)
{
    static const QRegularExpression naxis(QStringLiteral("^NAXIS[0-9]+$"));
    return k == QLatin1String("SIMPLE") || k == QLatin1String("BITPIX") || k == QLatin1String("NAXIS") ||
           naxis.match(k).hasMatch();
}

// Printable ASCII only: accents dropped (é -> e), anything else a blank.
QString CarteAscii(const QString& carte)
{
    bool propre = true;
    for (QChar c : carte)
        propre &= c.unicode() >= 32 && c.unicode() < 127;
    if (propre)
        return carte;
    QString r;
    for (QChar c : carte.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        r += c.unicode() >= 32 && c.unicode() < 127 ? c : QLatin1Char(' ');
    }
    return r;
}

// The header as written: a standard primary header for 16-bit data of the
// image's size (BZERO as Max needs it, BSCALE 1, the program cards rebuilt).
QStringList EnteteEcriture(const THistoFit& image, bool avecBZero)
{
    QStringList entete = image.Entete;
    for (QString& c : entete)
        c = CarteAscii(c);
    // "END" last and only there.
    entete.erase(std::remove_if(entete.begin(), entete.end(), EstCarteFin), entete.end());

    // SIMPLE, BITPIX 16, NAXIS 2, NAXIS1, NAXIS2 first, in fixed format; kept
    // as they are (comments included) when already so.
    const QStringList obligatoires = {
        Rembourrer(CarteValeur(QStringLiteral("SIMPLE"), QStringLiteral("T"))),
        Rembourrer(CarteEntiere(QStringLiteral("BITPIX"), 16)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS"), 2)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS1"), image.XMax + 1)),
        Rembourrer(CarteEntiere(QStringLiteral("NAXIS2"), image.YMax + 1)),
    };
    int structure = 0;
    for (const QString& c : entete)
        structure += EstMotCleStructure(MotCleCarte(c)) ? 1 : 0;
    bool enPlace = structure == 5 && entete.size() >= 5;
    for (int i = 0; enPlace && i < 5; ++i)
        enPlace = entete[i].left(30) == obligatoires[i].left(30);
    if (!enPlace) {
        entete.erase(std::remove_if(entete.begin(), entete.end(),
                                    [](const QString& c) { return EstMotCleStructure(MotCleCarte(c)); }),
                     entete.end());
        for (int i = 4; i >= 0; --i)
            entete.prepend(obligatoires[i]);
    }

    // BSCALE 1: the cards stay only when they all say 1.
    {
        bool unite = true;
        for (const QString& c : entete)
            if (MotCleCarte(c) == QLatin1String("BSCALE")) {
                double v = 0;
                unite &= TexteCarteEnReel(ValeurCarteSansCommentaire(c), v) && v == 1;
            }
        if (!unite)
            entete.erase(std::remove_if(entete.begin(), entete.end(),
                                        [](const QString& c) { return MotCleCarte(c) == QLatin1String("BSCALE"); }),
                         entete.end());
    }

    // BZERO 32768 when the maximum needs it, absent otherwise.
    {
        bool tousBons = true;
        int nombre = 0;
        const double attendu = avecBZero ? 32768 : 0;
        for (const QString& c : entete)
            if (MotCleCarte(c) == QLatin1String("BZERO")) {
                ++nombre;
                double v = 0;
                tousBons &= TexteCarteEnReel(ValeurCarteSansCommentaire(c), v) && v == attendu;
            }
        if (!tousBons || (avecBZero && nombre == 0)) {
            entete.erase(std::remove_if(entete.begin(), entete.end(),
                                        [](const QString& c) { return MotCleCarte(c) == QLatin1String("BZERO"); }),
                         entete.end());
            if (avecBZero)
                InsererBZero(entete, 32768); // after NAXIS2, which is there
        }
    }

    // The program's cards.
    for (QString& c : entete) {
        const QString k = MotCleCarte(c);
        if (k == QLatin1String("STL_SMIN"))
            c = Rembourrer(CarteEntiere(k, image.SMin));
        else if (k == QLatin1String("STL_SMAX"))
            c = Rembourrer(CarteEntiere(k, image.SMax));
        else if (k == QLatin1String("STL_TRFT"))
            c = Rembourrer(CarteValeur(k, TexteReelCourt(std::isfinite(image.TRFT) ? image.TRFT : 0)));
        else if (k == QLatin1String("RELEASE"))
            c = Rembourrer(kCarteRelease);
    }
    entete << Rembourrer(QStringLiteral("END"));
    return entete;
}

} // namespace

void EnregistrerFit(THistoFit& image, const QString& nom)
{
    const size_t n = NombrePixels(image);
    if (n == 0)
        LeverErreur(QStringLiteral("L'image à enregistrer est vide."));
    const int64_t l = image.XMax + 1, h = image.YMax + 1;

    // BZERO 32768 when Max, or a pixel the invariant should have counted,
    // rounds to 32768 or more.
    double vraiMax = image.Max;
    for (double p : image.Pixels)
        vraiMax = std::max(vraiMax, p);
    const bool avecBZero = std::nearbyint(vraiMax) >= 32768;
    const QStringList entete = EnteteEcriture(image, avecBZero);

    EcrireFichierSur(nom, [&](QIODevice& f) {
        const auto ecrire = [&f](const char* d, qint64 taille) {
            if (f.write(d, taille) != taille)
                LeverErreurFichier(ES_ErreurEcriture);
        };
        QByteArray blocEntete;
        blocEntete.reserve(2880 * ((entete.size() + 35) / 36));
        for (const QString& c : entete)
            blocEntete += Rembourrer(c).toLatin1();
        while (blocEntete.size() % 2880)
            blocEntete += ' ';
        ecrire(blocEntete.constData(), blocEntete.size());

        // Rows from the bottom one up, by bands of 64 file rows.
        const uint16_t masque = avecBZero ? 0x8000 : 0;
        constexpr int64_t T = 64;
        std::vector<uchar> bande(static_cast<size_t>(2 * l * std::min<int64_t>(T, h)));
        for (int64_t r0 = 0; r0 < h; r0 += T) {
            const int64_t r1 = std::min(h, r0 + T);
            for (int64_t x0 = 0; x0 < l; x0 += T) {
                const int64_t x1 = std::min(l, x0 + T);
                for (int64_t x = x0; x < x1; ++x) {
                    const double* col = image.Pixels.data() + x * h + (h - 1);
                    for (int64_t r = r0; r < r1; ++r) {
                        const double v = col[-r];
                        uint32_t brut;
                        if (!IndexRapide(v, brut))
                            brut = v > 0 ? 65535 : 0;
                        brut ^= masque;
                        uchar* d = bande.data() + 2 * ((r - r0) * l + x);
                        d[0] = static_cast<uchar>(brut >> 8);
                        d[1] = static_cast<uchar>(brut & 0xFF);
                    }
                }
            }
            ecrire(reinterpret_cast<const char*>(bande.data()), 2 * l * (r1 - r0));
        }
        const int64_t reste = (2 * l * h) % 2880;
        if (reste) {
            const QByteArray zeros(2880 - reste, '\0');
            ecrire(zeros.constData(), zeros.size());
        }
    });
    image.Entete = entete;
}

// ===========================================================================
// Rendering
// ===========================================================================

namespace {

// Renders into cible, reusing its storage when it already has the size.
void RendreDans(const THistoFit& image, bool positif, QImage& cible)
{
    const size_t n = NombrePixels(image);
    if (n == 0) {
        cible = QImage();
        return;
    }
    const int l = image.XMax + 1, h = image.YMax + 1;
    if (cible.width() != l || cible.height() != h || cible.format() != QImage::Format_Indexed8)
        cible = QImage(l, h, QImage::Format_Indexed8);
    if (cible.isNull())
        LeverErreur(QStringLiteral("Mémoire insuffisante pour créer l'image d'affichage (%1 x %2).").arg(l).arg(h));
    if (image.Palette.isEmpty())
        PaletteGris(cible);
    else
        cible.setColorTable(QList<QRgb>(image.Palette));

    const TCourbeAffichage courbe = PreparerCourbe(image.SMin, image.SMax, image.TRFT);
    static thread_local TTableCourbe table;
    ConstruireTableCourbe(courbe, table);
    if (!positif)
        for (uint8_t& o : table)
            o = static_cast<uint8_t>(255 - o);
    const auto lent = [&](double v) {
        const int o = NiveauCourbe(courbe, ArrondiPixel(v));
        return static_cast<uchar>(positif ? o : 255 - o);
    };

    // 8 columns at a time, top to bottom: 8 sequential reads, and the rows'
    // lines stay in cache from one strip to the next.
    uchar* base = cible.bits();
    const qsizetype pas = cible.bytesPerLine();
    const uint8_t* tab = table.data();
    const auto octet = [&](double v) -> uchar {
        uint32_t i;
        return IndexRapide(v, i) ? tab[i] : lent(v);
    };
    const int lVect = l - l % 8;
    for (int x0 = 0; x0 < lVect; x0 += 8) {
        const double* c[8];
        for (int k = 0; k < 8; ++k)
            c[k] = image.Colonne(x0 + k);
        uchar* d = base + x0;
        int y = 0;
#if defined(__SSE2__)
        // Four rows at a time: 16-byte loads of two rows of a column, one
        // range test for the 32 values, and the rounded values taken from
        // the low mantissa bits (less 32768, so that they pack to 16 bits).
        const __m128d bas = _mm_set1_pd(-0.5), haut = _mm_set1_pd(65535.5);
        const __m128d magique = _mm_set1_pd(6755399441055744.0 - 32768.0);
        const uint8_t* tab2 = tab + 32768;
        constexpr int R = 4;
        for (; y + R <= h; y += R, d += R * pas) {
            __m128i cles[R / 2][4];
            __m128d dedans = _mm_castsi128_pd(_mm_set1_epi32(-1));
            for (int k = 0; k < 8; k += 2)
                for (int r = 0; r < R; r += 2) {
                    const __m128d a = _mm_loadu_pd(c[k] + y + r), b = _mm_loadu_pd(c[k + 1] + y + r);
                    dedans = _mm_and_pd(dedans, _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(a, bas), _mm_cmplt_pd(a, haut)),
                                                           _mm_and_pd(_mm_cmpgt_pd(b, bas), _mm_cmplt_pd(b, haut))));
                    const __m128i ea = _mm_shuffle_epi32(_mm_castpd_si128(_mm_add_pd(a, magique)), _MM_SHUFFLE(2, 0, 2, 0));
                    const __m128i eb = _mm_shuffle_epi32(_mm_castpd_si128(_mm_add_pd(b, magique)), _MM_SHUFFLE(2, 0, 2, 0));
                    cles[r / 2][k / 2] = _mm_unpacklo_epi64(ea, eb); // (k, y+r) (k, y+r+1) (k+1, y+r) (k+1, y+r+1)
                }
            if (_mm_movemask_pd(dedans) == 3) {
                for (int r = 0; r < R; r += 2) {
                    const __m128i p0 = _mm_packs_epi32(cles[r / 2][0], cles[r / 2][1]);
                    const __m128i p1 = _mm_packs_epi32(cles[r / 2][2], cles[r / 2][3]);
                    uchar* d0 = d + r * pas;
                    uchar* d1 = d0 + pas;
#define STELOR_OCTETS(p, k, n)                                                                                      \
    d0[k] = tab2[static_cast<int16_t>(_mm_extract_epi16(p, n))];                                                 \
    d1[k] = tab2[static_cast<int16_t>(_mm_extract_epi16(p, n + 1))];
                    STELOR_OCTETS(p0, 0, 0)
                    STELOR_OCTETS(p0, 1, 2)
                    STELOR_OCTETS(p0, 2, 4)
                    STELOR_OCTETS(p0, 3, 6)
                    STELOR_OCTETS(p1, 4, 0)
                    STELOR_OCTETS(p1, 5, 2)
                    STELOR_OCTETS(p1, 6, 4)
                    STELOR_OCTETS(p1, 7, 6)
#undef STELOR_OCTETS
                }
            } else {
                for (int r = 0; r < R; ++r)
                    for (int k = 0; k < 8; ++k)
                        d[r * pas + k] = octet(c[k][y + r]);
            }
        }
#endif
        for (; y < h; ++y, d += pas)
            for (int k = 0; k < 8; ++k)
                d[k] = octet(c[k][y]);
    }
    for (int x = lVect; x < l; ++x) {
        const double* col = image.Colonne(x);
        uchar* d = base + x;
        for (int y = 0; y < h; ++y, d += pas)
            *d = octet(col[y]);
    }
    if (image.Zoom != 100) {
        ZoomerBitmap(cible, image.Zoom);
        if (!image.Palette.isEmpty()) // the rescaled bitmap keeps the image's palette
            cible.setColorTable(QList<QRgb>(image.Palette));
    }
}

} // namespace

QImage RendreFit(const THistoFit& image, bool positif)
{
    QImage bitmap = CreerBitmap();
    RendreDans(image, positif, bitmap);
    return bitmap;
}

void AfficherFit(THistoFit& image, bool positif)
{
    // Work and undo copies have no picture to show it in.
    if (image.Proprietaire)
        image.Proprietaire(RendreFit(image, positif));
}

QImage& BitmapFit(THistoFit& image)
{
    RendreDans(image, true, image.BitmapAffichage);
    return image.BitmapAffichage;
}

void FixerSeuilsFit(THistoFit& image, int32_t bas, int32_t haut, bool redessiner, bool positif)
{
    image.SMin = bas;
    image.SMax = haut;
    if (redessiner)
        AfficherFit(image, positif);
}

void FixerTransfertFit(THistoFit& image, bool redessiner, bool positif, double valeur)
{
    image.TRFT = valeur;
    if (redessiner)
        AfficherFit(image, positif);
}

void FixerZoomFit(THistoFit& image, int32_t pourcent, bool redessiner, bool positif)
{
    image.Zoom = pourcent;
    if (redessiner)
        AfficherFit(image, positif);
}

// ===========================================================================
// Histogram, levels, summary
// ===========================================================================

void CalculerHistogrammeFit(const THistoFit& image, TTableHistogrammeFit& table)
{
    table.assign(65536, 0);
    if (NombrePixels(image) == 0)
        return;
    for (double v : image.Pixels) {
        uint32_t i;
        if (!IndexRapide(v, i))
            i = v > 0 ? 65535 : 0;
        ++table[i];
    }
}

int32_t ModeHistogramme(const TTableHistogrammeFit& table)
{
    int32_t mode = 0;
    int64_t meilleur = 0;
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] > meilleur) {
            meilleur = table[i];
            mode = static_cast<int32_t>(i);
        }
    return mode;
}

int32_t ModeHistogrammeFit(const THistoFit& image)
{
    TTableHistogrammeFit table;
    CalculerHistogrammeFit(image, table);
    return ModeHistogramme(table);
}

int32_t SeuilMiniAutoFit(const THistoFit& image) { return BornerEntier(ModeHistogrammeFit(image) / 2, 0, 65535); }
int32_t SeuilMaxiAutoFit(const THistoFit& image) { return BornerEntier(2 * ModeHistogrammeFit(image), 0, 65535); }

QString TexteInfoFit(const THistoFit& image)
{
    return QStringLiteral("L=") + EntierEnTexte(LargeurFit(image)) + QStringLiteral(" H=") +
           EntierEnTexte(HauteurFit(image)) + QStringLiteral(" m=") + EntierEnTexte(MiniArrondiFit(image)) +
           QStringLiteral(" M=") + EntierEnTexte(MaxiArrondiFit(image)) + QStringLiteral(" B=") +
           EntierEnTexte(ModeHistogrammeFit(image)) + QStringLiteral("   Visu ") + EntierEnTexte(image.SMin) +
           QLatin1Char('-') + EntierEnTexte(image.SMax) + QLatin1Char(' ') + NomCourbe(image.TRFT);
}

// ===========================================================================
// Files
// ===========================================================================

int32_t TypeFichier(const QString& nom)
{
    const int p = nom.lastIndexOf(QLatin1Char('.'));
    if (p < 1)
        return tiAutre;
    const QString ext = nom.mid(p + 1).toUpper();
    if (ext == QLatin1String("FIT"))
        return tiFit;
    if (ext == QLatin1String("BMP"))
        return tiBmp;
    return tiAutre;
}

void DimensionsFichierImage(const QString& nom, int32_t& largeur, int32_t& hauteur)
{
    switch (TypeFichier(nom)) {
    case tiFit:
        DimensionsFichierFit(nom, largeur, hauteur);
        break;
    case tiBmp:
        DimensionsFichierBmp(nom, largeur, hauteur);
        break;
    default:
        break;
    }
}

bool ControlerTaillesListe(const QStringList& noms, const std::function<void(const QString&)>& etiquette,
                           const QString& texte)
{
    if (noms.isEmpty())
        return true;
    const int32_t genre = TypeFichier(noms.first());
    if (genre != tiFit && genre != tiBmp)
        return true;
    struct TEffacer {
        const std::function<void(const QString&)>& e;
        ~TEffacer()
        {
            if (e)
                e(QString());
        }
    } effacer{etiquette};

    bool resultat = true, premier = true;
    int32_t l0 = 0, h0 = 0;
    const qsizetype nombre = noms.size();
    for (qsizetype i = 0; i < nombre; ++i) {
        if (etiquette)
            etiquette(texte + QStringLiteral(" (") + EntierEnTexte(nombre - 1 - i) + QLatin1Char(')'));
        if (!QFileInfo::exists(noms[i]))
            continue;
        int32_t l = 0, h = 0;
        if (genre == tiFit)
            DimensionsFichierFit(noms[i], l, h);
        else
            DimensionsFichierBmp(noms[i], l, h);
        if (premier) {
            l0 = l;
            h0 = h;
            premier = false;
        } else if (l != l0 || h != h0) {
            resultat = false;
        }
    }
    return resultat;
}

namespace {
// A picture QPainter can draw on (an 8-bit one becomes 32-bit).
bool PreparerDessin(QImage& dessin)
{
    if (dessin.isNull())
        return false;
    if (dessin.format() == QImage::Format_Indexed8 || dessin.format() == QImage::Format_Mono ||
        dessin.format() == QImage::Format_MonoLSB)
        dessin = dessin.convertToFormat(QImage::Format_RGB32);
    return true;
}

void MarquerBande(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue, QRgb couleur, const QString& etiquette)
{
    if (!PreparerDessin(dessin))
        return;
    const QColor fond = QGuiApplication::palette().color(QPalette::Button);
    QPainter p(&dessin);
    p.fillRect(dessin.rect(), fond);
    const double echelle = static_cast<double>(etendue) / dessin.width();
    if (echelle == 0 || !std::isfinite(echelle))
        return;
    const double g = std::nearbyint(bas / echelle), d = std::nearbyint(haut / echelle);
    const int xg = static_cast<int>(std::clamp(g, -1e6, 1e6)), xd = static_cast<int>(std::clamp(d, -1e6, 1e6));
    if (xd > xg)
        p.fillRect(QRect(QPoint(xg, 0), QPoint(xd - 1, dessin.height() - 1)), QColor(couleur));
    if (etiquette.isEmpty())
        return;
    QFont police(QStringLiteral("Small fonts"));
    police.setPointSize(6);
    police.setStyleHint(QFont::SansSerif);
    police.setStyleStrategy(QFont::NoAntialias);
    p.setFont(police);
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(fond);
    const int y = dessin.height() / 2 - 6 / 2;
    p.drawText(QRect(xg + 5, y, 1000, 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, etiquette);
}
} // namespace

void AjusterDessin(QImage& dessin, const QImage& bitmap)
{
    if (bitmap.isNull() || !PreparerDessin(dessin))
        return;
    const double cl = dessin.width(), ch = dessin.height();
    const double bl = bitmap.width(), bh = bitmap.height();
    QRect cadre(0, 0, bitmap.width(), bitmap.height());
    if (bl > cl || bh > ch) {
        if (bl <= bh)
            cadre = QRect(0, 0, static_cast<int>(std::nearbyint(bl / (bh / ch))), static_cast<int>(ch));
        else
            cadre = QRect(0, 0, static_cast<int>(cl), static_cast<int>(std::nearbyint(bh / (bl / cl))));
    }
    QPainter p(&dessin);
    p.drawImage(cadre, bitmap);
}

void MarquerSeuilsHistogramme(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue)
{
    MarquerBande(dessin, bas, haut, etendue, qRgb(122, 122, 201), QString());
}

void MarquerSeuilsHistogrammeLog(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue, double transfert)
{
    MarquerBande(dessin, bas, haut, etendue, qRgb(201, 122, 122),
                 QStringLiteral("Log {") + ReelEnTexteGeneral(transfert) + QLatin1Char('}'));
}

void MarquerSeuilsHistogrammeExp(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue, double transfert)
{
    MarquerBande(dessin, bas, haut, etendue, qRgb(122, 201, 122),
                 QStringLiteral("Exp {") + ReelEnTexteGeneral(transfert) + QLatin1Char('}'));
}

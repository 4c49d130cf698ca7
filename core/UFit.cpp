#include "UFit.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UBmp.h"
#include "UCartesFit.h"
#include "UNoyauxFit.h"
#include "UOutils.h"
#include "UParallele.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QIODevice>
#include <QLocale>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <algorithm>
#include <bit>
#include <exception>
#include <cmath>
#include <memory>
#include <optional>
#include <limits>
#include <type_traits>

#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif

// ===========================================================================
// Transfer curves
// ===========================================================================

namespace {

using NoyauxFit::IndexRapide;

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
    cible.SourceNonReproductible = source.SourceNonReproductible;
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
    std::swap(a.SourceNonReproductible, b.SourceNonReproductible);
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

QString CarteReleaseFit() { return QStringLiteral("RELEASE ='Stelor 2.0 Avril 2008'"); }

QString CarteRembourreeFit(const QString& carte) { return carte.leftJustified(80, QLatin1Char(' '), true); }

QString CarteValeurFit(const QString& motCle, const QString& valeur)
{
    // A value of 21 characters or more still leaves "= " before it.
    return motCle.leftJustified(8, QLatin1Char(' ')) + QStringLiteral("= ") + valeur.rightJustified(20, QLatin1Char(' '));
}

QString CarteEntiereFit(const QString& motCle, int64_t valeur) { return CarteValeurFit(motCle, EntierEnTexte(valeur)); }

bool EstCarteFinFit(const QString& carte) { return carte.trimmed() == QLatin1String("END"); }

int DerniereCarteFit(const QStringList& entete, QLatin1String motCle)
{
    for (int i = entete.size() - 1; i >= 0; --i)
        if (MotCleCarte(entete[i]) == motCle)
            return i;
    return -1;
}

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
    // FITS allows a '+' before a positive integer ("NAXIS1  = +2").
    const QString chiffres = texte.startsWith(QLatin1Char('+')) ? texte.mid(1) : texte;
    return EntierSiTexte(EstTexteEntier(chiffres), chiffres, valeur);
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
    const int i = DerniereCarteFit(entete, QLatin1String(motCle));
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
        CarteRembourreeFit(CarteValeurFit(QStringLiteral("SIMPLE"), QStringLiteral("T"))),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("BITPIX"), bitpix)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS"), 2)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS1"), largeur)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS2"), hauteur)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("STL_SMIN"), seuilBas)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("STL_SMAX"), seuilHaut)),
        CarteRembourreeFit(CarteValeurFit(QStringLiteral("STL_TRFT"), TexteReelCourt(transfert))),
        CarteRembourreeFit(QStringLiteral("END")),
    };
}

namespace {
void InsererBZero(QStringList& entete, double valeur)
{
    const QString carte = CarteRembourreeFit(CarteValeurFit(QStringLiteral("BZERO"), ReelEnTexte(valeur, 0)));
    const int i = DerniereCarteFit(entete, QLatin1String("NAXIS2"));
    if (i >= 0)
        entete.insert(i + 1, carte);
    else
        entete.insert(std::max<qsizetype>(entete.size() - 1, 0), carte);
}
} // namespace

void AjouterBZeroFit(THistoFit& image, double valeur) { InsererBZero(image.Entete, valeur); }

void SupprimerBZeroFit(THistoFit& image)
{
    const int i = DerniereCarteFit(image.Entete, QLatin1String("BZERO"));
    if (i >= 0)
        image.Entete.removeAt(i);
}

void FixerDimensionsEnteteFit(QStringList& entete, int32_t largeur, int32_t hauteur)
{
    // A card that already gives the size keeps its comment.
    for (QString& carte : entete) {
        const QString k = MotCleCarte(carte);
        const int32_t taille = k == QLatin1String("NAXIS1") ? largeur : k == QLatin1String("NAXIS2") ? hauteur : -1;
        int32_t lue = 0;
        if (taille >= 0 && !(TexteCarteEnEntier(ValeurCarteSansCommentaire(carte), lue) && lue == taille))
            carte = NormaliserCarte(k + QLatin1Char('=') + EntierEnTexte(taille).rightJustified(21));
    }
}

void FixerDimensionsEnteteFit(THistoFit& image, int32_t largeur, int32_t hauteur)
{
    FixerDimensionsEnteteFit(image.Entete, largeur, hauteur);
}

// The axes a world-coordinate keyword speaks of (0 when none), nothing for
// any other keyword. EQUINOX and RADESYS describe the sky, not the grid.
std::optional<std::pair<int, int>> AxesCoordonneesFit(const QString& k)
{
    static const QRegularExpression axe(
        QStringLiteral("^(?:CTYPE|CRVAL|CDELT|CRPIX|CROTA|CUNIT|CNAME|CRDER|CSYER)([0-9]+)[A-Z]?$"));
    static const QRegularExpression matrice(QStringLiteral("^(?:PC|CD)([0-9]+)_([0-9]+)[A-Z]?$"));
    static const QRegularExpression projection(QStringLiteral("^(?:PV|PS)([0-9]+)_[0-9]+[A-Z]?$"));
    // The poles, the system's name and size, and the polynomial distortion
    // of the pixel grid.
    static const QRegularExpression autres(
        QStringLiteral("^(?:(?:LONPOLE|LATPOLE|WCSNAME|WCSAXES)[A-Z]?|(?:A|B|AP|BP)_(?:ORDER|[0-9]+_[0-9]+))$"));
    // The older forms that readers still build a sky from: the PC001001
    // matrix, the DSS plate solution, IRAF's logical grid and its WCS
    // attributes, projection parameters before PV, distortion tables.
    static const QRegularExpression matriceAncienne(QStringLiteral("^(?:PC|CD)([0-9]{3})([0-9]{3})$"));
    static const QRegularExpression axeAncien(
        QStringLiteral("^(?:CNPIX|LTV|PPO|AMDX|AMDY|PROJP|CPDIS|CQDIS|CPERR|CQERR|DP|DQ|D2IMDIS|D2IMERR)([0-9]+)$"));
    static const QRegularExpression ltm(QStringLiteral("^LTM([0-9]+)_([0-9]+)$"));
    static const QRegularExpression plaque(
        QStringLiteral("^(?:PLTRAH|PLTRAM|PLTRAS|PLTDECSN|PLTDECD|PLTDECM|PLTDECS|PLTSCALE|XPIXELSZ|YPIXELSZ|"
                       "WAT[0-9]+_[0-9]+|D2IMEXT|D2IM_EXT)$"));
    QRegularExpressionMatch m = axe.match(k);
    if (m.hasMatch())
        return std::pair(m.captured(1).toInt(), 0);
    m = matrice.match(k);
    if (m.hasMatch())
        return std::pair(m.captured(1).toInt(), m.captured(2).toInt());
    m = projection.match(k);
    if (m.hasMatch())
        return std::pair(m.captured(1).toInt(), 0);
    if (autres.match(k).hasMatch() || plaque.match(k).hasMatch())
        return std::pair(0, 0);
    m = matriceAncienne.match(k);
    if (!m.hasMatch())
        m = ltm.match(k);
    if (m.hasMatch())
        return std::pair(m.captured(1).toInt(), m.captured(2).toInt());
    m = axeAncien.match(k);
    if (m.hasMatch()) {
        // PPO, AMDX, AMDY and PROJP number coefficients, not axes.
        const bool coefficient = k.startsWith(QLatin1String("PPO")) || k.startsWith(QLatin1String("AMD")) ||
                                 k.startsWith(QLatin1String("PROJP"));
        return std::pair(coefficient ? 0 : m.captured(1).toInt(), 0);
    }
    return std::nullopt;
}

void EnteteApresGeometrieFit(THistoFit& image)
{
    FixerDimensionsEnteteFit(image, image.XMax + 1, image.YMax + 1);
    image.Entete.removeIf([](const QString& c) { return AxesCoordonneesFit(MotCleCarte(c)).has_value(); });
}

namespace {
// The header completion, with the histogram of the pixels when the caller
// has it already.
void CompleterEntete(THistoFit& image, const std::optional<TTableHistogrammeFit>& histogramme)
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
    const int32_t mode = smin && smax ? 0 : histogramme ? ModeHistogramme(*histogramme) : ModeHistogrammeFit(image);
    QStringList ajout;
    if (!smin)
        ajout << CarteEntiereFit(QStringLiteral("STL_SMIN"), BornerEntier(mode / 2, 0, 65535));
    if (!smax)
        ajout << CarteEntiereFit(QStringLiteral("STL_SMAX"), BornerEntier(2 * mode, 0, 65535));
    if (!trft)
        ajout << CarteValeurFit(QStringLiteral("STL_TRFT"), QStringLiteral("0"));
    if (!release)
        ajout << CarteReleaseFit();
    if (!image.Entete.isEmpty() && EstCarteFinFit(image.Entete.last()))
        image.Entete.removeLast();
    image.Entete << ajout << CarteRembourreeFit(QStringLiteral("END"));
}
} // namespace

void CompleterEnteteFit(THistoFit& image) { CompleterEntete(image, std::nullopt); }

// ===========================================================================
// Reading
// ===========================================================================

namespace {

// The text names the file; its full path follows.
[[noreturn]] void FichierInvalide(const QString& nom, const QString& texte)
{
    throw EErreurFichier(ES_LectureApresFin, texte + QStringLiteral(" (") + nom + QLatin1Char(')'));
}

QString Court(const QString& nom) { return NomFichierSansChemin(nom); }

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
    if (fin == n) {
        if (!donnees.startsWith("SIMPLE"))
            FichierInvalide(nom, QStringLiteral("Le fichier %1 n'est pas un fichier FITS : il ne commence pas par "
                                                "la carte SIMPLE.")
                                     .arg(Court(nom)));
        FichierInvalide(nom, QStringLiteral("L'en-tête FITS du fichier %1 est incomplet : il n'a pas de carte END.")
                                 .arg(Court(nom)));
    }
    QStringList cartes;
    cartes.reserve(fin + 1);
    for (qint64 k = 0; k <= fin; ++k)
        cartes << QString::fromLatin1(donnees.constData() + 80 * k, 80);
    return cartes;
}

int DerniereCarteTexte(const QStringList& cartes, const char* motCle)
{
    return DerniereCarteFit(cartes, QLatin1String(motCle));
}

// Value of an integer card (sign allowed), or nothing when absent or unreadable.
std::optional<int64_t> EntierCarte(const QStringList& cartes, const char* motCle)
{
    const int i = DerniereCarteTexte(cartes, motCle);
    int32_t v = 0;
    if (i < 0 || !TexteCarteEnEntierSigne(ValeurCarteSansCommentaire(cartes[i]), v))
        return std::nullopt;
    return v;
}

bool BitpixConnu(int64_t b) { return b == 8 || b == 16 || b == 32 || b == 64 || b == -32 || b == -64; }

} // namespace

bool BornesEchantillonsFit(int32_t bitpix, double bzero, double& bas, double& haut)
{
    switch (bitpix) {
    case 8: bas = 0, haut = 255; return true;
    case 16: bas = bzero == 0 ? 0 : -32768, haut = bzero == 0 ? 65535 : 32767; return true;
    case 32: bas = -2147483648.0, haut = 2147483647.0; return true;
    default: return false;
    }
}

bool EchelleLisibleFit(int32_t bitpix, double bscale, double bzero)
{
    double bas = -9.3e18, haut = 9.3e18; // 64-bit integers; reals are checked as decoded
    BornesEchantillonsFit(bitpix, bzero, bas, haut);
    return std::isfinite((haut * bscale + bzero) - (bas * bscale + bzero));
}

namespace {

// One of NAXIS1 or NAXIS2, checked.
int32_t Dimension(const QStringList& cartes, const char* motCle, const char* sens, const QString& nom)
{
    if (DerniereCarteTexte(cartes, motCle) < 0) {
        const std::optional<int64_t> naxis = EntierCarte(cartes, "NAXIS");
        if (naxis && *naxis == 0)
            FichierInvalide(nom, QStringLiteral("Le fichier %1 n'a pas d'image dans son en-tête principal "
                                                "(NAXIS = 0) : l'image est dans une extension, que Stelor ne lit pas.")
                                     .arg(Court(nom)));
        FichierInvalide(nom, QStringLiteral("L'en-tête du fichier %1 n'a pas de carte %2 (%3 de l'image).")
                                 .arg(Court(nom), QLatin1String(motCle), QLatin1String(sens)));
    }
    const int32_t v = QLatin1String(motCle) == QLatin1String("NAXIS1") ? LireNaxis1Fit(cartes) : LireNaxis2Fit(cartes);
    if (v <= 0)
        FichierInvalide(nom, QStringLiteral("La carte %1 du fichier %2 ne donne pas une %3 valide (un entier "
                                            "de 1 à 2147483647) : « %4 ».")
                                 .arg(QLatin1String(motCle), Court(nom), QLatin1String(sens),
                                      ValeurCarteSansCommentaire(cartes[DerniereCarteTexte(cartes, motCle)])));
    return v;
}

// The BLANK of integer samples, when the card holds an integer that such a
// sample can hold (any other marks no sample).
std::optional<int64_t> BlankEchantillons(const QStringList& cartes, int32_t bitpix)
{
    const int i = DerniereCarteTexte(cartes, "BLANK");
    if (i < 0 || bitpix < 0)
        return std::nullopt;
    const QString texte = ValeurCarteSansCommentaire(cartes[i]);
    bool ok = false;
    const qlonglong v = EstEntierFit(texte) ? texte.toLongLong(&ok) : 0;
    if (!ok)
        return std::nullopt;
    const int64_t bas = bitpix == 8 ? 0 : bitpix == 16 ? -32768 : bitpix == 32 ? INT32_MIN : INT64_MIN;
    const int64_t haut = bitpix == 8 ? 255 : bitpix == 16 ? 32767 : bitpix == 32 ? INT32_MAX : INT64_MAX;
    if (v < bas || v > haut)
        return std::nullopt;
    return v;
}

// The header bytes (up to the block holding "END") and the file's size.
TEnteteFichierFit AnalyserEntete(const QByteArray& donnees, qint64 taille, const QString& nom)
{
    TEnteteFichierFit e;
    e.Cartes = CartesFichier(donnees, nom);
    e.Debut = 2880 * ((static_cast<qint64>(e.Cartes.size()) + 35) / 36);
    // Files without a BITPIX card were always read as 16-bit.
    if (DerniereCarteTexte(e.Cartes, "BITPIX") >= 0) {
        const std::optional<int64_t> b = EntierCarte(e.Cartes, "BITPIX");
        if (!b || !BitpixConnu(*b))
            FichierInvalide(nom, QStringLiteral("Le fichier %1 a un BITPIX que FITS ne connaît pas (« %2 ») : "
                                                "8, 16, 32, 64, -32 ou -64 attendu.")
                                     .arg(Court(nom), ValeurCarteSansCommentaire(e.Cartes[DerniereCarteTexte(e.Cartes, "BITPIX")])));
        e.Bitpix = static_cast<int32_t>(*b);
    }
    e.Largeur = Dimension(e.Cartes, "NAXIS1", "largeur", nom);
    e.Hauteur = Dimension(e.Cartes, "NAXIS2", "hauteur", nom);
    for (int k = 3; k <= 999; ++k) {
        const QByteArray motCle = "NAXIS" + QByteArray::number(k);
        if (DerniereCarteTexte(e.Cartes, motCle.constData()) < 0)
            break;
        e.Plans = std::min<int64_t>(e.Plans * std::max<int64_t>(EntierCarte(e.Cartes, motCle.constData()).value_or(0), 0),
                                    int64_t(1) << 40);
    }
    e.BZero = LireBZeroFit(e.Cartes);
    e.BScale = LireBScaleFit(e.Cartes);
    if (!EchelleLisibleFit(e.Bitpix, e.BScale, e.BZero))
        FichierInvalide(nom, QStringLiteral("Les cartes BSCALE et BZERO du fichier %1 donnent des valeurs hors des "
                                            "limites des réels.")
                                 .arg(Court(nom)));
    e.Blank = BlankEchantillons(e.Cartes, e.Bitpix);
    const qint64 dispo = taille - e.Debut;
    // A size beyond 64 bits is no smaller than any file.
    uint64_t octets = 0;
    const bool deborde =
        __builtin_mul_overflow(static_cast<uint64_t>(e.OctetsEchantillon()), static_cast<uint64_t>(e.Largeur), &octets) ||
        __builtin_mul_overflow(octets, static_cast<uint64_t>(e.Hauteur), &octets);
    if (dispo < 0 || deborde || octets > static_cast<uint64_t>(dispo))
        FichierInvalide(nom, QStringLiteral("Le fichier %1 est tronqué : les données de son image de %2 x %3 "
                                            "pixels dépassent la fin du fichier.")
                                 .arg(Court(nom))
                                 .arg(e.Largeur)
                                 .arg(e.Hauteur));
    return e;
}

// The header's blocks, up to the one holding "END", and never more: a file
// that does not begin with SIMPLE gives nothing (the cards' check then says
// it is no FITS file), and a block without "END" holding a NUL byte is data,
// which no header holds, so the search ends there. Never past the file's size,
// nor past 10,000 blocks (360,000 cards, far beyond any real header): a text
// file that begins with SIMPLE is then refused for its missing END.
QByteArray LireBlocsEntete(QFile& f)
{
    constexpr qint64 BlocsMaximum = 10000;
    const qint64 taille = f.size();
    QByteArray entete;
    while (entete.size() < 2880 * BlocsMaximum) {
        const QByteArray bloc = f.read(std::min<qint64>(2880, taille - entete.size()));
        if (entete.isEmpty() && !bloc.startsWith("SIMPLE"))
            return {};
        entete += bloc;
        if (bloc.isEmpty())
            return entete;
        for (qsizetype k = 0; k + 80 <= bloc.size(); k += 80)
            if (EstOctetsFin(bloc.constData() + k))
                return entete;
        if (bloc.contains('\0'))
            return entete;
    }
    return entete;
}

// Opens the file and reads and checks its header.
TEnteteFichierFit OuvrirEntete(QFile& f, const QString& nom)
{
    OuvrirFichierLecture(f, nom);
    return AnalyserEntete(LireBlocsEntete(f), f.size(), nom);
}

void LireExactement(QFile& f, uchar* dest, qint64 octets) { ::LireExactement(f, reinterpret_cast<char*>(dest), octets); }

template <class T>
T GrosBoutiste(const uchar* p)
{
    using N = std::conditional_t<sizeof(T) == 1, uint8_t,
                                 std::conditional_t<sizeof(T) == 2, uint16_t,
                                                    std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
    N n = 0;
    for (size_t k = 0; k < sizeof(T); ++k)
        n = static_cast<N>((n << 8) | p[k]);
    return std::bit_cast<T>(n);
}

template <class T>
void Decoder(const uchar* s, size_t n, double* v, double bscale, double bzero)
{
    for (size_t i = 0; i < n; ++i, s += sizeof(T)) {
        const double x = static_cast<double>(GrosBoutiste<T>(s)) * bscale + bzero;
        v[i] = std::isfinite(x) ? x : 0;
    }
}

// Which 16-bit samples the key path decodes: keys k = raw ^ inversion sort
// as the samples do; the value is (k - decalage) x BSCALE + BZERO.
struct TCle16 {
    uint16_t Inversion = 0;
    double Decalage = 0;
};
TCle16 Cle16(double bzero)
{
    // BZERO 0: samples read as 0..65535; any other: standard signed samples.
    return bzero == 0 ? TCle16{} : TCle16{0x8000, 32768};
}

} // namespace

namespace {

// NaN where the raw sample is the BLANK value.
template <class T>
void MarquerBlancs(const uchar* s, size_t n, double* v, int64_t blank)
{
    for (size_t i = 0; i < n; ++i, s += sizeof(T))
        if (static_cast<int64_t>(GrosBoutiste<T>(s)) == blank)
            v[i] = std::numeric_limits<double>::quiet_NaN();
}

} // namespace

void DecoderEchantillonsFit(const TEnteteFichierFit& e, const unsigned char* const octets, size_t n, double* v)
{
    const unsigned char* s = octets;
    switch (e.Bitpix) {
    case 8: Decoder<uint8_t>(s, n, v, e.BScale, e.BZero); break;
    case 16: {
        const TCle16 c = Cle16(e.BZero);
        for (size_t i = 0; i < n; ++i, s += 2) {
            const uint16_t k = static_cast<uint16_t>(((s[0] << 8) | s[1]) ^ c.Inversion);
            v[i] = (k - c.Decalage) * e.BScale + e.BZero;
        }
        break;
    }
    case 32: Decoder<int32_t>(s, n, v, e.BScale, e.BZero); break;
    case 64: Decoder<int64_t>(s, n, v, e.BScale, e.BZero); break;
    case -32: Decoder<float>(s, n, v, e.BScale, e.BZero); break;
    case -64: Decoder<double>(s, n, v, e.BScale, e.BZero); break;
    default: std::fill(v, v + n, 0.0); break;
    }
    if (e.Blank) {
        switch (e.Bitpix) {
        case 8: MarquerBlancs<uint8_t>(octets, n, v, *e.Blank); break;
        case 16: MarquerBlancs<int16_t>(octets, n, v, *e.Blank); break;
        case 32: MarquerBlancs<int32_t>(octets, n, v, *e.Blank); break;
        case 64: MarquerBlancs<int64_t>(octets, n, v, *e.Blank); break;
        default: break;
        }
    }
}


QByteArray LireFichierEnMemoire(const QString& nom) { return LireFichierComplet(nom); }

int CompterCartesFit(const QString& nom)
{
    QFile f;
    OuvrirFichierLecture(f, nom);
    return static_cast<int>(CartesFichier(LireBlocsEntete(f), nom).size());
}

namespace {

// What a load decoded, before the shift of a negative minimum.
struct TDecodageFit {
    double Min = 0;
    double Max = 0;
    size_t Blancs = 0; // undefined samples, NaN until given the lowest defined value
    std::optional<TTableHistogrammeFit> Histogramme; // of the shifted values, when asked
};

// Bands of 4 MB of samples: decoded while in cache, and small enough to keep
// two band buffers from one load to the next (below).
constexpr int kOctetsBande = 22; // log2

// What loads keep from one to the next. The two bands of a usual width
// always; the raw data of a whole image, which a load into the image's own
// block reads before it writes a pixel, while images of that size are loaded
// (up to that of a 24-megapixel camera). A load that needed more, or less
// than what is kept, gives the rest back when it ends.
constexpr size_t kOctetsBandesUsuelles = size_t(8) << 20;
constexpr size_t kOctetsGardes = size_t(48) << 20;

// Working memory of this thread's loads, kept from one load to the next:
// new blocks came with new pages at each load (at a width of 4096, the two
// band buffers of 16 MB were just past what the allocator keeps for reuse),
// and this thread faulted them in, for as long as decoding took.
struct TMemoireDecodage {
    std::unique_ptr<uchar[]> Bandes;
    size_t Octets = 0;
    size_t Demandes = 0; // by the load under way
    std::vector<uint32_t> Comptes; // key counters, see CompterEchantillons16

    // Band buffers of at least n bytes, 64-byte aligned: the decoder reads
    // each row's 64 bytes of a strip as one cache line.
    uchar* TamponsBandes(size_t n)
    {
        Demandes = std::max(Demandes, n);
        if (Octets < n) {
            // Size first: a failed allocation must not leave a size without its buffer.
            Rendre();
            Bandes.reset(new uchar[n + 63]);
            Octets = n;
        }
        return Bandes.get() + (64 - reinterpret_cast<uintptr_t>(Bandes.get()) % 64) % 64;
    }
    void Rendre()
    {
        Octets = 0;
        Bandes.reset();
    }
};
TMemoireDecodage& MemoireDecodage()
{
    thread_local TMemoireDecodage memoire;
    return memoire;
}

// At the end of a load, however it ends: what exceeds the usual size goes.
struct TFinDecodage {
    TFinDecodage() { MemoireDecodage().Demandes = 0; }
    ~TFinDecodage()
    {
        TMemoireDecodage& m = MemoireDecodage();
        if (m.Octets > kOctetsGardes || m.Octets > std::max(kOctetsBandesUsuelles, m.Demandes))
            m.Rendre();
        if (m.Comptes.capacity() * sizeof(uint32_t) > kOctetsGardes)
            std::vector<uint32_t>().swap(m.Comptes);
    }
};

// Reads octets bytes from the position, in pieces of 4 MB on several threads:
// copies out of the system's cache go faster side by side.
void LireEnParallele(QFile& f, int64_t position, uchar* dest, int64_t octets)
{
    constexpr int64_t kMorceau = int64_t(1) << 22;
    const int64_t morceaux = (octets + kMorceau - 1) / kMorceau;
    std::vector<std::exception_ptr> erreurs(static_cast<size_t>(NombrePartsParallele(morceaux, 1, 2)));
    ExecuterEnParallele(morceaux, 1, 2, [&](int64_t m0, int64_t m1, int p) {
        try {
            const int64_t debut = m0 * kMorceau, fin = std::min(octets, m1 * kMorceau);
            LireExactementA(f, position + debut, reinterpret_cast<char*>(dest + debut), fin - debut);
        } catch (...) {
            erreurs[static_cast<size_t>(p)] = std::current_exception();
        }
    });
    for (const std::exception_ptr& erreur : erreurs)
        if (erreur)
            std::rethrow_exception(erreur);
}

// 16-bit samples, by bands of file rows, each decoded while in cache by
// strips of columns on several threads; the keys counted on the way when the
// histogram is asked. While the pool decodes one band, this thread reads the
// next one; with toutLire, every byte is read before the first band is
// decoded, so that a failed read leaves the pixels untouched.
TDecodageFit Decoder16(QFile& f, const TEnteteFichierFit& e, double* pixels, bool histogramme, bool toutLire)
{
    const int64_t l = e.Largeur, h = e.Hauteur;
    NoyauxFit::TBande16 b;
    const TCle16 c = Cle16(e.BZero);
    b.Inversion = c.Inversion;
    b.Decalage = c.Decalage;
    b.BScale = e.BScale;
    b.BZero = e.BZero;
    b.Identite = e.BScale == 1 && e.BZero == c.Decalage; // BZERO 0 or 32768: the pixel is the key
    b.Pixels = pixels;
    b.Largeur = l;
    b.Hauteur = h;

    const int64_t bande = std::max<int64_t>(8, ((int64_t(1) << kOctetsBande) / (2 * l)) & ~int64_t(7));
    const size_t octetsBande = static_cast<size_t>(2 * l * std::min(bande, h));
    TMemoireDecodage& memoire = MemoireDecodage(); // this thread's, which the pool's pieces reach by reference
    uchar* const tampons =
        memoire.TamponsBandes(toutLire ? static_cast<size_t>(2 * l * h) : (h > bande ? 2 : 1) * octetsBande);
    // Parts of at least 64 K samples of a band.
    const int64_t minimum = std::max<int64_t>(32, (int64_t(1) << 16) / std::min(bande, h));
    const int parts = NombrePartsParallele(l, 32, minimum);
    std::vector<NoyauxFit::TCles> cles(static_cast<size_t>(parts));
    // Counts per thread, to be summed.
    const size_t tables = static_cast<size_t>(parts) * NoyauxFit::kSousTables;
    std::vector<uint32_t>& comptes = memoire.Comptes;
    comptes.assign(histogramme ? tables << 16 : 0, 0);
    // Everything that may fail comes before the first pixel is written.
    TDecodageFit d;
    if (histogramme)
        d.Histogramme.emplace(65536, 0);
    if (toutLire) {
        LireEnParallele(f, e.Debut, tampons, 2 * l * h);
    } else {
        if (!f.seek(e.Debut))
            LeverErreurFichier(ES_LectureApresFin);
        LireExactement(f, tampons, 2 * l * std::min(bande, h));
    }
    for (int64_t r0 = 0, i = 0; r0 < h; r0 += bande, ++i) {
        b.Rang0 = r0;
        b.Rangs = std::min(bande, h - r0);
        b.Source = toutLire ? tampons + 2 * l * r0 : tampons + (i % 2) * octetsBande;
        uchar* suivant = tampons + ((i + 1) % 2) * octetsBande;
        ExecuterEnParallele(
            l, 32, minimum,
            [&](int64_t x0, int64_t x1, int p) {
                // A piece of columns decodes them and counts the same share
                // of whole rows: contiguous bytes, read at memory speed.
                if (histogramme) {
                    const int64_t ra = x0 * b.Rangs / l, rb = x1 * b.Rangs / l;
                    NoyauxFit::CompterEchantillons16(b.Source + 2 * l * ra, l * (rb - ra),
                                                     comptes.data() + ((static_cast<size_t>(p) * NoyauxFit::kSousTables) << 16));
                }
                NoyauxFit::DecoderBande16(b, x0, x1, cles[p]);
            },
            [&] {
                if (!toutLire && r0 + bande < h)
                    LireExactement(f, suivant, 2 * l * std::min(bande, h - r0 - bande));
            });
    }
    uint16_t cleMin = 0xFFFF, cleMax = 0;
    for (const NoyauxFit::TCles& k : cles) {
        cleMin = std::min(cleMin, k.Min);
        cleMax = std::max(cleMax, k.Max);
    }
    const auto valeur = [&](uint32_t k) { return b.Identite ? double(k) : (k - b.Decalage) * b.BScale + b.BZero; };
    d.Min = std::min(valeur(cleMin), valeur(cleMax));
    d.Max = std::max(valeur(cleMin), valeur(cleMax));
    if (histogramme) {
        // Each key's count goes to the counter of its pixel value, shifted as
        // the pixels will be: the table a count over the pixels would give.
        const double decalage = std::min(d.Min, 2147483647.0);
        TTableHistogrammeFit& t = *d.Histogramme;
        for (uint32_t k = cleMin; k <= cleMax; ++k) {
            const uint32_t brut = k ^ b.Inversion;
            int64_t n = 0;
            for (size_t q = 0; q < tables; ++q)
                n += comptes[(q << 16) + brut];
            if (n == 0)
                continue;
            double v = valeur(k);
            if (decalage < 0)
                v -= decalage;
            uint32_t i;
            if (!NoyauxFit::IndexRapide(v, i))
                i = v > 0 ? 65535 : 0;
            t[i] += n;
        }
    }
    return d;
}

// Any other BITPIX, and files with undefined samples: bands of 8 file rows
// decoded by the shared rule, then stored 8 values at a time in each column.
// Undefined samples stay NaN and are counted.
TDecodageFit DecoderAutres(QFile& f, const TEnteteFichierFit& e, double* pixels)
{
    const int64_t l = e.Largeur, h = e.Hauteur, o = e.OctetsEchantillon();
    std::vector<uchar> brut(static_cast<size_t>(8 * l * o));
    std::vector<double> lignes(static_cast<size_t>(8 * l));
    TDecodageFit d;
    d.Min = std::numeric_limits<double>::infinity();
    d.Max = -d.Min;
    if (!f.seek(e.Debut))
        LeverErreurFichier(ES_LectureApresFin);
    for (int64_t r0 = 0; r0 < h; r0 += 8) {
        const int64_t n = std::min<int64_t>(8, h - r0);
        LireExactement(f, brut.data(), n * l * o);
        DecoderEchantillonsFit(e, brut.data(), static_cast<size_t>(n * l), lignes.data());
        for (int64_t x = 0; x < l; ++x) {
            double* col = pixels + x * h + (h - 1 - r0);
            for (int64_t r = 0; r < n; ++r) {
                const double v = lignes[static_cast<size_t>(r * l + x)];
                col[-r] = v;
                if (std::isnan(v)) {
                    ++d.Blancs;
                    continue;
                }
                d.Min = std::min(d.Min, v);
                d.Max = std::max(d.Max, v);
            }
        }
    }
    return d;
}

// A new pixel block of n values. Its pages are faulted in on four threads
// before the fill that std::vector makes: one thread faulting in 128 MB page
// by page spent most of a first load there. More threads did not fault them
// in sooner (the system serialises much of that work) but made the slowest
// of several first loads slower, as did filling while the pool faulted them
// in ahead. Where the system cannot, the fill faults them in as before.
void AllouerPixels(std::vector<double>& pixels, size_t n)
{
    pixels.reserve(n);
#if defined(MADV_POPULATE_WRITE)
    constexpr uintptr_t kMorceau = uintptr_t(2) << 20;
    static const uintptr_t page = static_cast<uintptr_t>(std::max(sysconf(_SC_PAGESIZE), 1L));
    const uintptr_t debut = reinterpret_cast<uintptr_t>(pixels.data()) & ~(page - 1);
    const uintptr_t fin = reinterpret_cast<uintptr_t>(pixels.data() + n);
    const int64_t morceaux = static_cast<int64_t>((fin - debut + kMorceau - 1) / kMorceau);
    if (morceaux >= 8)
        ExecuterEnParallele(morceaux, 1, morceaux / 4, [&](int64_t m0, int64_t m1, int) {
            const uintptr_t a = debut + m0 * kMorceau, b = std::min(fin, debut + m1 * kMorceau);
            madvise(reinterpret_cast<void*>(a), b - a, MADV_POPULATE_WRITE);
        });
#endif
    pixels.resize(n);
}

} // namespace

void LireFichierFit(THistoFit& image, const QString& nom)
{
    QFile f(nom);
    TEnteteFichierFit e = OuvrirEntete(f, nom);
    const int64_t l = e.Largeur, h = e.Hauteur;
    TFinDecodage fin;
    SiMemoireManque([&] {
        const size_t n = static_cast<size_t>(l) * static_cast<size_t>(h);
        // The levels need the histogram only when a level card is missing.
        const bool histogramme =
            DerniereCarteTexte(e.Cartes, "STL_SMIN") < 0 || DerniereCarteTexte(e.Cartes, "STL_SMAX") < 0;
        // An image that has a block of this size keeps it, when its raw data
        // fits the memory kept between loads: everything is read before the
        // first pixel is written. Any other load fills a new block, which
        // replaces the old one only once the load has succeeded.
        const bool seize = e.Bitpix == 16 && !e.Blank;
        const bool enPlace = seize && image.Pixels.size() == n && 2 * n <= kOctetsGardes;
        std::vector<double> nouveaux;
        if (!enPlace)
            AllouerPixels(nouveaux, n);
        double* pixels = enPlace ? image.Pixels.data() : nouveaux.data();
        TDecodageFit d = seize ? Decoder16(f, e, pixels, histogramme, enPlace) : DecoderAutres(f, e, pixels);
        // Undefined samples take the lowest defined value (0 when none is).
        if (d.Blancs) {
            if (d.Blancs == n)
                d.Min = d.Max = 0;
            for (double& p : nouveaux)
                if (std::isnan(p))
                    p = d.Min;
        }
        // The reader's extremes: Min starts at 2147483647, and a negative one
        // shifts every pixel so that it becomes 0.
        const double mini = std::min(d.Min, 2147483647.0), maxi = d.Max;
        if (mini < 0 && !std::isfinite(maxi - mini))
            FichierInvalide(nom, QStringLiteral("Les valeurs du fichier %1 s'étendent au-delà des limites des réels.")
                                     .arg(Court(nom)));
        if (!enPlace)
            image.Pixels.swap(nouveaux);
        image.XMax = static_cast<int32_t>(l - 1);
        image.YMax = static_cast<int32_t>(h - 1);
        image.Max = maxi;
        image.Min = mini;
        if (image.Min < 0) {
            for (double& p : image.Pixels)
                p -= mini;
            image.Max -= mini;
            image.Min = 0;
        }
        image.SourceNonReproductible = !e.Reproductible();
        image.Entete = std::move(e.Cartes);
        if (histogramme && !d.Histogramme) {
            d.Histogramme.emplace();
            CalculerHistogrammeFit(image, *d.Histogramme);
        }
        CompleterEntete(image, d.Histogramme);
        image.SMin = LireSMinEnteteFit(image);
        image.SMax = LireSMaxEnteteFit(image);
        image.TRFT = LireTransfertEnteteFit(image);
    }, [&] {
        throw EErreurFichier(ES_LectureApresFin,
                             TexteMemoireInsuffisante(QStringLiteral("charger le fichier ") + Court(nom), nom, l, h));
    });
}

void ChargerFit(THistoFit& image, const QString& nom) { LireFichierFit(image, nom); }

size_t MemoireGardeeLectureFit()
{
    const TMemoireDecodage& m = MemoireDecodage();
    return m.Octets + m.Comptes.capacity() * sizeof(uint32_t);
}

void DimensionsFichierFit(const QString& nom, int32_t& largeur, int32_t& hauteur)
{
    // The same checks as a load; only the header is read.
    QFile f(nom);
    const TEnteteFichierFit e = OuvrirEntete(f, nom);
    largeur = e.Largeur;
    hauteur = e.Hauteur;
}

TEnteteFichierFit LireEnteteFichierFit(const QString& nom)
{
    QFile f(nom);
    return OuvrirEntete(f, nom);
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
// Header checks
// ===========================================================================

QString TexteReelExactFit(double valeur)
{
    return QString::number(valeur, 'g', QLocale::FloatingPointShortest).toUpper();
}

QString DefautEnteteFit(const QStringList& cartes)
{
    const auto carte = [&](const char* motCle) -> std::optional<QString> {
        const int i = DerniereCarteFit(cartes, QLatin1String(motCle));
        return i < 0 ? std::nullopt : std::optional(ValeurCarteSansCommentaire(cartes[i]));
    };
    const QString relue = QStringLiteral(" : un fichier écrit avec cette carte ne pourrait pas être relu.");
    int32_t entier = 0;
    if (const auto v = carte("SIMPLE"); v && *v != QLatin1String("T"))
        return QStringLiteral("La carte SIMPLE vaut « %1 » au lieu de T").arg(*v) + relue;
    if (const auto v = carte("BITPIX"); v && !(TexteCarteEnEntierSigne(*v, entier) && BitpixConnu(entier)))
        return QStringLiteral("La carte BITPIX (« %1 ») ne donne pas un format d'échantillons FITS "
                              "(8, 16, 32, 64, -32 ou -64)")
                   .arg(*v) +
               relue;
    if (const auto v = carte("NAXIS"); v && !(TexteCarteEnEntier(*v, entier) && entier >= 2 && entier <= 999))
        return QStringLiteral("La carte NAXIS (« %1 ») ne donne pas un nombre d'axes de 2 à 999").arg(*v) + relue;
    double bscale = 1, bzero = 0;
    for (const auto& [motCle, valeur] : {std::pair("BSCALE", &bscale), std::pair("BZERO", &bzero)})
        if (const auto v = carte(motCle); v && !TexteCarteEnReel(*v, *valeur))
            return QStringLiteral("La carte %1 (« %2 ») ne donne pas un nombre réel").arg(QLatin1String(motCle), *v) +
                   relue;
    if (!(bscale > 0))
        return QStringLiteral("La carte BSCALE (« %1 ») doit être strictement positive").arg(*carte("BSCALE")) + relue;
    if (!EchelleLisibleFit(16, bscale, bzero))
        return QStringLiteral("Les cartes BSCALE et BZERO donnent des valeurs hors des limites des réels (BSCALE %1, "
                              "BZERO %2)")
                   .arg(TexteReelExactFit(bscale), TexteReelExactFit(bzero)) +
               relue;
    return QString();
}

// ===========================================================================
// Rendering
// ===========================================================================

namespace {

struct TRenduFit {
    TCourbeAffichage Courbe;
    bool Positif = true;
};

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

    TRenduFit r;
    r.Courbe = PreparerCourbe(image.SMin, image.SMax, image.TRFT);
    r.Positif = positif;
    static thread_local TTableCourbe table;
    ConstruireTableCourbe(r.Courbe, table);
    if (!positif)
        for (uint8_t& o : table)
            o = static_cast<uint8_t>(255 - o);
    NoyauxFit::TRendu k;
    k.Pixels = image.Pixels.data();
    k.Hauteur = h;
    k.Octets = cible.bits();
    k.Pas = cible.bytesPerLine();
    k.Table = table.data();
    k.Contexte = &r;
    k.Hors = [](double v, const void* c) -> unsigned char {
        const TRenduFit& r = *static_cast<const TRenduFit*>(c);
        const int o = NiveauCourbe(r.Courbe, ArrondiPixel(v));
        return static_cast<unsigned char>(r.Positif ? o : 255 - o);
    };
    // Strips of 64 columns on several threads, each pixel on its own: the
    // bytes do not depend on how the strips are shared. Parts of at least
    // 256 K pixels.
    ExecuterEnParallele(l, 64, std::max<int64_t>(64, (int64_t(1) << 18) / h),
                        [&](int64_t x0, int64_t x1, int) { NoyauxFit::RendreColonnes(k, x0, x1); });
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

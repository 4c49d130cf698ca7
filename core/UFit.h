#pragma once
// One 16-bit FITS image in memory, its FITS files and header cards, and its
// display levels and transfer curves.
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// One header card: at most 80 characters, padded to 80 when written.
using CarteFit = QString;

// The picture control that shows an image: each rendering is handed to it.
// Empty for work and undo copies.
using TProprietaire = std::function<void(const QImage&)>;

// Pixels are one contiguous block, column by column (x outer, y inner);
// y = 0 is the top row as displayed.
class THistoFit {
public:
    TProprietaire Proprietaire;
    QImage BitmapAffichage;
    int32_t Zoom = 100;
    QList<QRgb> Palette;       // empty: renderings take the grey palette
    QStringList Entete;        // the header, "END" card last
    std::vector<double> Pixels;
    int32_t XMax = 0;
    int32_t YMax = 0;
    double Max = 0;
    double Min = 0;
    int32_t SMin = 0;
    int32_t SMax = 0;
    double TRFT = 0;
    // Set by the reader when the file held what the 16-bit writer cannot
    // write back (another BITPIX, more than one plane): saving over it would
    // replace it with a converted copy. Carried by the copies and the swap.
    bool SourceNonReproductible = false;

    double& Pixel(int x, int y) { return Pixels[static_cast<size_t>(x) * (YMax + 1) + y]; }
    double Pixel(int x, int y) const { return Pixels[static_cast<size_t>(x) * (YMax + 1) + y]; }
    // Start of column x: YMax + 1 values, top row first.
    double* Colonne(int x) { return Pixels.data() + static_cast<size_t>(x) * (YMax + 1); }
    const double* Colonne(int x) const { return Pixels.data() + static_cast<size_t>(x) * (YMax + 1); }

    // True when the pixel block matches the size: a fresh object has none.
    bool PixelsPresents() const
    {
        return XMax >= 0 && YMax >= 0 &&
               Pixels.size() == (static_cast<size_t>(XMax) + 1) * (static_cast<size_t>(YMax) + 1);
    }
};

// ===========================================================================
// Transfer curves, shared with the BMP rendering.
// ===========================================================================

// Curve constants of one rendering: chosen by the sign of TRFT (below 0
// exponential, 0 linear, above 0 logarithmic) and computed once.
struct TCourbeAffichage {
    int Genre = 0;            // -1 exponential, 0 linear, 1 logarithmic
    int32_t SMin = 0;
    int32_t SMax = 0;
    long double Ecart = 0;    // SMax - SMin
    long double LnA = 0;      // log: ln a
    long double InvA = 0;     // log: 1 / a
    long double P = 0;        // exp: p = -TRFT
    long double InvP = 0;     // exp: 1 / p
};

TCourbeAffichage PreparerCourbe(int32_t sMin, int32_t sMax, double trft);
// Output (0..sortie) of the curve for the rounded pixel value v; any v and
// any levels (64-bit arithmetic, no overflow).
int NiveauCourbe(const TCourbeAffichage& courbe, int64_t v, int sortie = 255);

// The per-rendering lookup table: entry v = curve output (out 255) for the
// rounded pixel value v, v = 0..65535.
using TTableCourbe = std::array<uint8_t, 65536>;
void ConstruireTableCourbe(const TCourbeAffichage& courbe, TTableCourbe& table);
void ConstruireTableCourbe(int32_t sMin, int32_t sMax, double trft, TTableCourbe& table);
// Rounds a pixel value to the curve's input (halves to even), kept within
// +-1e15 so that every later integer computation is exact.
int64_t ArrondiPixel(double valeur);

// The 41-value ladder.
bool EstTransfertValide(double valeur);
double TransfertSuivant(double valeur);
double TransfertPrecedent(double valeur);
QString NomCourbe(double valeur);            // "Exp", "Lin" or "Log"
double TransfertParDefaut();                 // 0

// ===========================================================================
// The image object.
// ===========================================================================

void CreerHistoFit(THistoFit& image, TProprietaire proprietaire = {});
void DetruireHistoFit(THistoFit& image);
int32_t LargeurFit(const THistoFit& image);
int32_t HauteurFit(const THistoFit& image);
int32_t ZoomFit(const THistoFit& image);
double ValeurPixelFit(const THistoFit& image, int x, int y);
void FixerPixelFit(THistoFit& image, int x, int y, double valeur);
int64_t MiniArrondiFit(const THistoFit& image);
int64_t MaxiArrondiFit(const THistoFit& image);
void PositionMaxiFit(const THistoFit& image, int32_t& x, int32_t& y);

void CopierPixelsFit(const THistoFit& source, THistoFit& cible);
void CopierHistoFit(const THistoFit& source, THistoFit& cible);
void EchangerHistoFit(THistoFit& a, THistoFit& b);

void InitialiserImageFit(THistoFit& image, int32_t largeur, int32_t hauteur, double valeur);
void CreerImageFitRemplie(THistoFit& image, int32_t largeur, int32_t hauteur, double valeur);
void ImporterBitmapFit(THistoFit& image, const QImage& bitmap);

void AdditionnerImageFit(THistoFit& image, const THistoFit& autre);
void SoustraireImageFit(THistoFit& image, const THistoFit& autre);
void MultiplierImageFit(THistoFit& image, const THistoFit& autre, double k);
void DiviserImageFit(THistoFit& image, const THistoFit& autre, double k);
void MultiplierConstanteFit(THistoFit& image, double c);

// ===========================================================================
// FITS files and header cards.
// ===========================================================================

// Loads a file: the first plane of the primary image, any standard BITPIX
// (8, 16, 32, 64, -32, -64), big-endian. Values: sample x BSCALE + BZERO,
// except BITPIX 16 with BZERO 0, whose samples are read as 0..65535 (files
// written that way rely on it); non-finite samples read as 0. Integer samples
// equal to the header's BLANK are undefined: they take no part in Min and Max
// and load as the lowest defined value. A negative minimum is then shifted
// to 0. A missing file, a file that is not FITS, a header without image (the
// image in an extension), NAXIS1/NAXIS2 missing, not positive or beyond 32
// bits, another BITPIX, BSCALE/BZERO scaling beyond the range of doubles, data
// running past the end of the file, a read that fails or an image too large
// for memory throw EErreurFichier (French text naming the fault and the file)
// and leave the image as it was. Unpadded data is accepted.
void LireFichierFit(THistoFit& image, const QString& nom);
void ChargerFit(THistoFit& image, const QString& nom);
// Bytes this thread's loads keep for the next one (band buffers, counters),
// once a load ends: the bands of a usual width, or the raw data of the last
// image when a load of that size may come again (48 MB at most).
size_t MemoireGardeeLectureFit();
int CompterCartesFit(const QString& nom);
QByteArray LireFichierEnMemoire(const QString& nom);
// The header's NAXIS1 and NAXIS2, with the same checks as a load (only the
// header is read).
void DimensionsFichierFit(const QString& nom, int32_t& largeur, int32_t& hauteur);

// A file's header, read and checked exactly as a load does (only the header
// is read): its cards up to "END", size, sample format, scaling and where the
// data starts.
struct TEnteteFichierFit {
    QStringList Cartes;
    int32_t Largeur = 0;
    int32_t Hauteur = 0;
    int32_t Bitpix = 16;
    int64_t Plans = 1;   // NAXIS3 x NAXIS4 ...: only the first is read
    double BZero = 0;
    double BScale = 1;
    int64_t Debut = 0;
    // Integer samples equal to it are undefined (only one the samples can hold).
    std::optional<int64_t> Blank;
    int OctetsEchantillon() const { return (Bitpix < 0 ? -Bitpix : Bitpix) / 8; }
    // What the writer can write back as it was read.
    bool Reproductible() const { return Bitpix == 16 && Plans == 1; }
};
TEnteteFichierFit LireEnteteFichierFit(const QString& nom);
// The raw range of integer samples of 8, 16 (signed unless BZERO is 0) and
// 32 bits; false for the other kinds.
bool BornesEchantillonsFit(int32_t bitpix, double bzero, double& bas, double& haut);

// The one sample rule of the reader: n consecutive samples of the file's data
// (file order) into values, before the shift of a negative minimum. Undefined
// (BLANK) samples give NaN: the caller gives them the lowest defined value.
void DecoderEchantillonsFit(const TEnteteFichierFit& entete, const unsigned char* source, size_t n,
                            double* valeurs);
void SeuilsFichierFit(const QString& nom, int32_t& bas, int32_t& haut);

// Header builders and changes.
void CreerEnteteFit(int32_t largeur, int32_t hauteur, int32_t bitpix, int32_t seuilBas, int32_t seuilHaut,
                    double transfert, QStringList& entete);
void AjouterBZeroFit(THistoFit& image, double valeur);
void SupprimerBZeroFit(THistoFit& image);
// NAXIS1 and NAXIS2 cards that do not read as the size are rewritten.
void FixerDimensionsEnteteFit(THistoFit& image, int32_t largeur, int32_t hauteur);
void FixerDimensionsEnteteFit(QStringList& entete, int32_t largeur, int32_t hauteur);
// After the pixels moved on their grid (a turn, a mirror, a shift, a crop, a
// resize): NAXIS1 and NAXIS2 give the image's size and the world-coordinate
// cards (CTYPE, CRPIX, CRVAL, CDELT, CD, PC, CROTA, CUNIT, LONPOLE,
// LATPOLE...), which would now put the sky in the wrong place, go. Every other
// card stays; the writer settles SIMPLE, BITPIX, BSCALE and BZERO.
void EnteteApresGeometrieFit(THistoFit& image);
// Why these cards, as the header of an image, would not survive a save and a
// read (SIMPLE, BITPIX or NAXIS that FITS does not know, a BSCALE or BZERO
// that is not a number, BSCALE 0 or below, a scaling beyond the reals):
// names the card and the cause, in French. Empty when none.
QString DefautEnteteFit(const QStringList& cartes);
// The header completion of reading: program cards appended when missing.
void CompleterEnteteFit(THistoFit& image);

// Value readers over the header in memory (last matching card, text test,
// default otherwise).
int32_t LireNaxis1Fit(const QStringList& entete);
int32_t LireNaxis2Fit(const QStringList& entete);
double LireBZeroFit(const QStringList& entete);
double LireBScaleFit(const QStringList& entete);
int32_t LireSMinEnteteFit(const QStringList& entete);
int32_t LireSMaxEnteteFit(const QStringList& entete);
double LireTransfertEnteteFit(const QStringList& entete);
int32_t LireNaxis1Fit(const THistoFit& image);
int32_t LireNaxis2Fit(const THistoFit& image);
double LireBZeroFit(const THistoFit& image);
double LireBScaleFit(const THistoFit& image);
int32_t LireSMinEnteteFit(const THistoFit& image);
int32_t LireSMaxEnteteFit(const THistoFit& image);
double LireTransfertEnteteFit(const THistoFit& image);

// The one number reading of FITS values, used by the reader and by the value
// readers: the shared text tests and conversions, with '.' taken as the
// decimal comma and an exponent ("3.2768E4", "1.0D0") accepted for reals.
// Return false (value untouched) for a text that holds no such number or an
// integer beyond 32 bits.
bool TexteCarteEnEntier(const QString& texte, int32_t& valeur);        // digits, a leading '+'
bool TexteCarteEnEntierSigne(const QString& texte, int32_t& valeur);   // sign allowed
bool TexteCarteEnReel(const QString& texte, double& valeur);

// Whether samples of that BITPIX so scaled stay within the doubles (the
// reader refuses a file where they do not).
bool EchelleLisibleFit(int32_t bitpix, double bscale, double bzero);
// The axes a world-coordinate keyword speaks of ((0, 0) for those of no one
// axis), nothing for any other keyword.
std::optional<std::pair<int, int>> AxesCoordonneesFit(const QString& motCle);

// Card routines.
QString MotCleCarte(const QString& carte);
QString ValeurCarte(const QString& carte);
QString ValeurCarteSansCommentaire(const QString& carte);
QString NormaliserCarte(const QString& ligne);
// Shortest decimal form of a real with '.' (3.5 -> "3.5", 0 -> "0").
QString TexteReelCourt(double valeur);
// The shortest FITS text that reads back as the very same double ("1.5E-06").
QString TexteReelExactFit(double valeur);
// Cards as this program builds them: keyword padded to 8, "=", value
// right-aligned to column 30; the release card; padded to 80 characters.
QString CarteValeurFit(const QString& motCle, const QString& valeur);
QString CarteEntiereFit(const QString& motCle, int64_t valeur);
QString CarteReleaseFit();
QString CarteRembourreeFit(const QString& carte);
bool EstCarteFinFit(const QString& carte);
// Index of the last card whose keyword is motCle, -1 when none.
int DerniereCarteFit(const QStringList& entete, QLatin1String motCle);

// ===========================================================================
// Rendering, levels, summary, files and histogram band.
// ===========================================================================

// Renders with the image's levels, curve and zoom and hands the result to
// Proprietaire (nothing when it is empty); positif false shows the negative.
void AfficherFit(THistoFit& image, bool positif = true);
// Renders, always positive, into BitmapAffichage and returns it.
QImage& BitmapFit(THistoFit& image);
// The rendering itself (8-bit grey, the image's palette or the grey one).
QImage RendreFit(const THistoFit& image, bool positif);
void FixerSeuilsFit(THistoFit& image, int32_t bas, int32_t haut, bool redessiner, bool positif);
void FixerTransfertFit(THistoFit& image, bool redessiner, bool positif, double valeur);
void FixerZoomFit(THistoFit& image, int32_t pourcent, bool redessiner, bool positif);

// 65536 counters; values below 0 count at 0 and above 65535 at 65535.
using TTableHistogrammeFit = std::vector<int64_t>;
void CalculerHistogrammeFit(const THistoFit& image, TTableHistogrammeFit& table);
int32_t ModeHistogrammeFit(const THistoFit& image);
int32_t ModeHistogramme(const TTableHistogrammeFit& table);
int32_t SeuilMiniAutoFit(const THistoFit& image);
int32_t SeuilMaxiAutoFit(const THistoFit& image);
QString TexteInfoFit(const THistoFit& image);

// Image kind from a file name: 1 FIT, 2 BMP, 0 other.
enum : int32_t { tiAutre = 0, tiFit = 1, tiBmp = 2 };
int32_t TypeFichier(const QString& nom);
void DimensionsFichierImage(const QString& nom, int32_t& largeur, int32_t& hauteur);
// True when every existing file of the list has the same size. The label is a
// callback that shows a caption (empty: none); it is told the countdown and
// cleared at the end.
bool ControlerTaillesListe(const QStringList& noms, const std::function<void(const QString&)>& etiquette,
                           const QString& texte);
// Draws the bitmap into the picture of a control (dessin, of the control's
// size) keeping its proportions.
void AjusterDessin(QImage& dessin, const QImage& bitmap);
// The threshold band on the histogram picture of the threshold windows.
void MarquerSeuilsHistogramme(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue);
void MarquerSeuilsHistogrammeLog(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue, double transfert);
void MarquerSeuilsHistogrammeExp(QImage& dessin, int32_t bas, int32_t haut, int32_t etendue, double transfert);

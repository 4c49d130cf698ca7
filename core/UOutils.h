#pragma once
// Small routines every unit calls: numbers, texts, bitmaps, file names.
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>

// Start and end of the program's tools: opens / closes the settings file.
void InitialiserOutils();
void TerminerOutils();

// Cursor of the whole application (prefer TSablier for a scope).
void CurseurSablier();
void CurseurNormal();

// Numbers
int32_t MinEntier(int32_t a, int32_t b);
int32_t MaxEntier(int32_t a, int32_t b);
int32_t BornerEntier(int32_t v, int32_t lo, int32_t hi); // the low bound wins when lo > hi
double MinReel(double a, double b);
double MaxReel(double a, double b);
double BornerReel(double v, double lo, double hi);
void EchangerEntiers(int32_t& a, int32_t& b);
double ValeurNonNulle(double valeur, double remplacement);
// Fixed-point text with n decimals (0..18), 15 significant digits and the
// decimal comma: 0.2 -> "0,2". A dropped half goes away from zero (1.25 with
// one decimal -> "1,3"): this is text, not a rounding to an integer.
QString ReelEnTexte(double valeur, int decimales);
// General form: at most 15 significant digits, the decimal comma, an
// exponent only below 1E-4 or from 1E15: 0.7 -> "0,7", 2.0 -> "2", 1e-5 -> "1E-5".
QString ReelEnTexteGeneral(double valeur);
QString EntierEnTexte(int64_t valeur);

// Text to number with the decimal comma. Blanks around the number are
// allowed; a '.' is not a decimal separator; an exponent (1,5E3) is accepted.
// Empty result when the text does not convert or is out of range.
std::optional<double> TexteEnReel(const QString& texte);
std::optional<int32_t> TexteEnEntier(const QString& texte);
// Same conversions, with a default for texts that do not convert.
double TexteEnReelDefaut(const QString& texte, double defaut);
int32_t TexteEnEntierDefaut(const QString& texte, int32_t defaut);
// Same conversions, raising EStelor with the class library's message
// ("'x' n'est pas une valeur en virgule flottante correcte").
double ConvertirReel(const QString& texte);
int32_t ConvertirEntier(const QString& texte);
// For fields that bring a number to their bounds: a number too big to hold
// (500 digits, 1E999) gives an infinity of its sign, for the caller to bound;
// a text that is not a number is still refused.
std::optional<double> TexteEnReelSature(const QString& texte);
double ConvertirReelSature(const QString& texte);
// A user's text as a message quotes it: cut with "…" past 40 characters.
QString TexteCite(const QString& texte);

// Text tests
bool EstSigneEnTete(const QString& texte);      // the first '+' and first '-' are the first character
bool EstTexteReel(const QString& texte);        // sign first, then only '+', ',', '-', digits
bool EstTexteEntierSigne(const QString& texte); // sign first, then only '+', '-', digits
bool EstTexteEntier(const QString& texte);      // not empty, only digits
QString PointEnVirgule(const QString& texte);

// Presets of the display-threshold fineness: 60, 120, 180, 240, 500.
extern const int32_t TablePreselections[5];
int32_t ValeurSuivanteListe(int32_t v);
int32_t ValeurPrecedenteListe(int32_t v);
// Zoom levels offered by the zoom submenu: "25%" ... "500%".
extern const char* const TableNiveauxZoom[8];
extern const int32_t TablePourcentsZoom[8];

// Colours are class-library values: red + green * 256 + blue * 65536.
// Values with the high byte $FF are system colours (clAppWorkSpace...).
using TCouleur = int32_t;
enum : TCouleur {
    clNoir = 0,
    clRouge = 255,
    clVert = 32768,   // the class library's green (0, 128, 0)
    clBleu = 0xFF0000,
    clBlanc = 0xFFFFFF,
    clGris = 0x808080,
    clAppWorkSpace = static_cast<TCouleur>(0xFF00000C),
};
TCouleur CouleurRVB(int r, int g, int b);
QColor CouleurEnQColor(TCouleur couleur);   // system colours take their usual value
TCouleur QColorEnCouleur(const QColor& couleur);
// Plane of a 24-bit picture chosen by colour: 255 -> 0, 32768 -> 1, $FF0000 -> 2;
// any other colour -> -1.
int IndexCouleur(TCouleur couleur);
// The colour of a plane index (0, 1, 2); clNoir for any other index.
TCouleur CouleurIndex(int index);

// Bitmaps (8-bit Format_Indexed8 takes the nearest palette entry).
void LibererBitmap(QImage& bitmap);
void LibererImageBitmap(QImage& bitmap);
void RemplirBitmapGris(QImage& bitmap);
void RemplirBitmapCouleur(QImage& bitmap, TCouleur couleur);
void RemplirBitmapNiveau(QImage& bitmap, int32_t niveau);
// Preview swatch: value * 127.5 / mean of the bounds, clamped to 0..255, in
// the flagged channels; grey when the text is empty. A text that does not
// convert raises the conversion error.
void RemplirBitmapValeur(QImage& bitmap, bool rouge, bool vert, bool bleu, double borne1, double borne2,
                         const QString& texte);
void RemplirBitmapDeuxValeurs(QImage& bitmap, const QString& texte1, const QString& texte2, double borne11,
                              double borne12, double borne21, double borne22);
// Channel level of a swatch (exposed for the dialogs that show it).
int NiveauApercu(double valeur, double borne1, double borne2);

// Marks. Lines leave out their end point; everything is clipped at the
// bitmap's edges. On an 8-bit bitmap the colour is replaced by white or
// black as each routine says.
void DessinerCroix(QImage& bitmap, int x, int y, TCouleur couleur);
void DessinerCroixPointillee(QImage& bitmap, int x, int y, TCouleur couleur);
void DessinerLignesRepere(QImage& bitmap, int x, int y, TCouleur couleur);
void MarquerPixel(QImage& bitmap, int x, int y, TCouleur couleur);
void DessinerCadre(QImage& bitmap, int x, int y, int largeur, int hauteur, TCouleur couleur);
void DessinerCroixTexte(QImage& bitmap, int x, int y, TCouleur couleur, const QString& texte);
void DessinerAxes(QImage& bitmap, TCouleur couleur);

// File names: folders are separated by '/'.
QString RepertoireApplication();                     // with its trailing '/'
QString NomFichierSansChemin(const QString& nom);    // after the last '/'
QString NomFichierSansExtension(const QString& nom); // file part cut before its first '.'
QString CheminFichier(const QString& nom);           // up to and including the last '/'
QString ExtensionFichier(const QString& nom);        // after the first '.' of the whole name
QString CompleterChaine(const QString& texte, int longueur, QChar caractere);
// First name premier + second + "001" (then "002"...) + troisieme that does not exist.
QString NomFichierSuivant(const QString& premier, const QString& second, const QString& troisieme);
int64_t TailleFichier(const QString& nom);               // raises EErreurFichier
int32_t LireConfigurationVisionneuse(const QString& nom); // number of lines; raises EErreurFichier
// True when a sorts after b: prefix, then extension, then the trailing number.
bool ComparerNomsFichiers(const QString& a, const QString& b);

// Memory that runs out while a file's image is made: the library's bad_alloc
// and length_error name nothing, so f runs under a catch that raises instead
// what manque throws, a message naming the file (manque must throw).
template <class F, class M>
decltype(auto) SiMemoireManque(F&& f, M&& manque)
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        manque();
        throw;
    } catch (const std::length_error&) {
        manque();
        throw;
    }
}
// "Mémoire insuffisante pour <pour> : son image de L x H pixels est trop
// grande (nom)."; without the image's part while its size is not known (0).
QString TexteMemoireInsuffisante(const QString& pour, const QString& nom, int64_t largeur, int64_t hauteur);

// Releases every item of a list of owned pointers, then empties the list.
template <class Liste>
void LibererListe(Liste& liste)
{
    for (auto* element : liste)
        delete element;
    liste.clear();
}

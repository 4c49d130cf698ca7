#include "UOutils.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UParametres.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

// ---------------------------------------------------------------------------
// Start, end, cursor

void InitialiserOutils()
{
    // The decimal comma is our own formatting and parsing: nothing to set.
    OuvrirPreferences();
}

void TerminerOutils() { FermerPreferences(); }

namespace {
bool SablierActif = false;
}

void CurseurSablier()
{
    if (!qGuiApp || SablierActif)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    SablierActif = true;
}

void CurseurNormal()
{
    if (!qGuiApp || !SablierActif)
        return;
    QGuiApplication::restoreOverrideCursor();
    SablierActif = false;
}

// ---------------------------------------------------------------------------
// Numbers

int32_t MinEntier(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t MaxEntier(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t BornerEntier(int32_t v, int32_t lo, int32_t hi) { return MaxEntier(MinEntier(v, hi), lo); }
double MinReel(double a, double b) { return a < b ? a : b; }
double MaxReel(double a, double b) { return a > b ? a : b; }
double BornerReel(double v, double lo, double hi) { return MaxReel(MinReel(v, hi), lo); }
void EchangerEntiers(int32_t& a, int32_t& b) { std::swap(a, b); }
double ValeurNonNulle(double valeur, double remplacement) { return valeur == 0 ? remplacement : valeur; }

namespace {

const int ChiffresSignificatifs = 15;

// The value's 15 significant digits and its decimal exponent: value =
// 0.D1D2...D15 x 10^point. The value must be finite and not 0.
void Decomposer(double valeur, std::string& chiffres, int& point)
{
    char tampon[64];
    const auto r = std::to_chars(tampon, tampon + sizeof tampon, std::fabs(valeur), std::chars_format::scientific,
                                 ChiffresSignificatifs - 1);
    const std::string texte(tampon, r.ptr);
    const auto e = texte.find('e');
    chiffres.clear();
    for (size_t i = 0; i < e; ++i)
        if (texte[i] != '.')
            chiffres += texte[i];
    point = std::atoi(texte.c_str() + e + 1) + 1;
}

QString TexteNonFini(double valeur)
{
    return std::isnan(valeur) ? QStringLiteral("NAN") : (valeur > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
}

} // namespace

QString ReelEnTexte(double valeur, int decimales)
{
    if (!std::isfinite(valeur))
        return TexteNonFini(valeur);
    decimales = std::clamp(decimales, 0, 18);
    std::string entier; // the value x 10^decimales, rounded, as digits
    if (valeur != 0) {
        std::string chiffres;
        int point = 0;
        Decomposer(valeur, chiffres, point);
        const int garder = point + decimales;
        if (garder >= 0) {
            if (garder >= ChiffresSignificatifs) {
                entier = chiffres + std::string(static_cast<size_t>(garder - ChiffresSignificatifs), '0');
            } else {
                entier = chiffres.substr(0, static_cast<size_t>(garder));
                // A dropped half goes away from zero, as the class library
                // writes it: 1.25 with one decimal shows as 1,3.
                if (chiffres[static_cast<size_t>(garder)] >= '5') {
                    int i = static_cast<int>(entier.size()) - 1;
                    for (; i >= 0 && entier[static_cast<size_t>(i)] == '9'; --i)
                        entier[static_cast<size_t>(i)] = '0';
                    if (i < 0)
                        entier.insert(entier.begin(), '1');
                    else
                        ++entier[static_cast<size_t>(i)];
                }
            }
        }
    }
    if (entier.size() < static_cast<size_t>(decimales) + 1)
        entier.insert(0, static_cast<size_t>(decimales) + 1 - entier.size(), '0');
    std::string partieEntiere = entier.substr(0, entier.size() - static_cast<size_t>(decimales));
    const auto premier = partieEntiere.find_first_not_of('0');
    partieEntiere = premier == std::string::npos ? "0" : partieEntiere.substr(premier);
    const bool nul = entier.find_first_not_of('0') == std::string::npos;
    std::string texte = (valeur < 0 && !nul) ? "-" : "";
    texte += partieEntiere;
    if (decimales > 0) {
        texte += ',';
        texte += entier.substr(entier.size() - static_cast<size_t>(decimales));
    }
    return QString::fromLatin1(texte.data(), static_cast<qsizetype>(texte.size()));
}

QString ReelEnTexteGeneral(double valeur)
{
    if (!std::isfinite(valeur))
        return TexteNonFini(valeur);
    if (valeur == 0)
        return QStringLiteral("0");
    std::string chiffres;
    int point = 0;
    Decomposer(valeur, chiffres, point);
    while (chiffres.size() > 1 && chiffres.back() == '0')
        chiffres.pop_back();
    const int exposant = point - 1;
    std::string texte = valeur < 0 ? "-" : "";
    if (exposant < -4 || exposant >= ChiffresSignificatifs) {
        texte += chiffres[0];
        if (chiffres.size() > 1) {
            texte += ',';
            texte += chiffres.substr(1);
        }
        texte += 'E';
        texte += std::to_string(exposant);
    } else if (point <= 0) {
        texte += "0,";
        texte.append(static_cast<size_t>(-point), '0');
        texte += chiffres;
    } else {
        if (chiffres.size() < static_cast<size_t>(point))
            chiffres.append(static_cast<size_t>(point) - chiffres.size(), '0');
        texte += chiffres.substr(0, static_cast<size_t>(point));
        if (chiffres.size() > static_cast<size_t>(point)) {
            texte += ',';
            texte += chiffres.substr(static_cast<size_t>(point));
        }
    }
    return QString::fromLatin1(texte.data(), static_cast<qsizetype>(texte.size()));
}

QString EntierEnTexte(int64_t valeur) { return QString::number(valeur); }

namespace {

bool EstChiffre(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

namespace {

// An optional sign at i (copied into the text when given); true for '-'.
bool LireSigne(const QString& t, qsizetype& i, std::string* ascii = nullptr)
{
    if (i >= t.size() || (t[i] != QLatin1Char('+') && t[i] != QLatin1Char('-')))
        return false;
    if (ascii)
        *ascii += static_cast<char>(t[i].unicode());
    return t[i++] == QLatin1Char('-');
}

// The digits at i, appended to the text; returns how many there were.
qsizetype LireChiffres(const QString& t, qsizetype& i, std::string& ascii)
{
    const qsizetype debut = i;
    for (; i < t.size() && EstChiffre(t[i]); ++i)
        ascii += static_cast<char>(t[i].unicode());
    return i - debut;
}

} // namespace

namespace {

// Decimal order of magnitude of a mantissa written "123.45" or ".001": the
// number of its whole digits after the leading zeros, or minus the zeros
// that follow the point. Only its sign is used.
int64_t OrdreMantisse(const std::string& mantisse)
{
    const auto point = std::min(mantisse.find('.'), mantisse.size());
    const auto premier = mantisse.find_first_not_of('0');
    if (premier < point)
        return static_cast<int64_t>(point - premier);
    const auto significatif = mantisse.find_first_not_of('0', point + 1);
    return significatif == std::string::npos ? 0 : -static_cast<int64_t>(significatif - point - 1);
}

// The number the text writes. A number too small to hold is 0; one too
// big to hold is no number, or an infinity of its sign when `saturer`.
std::optional<double> LireReel(const QString& texte, bool saturer)
{
    const QString t = texte.trimmed();
    std::string ascii;
    qsizetype i = 0;
    const bool negatif = LireSigne(t, i);
    qsizetype chiffresMantisse = LireChiffres(t, i, ascii);
    if (i < t.size() && t[i] == QLatin1Char(',')) {
        ascii += '.';
        ++i;
        chiffresMantisse += LireChiffres(t, i, ascii);
    }
    if (chiffresMantisse == 0)
        return std::nullopt;
    const std::string mantisse = ascii;
    int64_t exposant = 0; // capped: only its sign beside the mantissa's order counts
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        const bool exposantNegatif = LireSigne(t, i, &ascii);
        std::string chiffres;
        if (LireChiffres(t, i, chiffres) == 0)
            return std::nullopt;
        ascii += chiffres;
        for (const char c : chiffres)
            exposant = std::min<int64_t>(exposant * 10 + (c - '0'), 1000000000);
        if (exposantNegatif)
            exposant = -exposant;
    }
    if (i != t.size())
        return std::nullopt;
    if (ascii.front() == '.')
        ascii.insert(ascii.begin(), '0');
    double valeur = 0;
    const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), valeur, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (OrdreMantisse(mantisse) + exposant < 0)
            valeur = 0;
        else if (saturer)
            valeur = HUGE_VAL;
        else
            return std::nullopt;
    } else if (r.ec != std::errc() || r.ptr != ascii.data() + ascii.size()) {
        return std::nullopt;
    }
    return negatif ? -valeur : valeur;
}

} // namespace

std::optional<double> TexteEnReel(const QString& texte) { return LireReel(texte, false); }
std::optional<double> TexteEnReelSature(const QString& texte) { return LireReel(texte, true); }

std::optional<int32_t> TexteEnEntier(const QString& texte)
{
    const QString t = texte.trimmed();
    qsizetype i = 0;
    const bool negatif = LireSigne(t, i);
    std::string chiffres;
    if (LireChiffres(t, i, chiffres) == 0 || i != t.size())
        return std::nullopt;
    int64_t valeur = 0;
    for (const char c : chiffres) {
        valeur = valeur * 10 + (c - '0');
        if (valeur > int64_t(INT32_MAX) + 1) // stops long before any overflow
            return std::nullopt;
    }
    if (negatif)
        valeur = -valeur;
    if (valeur > INT32_MAX || valeur < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(valeur);
}

double TexteEnReelDefaut(const QString& texte, double defaut) { return TexteEnReel(texte).value_or(defaut); }
int32_t TexteEnEntierDefaut(const QString& texte, int32_t defaut) { return TexteEnEntier(texte).value_or(defaut); }

namespace {

// The class library's conversion error: "'x' n'est pas une valeur ... correcte".
template <class T> T ValeurConvertie(const std::optional<T>& valeur, const QString& texte, const char* genre)
{
    if (!valeur)
        LeverErreur(
            QStringLiteral("'%1' n'est pas une valeur %2 correcte").arg(TexteCite(texte), QString::fromUtf8(genre)));
    return *valeur;
}

} // namespace

QString TexteCite(const QString& texte)
{
    // Past this length a message box would outgrow the screen.
    constexpr qsizetype Longueur = 40;
    if (texte.size() <= Longueur)
        return texte;
    // Never cut between the two halves of a character outside the BMP.
    const qsizetype coupe = texte[Longueur - 1].isHighSurrogate() ? Longueur - 1 : Longueur;
    return texte.left(coupe) + QChar(0x2026);
}

double ConvertirReel(const QString& texte) { return ValeurConvertie(TexteEnReel(texte), texte, "en virgule flottante"); }
double ConvertirReelSature(const QString& texte)
{
    return ValeurConvertie(TexteEnReelSature(texte), texte, "en virgule flottante");
}
int32_t ConvertirEntier(const QString& texte) { return ValeurConvertie(TexteEnEntier(texte), texte, "entière"); }

// ---------------------------------------------------------------------------
// Text tests

bool EstSigneEnTete(const QString& texte)
{
    const auto plus = texte.indexOf(QLatin1Char('+'));
    const auto moins = texte.indexOf(QLatin1Char('-'));
    return plus <= 0 && moins <= 0;
}

namespace {

bool QueDesCaracteres(const QString& texte, QLatin1StringView permis)
{
    for (const QChar c : texte)
        if (!EstChiffre(c) && !permis.contains(c))
            return false;
    return true;
}

} // namespace

bool EstTexteReel(const QString& texte)
{
    return !texte.isEmpty() && EstSigneEnTete(texte) && QueDesCaracteres(texte, QLatin1StringView("+,-"));
}

bool EstTexteEntierSigne(const QString& texte)
{
    return !texte.isEmpty() && EstSigneEnTete(texte) && QueDesCaracteres(texte, QLatin1StringView("+-"));
}

bool EstTexteEntier(const QString& texte) { return !texte.isEmpty() && QueDesCaracteres(texte, QLatin1StringView("")); }

QString PointEnVirgule(const QString& texte)
{
    QString t = texte;
    t.replace(QLatin1Char('.'), QLatin1Char(','));
    return t;
}

// ---------------------------------------------------------------------------
// Tables

const int32_t TablePreselections[5] = {60, 120, 180, 240, 500};
const char* const TableNiveauxZoom[8] = {"25%", "50%", "100%", "125%", "150%", "200%", "300%", "500%"};
const int32_t TablePourcentsZoom[8] = {25, 50, 100, 125, 150, 200, 300, 500};

namespace {

int PositionPreselection(int32_t v)
{
    int position = 1;
    for (int i = 0; i < 5; ++i)
        if (TablePreselections[i] == v)
            position = i + 1;
    return position;
}

} // namespace

int32_t ValeurSuivanteListe(int32_t v) { return TablePreselections[std::min(PositionPreselection(v) + 1, 5) - 1]; }
int32_t ValeurPrecedenteListe(int32_t v) { return TablePreselections[std::max(PositionPreselection(v) - 1, 1) - 1]; }

// ---------------------------------------------------------------------------
// Colours

TCouleur CouleurRVB(int r, int g, int b)
{
    return (r & 0xFF) + (g & 0xFF) * 256 + (b & 0xFF) * 65536;
}

QColor CouleurEnQColor(TCouleur couleur)
{
    const uint32_t c = static_cast<uint32_t>(couleur);
    if ((c >> 24) == 0xFF) {
        // The usual values of the system colours a user may meet here.
        switch (c & 0xFF) {
        case 5:  // window
        case 14: // highlighted text
            return QColor(255, 255, 255);
        case 6:  // window frame
        case 7:  // menu text
        case 8:  // window text
        case 18: // button text
            return QColor(0, 0, 0);
        case 13: // highlight
            return QColor(0, 120, 215);
        case 15: // button face
        case 4:  // menu
            return QColor(240, 240, 240);
        case 16: // button shadow
            return QColor(160, 160, 160);
        case 12: // application workspace
        default:
            return QColor(171, 171, 171);
        }
    }
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

TCouleur QColorEnCouleur(const QColor& couleur) { return CouleurRVB(couleur.red(), couleur.green(), couleur.blue()); }

int IndexCouleur(TCouleur couleur)
{
    switch (couleur) {
    case clRouge:
        return 0;
    case clVert:
        return 1;
    case clBleu:
        return 2;
    default:
        return -1;
    }
}

TCouleur CouleurIndex(int index)
{
    switch (index) {
    case 0:
        return clRouge;
    case 1:
        return clVert;
    case 2:
        return clBleu;
    default:
        return clNoir;
    }
}

// ---------------------------------------------------------------------------
// Bitmaps

void LibererBitmap(QImage& bitmap) { bitmap = QImage(); }
void LibererImageBitmap(QImage& bitmap) { bitmap = QImage(); }

namespace {

// Palette entry closest to a colour; an 8-bit bitmap without palette is grey.
int IndexPalettePlusProche(const QImage& bitmap, const QColor& c)
{
    const auto table = bitmap.colorTable();
    if (table.isEmpty())
        return std::clamp(static_cast<int>(std::nearbyint(0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue())),
                          0, 255);
    int meilleur = 0;
    long long distance = -1;
    for (int i = 0; i < table.size(); ++i) {
        const long long dr = qRed(table[i]) - c.red(), dg = qGreen(table[i]) - c.green(),
                        db = qBlue(table[i]) - c.blue();
        const long long d = dr * dr + dg * dg + db * db;
        if (distance < 0 || d < distance) {
            distance = d;
            meilleur = i;
        }
    }
    return meilleur;
}

void Remplir(QImage& bitmap, TCouleur couleur)
{
    if (bitmap.isNull())
        return;
    const QColor c = CouleurEnQColor(couleur);
    if (bitmap.format() == QImage::Format_Indexed8)
        bitmap.fill(static_cast<uint>(IndexPalettePlusProche(bitmap, c)));
    else if (bitmap.depth() >= 16)
        bitmap.fill(c);
}

} // namespace

void RemplirBitmapGris(QImage& bitmap) { Remplir(bitmap, clGris); }
void RemplirBitmapCouleur(QImage& bitmap, TCouleur couleur) { Remplir(bitmap, couleur); }

void RemplirBitmapNiveau(QImage& bitmap, int32_t niveau)
{
    const int l = niveau & 0xFF;
    Remplir(bitmap, CouleurRVB(l, l, l));
}

int NiveauApercu(double valeur, double borne1, double borne2)
{
    // Bounds whose mean is 0 or a huge value give an infinite or undefined
    // quotient: keep it within the channel instead of overflowing.
    const double q = valeur * 127.5 / ((borne1 + borne2) / 2);
    if (std::isnan(q))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(q, 0.0, 255.0)));
}

void RemplirBitmapValeur(QImage& bitmap, bool rouge, bool vert, bool bleu, double borne1, double borne2,
                         const QString& texte)
{
    if (texte.isEmpty()) {
        RemplirBitmapGris(bitmap);
        return;
    }
    const int c = NiveauApercu(ConvertirReel(texte), borne1, borne2);
    Remplir(bitmap, CouleurRVB(rouge ? c : 0, vert ? c : 0, bleu ? c : 0));
}

void RemplirBitmapDeuxValeurs(QImage& bitmap, const QString& texte1, const QString& texte2, double borne11,
                              double borne12, double borne21, double borne22)
{
    if (texte1.isEmpty() || texte2.isEmpty()) {
        RemplirBitmapGris(bitmap);
        return;
    }
    const int r = NiveauApercu(ConvertirReel(texte1), borne11, borne12);
    const int g = NiveauApercu(ConvertirReel(texte2), borne21, borne22);
    Remplir(bitmap, CouleurRVB(r, g, 0));
}

// ---------------------------------------------------------------------------
// Marks

namespace {

// Writes pixels itself: QPainter cannot paint on an indexed bitmap.
class TCrayon {
public:
    TCrayon(QImage& bitmap, TCouleur couleur, bool pointille)
        : FBitmap(bitmap), FCouleur(CouleurEnQColor(couleur)), FPointille(pointille)
    {
        if (FBitmap.format() == QImage::Format_Indexed8)
            FIndex = IndexPalettePlusProche(FBitmap, FCouleur);
    }

    void Point(int x, int y)
    {
        if (x < 0 || y < 0 || x >= FBitmap.width() || y >= FBitmap.height())
            return;
        uchar* ligne = FBitmap.scanLine(y);
        switch (FBitmap.format()) {
        case QImage::Format_Indexed8:
            ligne[x] = static_cast<uchar>(FIndex);
            break;
        case QImage::Format_BGR888:
            ligne[3 * x] = static_cast<uchar>(FCouleur.blue());
            ligne[3 * x + 1] = static_cast<uchar>(FCouleur.green());
            ligne[3 * x + 2] = static_cast<uchar>(FCouleur.red());
            break;
        default:
            if (FBitmap.depth() >= 16)
                FBitmap.setPixelColor(x, y, FCouleur);
            break;
        }
    }

    // From (x0, y0) towards (x1, y1), the end point left out. A dotted pen
    // paints 3 pixels and skips 3, the pattern running on along a path.
    void Ligne(int x0, int y0, int x1, int y1)
    {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int erreur = dx + dy;
        while (x0 != x1 || y0 != y1) {
            if (!FPointille || FPas % 6 < 3)
                Point(x0, y0);
            ++FPas;
            const int e2 = 2 * erreur;
            if (e2 >= dy) {
                erreur += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                erreur += dx;
                y0 += sy;
            }
        }
    }

private:
    QImage& FBitmap;
    QColor FCouleur;
    bool FPointille;
    int FIndex = 0;
    int FPas = 0;
};

bool Est8Bits(const QImage& bitmap) { return bitmap.format() == QImage::Format_Indexed8; }

// The text cell is filled with the background, then the glyphs are laid on it.
void EcrireTexte(QImage& bitmap, int x, int y, const QString& texte, int taillePoints, TCouleur couleurTexte,
                 TCouleur couleurFond)
{
    if (texte.isEmpty() || bitmap.isNull() || !qGuiApp)
        return;
    QFont police(QStringLiteral("Courier New"));
    police.setStyleHint(QFont::TypeWriter);
    police.setPixelSize(static_cast<int>(std::nearbyint(taillePoints * 96.0 / 72.0)));
    police.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics mesures(police);
    const int largeur = std::max(1, mesures.horizontalAdvance(texte));
    const int hauteur = std::max(1, mesures.height());
    QImage masque(largeur, hauteur, QImage::Format_ARGB32);
    masque.fill(Qt::transparent);
    {
        QPainter p(&masque);
        p.setFont(police);
        p.setPen(Qt::black);
        p.drawText(0, mesures.ascent(), texte);
    }
    TCrayon fond(bitmap, couleurFond, false);
    TCrayon encre(bitmap, couleurTexte, false);
    for (int j = 0; j < hauteur; ++j)
        for (int i = 0; i < largeur; ++i) {
            if (qAlpha(masque.pixel(i, j)) >= 128)
                encre.Point(x + i, y + j);
            else
                fond.Point(x + i, y + j);
        }
}

// Texts: white on black on an 8-bit bitmap; in the colour on white on a
// 24-bit one; on black on any other.
void EcrireMarque(QImage& bitmap, int x, int y, const QString& texte, int taillePoints, TCouleur couleur)
{
    EcrireTexte(bitmap, x, y, texte, taillePoints, Est8Bits(bitmap) ? clBlanc : couleur,
                bitmap.depth() == 24 ? clBlanc : clNoir);
}

} // namespace

namespace {

// The pen of a mark: the mark's colour, replaced on an 8-bit bitmap.
TCrayon Plume(QImage& bitmap, TCouleur couleur, TCouleur sur8Bits, bool pointille)
{
    return TCrayon(bitmap, Est8Bits(bitmap) ? sur8Bits : couleur, pointille);
}

} // namespace

void DessinerCroix(QImage& bitmap, int x, int y, TCouleur couleur)
{
    TCrayon c = Plume(bitmap, couleur, clBlanc, false);
    c.Ligne(x - 10, y, x + 10, y);
    c.Ligne(x, y - 10, x, y + 10);
}

void DessinerCroixPointillee(QImage& bitmap, int x, int y, TCouleur couleur)
{
    Plume(bitmap, couleur, clNoir, true).Ligne(x - 10, y, x + 10, y);
    Plume(bitmap, couleur, clNoir, true).Ligne(x, y - 10, x, y + 10);
}

void DessinerLignesRepere(QImage& bitmap, int x, int y, TCouleur couleur)
{
    TCrayon c = Plume(bitmap, couleur, clBlanc, false);
    c.Ligne(0, y, bitmap.width() - 1, y);
    c.Ligne(x, 0, x, bitmap.height() - 1);
}

void MarquerPixel(QImage& bitmap, int x, int y, TCouleur couleur)
{
    Plume(bitmap, couleur, clBlanc, false).Point(x, y);
}

void DessinerCadre(QImage& bitmap, int x, int y, int largeur, int hauteur, TCouleur couleur)
{
    TCrayon c = Plume(bitmap, couleur, clNoir, true);
    const int l = x - largeur / 2, t = y - hauteur / 2;
    c.Ligne(l, t, l + largeur, t);
    c.Ligne(l + largeur, t, l + largeur, t + hauteur);
    c.Ligne(l + largeur, t + hauteur, l, t + hauteur);
    c.Ligne(l, t + hauteur, l, t);
}

void DessinerCroixTexte(QImage& bitmap, int x, int y, TCouleur couleur, const QString& texte)
{
    Plume(bitmap, couleur, clNoir, true).Ligne(x - 10, y - 10, x + 10, y + 10);
    Plume(bitmap, couleur, clNoir, true).Ligne(x - 10, y + 10, x + 10, y - 10);
    EcrireMarque(bitmap, x + 11, y - 8, texte, 9, couleur);
}

void DessinerAxes(QImage& bitmap, TCouleur couleur)
{
    Plume(bitmap, couleur, clNoir, true).Ligne(10, 10, 50, 10);
    Plume(bitmap, couleur, clNoir, true).Ligne(10, 10, 10, 50);
    EcrireMarque(bitmap, 55, 4, QStringLiteral("x"), 7, couleur);
    EcrireMarque(bitmap, 8, 52, QStringLiteral("y"), 7, couleur);
}

// ---------------------------------------------------------------------------
// File names and files

QString RepertoireApplication()
{
    if (!QCoreApplication::instance())
        return {};
    const QString dossier = QCoreApplication::applicationDirPath();
    if (dossier.isEmpty())
        return {};
    return dossier.endsWith(QLatin1Char('/')) ? dossier : dossier + QLatin1Char('/');
}

QString NomFichierSansChemin(const QString& nom) { return nom.mid(nom.lastIndexOf(QLatin1Char('/')) + 1); }

QString TexteMemoireInsuffisante(const QString& pour, const QString& nom, int64_t largeur, int64_t hauteur)
{
    const QString image = largeur > 0 ? QStringLiteral(" : son image de %1 x %2 pixels est trop grande")
                                            .arg(largeur)
                                            .arg(hauteur)
                                      : QString();
    return QStringLiteral("Mémoire insuffisante pour %1%2 (%3).").arg(pour, image, nom);
}

QString NomFichierSansExtension(const QString& nom)
{
    const QString court = NomFichierSansChemin(nom);
    const auto point = court.indexOf(QLatin1Char('.'));
    return point < 0 ? court : court.left(point);
}

QString CheminFichier(const QString& nom) { return nom.left(nom.lastIndexOf(QLatin1Char('/')) + 1); }

QString ExtensionFichier(const QString& nom)
{
    const auto point = nom.indexOf(QLatin1Char('.'));
    return point < 0 ? QString() : nom.mid(point + 1);
}

QString CompleterChaine(const QString& texte, int longueur, QChar caractere)
{
    longueur = std::min(longueur, 255);
    QString t = texte;
    while (t.size() < longueur)
        t += caractere;
    return t;
}

QString NomFichierSuivant(const QString& premier, const QString& second, const QString& troisieme)
{
    for (int64_t compteur = 1;; ++compteur) {
        const QString nom = premier + second + QString::number(compteur).rightJustified(3, QLatin1Char('0')) + troisieme;
        if (!QFileInfo::exists(nom) && !QFileInfo(nom).isSymLink()) // a dangling link holds its name
            return nom;
    }
}

int64_t TailleFichier(const QString& nom)
{
    QFile f;
    OuvrirFichierLecture(f, nom);
    return f.size();
}

int32_t LireConfigurationVisionneuse(const QString& nom)
{
    const QByteArray contenu = LireFichierComplet(nom);
    int32_t lignes = 0;
    qsizetype i = 0;
    const qsizetype n = contenu.size();
    while (i < n) {
        while (i < n && contenu[i] != '\n' && contenu[i] != '\r')
            ++i;
        if (i < n && contenu[i] == '\r')
            ++i;
        if (i < n && contenu[i] == '\n')
            ++i;
        ++lignes;
    }
    return lignes;
}

namespace {

struct TPiecesNom {
    QString Prefixe, Extension, Nombre;
};

TPiecesNom Decouper(const QString& nom)
{
    TPiecesNom p;
    p.Extension = nom.right(4);
    const QString base = nom.left(std::max<qsizetype>(0, nom.size() - 4));
    qsizetype debut = base.size();
    while (debut > 0 && EstChiffre(base[debut - 1]))
        --debut;
    p.Prefixe = base.left(debut);
    p.Nombre = base.mid(debut);
    return p;
}

// Digit runs of any length compared as numbers: leading zeros aside, the
// longer run is larger, then digit by digit.
int ComparerNombres(const QString& a, const QString& b)
{
    qsizetype za = 0, zb = 0;
    while (za < a.size() && a[za] == QLatin1Char('0'))
        ++za;
    while (zb < b.size() && b[zb] == QLatin1Char('0'))
        ++zb;
    const qsizetype la = a.size() - za, lb = b.size() - zb;
    if (la != lb)
        return la < lb ? -1 : 1;
    return QStringView(a).mid(za).compare(QStringView(b).mid(zb));
}

} // namespace

bool ComparerNomsFichiers(const QString& a, const QString& b)
{
    const TPiecesNom pa = Decouper(a), pb = Decouper(b);
    if (pa.Prefixe != pb.Prefixe)
        return pa.Prefixe > pb.Prefixe;
    if (pa.Extension != pb.Extension)
        return pa.Extension > pb.Extension;
    if (!pa.Nombre.isEmpty() && !pb.Nombre.isEmpty())
        return ComparerNombres(pa.Nombre, pb.Nombre) > 0;
    return pa.Nombre > pb.Nombre;
}

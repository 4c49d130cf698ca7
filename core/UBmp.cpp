#include "UBmp.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UImages.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Limits of what a BMP header may ask for: beyond them the file is refused
// before anything is allocated (an RLE file can describe a huge picture in a
// few bytes).
constexpr int64_t CoteMaxBmp = int64_t(1) << 20;
constexpr int64_t PixelsMaxBmp = int64_t(1) << 28;

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_BITFIELDS = 3;
// The largest information header known is 124 bytes: one of 64 KB is no BMP.
constexpr int64_t TailleEnteteMax = 1 << 16;
// The file header, the largest information header and a full palette.
constexpr int64_t TeteBmp = 14 + 124 + 4 * 256;

[[noreturn]] void BmpNonValide(const QString& nom)
{
    throw EStelor(QStringLiteral("Le fichier « %1 » n'est pas une image bitmap valide.").arg(nom));
}

[[noreturn]] void BmpTronque(const QString& nom)
{
    throw EErreurFichier(ES_LectureApresFin,
                         QStringLiteral("Lecture au-delà de la fin de fichier : l'image bitmap « %1 » est incomplète.")
                             .arg(nom));
}

[[noreturn]] void BmpTropGrand(const QString& nom, int64_t largeur, int64_t hauteur)
{
    throw EStelor(QStringLiteral("L'image bitmap « %1 » est trop grande (%2 x %3 pixels).")
                      .arg(nom)
                      .arg(largeur)
                      .arg(hauteur));
}

// A picture the memory cannot hold; the reader names its file.
class EMemoireBitmap : public EStelor {
public:
    EMemoireBitmap(int64_t largeur, int64_t hauteur)
        : EStelor(QStringLiteral("Mémoire insuffisante pour une image de %1 x %2 pixels.").arg(largeur).arg(hauteur)),
          Largeur(largeur), Hauteur(hauteur)
    {
    }
    int64_t Largeur, Hauteur;
};

[[noreturn]] void MemoireInsuffisante(int64_t largeur, int64_t hauteur) { throw EMemoireBitmap(largeur, hauteur); }

QImage NouveauBitmap(int64_t largeur, int64_t hauteur, QImage::Format format)
{
    if (largeur > CoteMaxBmp * 16 || hauteur > CoteMaxBmp * 16)
        MemoireInsuffisante(largeur, hauteur);
    QImage b(static_cast<int>(largeur), static_cast<int>(hauteur), format);
    if (largeur > 0 && hauteur > 0 && b.isNull())
        MemoireInsuffisante(largeur, hauteur);
    if (format == QImage::Format_Indexed8)
        b.setColorTable(TablePaletteGris());
    return b;
}

uint16_t Lire16(const uchar* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Lire32(const uchar* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Ecrire16(QByteArray& d, int pos, uint32_t v)
{
    d[pos] = static_cast<char>(v & 0xFF);
    d[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Ecrire32(QByteArray& d, int pos, uint32_t v)
{
    Ecrire16(d, pos, v & 0xFFFF);
    Ecrire16(d, pos + 2, v >> 16);
}

bool Gere(int format) { return format == pf8bit || format == pf24bit; }

// Expands RLE8 data; pixels the data skips stay at index 0.
void DecoderRle8(const uchar* d, int64_t taille, int64_t debut, QImage& b, const QString& nom)
{
    const int64_t largeur = b.width(), hauteur = b.height();
    int64_t pos = debut, x = 0, y = 0; // y counts from the bottom row, as stored
    auto poser = [&](uint8_t v) {
        if (x < largeur && y < hauteur)
            b.scanLine(static_cast<int>(hauteur - 1 - y))[x] = v;
        ++x;
    };
    while (y < hauteur) {
        if (pos + 2 > taille)
            BmpTronque(nom);
        const uint8_t n = d[pos], v = d[pos + 1];
        pos += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k)
                poser(v);
        } else if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (pos + 2 > taille)
                BmpTronque(nom);
            x += d[pos];
            y += d[pos + 1];
            pos += 2;
        } else {
            if (pos + v > taille)
                BmpTronque(nom);
            for (int k = 0; k < v; ++k)
                poser(d[pos + k]);
            pos += v + (v & 1);
        }
    }
}

// Other depths: Qt's reader, in a format that no pixel operation handles.
QImage DecoderAutreFormat(const QByteArray& donnees, const QString& nom)
{
    QImage b;
    if (!b.loadFromData(donnees, "BMP"))
        BmpNonValide(nom);
    const int f = FormatPixelBitmap(b);
    if (f == pf8bit || f == pf24bit || b.format() == QImage::Format_RGB888)
        b = b.convertToFormat(QImage::Format_RGB32);
    return b;
}

} // namespace

QImage CreerBitmap() { return QImage(); }

void CopierBitmap(const QImage& source, QImage& destination)
{
    destination = source.copy();
}

QVector<QRgb> TablePaletteGris()
{
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    return table;
}

void PaletteGris(QImage& bitmap)
{
    if (bitmap.format() == QImage::Format_Indexed8)
        bitmap.setColorTable(TablePaletteGris());
}

int FormatPixelBitmap(const QImage& bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_Indexed8:
        return pf8bit;
    case QImage::Format_BGR888:
        return pf24bit;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return pf1bit;
    case QImage::Format_RGB555:
        return pf15bit;
    case QImage::Format_RGB16:
        return pf16bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return pf32bit;
    default:
        return pfDevice;
    }
}

int OctetPlan(int32_t plan)
{
    switch (plan) {
    case clRouge:
        return 2;
    case clVert:
        return 1;
    case clBleu:
        return 0;
    default:
        return -1;
    }
}

void NegatifBitmap(QImage& bitmap)
{
    const int f = FormatPixelBitmap(bitmap);
    if (!Gere(f))
        return;
    const int octets = bitmap.width() * (f == pf8bit ? 1 : 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* ligne = bitmap.scanLine(y);
        for (int i = 0; i < octets; ++i)
            ligne[i] = static_cast<uchar>(255 - ligne[i]);
    }
}

void InverserBitmap(QImage& bitmap)
{
    QImage copie = bitmap.copy();
    NegatifBitmap(copie);
    bitmap = copie;
}

void ZoomerBitmap(QImage& bitmap, int zoom)
{
    if (bitmap.isNull())
        return;
    // Integer rounding: a product such as 45 x 0.7 is not exactly 31.5 in
    // floating point and would miss the halves-to-even rule.
    auto cote = [zoom](int64_t n) {
        const int64_t p = n * std::max(0, zoom);
        int64_t q = p / 100;
        const int64_t r = p % 100;
        if (r > 50 || (r == 50 && q % 2 != 0))
            ++q;
        return std::max<int64_t>(1, q);
    };
    const int64_t lr = cote(bitmap.width()), hr = cote(bitmap.height());
    if (lr > CoteMaxBmp * 16 || hr > CoteMaxBmp * 16)
        MemoireInsuffisante(lr, hr);
    const int l = static_cast<int>(lr), h = static_cast<int>(hr);
    const int f = FormatPixelBitmap(bitmap);
    if (!Gere(f)) {
        bitmap = bitmap.scaled(l, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return;
    }
    const int octets = f == pf8bit ? 1 : 3;
    QImage resultat = NouveauBitmap(l, h, f == pf8bit ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (f == pf8bit && bitmap.colorCount() > 0)
        resultat.setColorTable(bitmap.colorTable()); // a rendering's own palette shows at every zoom
    const int ls = bitmap.width(), hs = bitmap.height();
    std::vector<int> sx(l);
    for (int x = 0; x < l; ++x)
        sx[x] = static_cast<int>(static_cast<int64_t>(x) * ls / l);
    for (int y = 0; y < h; ++y) {
        const uchar* src = bitmap.constScanLine(static_cast<int>(static_cast<int64_t>(y) * hs / h));
        uchar* dst = resultat.scanLine(y);
        if (octets == 1)
            for (int x = 0; x < l; ++x)
                dst[x] = src[sx[x]];
        else
            for (int x = 0; x < l; ++x)
                std::copy_n(src + 3 * sx[x], 3, dst + 3 * x);
    }
    bitmap = resultat;
}

void ConvertirBitmapGris(QImage& bitmap)
{
    if (FormatPixelBitmap(bitmap) != pf24bit)
        return;
    const QImage copie = bitmap.copy();
    QImage gris = NouveauBitmap(copie.width(), copie.height(), QImage::Format_Indexed8);
    for (int y = 0; y < copie.height(); ++y) {
        const uchar* s = copie.constScanLine(y);
        uchar* d = gris.scanLine(y);
        for (int x = 0; x < copie.width(); ++x, s += 3)
            d[x] = static_cast<uchar>((s[0] + s[1] + s[2]) / 3);
    }
    gris.setDotsPerMeterX(copie.dotsPerMeterX());
    gris.setDotsPerMeterY(copie.dotsPerMeterY());
    bitmap = gris;
}

void MinMaxBmp(const QImage& bitmap, uint8_t& mini, uint8_t& maxi)
{
    const int f = FormatPixelBitmap(bitmap);
    if (!Gere(f))
        return;
    uint8_t mn = 255, mx = 0;
    const int octets = bitmap.width() * (f == pf8bit ? 1 : 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* ligne = bitmap.constScanLine(y);
        for (int i = 0; i < octets; ++i) {
            mn = std::min<uint8_t>(mn, ligne[i]);
            mx = std::max<uint8_t>(mx, ligne[i]);
        }
    }
    mini = mn;
    maxi = mx;
}

// ---------------------------------------------------------------------------
// BMP files
// ---------------------------------------------------------------------------

QImage DecoderBmp(const QByteArray& donnees, const QString& nom)
{
    const auto* d = reinterpret_cast<const uchar*>(donnees.constData());
    const int64_t taille = donnees.size();
    if (taille < 2 || d[0] != 'B' || d[1] != 'M')
        BmpNonValide(nom);
    if (taille < 18)
        BmpTronque(nom);
    const int64_t debutPixels = Lire32(d + 10);
    const int64_t tailleEntete = Lire32(d + 14);
    if ((tailleEntete != 12 && tailleEntete < 40) || tailleEntete > TailleEnteteMax)
        BmpNonValide(nom);
    if (14 + tailleEntete > taille)
        BmpTronque(nom);

    int64_t largeur, hauteur;
    int bits;
    uint32_t compression = BI_RGB, couleurs = 0;
    int32_t dpmX = 0, dpmY = 0;
    int octetsEntree; // size of one palette entry
    if (tailleEntete == 12) {
        largeur = Lire16(d + 18);
        hauteur = Lire16(d + 20);
        bits = Lire16(d + 24);
        octetsEntree = 3;
    } else {
        largeur = static_cast<int32_t>(Lire32(d + 18));
        hauteur = static_cast<int32_t>(Lire32(d + 22));
        bits = Lire16(d + 28);
        compression = Lire32(d + 30);
        dpmX = static_cast<int32_t>(Lire32(d + 38));
        dpmY = static_cast<int32_t>(Lire32(d + 42));
        couleurs = Lire32(d + 46);
        octetsEntree = 4;
    }
    const bool basEnHaut = hauteur > 0; // rows stored bottom-up, the usual case
    hauteur = std::abs(hauteur);
    if (largeur <= 0 || hauteur <= 0)
        BmpNonValide(nom);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        BmpNonValide(nom);
    if (largeur > CoteMaxBmp || hauteur > CoteMaxBmp || largeur * hauteur > PixelsMaxBmp)
        BmpTropGrand(nom, largeur, hauteur);
    const int64_t debutPalette = 14 + tailleEntete;
    if (debutPixels < debutPalette)
        BmpNonValide(nom);
    if (debutPixels > taille)
        BmpTronque(nom);
    const int64_t pas = (largeur * bits + 31) / 32 * 4;
    if ((compression == BI_RGB || compression == BI_BITFIELDS) &&
        debutPixels + pas * (hauteur - 1) + (largeur * bits + 7) / 8 > taille)
        BmpTronque(nom);

    const bool format8 = bits == 8 && (compression == BI_RGB || compression == BI_RLE8);
    const bool format24 = bits == 24 && compression == BI_RGB;
    if (!format8 && !format24)
        return DecoderAutreFormat(donnees, nom);
    if (compression == BI_RLE8 && !basEnHaut)
        BmpNonValide(nom);

    QImage b = NouveauBitmap(largeur, hauteur, format8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (dpmX > 0)
        b.setDotsPerMeterX(dpmX);
    if (dpmY > 0)
        b.setDotsPerMeterY(dpmY);
    if (compression == BI_RLE8) {
        b.fill(0);
        DecoderRle8(d, taille, debutPixels, b, nom);
    } else {
        const int64_t octetsLigne = largeur * (format8 ? 1 : 3);
        for (int64_t r = 0; r < hauteur; ++r) {
            const int y = static_cast<int>(basEnHaut ? hauteur - 1 - r : r);
            std::memcpy(b.scanLine(y), d + debutPixels + r * pas, static_cast<size_t>(octetsLigne));
        }
    }
    if (format24)
        return b;

    // The palette: the grey ramp itself leaves the indexes as grey levels; any
    // other all-grey palette (ImageMagick orders its entries as it likes)
    // gives each pixel its entry's level and the picture stays 8-bit grey; a
    // colour palette is applied, so the picture shows as the file means it.
    int64_t n = couleurs == 0 ? 256 : couleurs;
    if (n > 256)
        BmpNonValide(nom);
    if (couleurs == 0)
        n = std::min<int64_t>(n, (debutPixels - debutPalette) / octetsEntree);
    if (debutPalette + n * octetsEntree > taille)
        BmpTronque(nom);
    QVector<QRgb> palette(static_cast<int>(n));
    bool rampe = true, gris = true;
    for (int i = 0; i < n; ++i) {
        const uchar* e = d + debutPalette + static_cast<int64_t>(i) * octetsEntree;
        palette[i] = qRgb(e[2], e[1], e[0]);
        rampe = rampe && e[0] == i && e[1] == i && e[2] == i;
        gris = gris && e[0] == e[1] && e[1] == e[2];
    }
    if (rampe)
        return b; // NouveauBitmap gave it the whole grey ramp
    if (gris) {
        uchar niveau[256] = {}; // an index past the palette is black
        for (int i = 0; i < n; ++i)
            niveau[i] = static_cast<uchar>(qRed(palette[i]));
        for (int y = 0; y < b.height(); ++y) {
            uchar* s = b.scanLine(y);
            for (int x = 0; x < b.width(); ++x)
                s[x] = niveau[s[x]];
        }
        return b;
    }
    QImage couleur = NouveauBitmap(largeur, hauteur, QImage::Format_BGR888);
    couleur.setDotsPerMeterX(b.dotsPerMeterX());
    couleur.setDotsPerMeterY(b.dotsPerMeterY());
    for (int y = 0; y < b.height(); ++y) {
        const uchar* s = b.constScanLine(y);
        uchar* c = couleur.scanLine(y);
        for (int x = 0; x < b.width(); ++x, c += 3) {
            const QRgb p = s[x] < n ? palette[s[x]] : qRgb(0, 0, 0);
            c[0] = static_cast<uchar>(qBlue(p));
            c[1] = static_cast<uchar>(qGreen(p));
            c[2] = static_cast<uchar>(qRed(p));
        }
    }
    return couleur;
}

namespace {

// Where the bytes the picture uses end, from the start of a file of `taille`
// bytes: the signature is checked at once, and nothing past what the header
// describes is read. A header the decoder refuses, or pixels that the file
// is too short to hold, need nothing more than the start.
int64_t FinUtileBmp(const QByteArray& tete, int64_t taille, const QString& nom)
{
    const auto* d = reinterpret_cast<const uchar*>(tete.constData());
    const int64_t n = tete.size();
    if (n < 2 || d[0] != 'B' || d[1] != 'M')
        BmpNonValide(nom);
    if (n < 34)
        return n;
    const int64_t tailleEntete = Lire32(d + 14), debutPixels = Lire32(d + 10);
    const bool noyau = tailleEntete == 12;
    const int64_t largeur = noyau ? Lire16(d + 18) : std::abs(int64_t{static_cast<int32_t>(Lire32(d + 18))});
    const int64_t hauteur = noyau ? Lire16(d + 20) : std::abs(int64_t{static_cast<int32_t>(Lire32(d + 22))});
    const int64_t bits = Lire16(d + (noyau ? 24 : 28));
    const uint32_t compression = noyau ? BI_RGB : Lire32(d + 30);
    if (tailleEntete > TailleEnteteMax || largeur > CoteMaxBmp || hauteur > CoteMaxBmp || bits > 32)
        return n;
    const int64_t pas = (largeur * bits + 31) / 32 * 4;
    const int64_t entete = 14 + tailleEntete + 4 * 256;
    if (compression == BI_RGB || compression == BI_BITFIELDS) {
        // The last row need not be padded.
        const int64_t fin = debutPixels + pas * std::max<int64_t>(hauteur - 1, 0) + (largeur * bits + 7) / 8;
        return fin > taille ? n : std::max({n, entete, debutPixels + pas * hauteur});
    }
    // Compressed rows take at most two bytes a pixel, with a mark at each row's end.
    return debutPixels > taille ? n : std::max({n, entete, debutPixels + 4 * (largeur + 2) * hauteur + 16});
}

} // namespace

QImage LireBitmapBmp(const QString& nom)
{
    QFile f;
    OuvrirFichierLecture(f, nom);
    const int64_t taille = f.size();
    QByteArray d(std::min(taille, TeteBmp), Qt::Uninitialized);
    LireExactement(f, d.data(), d.size());
    const int64_t debut = d.size(), fin = std::min(taille, FinUtileBmp(d, taille, nom));
    // Memory that runs out names the file: several may be opened at once.
    int64_t largeur = 0, hauteur = 0;
    try {
        d.resize(fin);
        LireExactement(f, d.data() + debut, fin - debut);
        return DecoderBmp(d, nom);
    } catch (const EMemoireBitmap& e) {
        largeur = e.Largeur;
        hauteur = e.Hauteur;
    } catch (const std::bad_alloc&) {
    }
    LeverErreur(
        TexteMemoireInsuffisante(QStringLiteral("charger le fichier ") + NomFichierSansChemin(nom), nom, largeur, hauteur));
}

QByteArray CoderBmp(const QImage& bitmap)
{
    if (bitmap.isNull())
        LeverErreur(QStringLiteral("L'image bitmap est vide : rien à enregistrer."));
    const int f = FormatPixelBitmap(bitmap);
    if (!Gere(f)) {
        QByteArray tampon;
        QBuffer b(&tampon);
        b.open(QIODevice::WriteOnly);
        if (!bitmap.save(&b, "BMP"))
            LeverErreur(QStringLiteral("L'image ne peut pas être enregistrée au format bitmap."));
        return tampon;
    }
    const int64_t largeur = bitmap.width(), hauteur = bitmap.height();
    const int64_t octetsLigne = largeur * (f == pf8bit ? 1 : 3);
    const int64_t pas = (octetsLigne + 3) / 4 * 4;
    QVector<QRgb> palette;
    if (f == pf8bit)
        palette = bitmap.colorCount() > 0 ? bitmap.colorTable() : TablePaletteGris();
    const int64_t debutPixels = 14 + 40 + 4 * static_cast<int64_t>(palette.size());
    const int64_t total = debutPixels + pas * hauteur;
    if (total > 0x7FFFFFFF)
        LeverErreur(QStringLiteral("L'image bitmap est trop grande pour le format BMP (%1 x %2 pixels).")
                        .arg(largeur)
                        .arg(hauteur));
    QByteArray d(static_cast<int>(total), '\0');
    d[0] = 'B';
    d[1] = 'M';
    Ecrire32(d, 2, static_cast<uint32_t>(total));
    Ecrire32(d, 10, static_cast<uint32_t>(debutPixels));
    Ecrire32(d, 14, 40);
    Ecrire32(d, 18, static_cast<uint32_t>(largeur));
    Ecrire32(d, 22, static_cast<uint32_t>(hauteur));
    Ecrire16(d, 26, 1);
    Ecrire16(d, 28, f == pf8bit ? 8 : 24);
    Ecrire32(d, 30, BI_RGB);
    Ecrire32(d, 34, static_cast<uint32_t>(pas * hauteur));
    Ecrire32(d, 38, static_cast<uint32_t>(std::max(0, bitmap.dotsPerMeterX())));
    Ecrire32(d, 42, static_cast<uint32_t>(std::max(0, bitmap.dotsPerMeterY())));
    Ecrire32(d, 46, static_cast<uint32_t>(palette.size()));
    for (int i = 0; i < palette.size(); ++i) {
        const int p = 54 + 4 * i;
        d[p] = static_cast<char>(qBlue(palette[i]));
        d[p + 1] = static_cast<char>(qGreen(palette[i]));
        d[p + 2] = static_cast<char>(qRed(palette[i]));
    }
    char* pixels = d.data() + debutPixels;
    for (int64_t r = 0; r < hauteur; ++r)
        std::memcpy(pixels + r * pas, bitmap.constScanLine(static_cast<int>(hauteur - 1 - r)),
                    static_cast<size_t>(octetsLigne));
    return d;
}

void EcrireBitmapBmp(const QImage& bitmap, const QString& nom)
{
    EcrireFichierSur(nom, CoderBmp(bitmap));
}

// ---------------------------------------------------------------------------
// The picture object
// ---------------------------------------------------------------------------

void CreerHistoBmp(THistoBmp& image, TProprietaire proprietaire)
{
    image.SMin = 0;
    image.SMax = 0;
    image.TRFT = TransfertBmpDefaut();
    image.Proprietaire = std::move(proprietaire);
    image.BitmapAffichage = CreerBitmap();
    image.BitmapSource = CreerBitmap();
    image.Min = 0;
    image.Max = 0;
    image.Zoom = 100;
}

void ChargerBmpSansAnalyse(THistoBmp& image, const QString& nom)
{
    QImage b = LireBitmapBmp(nom); // a failed read leaves the object as it was
    image.BitmapSource = std::move(b);
}

void ChargerBmp(THistoBmp& image, const QString& nom)
{
    ChargerBmpSansAnalyse(image, nom);
    MinMaxBmp(image.BitmapSource, image.Min, image.Max);
    image.SMin = SeuilMiniBmpDefaut();
    image.SMax = SeuilMaxiBmpDefaut();
    image.TRFT = 0;
}

void DetruireHistoBmp(THistoBmp& image)
{
    image.BitmapAffichage = QImage();
    image.BitmapSource = QImage();
    image.Proprietaire = nullptr;
}

namespace {

// Renders the picture; false (and nothing made) for an unhandled format.
bool RendreBmp(const THistoBmp& image, bool positif, QImage& rendu)
{
    const int f = FormatPixelBitmap(image.BitmapSource);
    if (!Gere(f))
        return false;
    // One curve for the whole rendering: bytes only take 256 values.
    const TCourbeAffichage courbe = PreparerCourbe(image.SMin, image.SMax, image.TRFT);
    std::array<uchar, 256> table;
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uchar>(NiveauCourbe(courbe, v, 255));
    if (!positif)
        for (auto& t : table)
            t = static_cast<uchar>(255 - t);
    QImage copie = image.BitmapSource.copy();
    const int octets = copie.width() * (f == pf8bit ? 1 : 3);
    for (int y = 0; y < copie.height(); ++y) {
        uchar* ligne = copie.scanLine(y);
        for (int i = 0; i < octets; ++i)
            ligne[i] = table[ligne[i]];
    }
    if (image.Zoom != 100)
        ZoomerBitmap(copie, image.Zoom);
    rendu = std::move(copie);
    return true;
}

} // namespace

void AfficherBmp(THistoBmp& image, bool positif)
{
    QImage rendu;
    if (RendreBmp(image, positif, rendu) && image.Proprietaire)
        image.Proprietaire(rendu);
}

const QImage& BitmapBmp(THistoBmp& image)
{
    QImage rendu;
    if (RendreBmp(image, true, rendu))
        image.BitmapAffichage = std::move(rendu);
    return image.BitmapAffichage;
}

void FixerSeuilsBmp(THistoBmp& image, int32_t sMin, int32_t sMax, bool redessiner, bool positif)
{
    image.SMin = sMin;
    image.SMax = sMax;
    if (redessiner)
        AfficherBmp(image, positif);
}

void FixerTransfertBmp(THistoBmp& image, double trft, bool redessiner, bool positif)
{
    image.TRFT = trft;
    if (redessiner)
        AfficherBmp(image, positif);
}

void FixerZoomBmp(THistoBmp& image, int32_t zoom, bool redessiner, bool positif)
{
    image.Zoom = zoom;
    if (redessiner)
        AfficherBmp(image, positif);
}

int32_t ZoomBmp(const THistoBmp& image) { return image.Zoom; }
uint8_t MiniBmp(const THistoBmp& image) { return image.Min; }
uint8_t MaxiBmp(const THistoBmp& image) { return image.Max; }
int32_t LargeurBmp(const THistoBmp& image) { return image.BitmapSource.width(); }
int32_t HauteurBmp(const THistoBmp& image) { return image.BitmapSource.height(); }
int FormatPixelBmp(const THistoBmp& image) { return FormatPixelBitmap(image.BitmapSource); }
int32_t SeuilMiniBmpDefaut() { return 0; }
int32_t SeuilMaxiBmpDefaut() { return 255; }
double TransfertBmpDefaut() { return 0.0; }

QString TexteInfoBmp(const THistoBmp& image)
{
    return QStringLiteral("L=%1 H=%2 m=%3 M=%4 Bv=%5   Visu %6-%7 %8")
        .arg(LargeurBmp(image))
        .arg(HauteurBmp(image))
        .arg(int(image.Min))
        .arg(int(image.Max))
        .arg(ModeHistogrammeBmp(image, clVert))
        .arg(image.SMin)
        .arg(image.SMax)
        .arg(NomCourbe(image.TRFT));
}

void EnregistrerBmp(THistoBmp& image, const QString& nom, bool positif)
{
    // A picture that is not rendered has no rendering of its own to save:
    // writing the display bitmap would write a stale picture.
    if (!Gere(FormatPixelBmp(image))) {
        EnregistrerSourceBmp(image, nom);
        return;
    }
    QImage copie;
    CopierBitmap(BitmapBmp(image), copie);
    if (!positif)
        InverserBitmap(copie);
    EcrireBitmapBmp(copie, nom);
}

void EnregistrerSourceBmp(const THistoBmp& image, const QString& nom)
{
    EcrireBitmapBmp(image.BitmapSource, nom);
}

void CopierHistoBmp(const THistoBmp& source, THistoBmp& destination)
{
    destination.Max = source.Max;
    destination.Min = source.Min;
    CopierBitmap(source.BitmapSource, destination.BitmapSource);
    destination.Zoom = source.Zoom;
}

void CopierImageBmp(const THistoBmp& source, THistoBmp& destination)
{
    CopierHistoBmp(source, destination);
    destination.SMin = source.SMin;
    destination.SMax = source.SMax;
    destination.TRFT = source.TRFT;
}

void EchangerHistoBmp(THistoBmp& a, THistoBmp& b)
{
    // Each object owns its pictures outright, so exchanging them is the
    // three copies through a temporary object, without the copies.
    std::swap(a.BitmapSource, b.BitmapSource);
    std::swap(a.Min, b.Min);
    std::swap(a.Max, b.Max);
    std::swap(a.Zoom, b.Zoom);
}

void ConvertirHistoBmpGris(THistoBmp& image)
{
    ConvertirBitmapGris(image.BitmapSource);
    MinMaxBmp(image.BitmapSource, image.Min, image.Max);
}

// ---------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------

void HistogrammeBmp(const THistoBmp& image, int32_t plan, TTableHistogrammeBmp& comptes)
{
    comptes.fill(0);
    const QImage& b = image.BitmapSource;
    const int f = FormatPixelBitmap(b);
    if (f == pf8bit) {
        for (int y = 0; y < b.height(); ++y) {
            const uchar* ligne = b.constScanLine(y);
            for (int x = 0; x < b.width(); ++x)
                ++comptes[ligne[x]];
        }
    } else if (f == pf24bit) {
        const int o = OctetPlan(plan);
        if (o < 0)
            return;
        for (int y = 0; y < b.height(); ++y) {
            const uchar* ligne = b.constScanLine(y) + o;
            for (int x = 0; x < b.width(); ++x)
                ++comptes[ligne[3 * x]];
        }
    }
}

namespace {

// Counts of the pixel values: the byte (8-bit) or R + G + B (24-bit).
std::vector<int64_t> ComptesValeurs(const QImage& b, int f)
{
    std::vector<int64_t> comptes(f == pf8bit ? 256 : 766, 0);
    for (int y = 0; y < b.height(); ++y) {
        const uchar* ligne = b.constScanLine(y);
        if (f == pf8bit)
            for (int x = 0; x < b.width(); ++x)
                ++comptes[ligne[x]];
        else
            for (int x = 0; x < b.width(); ++x, ligne += 3)
                ++comptes[ligne[0] + ligne[1] + ligne[2]];
    }
    return comptes;
}

struct TMoments {
    long double Somme = 0;
    long double Moyenne = 0;
    long double EcartType = 0;
};

// Sum, mean and standard deviation of n values, from the counts of each
// value s / diviseur: the same sums as pixel-by-pixel passes, more accurately.
TMoments Moments(const std::vector<int64_t>& comptes, long double diviseur, int64_t n)
{
    TMoments m;
    for (size_t s = 0; s < comptes.size(); ++s)
        m.Somme += comptes[s] * (s / diviseur);
    if (n <= 0)
        return m; // an empty picture: all 0
    m.Moyenne = m.Somme / n;
    long double ecarts = 0;
    for (size_t s = 0; s < comptes.size(); ++s) {
        const long double e = s / diviseur - m.Moyenne;
        ecarts += comptes[s] * e * e;
    }
    m.EcartType = std::sqrt(ecarts / n);
    return m;
}

} // namespace

int32_t ModeHistogrammeBmp(const THistoBmp& image, int32_t plan)
{
    TTableHistogrammeBmp comptes;
    HistogrammeBmp(image, plan, comptes);
    int32_t mode = 0;
    int64_t meilleur = 0;
    for (int i = 0; i < 256; ++i)
        if (comptes[i] > meilleur) {
            meilleur = comptes[i];
            mode = i;
        }
    return mode;
}

void StatistiquesBmp(const THistoBmp& image, TStatistiquesImage& stats)
{
    const QImage& b = image.BitmapSource;
    const int f = FormatPixelBitmap(b);
    if (!Gere(f))
        return;
    stats.Largeur = b.width();
    stats.Hauteur = b.height();
    stats.NombrePixels = static_cast<int32_t>(int64_t(b.width()) * b.height());
    stats.Minimum = image.Min;
    stats.Maximum = image.Max;
    stats.XMinimum = stats.YMinimum = stats.XMaximum = stats.YMaximum = 0;
    const TMoments m = Moments(ComptesValeurs(b, f), f == pf8bit ? 1.0L : 3.0L, stats.NombrePixels);
    stats.Somme = static_cast<double>(m.Somme);
    stats.Moyenne = static_cast<double>(m.Moyenne);
    stats.EcartType = static_cast<double>(m.EcartType);
    if (f == pf8bit)
        stats.BackGround = ModeHistogrammeBmp(image, clVert);
    else
        stats.BackGround = (ModeHistogrammeBmp(image, clRouge) + ModeHistogrammeBmp(image, clVert) +
                            ModeHistogrammeBmp(image, clBleu)) /
                           3.0;
}

double MoyenneBmp(const THistoBmp& image)
{
    TStatistiquesImage stats;
    StatistiquesBmp(image, stats);
    return stats.Moyenne;
}

double EcartTypeBmp(const THistoBmp& image, int32_t plan)
{
    const int f = FormatPixelBmp(image);
    if (f == pf8bit) {
        TStatistiquesImage stats;
        StatistiquesBmp(image, stats);
        return stats.EcartType;
    }
    if (f != pf24bit || OctetPlan(plan) < 0)
        return 0;
    TTableHistogrammeBmp plan8;
    HistogrammeBmp(image, plan, plan8);
    const std::vector<int64_t> comptes(plan8.begin(), plan8.end());
    return static_cast<double>(Moments(comptes, 1.0L, int64_t(LargeurBmp(image)) * HauteurBmp(image)).EcartType);
}

void PositionMaxBmp(const THistoBmp& image, int32_t& x, int32_t& y)
{
    x = 0;
    y = 0;
    const QImage& b = image.BitmapSource;
    const int f = FormatPixelBitmap(b);
    if (!Gere(f))
        return;
    int meilleur = 0;
    for (int j = 0; j < b.height(); ++j) {
        const uchar* ligne = b.constScanLine(j);
        for (int i = 0; i < b.width(); ++i) {
            const int v = f == pf8bit ? ligne[i] : ligne[3 * i] + ligne[3 * i + 1] + ligne[3 * i + 2];
            if (v > meilleur) {
                meilleur = v;
                x = i;
                y = j;
            }
        }
    }
}

bool ExtraireZoneBmp(THistoBmp& image, int32_t haut, int32_t bas, int32_t gauche, int32_t droite)
{
    if (!Gere(FormatPixelBmp(image)))
        return false;
    if (haut < 0 || bas < 0 || gauche < 0 || droite < 0)
        return false;
    const int64_t largeur = int64_t(LargeurBmp(image)) - gauche - droite;
    const int64_t hauteur = int64_t(HauteurBmp(image)) - haut - bas;
    if (largeur <= 0 || hauteur <= 0)
        return false;
    // copy(rect) keeps the pixel format and the palette.
    image.BitmapSource =
        image.BitmapSource.copy(gauche, haut, static_cast<int>(largeur), static_cast<int>(hauteur));
    MinMaxBmp(image.BitmapSource, image.Min, image.Max);
    return true;
}

void DimensionsFichierBmp(const QString& nom, int32_t& largeur, int32_t& hauteur)
{
    THistoBmp temp;
    CreerHistoBmp(temp);
    ChargerBmpSansAnalyse(temp, nom);
    largeur = LargeurBmp(temp);
    hauteur = HauteurBmp(temp);
}

int FormatPixelFichierBmp(const QString& nom)
{
    THistoBmp temp;
    CreerHistoBmp(temp);
    ChargerBmpSansAnalyse(temp, nom);
    return FormatPixelBmp(temp);
}

namespace {

void Redimensionner(THistoBmp& image, int32_t largeur, int32_t hauteur, QImage::Format format)
{
    const QImage& ancien = image.BitmapSource;
    QImage b = NouveauBitmap(std::max(0, largeur), std::max(0, hauteur), format);
    if (format == QImage::Format_Indexed8 && ancien.format() == QImage::Format_Indexed8 && ancien.colorCount() > 0)
        b.setColorTable(ancien.colorTable());
    b.fill(0);
    image.BitmapSource = b;
    if (Gere(FormatPixelBitmap(b)))
        image.Min = image.Max = 0;
}

} // namespace

void FixerTailleBmp(THistoBmp& image, int32_t largeur, int32_t hauteur)
{
    QImage::Format format = image.BitmapSource.format();
    if (format == QImage::Format_Invalid)
        format = QImage::Format_Indexed8;
    Redimensionner(image, largeur, hauteur, format);
}

void FixerTailleBmp24(THistoBmp& image, int32_t largeur, int32_t hauteur)
{
    Redimensionner(image, largeur, hauteur, QImage::Format_BGR888);
}

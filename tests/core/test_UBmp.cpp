#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UImages.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Reference patterns, computed here and in the peer's script alike.
int Motif8(int x, int y) { return (x * 7 + y * 13) % 256; }
QRgb MotifRvb(int x, int y)
{
    return qRgb((x * 11 + y * 3) % 256, (x * 5 + y * 17 + 40) % 256, (255 - x * 9 - y) & 255);
}

QImage Gris(int l, int h, const std::function<int(int, int)>& v)
{
    return BitmapDe(l, h, 1, [&](int x, int y, int) { return v(x, y); });
}

// Bytes in file order: blue, green, red.
QImage Couleur(int l, int h, const std::function<QRgb(int, int)>& v)
{
    return BitmapDe(l, h, 3, [&](int x, int y, int c) { return (v(x, y) >> 8 * c) & 0xFF; });
}

// Min, Max, Zoom, SMin, SMax, TRFT
std::tuple<int, int, int, int, int, double> Etat(const THistoBmp& o)
{
    return {o.Min, o.Max, o.Zoom, o.SMin, o.SMax, o.TRFT};
}

THistoBmp Charge(const QString& nom)
{
    THistoBmp o;
    CreerHistoBmp(o);
    ChargerBmp(o, nom);
    return o;
}

QByteArray Ligne(const QImage& b, int y, int n)
{
    return QByteArray(reinterpret_cast<const char*>(b.constScanLine(y)), n);
}

// A BMP header written by hand, then n palette entries, entry i = grey i x pas.
QByteArray EnteteBmp(int32_t largeur, int32_t hauteur, int bits, uint32_t compression, uint32_t couleurs, int n,
                     int pas = 1)
{
    QByteArray d;
    QDataStream f(&d, QIODevice::WriteOnly);
    f.setByteOrder(QDataStream::LittleEndian);
    f << quint16(0x4D42) << quint32(0) << quint32(0) << quint32(54 + 4 * n) << quint32(40) << largeur << hauteur
      << quint16(1) << quint16(bits) << compression << quint32(0) << quint32(0) << quint32(0) << couleurs << quint32(0);
    for (int i = 0; i < n; ++i)
        f << quint8(i * pas) << quint8(i * pas) << quint8(i * pas) << quint8(0);
    return d;
}

} // namespace

TEST(HistoBmp, CreationChargementEtTexte)
{
    QTemporaryDir dir;
    THistoBmp o;
    CreerHistoBmp(o);
    EXPECT_EQ(TexteInfoBmp(o), "L=0 H=0 m=0 M=0 Bv=0   Visu 0-0 Lin");
    EcrireBitmapBmp(Gris(5, 3, [](int x, int y) { return 20 + x + 10 * y; }), dir.filePath("a.bmp"));
    o.Zoom = 50, o.TRFT = 3.5;
    ChargerBmp(o, dir.filePath("a.bmp"));
    EXPECT_EQ(Etat(o), std::make_tuple(20, 44, 50, 0, 255, 0.0));
    EXPECT_EQ(TexteInfoBmp(o), "L=5 H=3 m=20 M=44 Bv=20   Visu 0-255 Lin");
    // a 24-bit picture reports the mode of its green plane
    THistoBmp c = ObjetBmpDe(Couleur(2, 1, [](int x, int) { return qRgb(9, 40 + x, 1); }));
    EXPECT_TRUE(TexteInfoBmp(c).contains(" m=1 M=41 Bv=40 "));
}

TEST(FichierBmp, Rle8LignesDeHautEnBasEtPaletteCourte)
{
    // 4 x 2 RLE8: bottom row = run of three 7s then absolute 9; top row: delta
    // over two pixels, then a run of two 5s.
    const QImage b = DecoderBmp(EnteteBmp(4, 2, 8, 1, 0, 256) + QByteArray("\x03\x07\x01\x09\x00\x00"
                                                                           "\x00\x02\x02\x00\x02\x05\x00\x01",
                                                                           14),
                                "r.bmp");
    EXPECT_EQ(b, Gris(4, 2, [](int x, int y) { return y ? (x < 3 ? 7 : 9) : (x < 2 ? 0 : 5); }));
    // negative height: rows stored top first
    const QImage h = DecoderBmp(EnteteBmp(1, -2, 8, 0, 0, 256) + QByteArray("\x0b\0\0\0\x16\0\0\0", 8), "t.bmp");
    EXPECT_EQ(h, Gris(1, 2, [](int, int y) { return 11 * (y + 1); }));
    // a grey ramp of fewer than 256 entries is still read as grey levels
    const QImage g = DecoderBmp(EnteteBmp(4, 1, 8, 0, 16, 16) + QByteArray("\x03\x02\x01\x0f", 4), "g.bmp");
    ASSERT_EQ(FormatPixelBitmap(g), pf8bit);
    EXPECT_EQ(g.constScanLine(0)[3], 15);
}

TEST(FichierBmp, FichiersMalFormesLevantUneErreurSansToucherLObjet)
{
    QTemporaryDir dir;
    THistoBmp o = ObjetBmpDe(Gris(2, 2, [](int x, int) { return 60 + x; }));
    o.SMax = 99;
    const QImage avant = o.BitmapSource;
    const QByteArray bon = CoderBmp(Gris(9, 9, Motif8));
    const struct {
        QByteArray Donnees;
        int Code; // -1: an EStelor that is not a file error
    } cas[] = {
        {"GIF89a", -1},
        {QByteArray(), -1},
        {bon.left(30), ES_LectureApresFin},             // header cut
        {bon.left(bon.size() - 20), ES_LectureApresFin}, // pixels cut
        {EnteteBmp(0, 5, 8, 0, 0, 256), -1},             // no column
        {EnteteBmp(4, 1, 8, 0, 300, 256) + QByteArray(4, 0), -1}, // 300 palette entries
        // huge sizes asked by a tiny RLE file, and by an uncompressed one
        {EnteteBmp(2000000, 2000000, 8, 1, 0, 256) + QByteArray("\x00\x01", 2), -1},
        {EnteteBmp(60000, 60000, 8, 1, 0, 256) + QByteArray("\x00\x01", 2), -1},
        {EnteteBmp(16000, 16000, 8, 0, 0, 256) + QByteArray(16, 0), ES_LectureApresFin},
        // RLE data that stops in the middle of an absolute run
        {EnteteBmp(8, 2, 8, 1, 0, 256) + QByteArray("\x00\x06\x01\x02", 4), ES_LectureApresFin},
    };
    for (const auto& c : cas) {
        const QString nom = dir.filePath("x.bmp");
        EcrireFichierSur(nom, c.Donnees);
        try {
            ChargerBmp(o, nom);
            ADD_FAILURE() << "aucune erreur pour " << c.Donnees.left(40).toHex().constData();
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), c.Code) << e.Message().toStdString();
        } catch (const EStelor& e) {
            EXPECT_EQ(c.Code, -1) << e.Message().toStdString();
        }
        EXPECT_EQ(o.BitmapSource, avant);
        EXPECT_EQ(Etat(o), std::make_tuple(60, 61, 100, 0, 99, 0.0));
    }
}

// A file of 3 GB is refused by its signature, or read as far as its header
// says the picture goes: a sparse file, and the bytes the process reads counted.
TEST(FichierBmp, GrandFichierLuSelonSonEnteteSeulement)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("grand.bmp");
    const QImage petite = Couleur(3, 2, MotifRvb);
    for (const QByteArray& debut : {QByteArray(), CoderBmp(petite)}) {
        SCOPED_TRACE(debut.size());
        EcrireFichierSur(nom, debut);
        QFile f(nom);
        ASSERT_TRUE(f.resize(qint64(3) << 30));
        const qint64 lus = OctetsLusParLeProcessus();
        if (debut.isEmpty())
            EXPECT_THROW(LireBitmapBmp(nom), EStelor);
        else
            EXPECT_EQ(LireBitmapBmp(nom), petite);
        EXPECT_LT(OctetsLusParLeProcessus() - lus, 1 << 20);
    }
}

TEST(FichierBmp, AutresProfondeursChargeesMaisLaisseesTelles)
{
    // 4-bit, 2 x 1, entries grey 17 x i: pixels 3 and 15
    QTemporaryDir dir;
    EcrireFichierSur(dir.filePath("q.bmp"), EnteteBmp(2, 1, 4, 0, 16, 16, 17) + QByteArray("\x3f\0\0\0", 4));
    THistoBmp o = ObjetBmpDe(Gris(1, 1, [](int, int) { return 77; }));
    o.BitmapAffichage = Gris(1, 1, [](int, int) { return 1; });
    int appels = 0;
    o.Proprietaire = [&](const QImage&) { ++appels; };
    ChargerBmp(o, dir.filePath("q.bmp"));
    EXPECT_FALSE(FormatPixelBmp(o) == pf8bit || FormatPixelBmp(o) == pf24bit);
    EXPECT_EQ(Etat(o), std::make_tuple(77, 77, 100, 0, 255, 0.0));
    EXPECT_EQ(QColor(o.BitmapSource.pixel(0, 0)), QColor(51, 51, 51));
    EXPECT_EQ(QColor(o.BitmapSource.pixel(1, 0)), QColor(255, 255, 255));
    AfficherBmp(o, true);
    EXPECT_EQ(appels, 0);
    EXPECT_EQ(BitmapBmp(o).width(), 1); // the display bitmap is left as it was
    // saving writes the picture itself, not the stale 1 x 1 display bitmap
    EnregistrerBmp(o, dir.filePath("e.bmp"), true);
    EXPECT_EQ(LireBitmapBmp(dir.filePath("e.bmp")).size(), QSize(2, 1));
    const QImage avant = o.BitmapSource;
    NegatifBitmap(o.BitmapSource);
    EXPECT_FALSE(ExtraireZoneBmp(o, 0, 0, 1, 0));
    EXPECT_EQ(o.BitmapSource, avant);
    TStatistiquesImage s;
    s.Largeur = -5;
    StatistiquesBmp(o, s);
    EXPECT_EQ(s.Largeur, -5);
}

TEST(RenduBmp, CourbesNegatifEtZoom)
{
    THistoBmp o = ObjetBmpDe(Gris(5, 1, [](int x, int) { return 50 * (x + 1); })); // 50 .. 250
    QImage recu;
    o.Proprietaire = [&](const QImage& b) { recu = b; };
    // levels 0..200: t = 1/4, 1/2, 3/4, 1, then above the high level.
    // linear: v x 255 div 200; log a = 1.25 and exp p = 2.001 by their formulas.
    const struct {
        double Trft;
        bool Positif;
        const char* Octets;
    } cas[] = {
        {0, true, "\x3f\x7f\xbf\xff\xff"},      // 63 127 191 255 255
        {0, false, "\xc0\x80\x40\x00\x00"},     // 255 minus those
        {1.25, true, "\x42\x87\xd0\xff\xff"},   // 66 135 208 255 255
        {-2.001, true, "\x3d\x78\xb8\xff\xff"}, // 61 120 184 255 255
    };
    FixerSeuilsBmp(o, 0, 200, false, true);
    for (const auto& c : cas) {
        FixerTransfertBmp(o, c.Trft, true, c.Positif);
        ASSERT_EQ(recu.format(), QImage::Format_Indexed8);
        EXPECT_EQ(Ligne(recu, 0, 5), QByteArray(c.Octets, 5)) << c.Trft;
    }
    // 24-bit: each byte through the same curve, independently
    THistoBmp c = ObjetBmpDe(Couleur(3, 3, [](int, int) { return qRgb(200, 150, 100); }));
    FixerSeuilsBmp(c, 100, 200, false, true);
    const QImage& r = BitmapBmp(c);
    ASSERT_EQ(r.format(), QImage::Format_BGR888);
    EXPECT_EQ(Ligne(r, 2, 9).right(3), QByteArray("\x00\x7f\xff", 3));

    // zoom: round(size x zoom / 100), halves to even, never below 1 x 1
    FixerTransfertBmp(o, 0, false, true);
    const struct {
        int Zoom;
        QSize Taille;
    } zooms[] = {{50, {2, 1}}, {150, {8, 2}}, {0, {1, 1}}, {-20, {1, 1}}, {70, {4, 1}}};
    for (const auto& z : zooms) {
        FixerZoomBmp(o, z.Zoom, true, true);
        EXPECT_EQ(recu.size(), z.Taille) << z.Zoom;
        EXPECT_EQ(recu.colorTable(), TablePaletteGris());
    }
    QImage p = Gris(3, 1, Motif8); // a palette of its own is kept
    p.setColorTable(QList<QRgb>(256, qRgb(1, 2, 3)));
    ZoomerBitmap(p, 200);
    EXPECT_EQ(p.colorTable(), QList<QRgb>(256, qRgb(1, 2, 3)));
    // saved: the rendering at its zoomed size, made negative; the source as it is
    QTemporaryDir dir;
    THistoBmp large = ObjetBmpDe(Gris(45, 2, Motif8));
    FixerSeuilsBmp(large, 0, 255, false, true);
    FixerZoomBmp(large, 70, false, true);
    EnregistrerBmp(large, dir.filePath("n.bmp"), false);
    const QImage n = LireBitmapBmp(dir.filePath("n.bmp")), rendu = BitmapBmp(large);
    ASSERT_EQ(n.size(), QSize(32, 1)); // 31.5 -> 32, 1.4 -> 1
    EXPECT_EQ(n.colorTable(), TablePaletteGris());
    EXPECT_EQ(n.constScanLine(0)[0], 255);
    for (int x = 0; x < 32; ++x)
        ASSERT_EQ(n.constScanLine(0)[x], 255 - rendu.constScanLine(0)[x]) << x;
    EnregistrerSourceBmp(large, dir.filePath("s.bmp"));
    EXPECT_EQ(LireBitmapBmp(dir.filePath("s.bmp")), large.BitmapSource);
}

TEST(HistoBmp, CopiesEtEchangeLaissentLesNiveaux)
{
    THistoBmp a = ObjetBmpDe(Gris(2, 2, [](int, int) { return 10; }));
    THistoBmp b = ObjetBmpDe(Couleur(3, 1, [](int, int) { return qRgb(3, 2, 1); }));
    a.SMin = 1, a.SMax = 2, a.TRFT = 3.5, a.Zoom = 200;
    b.SMin = 4, b.SMax = 5, b.TRFT = -2.001, b.Zoom = 25;
    EchangerHistoBmp(a, b);
    EXPECT_EQ(FormatPixelBmp(a), pf24bit);
    EXPECT_EQ(Etat(a), std::make_tuple(1, 3, 25, 1, 2, 3.5));
    EXPECT_EQ(Etat(b), std::make_tuple(10, 10, 200, 4, 5, -2.001));

    THistoBmp c;
    CreerHistoBmp(c);
    c.SMax = 77;
    CopierHistoBmp(a, c);
    EXPECT_EQ(Etat(c), std::make_tuple(1, 3, 25, 0, 77, 0.0));
    c.BitmapSource.scanLine(0)[0] = 99; // deep copy: the source keeps its byte
    EXPECT_EQ(a.BitmapSource.constScanLine(0)[0], 1);
    CopierImageBmp(a, c);
    EXPECT_EQ(c.BitmapSource, a.BitmapSource);
    EXPECT_EQ(Etat(c), Etat(a));
}

TEST(MesureBmp, StatistiquesModeEtPosition)
{
    THistoBmp c = ObjetBmpDe(Couleur(4, 3, [](int, int) { return qRgb(10, 20, 31); }));
    TStatistiquesImage s;
    StatistiquesBmp(c, s);
    EXPECT_EQ(std::make_tuple(s.NombrePixels, s.Minimum, s.Maximum, s.EcartType), std::make_tuple(12, 10.0, 31.0, 0.0));
    EXPECT_NEAR(s.Moyenne, 61.0 / 3, 1e-12);
    EXPECT_NEAR(s.Somme, 12 * 61.0 / 3, 1e-9);
    EXPECT_NEAR(s.BackGround, 61.0 / 3, 1e-12);
    EXPECT_EQ(std::make_tuple(ModeHistogrammeBmp(c, clRouge), ModeHistogrammeBmp(c, 12345), EcartTypeBmp(c, 12345)),
              std::make_tuple(10, 0, 0.0));

    // levels 7 and 9 equally frequent: 7 wins; values 9 7 2 9 7 -> mean 6.8,
    // squared deviations 4.84 x 2 + 0.04 x 2 + 23.04 = 32.8
    const int v[5] = {9, 7, 2, 9, 7};
    THistoBmp g = ObjetBmpDe(Gris(5, 1, [&](int x, int) { return v[x]; }));
    EXPECT_EQ(ModeHistogrammeBmp(g, clBleu), 7);
    StatistiquesBmp(g, s);
    EXPECT_NEAR(s.Moyenne, 6.8, 1e-12);
    EXPECT_NEAR(s.EcartType, std::sqrt(32.8 / 5), 1e-12);
    EXPECT_NEAR(EcartTypeBmp(g, 0), std::sqrt(32.8 / 5), 1e-12);
    EXPECT_EQ(s.BackGround, 7);
    int32_t x = -1, y = -1;
    PositionMaxBmp(g, x, y);
    EXPECT_EQ(QPoint(x, y), QPoint(0, 0)); // the first of the two 9s

    // green plane 0 and 10 -> deviation 5; a bright blue makes pixel 1 the brightest
    THistoBmp h = ObjetBmpDe(Couleur(2, 1, [](int x, int) { return qRgb(0, 10 * x, 200 * x); }));
    EXPECT_NEAR(EcartTypeBmp(h, clVert), 5.0, 1e-12);
    PositionMaxBmp(h, x, y);
    EXPECT_EQ(x, 1);
}

TEST(HistoBmp, RecadrageConversionGrisEtTaille)
{
    THistoBmp o = ObjetBmpDe(Gris(6, 5, [](int x, int y) { return 10 * y + x; }));
    const QImage avant = o.BitmapSource;
    EXPECT_TRUE(ExtraireZoneBmp(o, 0, 0, 0, 0));
    EXPECT_FALSE(ExtraireZoneBmp(o, -1, 0, 0, 0));
    EXPECT_FALSE(ExtraireZoneBmp(o, 0, 0, 3, 3)); // no column left
    EXPECT_FALSE(ExtraireZoneBmp(o, 5, 0, 0, 0)); // no row left
    EXPECT_EQ(o.BitmapSource, avant);
    EXPECT_TRUE(ExtraireZoneBmp(o, 1, 2, 2, 1)); // 3 x 2 from (2, 1)
    EXPECT_EQ(o.BitmapSource, Gris(3, 2, [](int x, int y) { return 10 * y + x + 12; }));
    EXPECT_EQ(QPoint(o.Min, o.Max), QPoint(12, 24));

    // (1 + 1 + 2) div 3 = 1; (255 + 255 + 254) div 3 = 254
    THistoBmp g = ObjetBmpDe(Couleur(2, 1, [](int x, int) { return x ? qRgb(255, 255, 254) : qRgb(1, 1, 2); }));
    ConvertirHistoBmpGris(g);
    EXPECT_EQ(g.BitmapSource, Gris(2, 1, [](int x, int) { return x ? 254 : 1; }));
    EXPECT_EQ(QPoint(g.Min, g.Max), QPoint(1, 254));

    FixerTailleBmp(g, 4, 1);
    EXPECT_EQ(g.BitmapSource, Gris(4, 1, [](int, int) { return 0; }));
    FixerTailleBmp24(g, 3, 2);
    EXPECT_EQ(g.BitmapSource, Couleur(3, 2, [](int, int) { return qRgb(0, 0, 0); }));
    EXPECT_EQ(QPoint(g.Min, g.Max), QPoint(0, 0));
}

// ---------------------------------------------------------------------------
// The peer: Pillow reads what we write and writes what we read.
// ---------------------------------------------------------------------------

TEST(PairPillow, EchangeDeFichiersAvecPillow)
{
    QTemporaryDir dir;
    EcrireBitmapBmp(Gris(13, 7, Motif8), dir.filePath("g.bmp"));
    EcrireBitmapBmp(Couleur(13, 7, MotifRvb), dir.filePath("c.bmp"));
    QImage p = Gris(13, 7, Motif8);
    QVector<QRgb> pal(256);
    for (int i = 0; i < 256; ++i)
        pal[i] = qRgb(i, 255 - i, (3 * i) % 256);
    p.setColorTable(pal);
    EcrireBitmapBmp(p, dir.filePath("p.bmp"));
    // Pillow checks our three files, then writes its own under the names "n*".
    Python(QStringLiteral("bmp_motifs"), {dir.path()});

    THistoBmp o;
    CreerHistoBmp(o);
    ChargerBmp(o, dir.filePath("ng.bmp"));
    EXPECT_EQ(o.BitmapSource, Gris(13, 7, Motif8));
    ChargerBmp(o, dir.filePath("nc.bmp"));
    EXPECT_EQ(o.BitmapSource, Couleur(13, 7, MotifRvb));
    ChargerBmp(o, dir.filePath("np.bmp")); // coloured palette: shown through it
    EXPECT_EQ(o.BitmapSource, Couleur(13, 7, [&](int x, int y) { return pal[Motif8(x, y)]; }));
    const uint8_t mn = o.Min, mx = o.Max;
    ChargerBmp(o, dir.filePath("nm.bmp")); // 1-bit and 32-bit: loaded, left alone
    EXPECT_EQ(std::make_tuple(o.BitmapSource.size(), FormatPixelBmp(o)), std::make_tuple(QSize(9, 3), int(pf1bit)));
    EXPECT_EQ(QPoint(o.Min, o.Max), QPoint(mn, mx));
    EXPECT_EQ(FormatPixelFichierBmp(dir.filePath("na.bmp")), pf32bit);
    int32_t l = 0, h = 0;
    DimensionsFichierBmp(dir.filePath("na.bmp"), l, h);
    EXPECT_EQ(QSize(l, h), QSize(4, 2));
}

TEST(PairQt, ImagesReellesIdentiquesAuLecteurDeQt)
{
    // The 8-bit file is RLE8-compressed with a grey palette.
    for (const QString n : {"hubble_deep_field_8.bmp", "hubble_deep_field_24.bmp"}) {
        const THistoBmp o = Charge(CheminDonnees(n));
        ASSERT_EQ(FormatPixelBmp(o), n.contains("_8") ? pf8bit : pf24bit);
        const QImage qt(CheminDonnees(n));
        ASSERT_EQ(qt.size(), QSize(1000, 872));
        EXPECT_EQ(o.BitmapSource.convertToFormat(QImage::Format_RGB32), qt.convertToFormat(QImage::Format_RGB32))
            << n.toStdString();
    }
}

// ImageMagick writes grey pictures with a palette of greys in its own order
// (and often fewer than 256 entries): each pixel takes its entry's level and
// the picture stays 8-bit grey. Pillow writes such files and the expected
// levels (its own conversion to grey) beside them.
TEST(PairPillow, PaletteGriseDansLeDesordre)
{
    QTemporaryDir dir;
    Python(QStringLiteral("palette_grise_desordre"), {dir.path()});
    for (const char* nom : {"melange", "court"}) {
        SCOPED_TRACE(nom);
        const THistoBmp o = Charge(dir.filePath(QString("%1.bmp").arg(nom)));
        const THistoBmp attendu = Charge(dir.filePath(QString("%1_attendu.bmp").arg(nom)));
        ASSERT_EQ(FormatPixelBmp(attendu), pf8bit);
        EXPECT_EQ(o.BitmapSource, attendu.BitmapSource);
        EXPECT_EQ(QPoint(o.Min, o.Max), QPoint(attendu.Min, attendu.Max));
    }
}

#include "PErreurs.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UImages.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Reference patterns, computed here and in the peer's scripts alike.
int Motif8(int x, int y) { return (x * 7 + y * 13) % 256; }
int MotifR(int x, int y) { return (x * 11 + y * 3) % 256; }
int MotifG(int x, int y) { return (x * 5 + y * 17 + 40) % 256; }
int MotifB(int x, int y) { return (255 - x * 9 - y) & 255; }

QImage Gris(int l, int h, const std::function<int(int, int)>& v)
{
    QImage b(l, h, QImage::Format_Indexed8);
    PaletteGris(b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            b.scanLine(y)[x] = static_cast<uchar>(v(x, y));
    return b;
}

QImage Couleur(int l, int h)
{
    QImage b(l, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            b.setPixel(x, y, qRgb(MotifR(x, y), MotifG(x, y), MotifB(x, y)));
    return b;
}

QImage Uni(int l, int h, int b, int g, int r)
{
    QImage i(l, h, QImage::Format_BGR888);
    i.fill(QColor(r, g, b));
    return i;
}

THistoBmp Objet(const QImage& b)
{
    THistoBmp o;
    CreerHistoBmp(o);
    o.BitmapSource = b;
    MinMaxBmp(o.BitmapSource, o.Min, o.Max);
    return o;
}

void Ecrire(const QString& nom, const QByteArray& d)
{
    QFile f(nom);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(d);
}

void Python(const QString& script, const QStringList& args, QString* sortie = nullptr)
{
    QString s;
    EXPECT_EQ(LancerProgramme("/usr/bin/python3", QStringList{"-c", script} + args, &s), 0) << s.toStdString();
    if (sortie)
        *sortie = s.trimmed();
}

// A BMP header written by hand: 8-bit, width x height, n palette entries.
QByteArray EnteteBmp8(int32_t largeur, int32_t hauteur, uint32_t compression, uint32_t couleurs, int n)
{
    QByteArray d(54 + 4 * n, '\0');
    auto e32 = [&](int p, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            d[p + i] = char((v >> (8 * i)) & 0xFF);
    };
    d[0] = 'B', d[1] = 'M';
    e32(10, 54 + 4 * n);
    e32(14, 40);
    e32(18, uint32_t(largeur));
    e32(22, uint32_t(hauteur));
    d[26] = 1;
    d[28] = 8;
    e32(30, compression);
    e32(46, couleurs);
    for (int i = 0; i < n; ++i)
        d[54 + 4 * i] = d[55 + 4 * i] = d[56 + 4 * i] = char(i);
    return d;
}

} // namespace

TEST(HistoBmp, CreationPuisChargementFixentLesNiveaux)
{
    QTemporaryDir dir;
    THistoBmp o;
    CreerHistoBmp(o);
    EXPECT_EQ(TexteInfoBmp(o), "L=0 H=0 m=0 M=0 Bv=0   Visu 0-0 Lin");
    EXPECT_EQ(o.Zoom, 100);

    EcrireBitmapBmp(Gris(5, 3, [](int x, int y) { return 20 + x + 10 * y; }), dir.filePath("a.bmp"));
    o.Zoom = 50;
    ChargerBmp(o, dir.filePath("a.bmp"));
    EXPECT_EQ(o.Zoom, 50);
    EXPECT_EQ(TexteInfoBmp(o), "L=5 H=3 m=20 M=44 Bv=20   Visu 0-255 Lin");
}

TEST(FichierBmp, Rle8EtLignesDeHautEnBas)
{
    // 4 x 2 RLE8: bottom row = run of three 7s then absolute 9; top row: delta
    // over two pixels, then a run of two 5s.
    QByteArray r = EnteteBmp8(4, 2, 1, 0, 256);
    r.append(QByteArray("\x03\x07\x01\x09"        // bottom: 7 7 7 9
                        "\x00\x00"                // end of line
                        "\x00\x02\x02\x00"        // delta: skip two pixels
                        "\x02\x05\x00\x01",       // 5 5, end of picture
                        14));
    const QImage b = DecoderBmp(r, "r.bmp");
    ASSERT_EQ(FormatPixelBitmap(b), pf8bit);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(b.constScanLine(1)), 4), QByteArray("\x07\x07\x07\x09", 4));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(b.constScanLine(0)), 4), QByteArray("\x00\x00\x05\x05", 4));

    // Negative height: rows stored top first.
    QByteArray t = EnteteBmp8(1, -2, 0, 0, 256);
    t.append(QByteArray("\x0b\x00\x00\x00\x16\x00\x00\x00", 8));
    const QImage h = DecoderBmp(t, "t.bmp");
    EXPECT_EQ(h.constScanLine(0)[0], 11);
    EXPECT_EQ(h.constScanLine(1)[0], 22);

    // A grey ramp of fewer than 256 entries is still read as grey levels.
    QByteArray e = EnteteBmp8(4, 1, 0, 16, 16);
    e.append(QByteArray("\x03\x02\x01\x0f", 4));
    const QImage g = DecoderBmp(e, "g.bmp");
    ASSERT_EQ(FormatPixelBitmap(g), pf8bit);
    EXPECT_EQ(g.constScanLine(0)[3], 15);
}

TEST(FichierBmp, FichiersMalFormesLevantUneErreurSansToucherLObjet)
{
    QTemporaryDir dir;
    THistoBmp o = Objet(Gris(2, 2, [](int x, int) { return 60 + x; }));
    o.SMax = 99;
    const QImage avant = o.BitmapSource;
    auto essayer = [&](const QByteArray& d, int codeAttendu) {
        Ecrire(dir.filePath("x.bmp"), d);
        try {
            ChargerBmp(o, dir.filePath("x.bmp"));
            ADD_FAILURE() << "aucune erreur";
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), codeAttendu) << e.Message().toStdString();
            EXPECT_FALSE(e.Message().isEmpty());
        } catch (const EStelor& e) {
            EXPECT_EQ(codeAttendu, -1) << e.Message().toStdString();
        }
        EXPECT_EQ(o.BitmapSource, avant);
        EXPECT_EQ(o.Min, 60);
        EXPECT_EQ(o.SMax, 99);
    };
    const QByteArray bon = CoderBmp(Gris(9, 9, Motif8));
    essayer("GIF89a", -1);                                  // not a bitmap
    essayer(bon.left(30), ES_LectureApresFin);             // header cut
    essayer(bon.left(bon.size() - 20), ES_LectureApresFin); // pixels cut
    essayer(QByteArray(), -1);
    essayer(EnteteBmp8(0, 5, 0, 0, 256), -1);                // no column
    essayer(EnteteBmp8(4, 1, 0, 300, 256) + QByteArray(4, 0), -1); // 300 palette entries
    // Huge sizes asked by a tiny RLE file, and by an uncompressed one.
    essayer(EnteteBmp8(2000000, 2000000, 1, 0, 256) + QByteArray("\x00\x01", 2), -1);
    essayer(EnteteBmp8(60000, 60000, 1, 0, 256) + QByteArray("\x00\x01", 2), -1);
    essayer(EnteteBmp8(16000, 16000, 0, 0, 256) + QByteArray(16, 0), ES_LectureApresFin);
    // RLE data that stops in the middle of an absolute run.
    essayer(EnteteBmp8(8, 2, 1, 0, 256) + QByteArray("\x00\x06\x01\x02", 4), ES_LectureApresFin);
    // A missing file.
    try {
        ChargerBmp(o, dir.filePath("absent.bmp"));
        ADD_FAILURE();
    } catch (const EErreurFichier& e) {
        EXPECT_EQ(e.Code(), ES_FichierIntrouvable);
    }
}

TEST(FichierBmp, AutresProfondeursChargeesMaisLaisseesTelles)
{
    // 4-bit, 2 x 1, 16 grey entries: loads, in a format no operation touches.
    QByteArray d(54 + 64 + 4, '\0');
    d[0] = 'B', d[1] = 'M';
    d[10] = char(54 + 64);
    d[14] = 40;
    d[18] = 2;
    d[22] = 1;
    d[26] = 1;
    d[28] = 4;
    for (int i = 0; i < 16; ++i)
        d[54 + 4 * i] = d[55 + 4 * i] = d[56 + 4 * i] = char(i * 17);
    d[54 + 64] = char(0x3F);
    QTemporaryDir dir;
    Ecrire(dir.filePath("q.bmp"), d);
    THistoBmp o = Objet(Gris(1, 1, [](int, int) { return 77; }));
    o.BitmapAffichage = Gris(1, 1, [](int, int) { return 1; });
    int appels = 0;
    o.Proprietaire = [&](const QImage&) { ++appels; };
    ChargerBmp(o, dir.filePath("q.bmp"));
    EXPECT_NE(FormatPixelBmp(o), pf8bit);
    EXPECT_NE(FormatPixelBmp(o), pf24bit);
    EXPECT_EQ(LargeurBmp(o), 2);
    EXPECT_EQ(o.Min, 77);
    EXPECT_EQ(o.Max, 77);
    EXPECT_EQ(QColor(o.BitmapSource.pixel(0, 0)), QColor(51, 51, 51));
    EXPECT_EQ(QColor(o.BitmapSource.pixel(1, 0)), QColor(255, 255, 255));
    AfficherBmp(o, true);
    EXPECT_EQ(appels, 0);
    EXPECT_EQ(BitmapBmp(o).width(), 1); // the display bitmap is left as it was
    // Saving writes the picture itself, not the stale 1 x 1 display bitmap.
    QTemporaryDir ecrit;
    EnregistrerBmp(o, ecrit.filePath("e.bmp"), true);
    EXPECT_EQ(LireBitmapBmp(ecrit.filePath("e.bmp")).size(), QSize(2, 1));
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
    THistoBmp o = Objet(Gris(5, 1, [](int x, int) { return 50 * (x + 1); })); // 50 100 150 200 250
    QImage recu;
    o.Proprietaire = [&](const QImage& b) { recu = b; };
    FixerSeuilsBmp(o, 100, 200, true, true);
    ASSERT_EQ(recu.format(), QImage::Format_Indexed8);
    // linear: (v - 100) * 255 div 100 truncated
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(recu.constScanLine(0)), 5),
              QByteArray("\x00\x00\x7f\xff\xff", 5));
    FixerSeuilsBmp(o, 100, 200, true, false);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(recu.constScanLine(0)), 5),
              QByteArray("\xff\xff\x80\x00\x00", 5));
    // logarithmic a = 3.5 at t = 0.5 gives 181; t = 1 gives 255
    FixerSeuilsBmp(o, 0, 200, false, true);
    FixerTransfertBmp(o, 3.5, true, true);
    EXPECT_EQ(recu.constScanLine(0)[1], 181);
    EXPECT_EQ(recu.constScanLine(0)[3], 255);
    // exponential: t = 0 gives 0, t = 1 gives 255, below the chord between
    FixerSeuilsBmp(o, 50, 250, false, true);
    FixerTransfertBmp(o, -11.001, true, true);
    EXPECT_EQ(recu.constScanLine(0)[0], 0);
    EXPECT_EQ(recu.constScanLine(0)[4], 255);
    EXPECT_LT(recu.constScanLine(0)[2], 128);

    // 24-bit: each byte through the same curve, independently
    THistoBmp c = Objet(Uni(3, 3, 100, 150, 200));
    FixerSeuilsBmp(c, 100, 200, false, true);
    const QImage& r = BitmapBmp(c);
    ASSERT_EQ(r.format(), QImage::Format_BGR888);
    EXPECT_EQ(r.constScanLine(2)[6], 0);
    EXPECT_EQ(r.constScanLine(2)[7], 127);
    EXPECT_EQ(r.constScanLine(2)[8], 255);

    // zoom: round to nearest, halves to even, never below 1 x 1
    FixerZoomBmp(o, 50, true, true);
    EXPECT_EQ(recu.size(), QSize(2, 1)); // 2.5 -> 2, 0.5 -> 0 -> 1
    FixerZoomBmp(o, 150, true, true);
    EXPECT_EQ(recu.size(), QSize(8, 2)); // 7.5 -> 8, 1.5 -> 2
    FixerZoomBmp(o, 0, true, true);
    EXPECT_EQ(recu.size(), QSize(1, 1));
    EXPECT_EQ(recu.format(), QImage::Format_Indexed8);
    EXPECT_EQ(recu.colorTable(), TablePaletteGris());
}

TEST(HistoBmp, EnregistrementRenduEtSource)
{
    QTemporaryDir dir;
    THistoBmp o = Objet(Gris(5, 4, [](int x, int y) { return 60 * (x % 2) + y; }));
    FixerSeuilsBmp(o, 0, 255, false, true);
    FixerZoomBmp(o, 50, false, true);
    EnregistrerBmp(o, dir.filePath("n.bmp"), false);
    const QImage n = LireBitmapBmp(dir.filePath("n.bmp"));
    ASSERT_EQ(n.size(), QSize(2, 2)); // 2.5 -> 2, 2
    ASSERT_EQ(n.format(), QImage::Format_Indexed8);
    EXPECT_EQ(n.colorTable(), TablePaletteGris());
    // nearest pixels (0, 0) and (2, 2): levels 0 and 2, negative
    EXPECT_EQ(n.constScanLine(0)[0], 255);
    EXPECT_EQ(n.constScanLine(1)[0], 253);
    EnregistrerSourceBmp(o, dir.filePath("s.bmp"));
    EXPECT_EQ(LireBitmapBmp(dir.filePath("s.bmp")), o.BitmapSource);
}

TEST(HistoBmp, CopiesEtEchangeLaissentLesNiveaux)
{
    THistoBmp a = Objet(Gris(2, 2, [](int, int) { return 10; }));
    THistoBmp b = Objet(Uni(3, 1, 1, 2, 3));
    a.SMin = 1, a.SMax = 2, a.TRFT = 3.5, a.Zoom = 200;
    b.SMin = 4, b.SMax = 5, b.TRFT = -2.001, b.Zoom = 25;
    EchangerHistoBmp(a, b);
    EXPECT_EQ(FormatPixelBmp(a), pf24bit);
    EXPECT_EQ(a.Max, 3);
    EXPECT_EQ(a.Zoom, 25);
    EXPECT_EQ(b.Max, 10);
    EXPECT_EQ(b.Zoom, 200);
    EXPECT_EQ(a.SMax, 2);
    EXPECT_EQ(a.TRFT, 3.5);
    EXPECT_EQ(b.SMin, 4);
    EXPECT_EQ(b.TRFT, -2.001);

    THistoBmp c;
    CreerHistoBmp(c);
    c.SMax = 77;
    CopierHistoBmp(a, c);
    EXPECT_EQ(c.SMax, 77);
    EXPECT_EQ(c.BitmapSource, a.BitmapSource);
    c.BitmapSource.scanLine(0)[0] = 99; // deep copy: the source keeps its byte
    EXPECT_EQ(a.BitmapSource.constScanLine(0)[0], 1);
    CopierImageBmp(a, c);
    EXPECT_EQ(c.SMax, 2);
    EXPECT_EQ(c.TRFT, 3.5);
}

TEST(MesureBmp, StatistiquesModeEtPosition)
{
    THistoBmp c = Objet(Uni(4, 3, 31, 20, 10)); // R 10, G 20, B 31
    TStatistiquesImage s;
    StatistiquesBmp(c, s);
    EXPECT_EQ(s.NombrePixels, 12);
    EXPECT_NEAR(s.Moyenne, 61.0 / 3, 1e-12);
    EXPECT_NEAR(s.Somme, 12 * 61.0 / 3, 1e-9);
    EXPECT_EQ(s.EcartType, 0);
    EXPECT_NEAR(s.BackGround, 61.0 / 3, 1e-12);
    EXPECT_EQ(s.Minimum, 10);
    EXPECT_EQ(s.Maximum, 31);
    EXPECT_EQ(ModeHistogrammeBmp(c, clRouge), 10);
    EXPECT_EQ(ModeHistogrammeBmp(c, 12345), 0);
    EXPECT_EQ(EcartTypeBmp(c, 12345), 0);

    // levels 7 and 9 equally frequent: 7 wins; values 7 7 9 9 2 -> mean 6.8
    const int v[5] = {9, 7, 2, 9, 7};
    THistoBmp g = Objet(Gris(5, 1, [&](int x, int) { return v[x]; }));
    EXPECT_EQ(ModeHistogrammeBmp(g, clBleu), 7);
    StatistiquesBmp(g, s);
    EXPECT_NEAR(s.Moyenne, 6.8, 1e-12);
    // deviations 2.2 0.2 -4.8 2.2 0.2: squares sum 4.84*2 + 0.04*2 + 23.04 = 32.8
    EXPECT_NEAR(s.EcartType, std::sqrt(32.8 / 5), 1e-12);
    EXPECT_NEAR(EcartTypeBmp(g, 0), std::sqrt(32.8 / 5), 1e-12);
    EXPECT_EQ(s.BackGround, 7);
    int32_t x = -1, y = -1;
    PositionMaxBmp(g, x, y);
    EXPECT_EQ(x, 0); // the first of the two 9s
    EXPECT_EQ(y, 0);

    // green plane of a 24-bit picture: values 0 and 10 -> deviation 5
    QImage b = Uni(2, 1, 0, 0, 0);
    b.scanLine(0)[4] = 10;
    b.scanLine(0)[3] = 200; // a bright blue on the same pixel: sum 210
    THistoBmp h = Objet(b);
    EXPECT_NEAR(EcartTypeBmp(h, clVert), 5.0, 1e-12);
    PositionMaxBmp(h, x, y);
    EXPECT_EQ(x, 1);
}

TEST(HistoBmp, RecadrageEtConversionGris)
{
    THistoBmp o = Objet(Gris(6, 5, [](int x, int y) { return 10 * y + x; }));
    const QImage avant = o.BitmapSource;
    EXPECT_TRUE(ExtraireZoneBmp(o, 0, 0, 0, 0));
    EXPECT_EQ(o.BitmapSource, avant);
    EXPECT_FALSE(ExtraireZoneBmp(o, -1, 0, 0, 0));
    EXPECT_FALSE(ExtraireZoneBmp(o, 0, 0, 3, 3)); // no column left
    EXPECT_FALSE(ExtraireZoneBmp(o, 5, 0, 0, 0)); // no row left
    EXPECT_EQ(o.BitmapSource, avant);
    EXPECT_TRUE(ExtraireZoneBmp(o, 1, 2, 2, 1)); // 3 x 2 from (2, 1)
    ASSERT_EQ(o.BitmapSource.size(), QSize(3, 2));
    EXPECT_EQ(o.BitmapSource.format(), QImage::Format_Indexed8);
    EXPECT_EQ(o.BitmapSource.colorTable(), TablePaletteGris());
    EXPECT_EQ(o.BitmapSource.constScanLine(0)[0], 12);
    EXPECT_EQ(o.BitmapSource.constScanLine(1)[2], 24);
    EXPECT_EQ(o.Min, 12);
    EXPECT_EQ(o.Max, 24);

    QImage c = Uni(2, 1, 2, 1, 1); // (1 + 1 + 2) div 3 = 1
    c.scanLine(0)[3] = 254, c.scanLine(0)[4] = 255, c.scanLine(0)[5] = 255; // 764 div 3 = 254
    THistoBmp g = Objet(c);
    ConvertirHistoBmpGris(g);
    ASSERT_EQ(FormatPixelBmp(g), pf8bit);
    EXPECT_EQ(g.BitmapSource.colorTable(), TablePaletteGris());
    EXPECT_EQ(g.BitmapSource.constScanLine(0)[0], 1);
    EXPECT_EQ(g.BitmapSource.constScanLine(0)[1], 254);
    EXPECT_EQ(g.Min, 1);
    EXPECT_EQ(g.Max, 254);

    FixerTailleBmp24(g, 3, 2);
    EXPECT_EQ(FormatPixelBmp(g), pf24bit);
    EXPECT_EQ(g.BitmapSource.size(), QSize(3, 2));
    EXPECT_EQ(g.Max, 0);
    uint8_t mn = 1, mx = 1;
    MinMaxBmp(g.BitmapSource, mn, mx);
    EXPECT_EQ(mx, 0);
}

// ---------------------------------------------------------------------------
// The peer: Pillow reads what we write and writes what we read.
// ---------------------------------------------------------------------------

TEST(PairPillow, PillowLitNosFichiersAvecNosValeursEtPalette)
{
    QTemporaryDir dir;
    EcrireBitmapBmp(Gris(13, 7, Motif8), dir.filePath("g.bmp"));
    EcrireBitmapBmp(Couleur(13, 7), dir.filePath("c.bmp"));
    QImage p = Gris(13, 7, Motif8);
    QVector<QRgb> pal(256);
    for (int i = 0; i < 256; ++i)
        pal[i] = qRgb(i, 255 - i, (3 * i) % 256);
    p.setColorTable(pal);
    EcrireBitmapBmp(p, dir.filePath("p.bmp"));
    const QString script = R"(
import sys
from PIL import Image
d = sys.argv[1]
g = Image.open(d + '/g.bmp'); assert g.mode == 'L' and g.size == (13, 7), g.mode
for y in range(7):
    for x in range(13):
        assert g.getpixel((x, y)) == (x * 7 + y * 13) % 256
c = Image.open(d + '/c.bmp'); assert c.mode == 'RGB' and c.size == (13, 7), c.mode
for y in range(7):
    for x in range(13):
        assert c.getpixel((x, y)) == ((x * 11 + y * 3) % 256, (x * 5 + y * 17 + 40) % 256, (255 - x * 9 - y) & 255)
p = Image.open(d + '/p.bmp'); assert p.mode == 'P', p.mode
pal = p.getpalette()
for i in range(256):
    assert pal[3 * i: 3 * i + 3] == [i, 255 - i, (3 * i) % 256]
for y in range(7):
    for x in range(13):
        assert p.getpixel((x, y)) == (x * 7 + y * 13) % 256
print('ok')
)";
    QString sortie;
    Python(script, {dir.path()}, &sortie);
    EXPECT_EQ(sortie, "ok");
}

TEST(PairPillow, NousLisonsLesFichiersDePillow)
{
    QTemporaryDir dir;
    const QString script = R"(
import sys
from PIL import Image
d = sys.argv[1]
g = Image.new('L', (13, 7)); c = Image.new('RGB', (13, 7)); p = Image.new('P', (13, 7))
for y in range(7):
    for x in range(13):
        g.putpixel((x, y), (x * 7 + y * 13) % 256)
        p.putpixel((x, y), (x * 7 + y * 13) % 256)
        c.putpixel((x, y), ((x * 11 + y * 3) % 256, (x * 5 + y * 17 + 40) % 256, (255 - x * 9 - y) & 255))
pal = []
for i in range(256):
    pal += [i, 255 - i, (3 * i) % 256]
p.putpalette(pal)
g.save(d + '/g.bmp'); c.save(d + '/c.bmp'); p.save(d + '/p.bmp')
Image.new('1', (9, 3), 1).save(d + '/m.bmp')
Image.new('RGBA', (4, 2), (1, 2, 3, 255)).save(d + '/a.bmp')
)";
    Python(script, {dir.path()});
    THistoBmp o;
    CreerHistoBmp(o);
    ChargerBmp(o, dir.filePath("g.bmp"));
    ASSERT_EQ(FormatPixelBmp(o), pf8bit);
    EXPECT_EQ(o.BitmapSource, Gris(13, 7, Motif8));

    ChargerBmp(o, dir.filePath("c.bmp"));
    ASSERT_EQ(FormatPixelBmp(o), pf24bit);
    EXPECT_EQ(o.BitmapSource, Couleur(13, 7));

    ChargerBmp(o, dir.filePath("p.bmp")); // coloured palette: shown through it
    ASSERT_EQ(FormatPixelBmp(o), pf24bit);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const int i = Motif8(x, y);
            const uchar* px = o.BitmapSource.constScanLine(y) + 3 * x;
            ASSERT_EQ(px[2], i);
            ASSERT_EQ(px[1], 255 - i);
            ASSERT_EQ(px[0], (3 * i) % 256);
        }
    const uint8_t mn = o.Min, mx = o.Max;
    ChargerBmp(o, dir.filePath("m.bmp")); // 1-bit and 32-bit: loaded, left alone
    EXPECT_EQ(o.BitmapSource.size(), QSize(9, 3));
    EXPECT_EQ(FormatPixelBmp(o), pf1bit);
    EXPECT_EQ(o.Min, mn);
    EXPECT_EQ(o.Max, mx);
    EXPECT_EQ(FormatPixelFichierBmp(dir.filePath("a.bmp")), pf32bit);
    int32_t l = 0, h = 0;
    DimensionsFichierBmp(dir.filePath("a.bmp"), l, h);
    EXPECT_EQ(QSize(l, h), QSize(4, 2));
}

TEST(PairPillow, ImagesReellesIdentiquesAPillow)
{
    // The 8-bit file is RLE8-compressed with a grey palette.
    QTemporaryDir dir;
    const QString script = R"(
import sys
from PIL import Image
for n in ('8', '24'):
    im = Image.open(sys.argv[1] + '/hubble_deep_field_' + n + '.bmp')
    print(im.mode, im.size[0], im.size[1])
    open(sys.argv[2] + '/' + n, 'wb').write(im.tobytes('raw', 'L' if n == '8' else 'BGR'))
)";
    QString sortie;
    Python(script, {QFileInfo(CheminDonnees("hubble_deep_field_8.bmp")).path(), dir.path()}, &sortie);
    EXPECT_EQ(sortie, "L 1000 872\nRGB 1000 872");
    for (const int octets : {1, 3}) {
        THistoBmp o;
        CreerHistoBmp(o);
        ChargerBmp(o, CheminDonnees(QStringLiteral("hubble_deep_field_%1.bmp").arg(8 * octets)));
        ASSERT_EQ(FormatPixelBmp(o), octets == 1 ? pf8bit : pf24bit);
        QFile f(dir.filePath(QString::number(8 * octets)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray brut = f.readAll();
        ASSERT_EQ(brut.size(), octets * 1000 * 872);
        const int n = 1000 * octets;
        for (int y = 0; y < 872; ++y)
            ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(o.BitmapSource.constScanLine(y)), n),
                      brut.mid(y * n, n))
                << "ligne " << y;
    }
}

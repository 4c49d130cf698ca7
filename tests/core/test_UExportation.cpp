#include "PErreurs.h"
#include "Soutien.h"
#include "UExportation.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage Gris(int l, int h, const std::function<int(int, int)>& v)
{
    QImage b(l, h, QImage::Format_Indexed8);
    PaletteGris(b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            b.scanLine(y)[x] = static_cast<uchar>(v(x, y));
    return b;
}

QImage Couleur(int l, int h, const std::function<void(int, int, uchar*)>& v)
{
    QImage b(l, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            v(x, y, b.scanLine(y) + 3 * x);
    return b;
}

THistoFit LireFit(const QString& nom)
{
    THistoFit f;
    CreerHistoFit(f);
    LireFichierFit(f, nom);
    return f;
}

} // namespace

TEST(Exportation, BitmapGrisEnFitSansAvis)
{
    QTemporaryDir dir;
    int avis = 0;
    ExporterBmpEnFit(Gris(5, 3, [](int x, int y) { return x == 4 && y == 2 ? 255 : 10 * y + x; }),
                     dir.filePath("g.fit"), [&](const QString&) { ++avis; });
    EXPECT_EQ(avis, 0);
    const THistoFit f = LireFit(dir.filePath("g.fit"));
    ASSERT_EQ(f.XMax, 4);
    ASSERT_EQ(f.YMax, 2);
    EXPECT_EQ(f.Pixel(0, 0), 0);
    EXPECT_EQ(f.Pixel(3, 1), 13); // row 0 of the bitmap is row 0 of the image
    EXPECT_EQ(f.Pixel(4, 2), 255);
    EXPECT_EQ(LireSMinEnteteFit(f), 0);
    EXPECT_EQ(LireSMaxEnteteFit(f), 255);
}

TEST(Exportation, BitmapCouleurConvertiEnGris)
{
    QTemporaryDir dir;
    const QImage c = Couleur(2, 2, [](int x, int y, uchar* p) {
        p[0] = uchar(1 + x), p[1] = uchar(1), p[2] = uchar(100 * y); // B, G, R
    });
    QStringList avis;
    ExporterBmpEnFit(c, dir.filePath("a.fit"), [&](const QString& t) { avis << t; });
    ASSERT_EQ(avis.size(), 1);
    EXPECT_EQ(avis[0], "L'image couleurs est convertie en niveaux de gris avant l'exportation.");
    ExporterBmpEnFit(c, dir.filePath("b.fit"), {}); // silently
    for (const char* n : {"a.fit", "b.fit"}) {
        const THistoFit f = LireFit(dir.filePath(n));
        EXPECT_EQ(f.Pixel(0, 0), 0);  // (0 + 1 + 1) div 3
        EXPECT_EQ(f.Pixel(1, 0), 1);  // (0 + 1 + 2) div 3
        EXPECT_EQ(f.Pixel(0, 1), 34); // (100 + 1 + 1) div 3
        EXPECT_EQ(f.Pixel(1, 1), 34); // 103 div 3
    }
    // the caller's bitmap is not converted
    EXPECT_EQ(FormatPixelBitmap(c), pf24bit);
    // a 32-bit picture is read through its colours, not byte by byte
    QImage q(1, 1, QImage::Format_RGB32);
    q.setPixel(0, 0, qRgb(30, 60, 90));
    ExporterBmpEnFit(q, dir.filePath("q.fit"), [&](const QString& t) { avis << t; });
    EXPECT_EQ(avis.size(), 2);
    EXPECT_EQ(LireFit(dir.filePath("q.fit")).Pixel(0, 0), 60);
}

TEST(Exportation, PlansRVB)
{
    QTemporaryDir dir;
    auto nom = [&](const char* n) { return dir.filePath(n); };
    const QImage rouge = Couleur(3, 2, [](int, int, uchar* p) { p[0] = 0, p[1] = 0, p[2] = 255; });
    ExporterPlansRVBEnFit(rouge, nom("k.fit"), nom("r.fit"), nom("v.fit"), nom("b.fit"));
    EXPECT_FALSE(QFile::exists(nom("k.fit")));
    const THistoFit r = LireFit(nom("r.fit")), v = LireFit(nom("v.fit")), b = LireFit(nom("b.fit"));
    ASSERT_EQ(r.Pixels.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(r.Pixels[i], 255);
        EXPECT_EQ(v.Pixels[i], 0);
        EXPECT_EQ(b.Pixels[i], 0);
    }
    // the planes are not confused: blue in the first byte, green in the second
    const QImage bg = Couleur(1, 1, [](int, int, uchar* p) { p[0] = 7, p[1] = 8, p[2] = 9; });
    ExporterPlansRVBEnFit(bg, nom("k.fit"), nom("r2.fit"), nom("v2.fit"), nom("b2.fit"));
    EXPECT_EQ(LireFit(nom("r2.fit")).Pixels[0], 9);
    EXPECT_EQ(LireFit(nom("v2.fit")).Pixels[0], 8);
    EXPECT_EQ(LireFit(nom("b2.fit")).Pixels[0], 7);

    ExporterPlansRVBEnFit(Gris(2, 2, [](int x, int) { return 40 + x; }), nom("gris.fit"), nom("r3.fit"),
                          nom("v3.fit"), nom("b3.fit"));
    EXPECT_EQ(LireFit(nom("gris.fit")).Pixel(1, 1), 41);
    EXPECT_FALSE(QFile::exists(nom("r3.fit")));
}

TEST(Exportation, FitEnBmpCommeAffiche)
{
    QTemporaryDir dir;
    THistoFit f;
    CreerHistoFit(f);
    CreerImageFitRemplie(f, 4, 2, 0);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            FixerPixelFit(f, x, y, 300.0 * x + 100 * y); // 0..1000
    FixerSeuilsFit(f, 0, 1000, false, true);
    FixerTransfertFit(f, false, true, 0);
    ExporterFitEnBmp(f, dir.filePath("n.bmp"), false);
    const QImage n = LireBitmapBmp(dir.filePath("n.bmp"));
    ASSERT_EQ(n.size(), QSize(4, 2));
    ASSERT_EQ(FormatPixelBitmap(n), pf8bit);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y) {
            const int v = std::min(1000, 300 * x + 100 * y);
            EXPECT_EQ(n.constScanLine(y)[x], 255 - v * 255 / 1000) << x << "," << y;
        }
    FixerZoomFit(f, 50, false, true);
    ExporterFitEnBmp(f, dir.filePath("z.bmp"), true);
    EXPECT_EQ(LireBitmapBmp(dir.filePath("z.bmp")).size(), QSize(2, 1));
}

TEST(Exportation, CopieFitGardeLEnteteDeLImage)
{
    QTemporaryDir dir;
    THistoFit f;
    CreerHistoFit(f);
    CreerImageFitRemplie(f, 3, 3, 40000);
    const QStringList avant = f.Entete;
    EnregistrerCopieFit(f, dir.filePath("c.fit"));
    EXPECT_EQ(f.Entete, avant);
    for (const QString& carte : f.Entete)
        EXPECT_FALSE(carte.startsWith("BZERO"));
    QFile fichier(dir.filePath("c.fit"));
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    EXPECT_TRUE(fichier.readAll().contains("BZERO   ="));
    EXPECT_EQ(LireFit(dir.filePath("c.fit")).Pixel(2, 2), 40000);
}

TEST(Exportation, BitmapEnFichierEtErreurDEcriture)
{
    QTemporaryDir dir;
    const QImage g = Gris(3, 1, [](int x, int) { return 100 * x; });
    EnregistrerBitmapFichier(g, dir.filePath("p.bmp"), true);
    EXPECT_EQ(LireBitmapBmp(dir.filePath("p.bmp")), g);
    EnregistrerBitmapFichier(g, dir.filePath("n.bmp"), false);
    EXPECT_EQ(LireBitmapBmp(dir.filePath("n.bmp")).constScanLine(0)[2], 55);
    EXPECT_EQ(g.constScanLine(0)[2], 200);
    EXPECT_THROW(EnregistrerBitmapFichier(g, dir.filePath("absent/x.bmp"), true), EErreurFichier);
}

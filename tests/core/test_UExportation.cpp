#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UExportation.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Exportation, BitmapEnFitGrisCouleurEtAvis)
{
    QTemporaryDir dir;
    QStringList avis;
    const TAvis noter = [&](const QString& t) { avis << t; };
    ExporterBmpEnFit(BitmapDe(5, 3, 1, [](int x, int y, int) { return x == 4 && y == 2 ? 255 : 10 * y + x; }),
                     dir.filePath("g.fit"), noter);
    EXPECT_TRUE(avis.isEmpty());
    const THistoFit g = FitLu(dir.filePath("g.fit"));
    ASSERT_EQ(QPoint(g.XMax, g.YMax), QPoint(4, 2));
    // Row 0 of the bitmap is row 0 of the image; the header's levels 0..255.
    EXPECT_EQ(std::tuple(g.Pixel(0, 0), g.Pixel(3, 1), g.Pixel(4, 2)), std::tuple(0, 13, 255));
    EXPECT_EQ(std::pair(LireSMinEnteteFit(g), LireSMaxEnteteFit(g)), std::pair(0, 255));

    // (R + G + B) div 3: (0+1+1) 0, (0+1+2) 1, (100+1+1) 34, (100+1+2) 34
    QImage c(2, 2, QImage::Format_BGR888);
    for (int i = 0; i < 4; ++i)
        c.setPixel(i % 2, i / 2, qRgb(100 * (i / 2), 1, 1 + i % 2));
    ExporterBmpEnFit(c, dir.filePath("a.fit"), noter);
    EXPECT_EQ(avis, QStringList{"L'image couleurs est convertie en niveaux de gris avant l'exportation."});
    ExporterBmpEnFit(c, dir.filePath("b.fit"), {}); // silently
    for (const char* n : {"a.fit", "b.fit"})
        EXPECT_EQ(FitLu(dir.filePath(n)).Pixels, (std::vector<double>{0, 34, 1, 34})) << n;
    EXPECT_EQ(FormatPixelBitmap(c), pf24bit); // the caller's bitmap is not converted
    // a 32-bit picture is read through its colours, not byte by byte
    QImage q(1, 1, QImage::Format_RGB32);
    q.setPixel(0, 0, qRgb(30, 60, 90));
    ExporterBmpEnFit(q, dir.filePath("q.fit"), noter);
    EXPECT_EQ(std::tuple(avis.size(), FitLu(dir.filePath("q.fit")).Pixel(0, 0)), std::tuple(2, 60));
}

TEST(Exportation, PlansRVB)
{
    QTemporaryDir dir;
    auto nom = [&](const char* n) { return dir.filePath(n); };
    // pure red, then (9, 8, 7): the planes are not confused
    QImage c(2, 1, QImage::Format_BGR888);
    c.setPixel(0, 0, qRgb(255, 0, 0));
    c.setPixel(1, 0, qRgb(9, 8, 7));
    ExporterPlansRVBEnFit(c, nom("k.fit"), nom("r.fit"), nom("v.fit"), nom("b.fit"));
    EXPECT_FALSE(QFile::exists(nom("k.fit")));
    EXPECT_EQ(FitLu(nom("r.fit")).Pixels, (std::vector<double>{255, 9}));
    EXPECT_EQ(FitLu(nom("v.fit")).Pixels, (std::vector<double>{0, 8}));
    EXPECT_EQ(FitLu(nom("b.fit")).Pixels, (std::vector<double>{0, 7}));

    ExporterPlansRVBEnFit(BitmapDe(2, 2, 1, [](int x, int, int) { return 40 + x; }), nom("gris.fit"), nom("r3.fit"),
                          nom("v3.fit"), nom("b3.fit"));
    EXPECT_EQ(FitLu(nom("gris.fit")).Pixel(1, 1), 41);
    EXPECT_FALSE(QFile::exists(nom("r3.fit")));
    const QString vide = nom("vide.fit");
    EXPECT_THROW(ExporterPlansRVBEnFit(QImage(), vide, vide, vide, vide), EStelor);
    EXPECT_THROW(ExporterBmpEnFit(QImage(), vide, {}), EStelor);
    EXPECT_FALSE(QFile::exists(vide));
}

TEST(Exportation, FitEnBmpCommeAffiche)
{
    QTemporaryDir dir;
    THistoFit f = ImageFitDe(4, 2, [](int x, int y) { return 300.0 * x + 100 * y; }); // 0..1000
    FixerSeuilsFit(f, 0, 1000, false, true);
    ExporterFitEnBmp(f, dir.filePath("n.bmp"), false);
    const QImage n = LireBitmapBmp(dir.filePath("n.bmp"));
    ASSERT_EQ(std::tuple(n.size(), FormatPixelBitmap(n)), std::tuple(QSize(4, 2), pf8bit));
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y) // linear: v x 255 div 1000, then negative
            EXPECT_EQ(n.constScanLine(y)[x], 255 - std::min(1000, 300 * x + 100 * y) * 255 / 1000) << x << "," << y;
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
    EXPECT_EQ(f.Entete, avant); // no BZERO added to the image's own header
    EXPECT_TRUE(LireFichierComplet(dir.filePath("c.fit")).contains("BZERO   ="));
    EXPECT_EQ(FitLu(dir.filePath("c.fit")).Pixel(2, 2), 40000);
}

TEST(Exportation, BitmapEnFichierEtErreurDEcriture)
{
    QTemporaryDir dir;
    const QImage g = BitmapDe(3, 1, 1, [](int x, int, int) { return 100 * x; });
    EnregistrerBitmapFichier(g, dir.filePath("p.bmp"), true);
    EXPECT_EQ(LireBitmapBmp(dir.filePath("p.bmp")), g);
    EnregistrerBitmapFichier(g, dir.filePath("n.bmp"), false);
    EXPECT_EQ(std::pair(LireBitmapBmp(dir.filePath("n.bmp")).constScanLine(0)[2], g.constScanLine(0)[2]),
              std::pair(uchar(55), uchar(200))); // the caller's bitmap stays positive
    EXPECT_THROW(EnregistrerBitmapFichier(g, dir.filePath("absent/x.bmp"), true), EErreurFichier);
}

// Part 1.101 (the FIT image object) and Part 1.103 (levels, curves, rendering).
#include "Soutien.h"
#include "UBmp.h"
#include "UFit.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <cmath>
#include <random>
#include <gtest/gtest.h>

namespace {

// An image of w x h whose pixel (x, y) is f(x, y), Min/Max from the pixels.
template <class F>
THistoFit Image(int w, int h, F f)
{
    THistoFit im;
    CreerHistoFit(im);
    CreerImageFitRemplie(im, w, h, 0);
    im.Min = 1e300;
    im.Max = -1e300;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            FixerPixelFit(im, x, y, f(x, y));
    return im;
}

int Lineaire(int32_t a, int32_t b, int64_t v) { return NiveauCourbe(PreparerCourbe(a, b, 0), v); }

} // namespace

// ---------------------------------------------------------------------------
// Part 1.101
// ---------------------------------------------------------------------------

TEST(ImageFit, UnObjetNeufEstVide)
{
    THistoFit im;
    bool appele = false;
    CreerHistoFit(im, [&](const QImage&) { appele = true; });
    EXPECT_EQ(LargeurFit(im), 1);
    EXPECT_EQ(HauteurFit(im), 1);
    EXPECT_EQ(ZoomFit(im), 100);
    EXPECT_EQ(im.SMin, 0);
    EXPECT_EQ(im.SMax, 0);
    EXPECT_EQ(im.TRFT, 0);
    EXPECT_TRUE(im.Pixels.empty());
    EXPECT_TRUE(im.Entete.isEmpty());
    // A zero-sized image renders an empty bitmap.
    AfficherFit(im, true);
    EXPECT_TRUE(appele);
    EXPECT_TRUE(BitmapFit(im).isNull());
}

TEST(ImageFit, FixerPixelNElargitQueMinEtMax)
{
    THistoFit im = Image(3, 2, [](int x, int y) { return 10.0 * (x + 3 * y) + 5; });
    EXPECT_EQ(im.Min, 5);
    EXPECT_EQ(im.Max, 55);
    FixerPixelFit(im, 0, 0, 30); // overwrites the minimum: Min stays
    EXPECT_EQ(im.Min, 5);
    FixerPixelFit(im, 2, 1, 20); // overwrites the maximum: Max stays
    EXPECT_EQ(im.Max, 55);
    FixerPixelFit(im, 1, 1, 2.5);
    EXPECT_EQ(im.Min, 2.5);
    FixerPixelFit(im, 1, 0, 70000);
    EXPECT_EQ(im.Max, 70000);
    EXPECT_EQ(ValeurPixelFit(im, 1, 0), 70000);
    im.Min = 2.5;
    im.Max = 3.5;
    EXPECT_EQ(MiniArrondiFit(im), 2); // halves to even
    EXPECT_EQ(MaxiArrondiFit(im), 4);
}

TEST(ImageFit, PositionDuMaximum)
{
    THistoFit zero = Image(4, 3, [](int, int) { return 0.0; });
    int32_t x = -1, y = -1;
    PositionMaxiFit(zero, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    THistoFit deux = Image(4, 3, [](int x, int y) { return (x == 2 && y == 1) || (x == 3 && y == 0) || (x == 2 && y == 2) ? 9.0 : 1.0; });
    PositionMaxiFit(deux, x, y);
    EXPECT_EQ(x, 2); // smaller x wins, then smaller y
    EXPECT_EQ(y, 1);
}

TEST(ImageFit, CopiesEtEchange)
{
    THistoFit a = Image(3, 2, [](int x, int y) { return x + 10.0 * y; });
    a.SMin = 1;
    a.SMax = 2;
    a.TRFT = 3.5;
    a.Zoom = 50;
    a.Palette = {qRgb(1, 2, 3)};
    THistoFit b;
    CreerHistoFit(b);
    b.SMin = 7;
    b.SMax = 8;
    b.TRFT = -2.001;
    CopierPixelsFit(a, b);
    EXPECT_EQ(b.Pixels, a.Pixels);
    EXPECT_EQ(b.Entete, a.Entete);
    EXPECT_EQ(b.Zoom, 50);
    EXPECT_EQ(b.Palette, a.Palette);
    EXPECT_EQ(b.SMin, 7); // levels and curve are not copied
    EXPECT_EQ(b.TRFT, -2.001);
    b.Pixel(0, 0) = 99; // independent storage
    EXPECT_EQ(a.Pixel(0, 0), 0);
    CopierHistoFit(a, b);
    EXPECT_EQ(b.SMin, 1);
    EXPECT_EQ(b.SMax, 2);
    EXPECT_EQ(b.TRFT, 3.5);

    THistoFit c = Image(1, 1, [](int, int) { return 42.0; });
    c.SMin = 11;
    c.TRFT = 0;
    const auto pa = a.Pixels;
    EchangerHistoFit(a, c);
    EXPECT_EQ(c.Pixels, pa);
    EXPECT_EQ(LargeurFit(c), 3);
    EXPECT_EQ(a.Pixels, std::vector<double>{42.0});
    EXPECT_EQ(a.SMin, 1); // levels and curve stay with each object
    EXPECT_EQ(a.TRFT, 3.5);
    EXPECT_EQ(c.SMin, 11);
    EXPECT_EQ(c.TRFT, 0);
}

TEST(ImageFit, Constructeurs)
{
    THistoFit im;
    CreerHistoFit(im);
    im.Min = -1;
    im.Max = -2;
    im.SMin = 5;
    InitialiserImageFit(im, 4, 3, 7);
    EXPECT_EQ(im.XMax, 3);
    EXPECT_EQ(im.YMax, 2);
    EXPECT_EQ(im.Pixels, std::vector<double>(12, 7.0));
    EXPECT_EQ(im.Min, -1); // untouched
    EXPECT_EQ(im.SMin, 5);
    EXPECT_EQ(LireNaxis1Fit(im), 4);
    EXPECT_EQ(LireNaxis2Fit(im), 3);
    EXPECT_EQ(LireSMaxEnteteFit(im), 65535);

    CreerImageFitRemplie(im, 2, 2, 70000);
    EXPECT_EQ(im.Min, 65535);
    EXPECT_EQ(im.Max, 70000);
    EXPECT_EQ(im.SMin, 32767); // mode 65535 (values above count at the top)
    EXPECT_EQ(im.SMax, 65535);
    CreerImageFitRemplie(im, 2, 2, 300);
    EXPECT_EQ(im.Min, 300);
    EXPECT_EQ(im.Max, 300);
    EXPECT_EQ(im.SMin, 150);
    EXPECT_EQ(im.SMax, 600);
    EXPECT_EQ(im.TRFT, 0);

    QImage bmp(3, 2, QImage::Format_Indexed8);
    PaletteGris(bmp);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bmp.scanLine(y)[x] = static_cast<uchar>(10 * x + 100 * y + 3);
    ImporterBitmapFit(im, bmp);
    EXPECT_EQ(LargeurFit(im), 3);
    EXPECT_EQ(HauteurFit(im), 2);
    EXPECT_EQ(im.Pixel(2, 1), 123);
    EXPECT_EQ(im.Pixel(0, 0), 3);
    EXPECT_EQ(im.Min, 3);
    EXPECT_EQ(im.Max, 123);
    EXPECT_EQ(im.SMax, 255);
    EXPECT_EQ(LireSMaxEnteteFit(im), 255);
}

TEST(ImageFit, Arithmetique)
{
    THistoFit a = Image(2, 2, [](int x, int y) { return 100.0 + x + 2 * y; });
    THistoFit b = Image(2, 2, [](int x, int) { return x == 0 ? 0.0 : 50.0; });
    THistoFit c = a;
    AdditionnerImageFit(c, b);
    EXPECT_EQ(c.Pixel(1, 1), 153);
    c = a;
    SoustraireImageFit(c, c); // by itself: zeros, Min becomes 0, Max stays
    EXPECT_EQ(c.Pixels, std::vector<double>(4, 0.0));
    EXPECT_EQ(c.Min, 0);
    EXPECT_EQ(c.Max, 103);
    c = b;
    SoustraireImageFit(c, a);
    EXPECT_EQ(c.Pixel(1, 0), 0); // negative results become 0
    c = a;
    MultiplierImageFit(c, b, 0); // k = 0 taken as 1
    EXPECT_EQ(c.Pixel(1, 0), 101 * 50);
    c = a;
    DiviserImageFit(c, b, 2); // o = 0 taken as 1
    EXPECT_EQ(c.Pixel(0, 0), 200);
    EXPECT_EQ(c.Pixel(1, 0), 101.0 / 50 * 2);
    c = a;
    MultiplierConstanteFit(c, 1000);
    EXPECT_EQ(c.Pixel(1, 1), 65535); // clamped
    EXPECT_EQ(c.Max, 65535);
}

// ---------------------------------------------------------------------------
// Part 1.103: curves
// ---------------------------------------------------------------------------

TEST(Courbes, LineaireEtGardes)
{
    EXPECT_EQ(Lineaire(100, 1100, 100), 0);
    EXPECT_EQ(Lineaire(100, 1100, 600), 127);
    EXPECT_EQ(Lineaire(100, 1100, 1100), 255);
    EXPECT_EQ(Lineaire(100, 1100, 1101), 255);
    EXPECT_EQ(Lineaire(100, 1100, 99), 0);
    EXPECT_EQ(NiveauLineaire(100, 1100, 600, 255), 127);
    for (double trft : {0.0, 3.5, -11.001}) {
        const TCourbeAffichage c = PreparerCourbe(500, 500, trft);
        EXPECT_EQ(NiveauCourbe(c, 500), 0);
        EXPECT_EQ(NiveauCourbe(c, 501), 255);
        EXPECT_EQ(NiveauCourbe(c, 499), 0);
        const TCourbeAffichage inv = PreparerCourbe(1000, 500, trft);
        EXPECT_EQ(NiveauCourbe(inv, 999), 0);
        EXPECT_EQ(NiveauCourbe(inv, 700), 0);
        EXPECT_EQ(NiveauCourbe(inv, 1000), 255);
        EXPECT_EQ(NiveauCourbe(inv, 60000), 255);
    }
}

TEST(Courbes, Logarithmique)
{
    // a = 3.5, SMin 0, SMax 1000: t = 0.5 is v = 500.
    const TCourbeAffichage c = PreparerCourbe(0, 1000, 3.5);
    EXPECT_EQ(NiveauCourbe(c, 500), 181);
    EXPECT_EQ(NiveauCourbe(c, 900), 255); // saturates
    EXPECT_EQ(NiveauCourbe(c, 1000), 255);
    EXPECT_EQ(NiveauCourbe(c, 0), 0);
    PreparerCourbeLog(0, 1000, 3.5);
    EXPECT_EQ(NiveauLog(0, 1000, 500, 255), 181);
    EXPECT_NEAR(static_cast<double>(FacteurLog(0, 500)), 1.41769, 1e-4);
    EXPECT_NEAR(static_cast<double>(FacteurLog(0, 1000)), 1.0, 1e-12);
    // The curve never decreases and lies above the straight line.
    for (double a : {1.25, 3.5, 6.0}) {
        const TCourbeAffichage k = PreparerCourbe(100, 60100, a);
        int avant = 0;
        for (int v = 100; v <= 60100; v += 7) {
            const int o = NiveauCourbe(k, v);
            EXPECT_GE(o, avant);
            EXPECT_GE(o, Lineaire(100, 60100, v));
            avant = o;
        }
    }
}

TEST(Courbes, Exponentielle)
{
    const TCourbeAffichage c = PreparerCourbe(0, 1000, -11.001);
    EXPECT_EQ(NiveauCourbe(c, 0), 0);
    EXPECT_EQ(NiveauCourbe(c, 1000), 255);
    int avant = 0;
    for (int v = 0; v <= 1000; ++v) {
        const int o = NiveauCourbe(c, v);
        EXPECT_GE(o, 0);
        EXPECT_LE(o, 255);
        EXPECT_LE(o, Lineaire(0, 1000, v) + 1); // below the straight line
        EXPECT_GE(o, avant);
        avant = o;
    }
    // p^s / (1 + (1 - 1/p) s) at t = 0.5 for p = 11.001.
    const double p = 11.001, s = -0.5;
    const double attendu = std::pow(p, s) / (1 + (1 - 1 / p) * s) * 127.5;
    EXPECT_EQ(NiveauCourbe(c, 500), static_cast<int>(std::nearbyint(attendu)));
    PreparerCourbeExp(0, 1000, 11.001);
    EXPECT_EQ(NiveauExp(0, 1000, 500, -11.001, 255), NiveauCourbe(c, 500));
    EXPECT_NEAR(static_cast<double>(FacteurExp(0, 11.001, 500)), attendu / 127.5, 1e-12);
}

TEST(Courbes, NiveauxHorsPlageSansDebordement)
{
    // Levels and values far outside 0..65535: no overflow, outputs in range.
    for (double trft : {0.0, 3.5, -21.001, 1.0, 0.5, -0.5, 1e300, -1e300}) {
        const TCourbeAffichage c = PreparerCourbe(-5000000, INT32_MAX, trft);
        for (int64_t v : {int64_t(-1000000000000000), int64_t(-5000000), int64_t(0), int64_t(65535), int64_t(INT32_MAX),
                          int64_t(1000000000000000)}) {
            const int o = NiveauCourbe(c, v);
            EXPECT_GE(o, 0);
            EXPECT_LE(o, 255);
        }
        const TCourbeAffichage d = PreparerCourbe(INT32_MIN, INT32_MAX, trft);
        EXPECT_EQ(NiveauCourbe(d, INT32_MAX), 255);
        EXPECT_EQ(NiveauCourbe(d, INT32_MIN), 0);
        const int milieu = NiveauCourbe(d, 0);
        EXPECT_GE(milieu, 0);
        EXPECT_LE(milieu, 255);
    }
    EXPECT_EQ(Lineaire(INT32_MIN, INT32_MAX, 0), 127);
    EXPECT_EQ(ArrondiPixel(1e300), 1000000000000000);
    EXPECT_EQ(ArrondiPixel(-1e300), -1000000000000000);
    EXPECT_EQ(ArrondiPixel(NAN), 0);
    EXPECT_EQ(ArrondiPixel(2.5), 2);
    EXPECT_EQ(ArrondiPixel(3.5), 4);
}

TEST(Courbes, TableDeLaCourbe)
{
    for (double trft : {0.0, 2.25, -5.001})
        for (auto [a, b] : {std::pair{100, 1100}, {500, 500}, {1000, 500}, {-5000000, 70000}, {60000, 90000}}) {
            TTableCourbe t;
            ConstruireTableCourbe(a, b, trft, t);
            const TCourbeAffichage c = PreparerCourbe(a, b, trft);
            for (int v = 0; v < 65536; v += 1)
                ASSERT_EQ(t[v], NiveauCourbe(c, v)) << a << " " << b << " " << trft << " v=" << v;
        }
}

TEST(Courbes, Echelle)
{
    EXPECT_EQ(TransfertSuivant(6.0), 6.0);
    EXPECT_EQ(TransfertPrecedent(-21.001), -21.001);
    EXPECT_EQ(TransfertSuivant(-2.001), 0);
    EXPECT_EQ(TransfertPrecedent(1.25), 0);
    EXPECT_EQ(TransfertSuivant(0), 1.25);
    EXPECT_EQ(TransfertPrecedent(0), -2.001);
    EXPECT_EQ(TransfertSuivant(-3.001), -2.001);
    EXPECT_EQ(TransfertSuivant(5.75), 6.0);
    EXPECT_EQ(TransfertSuivant(3.7), 3.7); // off the ladder: unchanged
    EXPECT_FALSE(EstTransfertValide(-2.0));
    EXPECT_TRUE(EstTransfertValide(-2.001));
    EXPECT_TRUE(EstTransfertValide(-21.001));
    EXPECT_FALSE(EstTransfertValide(-22.001));
    EXPECT_FALSE(EstTransfertValide(6.25));
    EXPECT_FALSE(EstTransfertValide(1.0));
    // 41 values, walked up from the bottom.
    int n = 1;
    double v = -21.001;
    while (TransfertSuivant(v) != v) {
        v = TransfertSuivant(v);
        EXPECT_TRUE(EstTransfertValide(v)) << v;
        ++n;
    }
    EXPECT_EQ(n, 41);
    EXPECT_EQ(v, 6.0);
    EXPECT_EQ(NomCourbe(-0.5), "Exp");
    EXPECT_EQ(NomCourbe(0), "Lin");
    EXPECT_EQ(NomCourbe(1.25), "Log");
    EXPECT_EQ(TransfertParDefaut(), 0);
}

// ---------------------------------------------------------------------------
// Part 1.103: rendering
// ---------------------------------------------------------------------------

TEST(Rendu, OctetsPaletteNegatifEtZoom)
{
    THistoFit im = Image(5, 3, [](int x, int y) { return 100.0 + 250 * x + 10 * y + 0.5; });
    im.SMin = 100;
    im.SMax = 1100;
    QImage recu;
    im.Proprietaire = [&](const QImage& b) { recu = b; };
    AfficherFit(im, true);
    ASSERT_EQ(recu.format(), QImage::Format_Indexed8);
    ASSERT_EQ(recu.size(), QSize(5, 3));
    EXPECT_EQ(recu.colorTable(), TablePaletteGris());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const int64_t v = ArrondiPixel(im.Pixel(x, y));
            EXPECT_EQ(recu.constScanLine(y)[x], Lineaire(100, 1100, v)) << x << "," << y;
        }
    // Row 0 of the bitmap is y = 0.
    EXPECT_EQ(recu.constScanLine(0)[2], Lineaire(100, 1100, 600)); // 600.5 rounds to 600
    AfficherFit(im, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(recu.constScanLine(y)[x], 255 - Lineaire(100, 1100, ArrondiPixel(im.Pixel(x, y))));
    const QImage& b = BitmapFit(im); // always positive, into BitmapAffichage
    EXPECT_EQ(&b, &im.BitmapAffichage);
    EXPECT_EQ(b.constScanLine(1)[1], Lineaire(100, 1100, 360));
    FixerZoomFit(im, 200, true, true);
    EXPECT_EQ(recu.size(), QSize(10, 6));
    EXPECT_EQ(recu.constScanLine(3)[3], Lineaire(100, 1100, 360));
    FixerZoomFit(im, 50, false, true);
    EXPECT_EQ(BitmapFit(im).size(), QSize(2, 2)); // round(2.5) = 2, round(1.5) = 2
}

TEST(Rendu, SeuilsEtCourbeAvecRedessin)
{
    THistoFit im = Image(4, 4, [](int x, int y) { return 1000.0 * (x + 4 * y); });
    int rendus = 0;
    QImage recu;
    im.Proprietaire = [&](const QImage& b) {
        recu = b;
        ++rendus;
    };
    FixerSeuilsFit(im, 0, 15000, false, true);
    EXPECT_EQ(rendus, 0);
    FixerTransfertFit(im, true, true, 3.5);
    EXPECT_EQ(rendus, 1);
    EXPECT_EQ(im.TRFT, 3.5);
    const TCourbeAffichage c = PreparerCourbe(0, 15000, 3.5);
    EXPECT_EQ(recu.constScanLine(1)[2], NiveauCourbe(c, 6000));
    FixerSeuilsFit(im, 2000, 9000, true, true);
    EXPECT_EQ(rendus, 2);
    EXPECT_EQ(recu.constScanLine(0)[1], 0);
    EXPECT_EQ(recu.constScanLine(2)[1], 255);
}

TEST(Rendu, ValeursHorsPlageEtPaletteDeLImage)
{
    // Values above 65535 (a BSCALE above 1) and levels far outside 0..65535.
    THistoFit im = Image(3, 1, [](int x, int) { return x == 0 ? -7.0 : x == 1 ? 100000.0 : 1e300; });
    im.SMin = -5000000;
    im.SMax = 200000;
    const QImage& b = BitmapFit(im);
    const TCourbeAffichage c = PreparerCourbe(-5000000, 200000, 0);
    EXPECT_EQ(b.constScanLine(0)[0], NiveauCourbe(c, -7));
    EXPECT_EQ(b.constScanLine(0)[1], NiveauCourbe(c, 100000));
    EXPECT_EQ(b.constScanLine(0)[2], 255);
    im.Palette = QList<QRgb>(256, qRgb(1, 2, 3));
    EXPECT_EQ(BitmapFit(im).colorTable(), im.Palette);
}

TEST(Rendu, HistogrammeModeEtSeuilsAuto)
{
    THistoFit moitie = Image(4, 4, [](int x, int) { return x < 2 ? 0.0 : 1000.0; });
    EXPECT_EQ(ModeHistogrammeFit(moitie), 0); // the lowest wins a tie
    EXPECT_EQ(SeuilMiniAutoFit(moitie), 0);
    EXPECT_EQ(SeuilMaxiAutoFit(moitie), 0);

    THistoFit ciel = Image(10, 10, [](int x, int y) { return x == 0 ? 65535.4 : (y < 6 ? 840.4 : 12.0); });
    THistogrammeFit h;
    CalculerHistogrammeFit(ciel, h);
    ASSERT_EQ(h.size(), 65536u);
    EXPECT_EQ(h[840], 54);
    EXPECT_EQ(h[12], 36);
    EXPECT_EQ(h[65535], 10);
    EXPECT_EQ(ModeHistogrammeFit(ciel), 840);
    EXPECT_EQ(SeuilMiniAutoFit(ciel), 420);
    EXPECT_EQ(SeuilMaxiAutoFit(ciel), 1680);
    ciel.SMin = 420;
    ciel.SMax = 1680;
    ciel.Min = 12;
    EXPECT_EQ(TexteInfoFit(ciel), "L=10 H=10 m=12 M=65535 B=840   Visu 420-1680 Lin");
    ciel.TRFT = -2.001;
    EXPECT_TRUE(TexteInfoFit(ciel).endsWith(" Exp"));

    // Values outside 0..65535 never index outside the counters.
    THistoFit hors = Image(2, 2, [](int x, int y) { return x ? (y ? 1e12 : 65536.0) : (y ? -5e6 : NAN); });
    CalculerHistogrammeFit(hors, h);
    EXPECT_EQ(h[0], 2);
    EXPECT_EQ(h[65535], 2);
    // A mode of 40000 clamps the high level.
    THistoFit clair = Image(2, 2, [](int, int) { return 40000.0; });
    EXPECT_EQ(SeuilMaxiAutoFit(clair), 65535);
    EXPECT_EQ(SeuilMiniAutoFit(clair), 20000);
}

TEST(Rendu, TypeFichier)
{
    EXPECT_EQ(TypeFichier("C:\\images\\m51.Fit"), 1);
    EXPECT_EQ(TypeFichier("m51.FIT"), 1);
    EXPECT_EQ(TypeFichier("/tmp/m51.fit"), 1);
    EXPECT_EQ(TypeFichier("hubble.bmp"), 2);
    EXPECT_EQ(TypeFichier("hubble.BMP"), 2);
    EXPECT_EQ(TypeFichier("sanspoint"), 0);
    EXPECT_EQ(TypeFichier(".fit"), 0);
    EXPECT_EQ(TypeFichier("m51.fits"), 0);
    EXPECT_EQ(TypeFichier("m51.fts"), 0);
    EXPECT_EQ(TypeFichier("dossier.fit/image"), 0);
}

TEST(Rendu, AjusterDessin)
{
    QImage dessin(100, 50, QImage::Format_RGB32);
    dessin.fill(Qt::white);
    QImage petit(20, 10, QImage::Format_RGB32);
    petit.fill(Qt::black);
    AjusterDessin(dessin, petit); // own size, top-left
    EXPECT_EQ(dessin.pixel(19, 9), qRgb(0, 0, 0));
    EXPECT_EQ(dessin.pixel(20, 9), qRgb(255, 255, 255));
    EXPECT_EQ(dessin.pixel(19, 10), qRgb(255, 255, 255));

    dessin.fill(Qt::white);
    QImage haut(40, 200, QImage::Format_RGB32); // width <= height: to the control's height
    haut.fill(Qt::black);
    AjusterDessin(dessin, haut);
    EXPECT_EQ(dessin.pixel(9, 49), qRgb(0, 0, 0)); // width round(40 / (200 / 50)) = 10
    EXPECT_EQ(dessin.pixel(10, 49), qRgb(255, 255, 255));

    dessin.fill(Qt::white);
    QImage large(400, 100, QImage::Format_RGB32); // to the control's width
    large.fill(Qt::black);
    AjusterDessin(dessin, large);
    EXPECT_EQ(dessin.pixel(99, 24), qRgb(0, 0, 0)); // height round(100 / (400 / 100)) = 25
    EXPECT_EQ(dessin.pixel(99, 25), qRgb(255, 255, 255));

    // An 8-bit grey bitmap draws too.
    THistoFit im = Image(300, 30, [](int, int) { return 1000.0; });
    im.SMin = 0;
    im.SMax = 1000;
    dessin.fill(Qt::black);
    AjusterDessin(dessin, BitmapFit(im));
    EXPECT_EQ(dessin.pixel(99, 9), qRgb(255, 255, 255));
    EXPECT_EQ(dessin.pixel(99, 10), qRgb(0, 0, 0));
}

TEST(Rendu, BandeDeSeuilsDeLHistogramme)
{
    const QColor fond = QGuiApplication::palette().color(QPalette::Button);
    QImage dessin(160, 54, QImage::Format_RGB32);
    MarquerSeuilsHistogramme(dessin, 16384, 32768, 65536); // scale 409.6
    EXPECT_EQ(dessin.pixel(39, 20), fond.rgb());
    EXPECT_EQ(dessin.pixel(40, 0), qRgb(122, 122, 201));
    EXPECT_EQ(dessin.pixel(79, 53), qRgb(122, 122, 201));
    EXPECT_EQ(dessin.pixel(80, 20), fond.rgb());

    MarquerSeuilsHistogrammeLog(dessin, 0, 65536, 65536, 3.5);
    EXPECT_EQ(dessin.pixel(150, 2), qRgb(201, 122, 122));
    // The label is written on the button-face colour with black text.
    bool noir = false, fondEcrit = false;
    for (int y = 20; y < 54; ++y)
        for (int x = 5; x < 80; ++x) {
            noir |= dessin.pixel(x, y) == qRgb(0, 0, 0);
            fondEcrit |= dessin.pixel(x, y) == fond.rgb();
        }
    EXPECT_TRUE(noir);
    EXPECT_TRUE(fondEcrit);
    MarquerSeuilsHistogrammeExp(dessin, 0, 65536, 65536, 11.001);
    EXPECT_EQ(dessin.pixel(150, 2), qRgb(122, 201, 122));
    EXPECT_EQ(dessin.pixel(150, 53), qRgb(122, 201, 122));
}

TEST(Rendu, ChaqueOctetEstLaCourbeDeLaValeurArrondie)
{
    // Sizes that exercise the blocks of 8 columns x 4 rows and what they
    // leave, with values off the table (negative, above 65535, NaN, huge)
    // inside the blocks, and halves that round to even.
    std::mt19937 alea(7);
    std::uniform_real_distribution<double> u(-2000, 70000);
    for (auto [l, h] : {std::pair{37, 29}, {8, 4}, {16, 1}, {3, 9}, {64, 64}})
        for (double trft : {0.0, 3.5, -11.001}) {
            THistoFit im = Image(l, h, [&](int x, int y) {
                switch ((x * 7 + y * 3) % 23) {
                case 0:
                    return -3.0;
                case 1:
                    return 70000.0;
                case 2:
                    return 1e300;
                case 3:
                    return -1e300;
                case 4:
                    return std::nan("");
                case 5:
                    return 1000.5; // rounds to 1000
                case 6:
                    return 1001.5; // rounds to 1002
                case 7:
                    return 65535.5;
                case 8:
                    return -0.5;
                default:
                    return u(alea);
                }
            });
            im.SMin = 500;
            im.SMax = 60000;
            im.TRFT = trft;
            const TCourbeAffichage c = PreparerCourbe(500, 60000, trft);
            for (bool positif : {true, false}) {
                const QImage b = RendreFit(im, positif);
                for (int x = 0; x < l; ++x)
                    for (int y = 0; y < h; ++y) {
                        const int o = NiveauCourbe(c, ArrondiPixel(im.Pixel(x, y)));
                        ASSERT_EQ(b.constScanLine(y)[x], positif ? o : 255 - o)
                            << l << "x" << h << " " << trft << " (" << x << "," << y << ") " << im.Pixel(x, y);
                    }
            }
            // Only in-range values: the fast path for every block.
            THistoFit net = Image(l, h, [&](int x, int y) { return std::fmod(x * 1733.25 + y * 977.5, 65535.0); });
            net.SMin = 100;
            net.SMax = 50000;
            net.TRFT = trft;
            const TCourbeAffichage cn = PreparerCourbe(100, 50000, trft);
            const QImage bn = RendreFit(net, true);
            for (int x = 0; x < l; ++x)
                for (int y = 0; y < h; ++y)
                    ASSERT_EQ(bn.constScanLine(y)[x], NiveauCourbe(cn, ArrondiPixel(net.Pixel(x, y))));
        }
}

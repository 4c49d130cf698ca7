// The FIT image object, its display levels, curves and rendering.
#include "PErreurs.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UFit.h"
#include "UNoyauxFit.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>
#include <random>
#include <gtest/gtest.h>

namespace {

int Niveau(int32_t a, int32_t b, double trft, int64_t v) { return NiveauCourbe(PreparerCourbe(a, b, trft), v); }

} // namespace

TEST(ImageFit, ObjetNeufPixelsEtMaximum)
{
    THistoFit im;
    bool appele = false;
    CreerHistoFit(im, [&](const QImage& b) { appele = b.isNull(); });
    EXPECT_EQ(std::tuple(LargeurFit(im), HauteurFit(im), ZoomFit(im), im.Pixels.size()), std::tuple(1, 1, 100, 0u));
    AfficherFit(im, true); // a zero-sized image renders an empty bitmap
    EXPECT_TRUE(appele);

    im = ImageFitDe(3, 2, [](int x, int y) { return 10.0 * (x + 3 * y) + 5; });
    FixerPixelFit(im, 0, 0, 30); // overwrites the minimum, the maximum: both stay
    FixerPixelFit(im, 2, 1, 20);
    EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(5.0, 55.0));
    FixerPixelFit(im, 1, 1, 2.5);
    im.Max = 3.5;
    EXPECT_EQ(std::tuple(im.Min, MiniArrondiFit(im), MaxiArrondiFit(im)), std::tuple(2.5, 2, 4)); // halves to even

    int32_t x = -1, y = -1;
    PositionMaxiFit(ImageFitDe(4, 3, [](int, int) { return 0.0; }), x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
    const auto trois = [](int x, int y) { return (x == 2 && y == 1) || (x == 3 && y == 0) || (x == 2 && y == 2); };
    PositionMaxiFit(ImageFitDe(4, 3, [&](int x, int y) { return trois(x, y) ? 9.0 : 1.0; }), x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(2, 1)); // smaller x wins, then smaller y
}

TEST(ImageFit, CopiesEtEchange)
{
    THistoFit a = ImageFitDe(3, 2, [](int x, int y) { return x + 10.0 * y; });
    a.SMin = 1, a.SMax = 2, a.TRFT = 3.5, a.Zoom = 50, a.Palette = {qRgb(1, 2, 3)};
    THistoFit b = ImageFitDe(1, 1, [](int, int) { return 42.0; });
    b.SMin = 7, b.TRFT = -2.001;
    EchangerHistoFit(a, b); // levels and curve stay with each object
    EXPECT_EQ(std::tuple(a.Pixels, LargeurFit(b), b.Zoom), std::tuple(std::vector<double>{42.0}, 3, 50));
    EXPECT_EQ(std::tuple(a.SMin, a.TRFT, b.SMin, b.TRFT), std::tuple(1, 3.5, 7, -2.001));
    EchangerHistoFit(a, b);

    CopierPixelsFit(a, b);
    EXPECT_EQ(std::tuple(b.Pixels, b.Entete, b.Palette), std::tuple(a.Pixels, a.Entete, a.Palette));
    EXPECT_EQ(std::tuple(b.Zoom, b.SMin, b.TRFT), std::tuple(50, 7, -2.001)); // levels and curve not copied
    b.Pixel(0, 0) = 99; // independent storage
    EXPECT_EQ(a.Pixel(0, 0), 0);
    CopierHistoFit(a, b);
    EXPECT_EQ(std::tuple(b.SMin, b.SMax, b.TRFT), std::tuple(1, 2, 3.5));
}

TEST(ImageFit, Constructeurs)
{
    THistoFit im;
    CreerHistoFit(im);
    im.Min = -1;
    im.SMin = 5;
    InitialiserImageFit(im, 4, 3, 7);
    EXPECT_EQ(im.Pixels, std::vector<double>(12, 7.0));
    EXPECT_EQ(std::tuple(im.XMax, im.YMax, im.Min, im.SMin), std::tuple(3, 2, -1, 5)); // levels untouched
    EXPECT_EQ(std::tuple(LireNaxis1Fit(im), LireNaxis2Fit(im), LireSMaxEnteteFit(im)), std::tuple(4, 3, 65535));

    CreerImageFitRemplie(im, 2, 2, 70000);
    EXPECT_EQ(std::tuple(im.Min, im.Max, im.SMin, im.SMax), std::tuple(65535, 70000, 32767, 65535));
    CreerImageFitRemplie(im, 2, 2, 300);
    EXPECT_EQ(std::tuple(im.Min, im.Max, im.SMin, im.SMax, im.TRFT), std::tuple(300, 300, 150, 600, 0));

    ImporterBitmapFit(im, BitmapDe(3, 2, 1, [](int x, int y, int) { return 10 * x + 100 * y + 3; }));
    EXPECT_EQ(std::tuple(LargeurFit(im), HauteurFit(im), im.Pixel(2, 1), im.Pixel(0, 0)), std::tuple(3, 2, 123, 3));
    EXPECT_EQ(std::tuple(im.Min, im.Max, im.SMin, im.SMax, LireSMaxEnteteFit(im)), std::tuple(3, 123, 0, 255, 255));
    // A 1-bit bitmap is made grey, never read beyond its lines.
    QImage mono(70, 3, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(69, 2, 1);
    ImporterBitmapFit(im, mono);
    EXPECT_EQ(std::tuple(im.Pixel(69, 2), im.Pixel(68, 2), im.Max, im.Min), std::tuple(255, 0, 255, 0));
}

TEST(ImageFit, Arithmetique)
{
    const THistoFit a = ImageFitDe(2, 2, [](int x, int y) { return 100.0 + x + 2 * y; });
    const THistoFit b = ImageFitDe(2, 2, [](int x, int) { return x == 0 ? 0.0 : 50.0; });
    const struct {
        std::function<void(THistoFit&)> f;
        double p00, p10, p11;
    } cas[] = {
        {[&](THistoFit& c) { AdditionnerImageFit(c, b); }, 100, 151, 153},
        {[&](THistoFit& c) { SoustraireImageFit(c, b); }, 100, 51, 53},
        {[&](THistoFit& c) { MultiplierImageFit(c, b, 0); }, 0, 5050, 5150},      // k = 0 taken as 1
        {[&](THistoFit& c) { DiviserImageFit(c, b, 2); }, 200, 101.0 / 25, 4.12}, // o = 0 taken as 1
        {[&](THistoFit& c) { MultiplierConstanteFit(c, 1000); }, 65535, 65535, 65535},
    };
    for (const auto& k : cas) {
        THistoFit c = a;
        k.f(c);
        EXPECT_EQ(std::tuple(c.Pixel(0, 0), c.Pixel(1, 0), c.Pixel(1, 1)), std::tuple(k.p00, k.p10, k.p11));
    }
    THistoFit c = b;
    SoustraireImageFit(c, a); // negative results become 0
    EXPECT_EQ(c.Pixels, std::vector<double>(4, 0.0));
    c = a;
    SoustraireImageFit(c, c); // by itself: zeros, Min becomes 0, Max stays
    EXPECT_EQ(std::tuple(c.Min, c.Max, c.Pixel(1, 1)), std::tuple(0, 103, 0));
    // A smaller second image is refused before any pixel changes.
    c = a;
    EXPECT_THROW(AdditionnerImageFit(c, ImageFitDe(2, 1, [](int, int) { return 1.0; })), EStelor);
    EXPECT_EQ(c.Pixels, a.Pixels);
}

TEST(Courbes, CasLimites)
{
    const struct {
        int32_t a, b;
        double trft;
        int64_t v;
        int attendu;
    } cas[] = {
        {100, 1100, 0, 99, 0},     {100, 1100, 0, 100, 0},     {100, 1100, 0, 600, 127},
        {100, 1100, 0, 1100, 255}, {100, 1100, 0, 1101, 255},  {0, 1000, 3.5, 0, 0},
        {0, 1000, 3.5, 500, 181},  {0, 1000, 3.5, 900, 255},   {0, 1000, 3.5, 1000, 255},
        {0, 1000, -11.001, 0, 0},  {0, 1000, -11.001, 1000, 255}, {0, 1000, -11.001, 500, 70},
        {INT32_MIN, INT32_MAX, 0, 0, 127}, // no overflow
    };
    for (const auto& k : cas)
        EXPECT_EQ(Niveau(k.a, k.b, k.trft, k.v), k.attendu) << k.a << " " << k.b << " " << k.trft << " " << k.v;
    for (double trft : {0.0, 3.5, -11.001}) {
        // Equal levels: black up to the level, white above; inverted: the
        // same around SMin.
        EXPECT_EQ(Niveau(500, 500, trft, 499) + Niveau(500, 500, trft, 500), 0);
        EXPECT_EQ(Niveau(500, 500, trft, 501), 255);
        EXPECT_EQ(Niveau(1000, 500, trft, 999) + Niveau(1000, 500, trft, 700), 0);
        EXPECT_EQ(Niveau(1000, 500, trft, 1000) & Niveau(1000, 500, trft, 60000), 255);
    }
    // Log lies above the straight line, exp below, both never decrease and
    // stay in 0..255.
    for (double trft : {1.25, 6.0, -2.001, -21.001}) {
        int avant = 0;
        for (int v = 100; v <= 60100; v += 7) {
            const int o = Niveau(100, 60100, trft, v), l = Niveau(100, 60100, 0, v);
            EXPECT_TRUE(o >= avant && o <= 255 && (trft > 0 ? o >= l : o <= l + 1)) << trft << " " << v;
            avant = o;
        }
    }
}

TEST(Courbes, NiveauxEtValeursHorsPlageSansDebordement)
{
    for (double trft : {0.0, 3.5, -21.001, 0.5, -0.5, 1e300, -1e300})
        for (auto [a, b] : {std::pair{-5000000, INT32_MAX}, {INT32_MIN, INT32_MAX}})
            for (int64_t v : {int64_t(-1e15), int64_t(INT32_MIN), int64_t(0), int64_t(65535), int64_t(1e15)}) {
                const int o = Niveau(a, b, trft, v);
                EXPECT_TRUE(o >= 0 && o <= 255) << trft << " " << v;
            }
    EXPECT_EQ(std::tuple(ArrondiPixel(1e300), ArrondiPixel(-1e300), ArrondiPixel(NAN), ArrondiPixel(2.5), ArrondiPixel(3.5)),
              std::tuple(1000000000000000, -1000000000000000, 0, 2, 4));
}

TEST(Courbes, Echelle)
{
    // Around linear, at the bottom, and off the ladder (unchanged).
    EXPECT_EQ(std::tuple(TransfertPrecedent(0), TransfertSuivant(0), TransfertPrecedent(-21.001), TransfertSuivant(3.7)),
              std::tuple(-2.001, 1.25, -21.001, 3.7));
    for (double faux : {-2.0, -22.001, 6.25, 1.0, 1.2501})
        EXPECT_FALSE(EstTransfertValide(faux)) << faux;
    // 41 values, walked up from the bottom and down again; the top maps to itself.
    int n = 1;
    double v = -21.001;
    for (; TransfertSuivant(v) != v; ++n) {
        EXPECT_EQ(TransfertPrecedent(TransfertSuivant(v)), v);
        v = TransfertSuivant(v);
        EXPECT_TRUE(EstTransfertValide(v)) << v;
    }
    EXPECT_EQ(std::pair(n, v), std::pair(41, 6.0));
    EXPECT_EQ(NomCourbe(-0.5) + NomCourbe(0) + NomCourbe(1.25), "ExpLinLog");
}

TEST(Rendu, ProprietaireNegatifZoomEtRedessin)
{
    THistoFit im = ImageFitDe(5, 3, [](int x, int y) { return 100.0 + 250 * x + 10 * y + 0.5; });
    int rendus = 0;
    QImage recu;
    im.Proprietaire = [&](const QImage& b) { recu = b, ++rendus; };
    FixerSeuilsFit(im, 100, 1100, false, true);
    EXPECT_EQ(rendus, 0);
    FixerTransfertFit(im, true, true, 0);
    ASSERT_EQ(std::tuple(recu.format(), recu.size()), std::tuple(QImage::Format_Indexed8, QSize(5, 3)));
    EXPECT_EQ(recu.colorTable(), TablePaletteGris());
    EXPECT_EQ(recu.constScanLine(0)[2], 127); // row 0 is y = 0; 600.5 rounds to 600
    FixerSeuilsFit(im, 100, 1100, true, false);
    EXPECT_EQ(recu.constScanLine(0)[2], 128);
    const QImage& b = BitmapFit(im); // always positive, into BitmapAffichage
    EXPECT_EQ(std::tuple(&b, b.constScanLine(0)[2]), std::tuple(&im.BitmapAffichage, 127));
    FixerZoomFit(im, 200, true, true);
    EXPECT_EQ(std::tuple(recu.size(), recu.constScanLine(1)[5], rendus), std::tuple(QSize(10, 6), uchar(127), 3));
    FixerZoomFit(im, 50, false, true);
    EXPECT_EQ(BitmapFit(im).size(), QSize(2, 2)); // round(2.5) = 2, round(1.5) = 2
    im.Palette = QList<QRgb>(256, qRgb(1, 2, 3));
    EXPECT_EQ(BitmapFit(im).colorTable(), im.Palette);
}

TEST(Rendu, ChaqueOctetEstLaCourbeDeLaValeurArrondie)
{
    // Every byte, by both kernels, is the curve of the pixel rounded (halves
    // to even). Sizes that exercise the blocks of 8 columns x 4 rows and what
    // they leave; levels inside, across and outside the table; values off the
    // table (negative, above 65535, NaN, huge); the real files at their
    // automatic levels and wide images that take several threads.
    const auto fautes = [](const THistoFit& im, bool positif) {
        const TCourbeAffichage c = PreparerCourbe(im.SMin, im.SMax, im.TRFT);
        const QImage r = RendreFit(im, positif);
        size_t n = 0;
        for (int x = 0; x <= im.XMax; ++x)
            for (int y = 0; y <= im.YMax; ++y) {
                const int o = NiveauCourbe(c, ArrondiPixel(im.Pixel(x, y)));
                n += r.constScanLine(y)[x] != (positif ? o : 255 - o);
            }
        return n;
    };
    std::mt19937 alea(7);
    std::uniform_real_distribution<double> u(-2000, 70000);
    const double speciaux[] = {-3, 70000, 1e300, -1e300, NAN, 1000.5, 1001.5, 65535.5, -0.5};
    for (auto [l, h] : {std::pair{37, 29}, {8, 4}, {16, 1}, {3, 9}})
        for (auto [a, b] : {std::pair{500, 60000}, {500, 500}, {1000, 500}, {-5000000, 70000}, {60000, 90000}})
            for (double trft : {0.0, 3.5, -11.001})
                for (bool propre : {false, true}) {
                    THistoFit im = ImageFitDe(l, h, [&](int x, int y) {
                        const int k = (x * 7 + y * 3) % 23;
                        return propre ? std::fmod(x * 1733.25 + y * 977.5, 65535.0) : k < 9 ? speciaux[k] : u(alea);
                    });
                    im.SMin = a, im.SMax = b, im.TRFT = trft;
                    for (bool positif : {true, false})
                        EXPECT_EQ(fautes(im, positif), 0u) << l << "x" << h << " " << a << ".." << b << " " << trft;
                }
    std::vector<THistoFit> grandes;
    for (const char* f : {"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits", "scale_bscale_bzero_i16.fits"}) {
        grandes.push_back(FitLu(CheminDonnees(f)));
        grandes.back().SMin = SeuilMiniAutoFit(grandes.back()), grandes.back().SMax = SeuilMaxiAutoFit(grandes.back());
    }
    for (auto [l, h] : {std::pair{1024, 512}, {1031, 257}}) {
        grandes.push_back(ImageFitDe(l, h, [&](int, int) { return u(alea); }));
        grandes.back().Pixels[5] = NAN, grandes.back().Pixels[77] = 1e300;
        grandes.back().SMin = 300, grandes.back().SMax = 50000;
    }
    for (bool simples : {false, true}) {
        NoyauxFit::ForcerNoyauxSimples(simples);
        for (THistoFit& im : grandes)
            for (double trft : {0.0, 3.5, -11.001}) {
                im.TRFT = trft;
                EXPECT_EQ(fautes(im, true), 0u) << im.XMax + 1 << "x" << im.YMax + 1 << " " << trft << " " << simples;
            }
    }
    NoyauxFit::ForcerNoyauxSimples(false);
}

TEST(Rendu, HistogrammeModeSeuilsAutoEtResume)
{
    THistoFit moitie = ImageFitDe(4, 4, [](int x, int) { return x < 2 ? 0.0 : 1000.0; });
    EXPECT_EQ(ModeHistogrammeFit(moitie), 0); // the lowest wins a tie
    EXPECT_EQ(SeuilMiniAutoFit(moitie) + SeuilMaxiAutoFit(moitie), 0);

    THistoFit ciel = ImageFitDe(10, 10, [](int x, int y) { return x == 0 ? 65535.4 : (y < 6 ? 840.4 : 12.0); });
    TTableHistogrammeFit h;
    CalculerHistogrammeFit(ciel, h);
    ASSERT_EQ(h.size(), 65536u);
    EXPECT_EQ(std::tuple(h[840], h[12], h[65535]), std::tuple(54, 36, 10));
    EXPECT_EQ(std::pair(SeuilMiniAutoFit(ciel), SeuilMaxiAutoFit(ciel)), std::pair(420, 1680));
    ciel.SMin = 420, ciel.SMax = 1680;
    EXPECT_EQ(TexteInfoFit(ciel), "L=10 H=10 m=12 M=65535 B=840   Visu 420-1680 Lin");
    ciel.TRFT = -2.001;
    EXPECT_TRUE(TexteInfoFit(ciel).endsWith(" Exp"));

    // Values outside 0..65535 never index outside the counters.
    THistoFit hors = ImageFitDe(2, 2, [](int x, int y) { return x ? (y ? 1e12 : 65536.0) : (y ? -5e6 : NAN); });
    CalculerHistogrammeFit(hors, h);
    EXPECT_EQ(std::tuple(h[0], h[65535]), std::tuple(2, 2));
    THistoFit clair = ImageFitDe(2, 2, [](int, int) { return 40000.0; });
    EXPECT_EQ(std::pair(SeuilMiniAutoFit(clair), SeuilMaxiAutoFit(clair)), std::pair(20000, 65535)); // clamped
}

TEST(Rendu, TypeFichier)
{
    const std::pair<const char*, int32_t> cas[] = {
        {"C:\\images\\m51.Fit", 1}, {"/tmp/m51.FIT", 1}, {"hubble.bmp", 2}, {"hubble.BMP", 2}, {"sanspoint", 0},
        {".fit", 0},                {"m51.fits", 0},     {"m51.fts", 0},    {"dossier.fit/image", 0}};
    for (auto [nom, genre] : cas)
        EXPECT_EQ(TypeFichier(nom), genre) << nom;
}

TEST(Rendu, AjusterDessin)
{
    // Bitmap size, then the last black pixel and the first white one.
    const struct {
        int bl, bh;
        QPoint noir, blanc;
    } cas[] = {
        {20, 10, {19, 9}, {20, 9}},    // own size, top-left
        {40, 200, {9, 49}, {10, 49}},  // width <= height: width round(40 / (200 / 50)) = 10
        {400, 100, {99, 24}, {99, 25}}, // to the control's width: height round(100 / (400 / 100)) = 25
    };
    for (const auto& k : cas) {
        QImage dessin(100, 50, QImage::Format_RGB32);
        dessin.fill(Qt::white);
        AjusterDessin(dessin, BitmapDe(k.bl, k.bh, 1, [](int, int, int) { return 0; })); // 8-bit grey, as renderings are
        EXPECT_EQ(dessin.pixel(k.noir), qRgb(0, 0, 0)) << k.bl;
        EXPECT_EQ(dessin.pixel(k.blanc), qRgb(255, 255, 255)) << k.bl;
    }
}

TEST(Rendu, BandeDeSeuilsDeLHistogramme)
{
    const QRgb fond = QGuiApplication::palette().color(QPalette::Button).rgb();
    QImage dessin(160, 54, QImage::Format_RGB32);
    MarquerSeuilsHistogramme(dessin, 16384, 32768, 65536); // scale 409.6: x 40 to 80
    EXPECT_EQ(std::tuple(dessin.pixel(39, 20), dessin.pixel(80, 20)), std::tuple(fond, fond));
    EXPECT_EQ(std::tuple(dessin.pixel(40, 0), dessin.pixel(79, 53)),
              std::tuple(qRgb(122, 122, 201), qRgb(122, 122, 201)));
    MarquerSeuilsHistogrammeExp(dessin, 0, 65536, 65536, 11.001);
    EXPECT_EQ(dessin.pixel(150, 53), qRgb(122, 201, 122));
    MarquerSeuilsHistogrammeLog(dessin, 0, 65536, 65536, 3.5);
    EXPECT_EQ(dessin.pixel(150, 2), qRgb(201, 122, 122));
    // The label: black text on the button-face colour, near the band's left.
    bool noir = false, fondEcrit = false;
    for (int y = 20; y < 54; ++y)
        for (int x = 5; x < 80; ++x) {
            noir |= dessin.pixel(x, y) == qRgb(0, 0, 0);
            fondEcrit |= dessin.pixel(x, y) == fond;
        }
    EXPECT_EQ(std::tuple(noir, fondEcrit), std::tuple(true, true));
}

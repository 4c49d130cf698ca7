// Combination of file lists, image arithmetic, translations, rotations, star
// centroid and disk centre.
#include "PErreurs.h"
#include "Soutien.h"
#include "UArithmetique.h"
#include "UParametres.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

template <class F>
THistoFit Image(int w, int h, F f)
{
    THistoFit im;
    CreerHistoFit(im);
    InitialiserImageFit(im, w, h, 0);
    im.Min = 1e300;
    im.Max = -1e300;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) FixerPixelFit(im, x, y, f(x, y));
    return im;
}

THistoFit Uniforme(int w, int h, double v)
{
    return Image(w, h, [v](int, int) { return v; });
}

// 8-bit grey picture (or 24-bit when 'couleur') whose byte k of pixel (x, y) is f(x, y, k).
template <class F>
THistoBmp Picture(int w, int h, bool couleur, F f)
{
    THistoBmp b;
    CreerHistoBmp(b);
    b.BitmapSource = QImage(w, h, couleur ? QImage::Format_BGR888 : QImage::Format_Indexed8);
    if (!couleur) PaletteGris(b.BitmapSource);
    const int o = couleur ? 3 : 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < o; ++k) b.BitmapSource.scanLine(y)[x * o + k] = static_cast<uchar>(f(x, y, k));
    MinMaxBmp(b.BitmapSource, b.Min, b.Max);
    return b;
}

uchar Octet(const THistoBmp& b, int x, int y, int k = 0)
{
    return b.BitmapSource.constScanLine(y)[x * (FormatPixelBmp(b) == pf24bit ? 3 : 1) + k];
}

class Fichiers : public ::testing::Test {
protected:
    QTemporaryDir dossier;
    int numero = 0;

    QString Fit(THistoFit im)
    {
        const QString nom = dossier.filePath(QStringLiteral("i%1.fit").arg(++numero));
        EnregistrerFit(im, nom);
        return nom;
    }
    // Files whose pixel (1, 0) takes each value in turn, the rest a constant.
    QStringList FitValeurs(std::initializer_list<double> valeurs)
    {
        QStringList l;
        for (double v : valeurs) l << Fit(Image(3, 2, [v](int x, int y) { return x == 1 && y == 0 ? v : 100.0; }));
        return l;
    }
    QString Bmp(const THistoBmp& b)
    {
        const QString nom = dossier.filePath(QStringLiteral("b%1.bmp").arg(++numero));
        EcrireBitmapBmp(b.BitmapSource, nom);
        return nom;
    }
    QStringList BmpValeurs(std::initializer_list<int> valeurs, bool couleur = false)
    {
        QStringList l;
        for (int v : valeurs) l << Bmp(Picture(2, 2, couleur, [v](int, int, int k) { return v + k; }));
        return l;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Lists of files
// ---------------------------------------------------------------------------

TEST_F(Fichiers, MedianeFitDeQuatreEtDeCinq)
{
    THistoFit r;
    CreerHistoFit(r);
    MedianeListeFit(FitValeurs({7, 1, 9, 3}), r);
    EXPECT_EQ(ValeurPixelFit(r, 1, 0), 7); // sorted 1 3 7 9, element 2
    EXPECT_EQ(ValeurPixelFit(r, 0, 0), 100);
    MedianeListeFit(FitValeurs({7, 1, 9, 3, 5}), r);
    EXPECT_EQ(ValeurPixelFit(r, 1, 0), 5);
    EXPECT_EQ(r.Max, 100);
    EXPECT_EQ(r.Min, 5);
    // Automatic levels from the mode (100) and a linear curve.
    EXPECT_EQ(r.SMin, 50);
    EXPECT_EQ(r.SMax, 200);
    EXPECT_EQ(r.TRFT, 0);
}

TEST_F(Fichiers, MedianeFitPrendLEnTeteDuFichierDuMilieu)
{
    THistoFit a = Uniforme(4, 3, 10);
    a.Entete.insert(a.Entete.size() - 1, QStringLiteral("OBJECT  = 'premier'"));
    THistoFit b = Uniforme(4, 3, 20);
    b.Entete.insert(b.Entete.size() - 1, QStringLiteral("OBJECT  = 'milieu'"));
    const QStringList liste{Fit(a), Fit(b), Fit(Uniforme(4, 3, 30))};
    THistoFit attendu;
    CreerHistoFit(attendu);
    LireFichierFit(attendu, liste[1]);
    THistoFit r;
    CreerHistoFit(r);
    r.Zoom = 300;
    MedianeListeFit(liste, r);
    EXPECT_EQ(r.Entete, attendu.Entete);
    EXPECT_EQ(r.Pixels, attendu.Pixels);
    EXPECT_EQ(r.Zoom, 100);
}

TEST_F(Fichiers, MedianeFitDecodeCommeLeLecteur)
{
    // Real files read in bands must give exactly what the full reader gives.
    for (const char* nom : {"m51_i16_256.fits", "scale_bscale_bzero_i16.fits", "saao_raw_u16.fits"}) {
        THistoFit attendu;
        CreerHistoFit(attendu);
        LireFichierFit(attendu, CheminDonnees(nom));
        THistoFit r;
        CreerHistoFit(r);
        MedianeListeFit({CheminDonnees(nom)}, r);
        EXPECT_EQ(r.Pixels, attendu.Pixels) << nom;
        EXPECT_EQ(r.Entete, attendu.Entete) << nom;
    }
    // Signed samples whose values go below 0: the reader shifts the image up.
    QByteArray f;
    for (const char* c : {"SIMPLE  =                    T", "BITPIX  =                   16",
                          "NAXIS   =                    2", "NAXIS1  =                    2",
                          "NAXIS2  =                    1", "BZERO   =                 -100", "END"})
        f += QByteArray(c).leftJustified(80, ' ');
    f = f.leftJustified(2880, ' ') + QByteArray("\x00\x00\x00\x32", 4);
    const QString nom = dossier.filePath(QStringLiteral("negatif.fit"));
    QFile sortie(nom);
    ASSERT_TRUE(sortie.open(QIODevice::WriteOnly));
    sortie.write(f);
    sortie.close();
    THistoFit r;
    CreerHistoFit(r);
    MedianeListeFit({nom}, r);
    EXPECT_EQ(r.Pixels, (std::vector<double>{0, 50}));
}

TEST_F(Fichiers, MedianePlusieursBandes)
{
    // Large enough to be read in several bands of rows (the last one short).
    const int w = 2000, h = 701;
    auto bruit = [](int graine) {
        return [graine](int x, int y) { return double((x * 7919 + y * 104729 + graine * 31337) % 5003); };
    };
    QStringList liste;
    std::vector<THistoFit> images;
    for (int g = 0; g < 3; ++g) {
        images.push_back(Image(w, h, bruit(g)));
        liste << Fit(images.back());
    }
    THistoFit r;
    CreerHistoFit(r);
    MedianeListeFit(liste, r);
    ASSERT_EQ(r.Pixels.size(), size_t(w) * h);
    size_t fautes = 0;
    for (size_t i = 0; i < r.Pixels.size(); ++i) {
        double v[3] = {images[0].Pixels[i], images[1].Pixels[i], images[2].Pixels[i]};
        std::sort(v, v + 3);
        fautes += r.Pixels[i] != v[1];
    }
    EXPECT_EQ(fautes, 0u);

    QStringList bmp;
    std::vector<THistoBmp> pictures;
    for (int g = 0; g < 3; ++g) {
        pictures.push_back(Picture(w, h, false, [&](int x, int y, int) { return int(bruit(g)(x, y)) % 256; }));
        bmp << Bmp(pictures.back());
    }
    THistoBmp rb;
    CreerHistoBmp(rb);
    MedianeListeBmp(bmp, rb);
    fautes = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v[3] = {Octet(pictures[0], x, y), Octet(pictures[1], x, y), Octet(pictures[2], x, y)};
            std::sort(v, v + 3);
            fautes += Octet(rb, x, y) != v[1];
        }
    EXPECT_EQ(fautes, 0u);
}

TEST_F(Fichiers, MoyenneEtSommeFitAvecProgression)
{
    const QStringList liste{Fit(Uniforme(3, 2, 3)), Fit(Uniforme(3, 2, 4))};
    QStringList textes;
    THistoFit r;
    CreerHistoFit(r);
    MoyenneListeFit(liste, r, [&](const QString& t) { textes << t; }, QStringLiteral("Master dark..."));
    EXPECT_EQ(textes, (QStringList{"Master dark... (1)", "Master dark... (0)", ""}));
    EXPECT_EQ(ValeurPixelFit(r, 2, 1), 3.5);
    EXPECT_EQ(r.Entete.size(), 9); // default header

    const QStringList grands{Fit(Uniforme(3, 2, 40000)), Fit(Uniforme(3, 2, 30000))};
    SommeListeFit(grands, r, nullptr, QString());
    EXPECT_EQ(ValeurPixelFit(r, 0, 0), 65535);
    EXPECT_EQ(r.Max, 65535);
    EXPECT_EQ(r.Min, 40000); // the first file's minimum
}

TEST_F(Fichiers, ListeDeTaillesDifferentesRefuseeSansToucherAuResultat)
{
    const QStringList liste{Fit(Uniforme(3, 2, 1)), Fit(Uniforme(3, 2, 2)), Fit(Uniforme(2, 2, 3))};
    THistoFit r = Uniforme(5, 5, 8);
    const std::vector<double> avant = r.Pixels;
    for (int op = 0; op < 3; ++op) {
        try {
            if (op == 0) MedianeListeFit(liste, r);
            if (op == 1) MoyenneListeFit(liste, r, nullptr, QString());
            if (op == 2) SommeListeFit(liste, r, nullptr, QString());
            ADD_FAILURE() << "no error for operation " << op;
        } catch (const EStelor& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("i3.fit"))) << e.Message().toStdString();
        }
        EXPECT_EQ(r.Pixels, avant);
    }
}

TEST_F(Fichiers, MoyenneBmpArrondieAuPair)
{
    THistoBmp r;
    CreerHistoBmp(r);
    MoyenneListeBmp(BmpValeurs({1, 2, 2}), r, nullptr, QString());
    EXPECT_EQ(Octet(r, 0, 0), 2); // 5/3
    MoyenneListeBmp(BmpValeurs({1, 2}), r, nullptr, QString());
    EXPECT_EQ(Octet(r, 1, 1), 2); // 1.5
    MoyenneListeBmp(BmpValeurs({2, 3}), r, nullptr, QString());
    EXPECT_EQ(Octet(r, 1, 1), 2); // 2.5
    EXPECT_EQ(r.SMax, 255);
    MoyenneListeBmp(BmpValeurs({2, 4}, true), r, nullptr, QString());
    EXPECT_EQ(FormatPixelBmp(r), pf24bit);
    EXPECT_EQ(Octet(r, 0, 0, 0), 3);
    EXPECT_EQ(Octet(r, 0, 0, 2), 5);
}

TEST_F(Fichiers, SommeEtMedianeBmp)
{
    THistoBmp r;
    CreerHistoBmp(r);
    SommeListeBmp(BmpValeurs({200, 100, 7}), r, nullptr, QString());
    EXPECT_EQ(Octet(r, 0, 0), 255);
    EXPECT_EQ(r.Max, 255);
    MedianeListeBmp(BmpValeurs({7, 1, 9, 3}), r);
    EXPECT_EQ(Octet(r, 1, 0), 7);
    EXPECT_EQ(r.Min, 7);
    // 24-bit: each channel sorted on its own.
    QStringList l;
    l << Bmp(Picture(2, 1, true, [](int, int, int k) { return k == 0 ? 9 : 1; }))
      << Bmp(Picture(2, 1, true, [](int, int, int k) { return k == 0 ? 1 : 5; }))
      << Bmp(Picture(2, 1, true, [](int, int, int k) { return k == 0 ? 4 : 9; }));
    MedianeListeBmp(l, r);
    EXPECT_EQ(Octet(r, 1, 0, 0), 4);
    EXPECT_EQ(Octet(r, 1, 0, 1), 5);
}

TEST_F(Fichiers, ListeBmpDeFormatsMelangesRefusee)
{
    QStringList l = BmpValeurs({1, 2});
    l << BmpValeurs({3}, true);
    THistoBmp r = Picture(1, 1, false, [](int, int, int) { return 77; });
    EXPECT_THROW(MedianeListeBmp(l, r), EStelor);
    EXPECT_THROW(MoyenneListeBmp(l, r, nullptr, QString()), EStelor);
    EXPECT_THROW(SommeListeBmp(l, r, nullptr, QString()), EStelor);
    EXPECT_EQ(Octet(r, 0, 0), 77);
}

// ---------------------------------------------------------------------------
// Image arithmetic
// ---------------------------------------------------------------------------

TEST(ArithmetiqueFit, SommeBorneeApresChaqueAddition)
{
    const THistoFit a = Uniforme(2, 2, 60000), b = Uniforme(2, 2, 10000), c = Uniforme(2, 2, -10000);
    THistoFit r;
    CreerHistoFit(r);
    AdditionImagesFit({&a, &b, &c}, r);
    EXPECT_EQ(ValeurPixelFit(r, 1, 1), 55535); // 65535 - 10000, not 60000
    EXPECT_EQ(r.Max, 65535);
    EXPECT_EQ(r.Entete.size(), 9);

    const THistoFit t = Uniforme(2, 2, 3), q = Uniforme(2, 2, 4);
    MoyenneImagesFit({&t, &q}, r);
    EXPECT_EQ(ValeurPixelFit(r, 0, 1), 3.5);

    THistoFit a2 = Image(2, 2, [](int x, int) { return 5.0 + x; });
    a2.Entete.insert(0, QStringLiteral("COMMENT a"));
    SoustractionImagesFit(a2, a2, r);
    EXPECT_EQ(ValeurPixelFit(r, 1, 0), 0);
    EXPECT_EQ(r.Min, 0);
    EXPECT_EQ(r.Max, 6);
    EXPECT_EQ(r.Entete, a2.Entete);

    const THistoFit petite = Uniforme(1, 2, 1);
    EXPECT_THROW(SoustractionImagesFit(a2, petite, r), EStelor);
    EXPECT_THROW(AdditionImagesFit({&a2, &petite}, r), EStelor);
}

TEST(ArithmetiqueFit, ConstantesEtNiveau)
{
    THistoFit im = Uniforme(2, 1, 50);
    AjouterConstanteFit(im, -100);
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 0);
    THistoFit h = Uniforme(2, 1, 65500);
    SoustraireConstanteFit(h, -100);
    EXPECT_EQ(ValeurPixelFit(h, 1, 0), 65535);

    THistoFit n = Image(2, 1, [](int x, int) { return x ? 1500.0 : 500.0; });
    AjusterNiveauFit(n, 1500.5);
    EXPECT_EQ(ValeurPixelFit(n, 0, 0), 1000.5);
    EXPECT_EQ(ValeurPixelFit(n, 1, 0), 2000.5);
}

TEST(ArithmetiqueBmp, NiveauArrondiAuPair)
{
    // Mean 100.5: level 102 adds round(1.5) = 2, level 101 adds round(0.5) = 0.
    THistoBmp p = Picture(2, 1, false, [](int x, int, int) { return x ? 200 : 1; });
    AjusterNiveauBmp(p, 102);
    EXPECT_EQ(Octet(p, 0, 0), 3);
    EXPECT_EQ(Octet(p, 1, 0), 202);
    THistoBmp q = Picture(2, 1, false, [](int x, int, int) { return x ? 200 : 1; });
    AjusterNiveauBmp(q, 101);
    EXPECT_EQ(Octet(q, 0, 0), 1);
    THistoBmp s = Picture(2, 1, false, [](int x, int, int) { return x ? 255 : 0; }); // mean 127.5
    AjusterNiveauBmp(s, 130.5);                                                       // +3
    EXPECT_EQ(Octet(s, 1, 0), 255);
    EXPECT_EQ(Octet(s, 0, 0), 3);
    EXPECT_EQ(s.Max, 255);
    EXPECT_EQ(s.Min, 0); // not recomputed
}

// ---------------------------------------------------------------------------
// Translations
// ---------------------------------------------------------------------------

TEST(TranslationFit, PartiesEntiereEtFractionnaire)
{
    THistoFit im = Image(4, 2, [](int x, int) { return 10.0 * (x + 1); });
    TranslationXFit(im, 2.0, true);
    EXPECT_EQ(ValeurPixelFit(im, 0, 1), 0);
    EXPECT_EQ(ValeurPixelFit(im, 1, 1), 0);
    EXPECT_EQ(ValeurPixelFit(im, 2, 1), 10);
    EXPECT_EQ(ValeurPixelFit(im, 3, 0), 20);

    THistoFit q = Image(4, 1, [](int x, int) { return 10.0 * (x + 1); });
    const std::vector<double> avant = q.Pixels;
    TranslationXFit(q, 0.25, false);
    EXPECT_EQ(q.Pixels, avant);
    TranslationXFit(q, -1.3, true); // left by 1 then by 0.3
    EXPECT_EQ(ValeurPixelFit(q, 3, 0), 0);
    EXPECT_DOUBLE_EQ(ValeurPixelFit(q, 2, 0), 0.7 * 40);
    EXPECT_DOUBLE_EQ(ValeurPixelFit(q, 0, 0), 0.7 * 20 + 0.3 * 30);

    THistoFit r = Uniforme(3, 1, 100);
    TranslationXFit(r, 0.5, true);
    EXPECT_EQ(r.Pixels, (std::vector<double>{50, 100, 100}));
    THistoFit g = Uniforme(3, 1, 100);
    TranslationXFit(g, -0.5, true);
    EXPECT_EQ(g.Pixels, (std::vector<double>{100, 100, 50}));
    THistoFit c = Uniforme(1, 2, 1);
    TranslationYFit(c, 0.5, true);
    EXPECT_EQ(c.Pixels, (std::vector<double>{0.5, 1}));
}

TEST(TranslationFit, MontantsExtremes)
{
    for (double d : {3.0, -7.0, 1e300, -1e18}) {
        THistoFit im = Uniforme(3, 2, 9);
        TranslationYFit(im, d, true);
        TranslationXFit(im, d, true);
        EXPECT_EQ(im.Pixels, std::vector<double>(6, 0.0)) << d;
        EXPECT_EQ(im.Min, 0);
    }
    for (double d : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        THistoFit im = Uniforme(3, 2, 9);
        TranslationXFit(im, d, true);
        TranslationYFit(im, d, true);
        EXPECT_EQ(im.Pixels, std::vector<double>(6, 9.0));
        EXPECT_EQ(im.Min, 9);
    }
}

TEST(TranslationBmp, OctetsArrondisAChaqueEcriture)
{
    THistoBmp p = Picture(2, 1, false, [](int, int, int) { return 1; });
    TranslationXBmp(p, 0.5, true);
    EXPECT_EQ(Octet(p, 0, 0), 0);
    EXPECT_EQ(Octet(p, 1, 0), 0);
    EXPECT_EQ(p.Max, 0);

    // 24-bit, down by 1.5: row 0 black, then each channel on its own.
    THistoBmp c = Picture(1, 3, true, [](int, int y, int k) { return 10 * (y + 1) * (k + 1); });
    TranslationYBmp(c, 1.5, true);
    EXPECT_EQ(Octet(c, 0, 0, 2), 0);
    EXPECT_EQ(Octet(c, 0, 1, 0), 5);  // round(0.5 * 10)
    EXPECT_EQ(Octet(c, 0, 2, 0), 15); // round(0.5 * 10 + 0.5 * 20)
    EXPECT_EQ(Octet(c, 0, 2, 2), 45);
    EXPECT_EQ(c.Max, 45);

    QImage autre(2, 2, QImage::Format_ARGB32);
    autre.fill(0xFF102030);
    const QImage copie = autre.copy();
    TranslationXBitmap(autre, 1, true);
    EXPECT_EQ(autre, copie);
}

// ---------------------------------------------------------------------------
// Mirrors and rotations
// ---------------------------------------------------------------------------

TEST(RotationsFit, QuartsDeTourEtMiroirs)
{
    THistoFit im = Image(3, 2, [](int x, int y) { return 1.0 + x + 10.0 * y; });
    im.Entete.insert(0, QStringLiteral("COMMENT garde"));
    const QStringList entete = im.Entete;
    const std::vector<double> avant = im.Pixels;
    MiroirHorizontalFit(im);
    EXPECT_EQ(ValeurPixelFit(im, 0, 1), 13);
    MiroirHorizontalFit(im);
    MiroirVerticalFit(im);
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 11);
    Rotation180Fit(im); // after the vertical mirror: the horizontal one
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 3);
    MiroirHorizontalFit(im);
    EXPECT_EQ(im.Pixels, avant);
    EXPECT_EQ(im.Entete, entete);

    Rotation90Fit(im);
    ASSERT_EQ(std::pair(LargeurFit(im), HauteurFit(im)), std::pair(2, 3));
    EXPECT_EQ(std::pair(LireNaxis1Fit(im), LireNaxis2Fit(im)), std::pair(2, 3));
    EXPECT_EQ(ValeurPixelFit(im, 1, 0), 1);  // old top-left
    EXPECT_EQ(ValeurPixelFit(im, 0, 0), 11); // old bottom-left
    Rotation270Fit(im);
    EXPECT_EQ(LargeurFit(im), 3);
    EXPECT_EQ(im.Pixels, avant);
    EXPECT_EQ(im.Entete.size(), 9);
}

// ---------------------------------------------------------------------------
// Centroid and disk
// ---------------------------------------------------------------------------

TEST(Centroide, PixelBrillantEtBords)
{
    const THistoFit im = Image(100, 100, [](int x, int y) { return x == 10 && y == 20 ? 1000.0 : 0.0; });
    double x = -1, y = -1;
    ASSERT_TRUE(PositionEtoileFit(im, x, y, 5));
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    // Below 2 the default width is used: same window.
    ASSERT_TRUE(PositionEtoileFit(im, x, y, 0));
    EXPECT_EQ(x, 10);

    // Window 4 a side: the star at (1,1) of a 2x2 block weights 3 of 4 pixels.
    const THistoFit bloc = Image(20, 20, [](int x, int y) { return x >= 9 && x <= 10 && y >= 9 && y <= 10 ? 8.0 : 0.0; });
    ASSERT_TRUE(PositionEtoileFit(bloc, x, y, 5)); // window 7..10: the whole block
    EXPECT_DOUBLE_EQ(x, 9.5);
    THistoFit copie = bloc;
    int32_t g = -1, h = -1;
    FenetreEtoileFit(copie, g, h, 6);
    EXPECT_EQ(g, 6);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(LargeurFit(copie), 6);

    const THistoFit coin = Image(10, 10, [](int x, int y) { return x + y == 0 ? 5.0 : 1.0; });
    ASSERT_TRUE(PositionEtoileFit(coin, x, y, 5));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    x = y = -7;
    EXPECT_FALSE(PositionEtoileFit(Uniforme(10, 10, 0), x, y, 5));
    EXPECT_EQ(x, -7);
}

TEST(Centroide, PremierMaximumSelonLeSens)
{
    auto v = [](int x, int y) { return (x == 5 && y == 9) || (x == 7 && y == 3) ? 200 : 0; };
    const THistoFit im = Image(20, 20, [&](int x, int y) { return double(v(x, y)); });
    double x = 0, y = 0;
    ASSERT_TRUE(PositionEtoileFit(im, x, y, 5));
    EXPECT_EQ(x, 5); // lower column first
    EXPECT_EQ(y, 9);
    const THistoBmp b = Picture(20, 20, false, [&](int x, int y, int) { return v(x, y); });
    ASSERT_TRUE(PositionEtoileBmp(b, x, y, clRouge, 5));
    EXPECT_EQ(x, 7); // upper row first
    EXPECT_EQ(y, 3);
    // 24-bit: only the chosen plane counts (red is the third byte).
    const THistoBmp c = Picture(20, 20, true, [](int x, int y, int k) { return k == 2 && x == 4 && y == 6 ? 90 : k == 0 && x == 12 ? 250 : 0; });
    ASSERT_TRUE(PositionEtoileBmp(c, x, y, clRouge, 5));
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, 6);
    EXPECT_FALSE(PositionEtoileBmp(c, x, y, 12345, 5));
}

TEST(Disque, PointsDeBordEtCentre)
{
    // Disk = the square 20..39 x 10..29 of a 100 x 100 image.
    const THistoFit im = Image(100, 100, [](int x, int y) { return x >= 20 && x < 40 && y >= 10 && y < 30 ? 50.0 : 0.0; });
    QList<TPointBord> points;
    PointsBordDisqueFit(im, points, 50);
    // Columns 0, 1, ..., 98, 99 and rows likewise: 20 columns and 20 rows hit, two points each.
    EXPECT_EQ(points.size(), 80);
    EXPECT_EQ(points[0].x, 20);
    EXPECT_EQ(points[0].y, 10);
    EXPECT_EQ(points[1].y, 29);
    OrdonnerPointsContour(points);
    double x = 0, y = 0;
    ASSERT_TRUE(CentreContour(points, x, y));
    EXPECT_NEAR(x, 29.5, 0.5);
    EXPECT_NEAR(y, 19.5, 0.5);

    // A one-pixel column adds the same point twice; a dark image adds nothing.
    QList<TPointBord> un;
    PointsBordDisqueFit(Image(50, 1, [](int x, int) { return x == 0 ? 1.0 : 0.0; }), un, 1);
    EXPECT_EQ(un.size(), 99 * 2 + 100 * 2); // column 0 scanned 99 times
    QList<TPointBord> rien;
    PointsBordDisqueFit(Uniforme(10, 10, 0), rien, 1);
    EXPECT_TRUE(rien.isEmpty());
}

TEST(Disque, OrdreEtCentreDuContour)
{
    QList<TPointBord> l{{0, 0}, {10, 0}, {1, 0}, {9, 0}};
    OrdonnerPointsContour(l);
    EXPECT_EQ(l[1].x, 1);
    EXPECT_EQ(l[2].x, 9);
    EXPECT_EQ(l[3].x, 10);

    double x = -1, y = -1;
    ASSERT_TRUE(CentreContour({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, x, y));
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_DOUBLE_EQ(y, 5);
    ASSERT_TRUE(CentreContour({{0, 10}, {10, 10}, {10, 0}, {0, 0}}, x, y));
    EXPECT_DOUBLE_EQ(x, 5);
    EXPECT_DOUBLE_EQ(y, 5);
    // Triangle (0,0), (6,0), (0,3): centroid (2, 1).
    ASSERT_TRUE(CentreContour({{0, 0}, {6, 0}, {0, 3}}, x, y));
    EXPECT_DOUBLE_EQ(x, 2);
    EXPECT_DOUBLE_EQ(y, 1);

    x = y = -1;
    EXPECT_FALSE(CentreContour({{0, 0}, {10, 0}}, x, y));
    EXPECT_FALSE(CentreContour({{0, 0}, {5, 5}, {10, 10}, {3, 3}}, x, y));
    EXPECT_EQ(x, -1);
}

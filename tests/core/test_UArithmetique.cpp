// Combination of file lists, image arithmetic, translations, rotations, star
// centroid and disk centre.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UArithmetique.h"
#include "UEcritureFit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QDataStream>
#include <algorithm>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

THistoFit Vide()
{
    THistoFit im;
    CreerHistoFit(im);
    return im;
}

THistoFit Uniforme(int w, int h, double v)
{
    return ImageFitDe(w, h, [v](int, int) { return v; });
}

THistoBmp Picture(int w, int h, bool couleur, const std::function<int(int, int, int)>& f)
{
    return ObjetBmpDe(BitmapDe(w, h, couleur ? 3 : 1, f));
}

uchar Octet(const THistoBmp& b, int x, int y, int k = 0) { return OctetDe(b.BitmapSource, x, y, k); }

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
    // 3 x 2 files of 100 but pixel (1, 0), which takes each value in turn;
    // each header names its file and carries levels of its own.
    QStringList FitValeurs(std::initializer_list<double> valeurs)
    {
        QStringList l;
        for (double v : valeurs) {
            THistoFit im = ImageFitDe(3, 2, [v](int x, int y) { return x == 1 && y == 0 ? v : 100.0; });
            im.Entete.insert(im.Entete.size() - 1, QStringLiteral("OBJECT  = 'f%1'").arg(numero + 1));
            im.SMin = 3;
            im.SMax = 4;
            l << Fit(im);
        }
        return l;
    }
    QString Bmp(const THistoBmp& b)
    {
        const QString nom = dossier.filePath(QStringLiteral("b%1.bmp").arg(++numero));
        EcrireBitmapBmp(b.BitmapSource, nom);
        return nom;
    }
    QStringList BmpValeurs(const std::vector<int>& valeurs, bool couleur = false)
    {
        QStringList l;
        for (int v : valeurs) l << Bmp(Picture(2, 2, couleur, [v](int, int, int k) { return v + k; }));
        return l;
    }
};

} // namespace

// ---- Lists of files ----

TEST_F(Fichiers, MedianeFit)
{
    THistoFit r = Vide();
    r.Zoom = 300;
    auto mediane = [&](std::initializer_list<double> valeurs) {
        const QStringList l = FitValeurs(valeurs);
        MedianeListeFit(l, r);
        EXPECT_EQ(r.Entete, FitLu(l[l.size() / 2]).Entete); // upper middle for an even count
        return ValeurPixelFit(r, 1, 0);
    };
    // Sorted 1 3 7 9: element 2.
    const double un = mediane({42}), pair = mediane({7, 1, 9, 3}), impair = mediane({7, 1, 9, 3, 5});
    EXPECT_EQ(std::tuple(un, pair, impair), std::tuple(42, 7, 5));
    EXPECT_EQ(std::tuple(ValeurPixelFit(r, 0, 0), r.Min, r.Max), std::tuple(100, 5.0, 100.0));
    // Automatic levels from the mode (100), not the files' 3 and 4; linear curve.
    EXPECT_EQ(std::tuple(r.SMin, r.SMax, r.TRFT, r.Zoom), std::tuple(50, 200, 0.0, 100));
}

TEST_F(Fichiers, MedianePlusieursBandes)
{
    // Large enough to be read in several bands of rows (the last one short).
    const int w = 2000, h = 701;
    auto bruit = [](int g, int x, int y) { return (x * 7919 + y * 104729 + g * 31337) % 5003; };
    auto milieu = [](int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); };
    QStringList fit, bmp;
    for (int g = 0; g < 3; ++g) {
        fit << Fit(ImageFitDe(w, h, [&](int x, int y) { return double(bruit(g, x, y)); }));
        bmp << Bmp(Picture(w, h, false, [&](int x, int y, int) { return bruit(g, x, y) % 256; }));
    }
    THistoFit r = Vide();
    MedianeListeFit(fit, r);
    THistoBmp rb;
    CreerHistoBmp(rb);
    MedianeListeBmp(bmp, rb);
    ASSERT_EQ(r.Pixels.size(), size_t(w) * h);
    size_t fautes = 0;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            fautes += r.Pixel(x, y) != milieu(bruit(0, x, y), bruit(1, x, y), bruit(2, x, y));
            fautes += Octet(rb, x, y) != milieu(bruit(0, x, y) % 256, bruit(1, x, y) % 256, bruit(2, x, y) % 256);
        }
    EXPECT_EQ(fautes, 0u);
}

TEST_F(Fichiers, MoyenneEtSommeFitAvecProgression)
{
    QStringList textes;
    THistoFit r = Vide();
    MoyenneListeFit({Fit(Uniforme(3, 2, 3)), Fit(Uniforme(3, 2, 4))}, r, [&](const QString& t) { textes << t; },
                    QStringLiteral("Master dark..."));
    EXPECT_EQ(textes, (QStringList{"Master dark... (1)", "Master dark... (0)", ""}));
    EXPECT_EQ(std::tuple(ValeurPixelFit(r, 2, 1), r.Entete.size()), std::tuple(3.5, qsizetype(9))); // default header

    SommeListeFit({Fit(Uniforme(3, 2, 40000)), Fit(Uniforme(3, 2, 30000))}, r, nullptr, QString());
    EXPECT_EQ(ValeurPixelFit(r, 0, 0), 65535);
    EXPECT_EQ(std::pair(r.Min, r.Max), std::pair(40000.0, 65535.0)); // the first file's minimum

    // Frames of reals above 65535: the mean is not clamped, no more than the
    // median is.
    QStringList reels;
    for (double v : {100000.0, 70000.0}) {
        reels << dossier.filePath(QStringLiteral("r%1.fit").arg(++numero));
        ASSERT_TRUE(EcrireFitCfitsio(reels.last(), -32, {3, 2}, std::vector<double>(6, v)));
    }
    THistoFit moyenne = Vide(), mediane = Vide();
    MoyenneListeFit(reels, moyenne, nullptr, QString());
    MedianeListeFit(reels, mediane);
    EXPECT_EQ(std::tuple(ValeurPixelFit(moyenne, 1, 1), moyenne.Max, ValeurPixelFit(mediane, 1, 1)),
              std::tuple(85000.0, 85000.0, 100000.0));
}

TEST_F(Fichiers, ListeRefuseeSansToucherAuResultat)
{
    // A file of another size, or missing: the message names the file, the
    // result and the scratch folder stay clean, the label is emptied.
    const QStringList fit{Fit(Uniforme(3, 2, 1)), Fit(Uniforme(3, 2, 2)), Fit(Uniforme(2, 2, 3))};
    QStringList bmp = BmpValeurs({1, 2});
    bmp << Bmp(Picture(3, 3, false, [](int, int, int) { return 9; }));
    const QString absentFit = dossier.filePath("absent.fit"), absentBmp = dossier.filePath("absent.bmp");
    QTemporaryDir brouillons;
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", brouillons.path().toLocal8Bit());
    THistoFit r = Uniforme(5, 5, 8);
    THistoBmp rb = Picture(1, 1, false, [](int, int, int) { return 77; });
    QStringList textes;
    const TProgression p = [&](const QString& t) { textes << t; };
    const QStringList fitAbsent{fit[0], absentFit}, bmpAbsent{bmp[0], absentBmp};
    const std::vector<std::pair<QString, std::function<void()>>> cas{
        {"i3.fit", [&] { MedianeListeFit(fit, r); }},
        {"i3.fit", [&] { MoyenneListeFit(fit, r, p, "x"); }}, // the sum walks the same way
        {"b6.bmp", [&] { MedianeListeBmp(bmp, rb); }},
        {"b6.bmp", [&] { SommeListeBmp(bmp, rb, p, "x"); }}, // the mean walks the same way
        {absentFit, [&] { MedianeListeFit(fitAbsent, r); }},
        {absentFit, [&] { MoyenneListeFit(fitAbsent, r, p, "x"); }},
        {absentBmp, [&] { SommeListeBmp(bmpAbsent, rb, p, "x"); }},
        {absentBmp, [&] { MedianeListeBmp(bmpAbsent, rb); }},
    };
    for (const auto& [fichier, operation] : cas) {
        textes.clear();
        try {
            operation();
            ADD_FAILURE() << "no error for " << fichier.toStdString();
        } catch (const EStelor& e) {
            EXPECT_TRUE(e.Message().contains(fichier)) << e.Message().toStdString();
        }
        EXPECT_TRUE(textes.isEmpty() || textes.back().isEmpty()) << textes.join('|').toStdString();
    }
    EXPECT_EQ(r.Pixels, std::vector<double>(25, 8.0));
    EXPECT_EQ(Octet(rb, 0, 0), 77);
    MedianeListeBmp(BmpValeurs({4, 5, 6}), rb);
    qputenv("TMPDIR", tmp);
    EXPECT_EQ(Octet(rb, 1, 1), 5);
    EXPECT_EQ(QDir(brouillons.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(Fichiers, BmpDUnAutreFormatLaisseDeCote)
{
    // First file 8-bit, second 24-bit: the 24-bit one is left out of the
    // median, the mean (whose divisor counts 8-bit files only) and the sum;
    // the progress still counts it.
    QStringList l = BmpValeurs({1});
    l << BmpValeurs({200}, true) << BmpValeurs({4, 6});
    THistoBmp r;
    CreerHistoBmp(r);
    QStringList textes;
    MoyenneListeBmp(l, r, [&](const QString& t) { textes << t; }, "m");
    EXPECT_EQ(Octet(r, 0, 0), 4); // round(11 / 3) = 4; with the 24-bit file counted: 3
    EXPECT_EQ(textes, (QStringList{"m (3)", "m (2)", "m (1)", "m (0)", ""}));
    SommeListeBmp(l, r, nullptr, QString());
    EXPECT_EQ(std::tuple(Octet(r, 1, 1), FormatPixelBmp(r)), std::tuple(11, pf8bit));
    MedianeListeBmp(l, r);
    EXPECT_EQ(Octet(r, 1, 0), 4); // 1 4 6
    MedianeListeBmp({l[0], l[1], l[2]}, r);
    EXPECT_EQ(Octet(r, 1, 0), 4); // 1 4: the upper middle
}

TEST_F(Fichiers, MedianeDePlusDeFichiersQueLeProcessusNePeutEnOuvrir)
{
    // 2000 files of 3 x 2 with at most 256 files open at once.
    QByteArray entete;
    for (const char* c : {"SIMPLE  = T", "BITPIX  = 16", "NAXIS   = 2", "NAXIS1  = 3", "NAXIS2  = 2", "END"})
        entete += QByteArray(c).leftJustified(80, ' ');
    entete = entete.leftJustified(2880, ' ');
    QStringList l;
    for (int i = 0; i < 2000; ++i) {
        QByteArray d = entete;
        for (int k = 0; k < 6; ++k) d.append('\0').append(char((i * 37 + k) % 101));
        l << dossier.filePath(QStringLiteral("m%1.fit").arg(i));
        QFile f(l.back()); // without the safe write's flush to disk, 2000 times
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(d) == d.size());
    }
    rlimit lim{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
    rlimit petite = lim;
    petite.rlim_cur = std::min<rlim_t>(lim.rlim_cur, 256);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &petite), 0);
    THistoFit r = Vide();
    EXPECT_NO_THROW(MedianeListeFit(l, r));
    setrlimit(RLIMIT_NOFILE, &lim);
    // Each value 0..100 about 20 times: the median is 50 at every pixel.
    EXPECT_EQ(r.Pixels, std::vector<double>(6, 50.0));
}

TEST_F(Fichiers, MedianeDecodeTousLesBitpixCommeLeLecteur)
{
    const struct {
        int bitpix;
        double bscale, bzero;
        long plans;
    } cas[] = {{8, 1, 0, 1}, {32, 1, -5000, 1}, {-32, 1, 0, 1}, {-64, 0.5, 3, 1}, {16, 1, 0, 3}, {64, 1, 0, 1},
               {16, 1, -100, 1}}; // the last all negative: shifted up to 0
    for (const auto& k : cas) {
        SCOPED_TRACE(k.bitpix);
        std::vector<long> axes{5, 4};
        if (k.plans > 1) axes.push_back(k.plans);
        std::vector<double> bruts(static_cast<size_t>(20 * k.plans));
        for (size_t i = 0; i < bruts.size(); ++i) bruts[i] = k.bitpix == 8 ? double(i * 13 % 256) : i * 1.5 - 7.25 * (i % 3);
        if (k.bitpix > 0) std::transform(bruts.begin(), bruts.end(), bruts.begin(), [](double v) { return std::floor(v); });
        const QString nom = dossier.filePath(QStringLiteral("b%1.fit").arg(++numero));
        ASSERT_TRUE(EcrireFitCfitsio(nom, k.bitpix, axes, bruts, k.bscale, k.bzero));
        THistoFit r = Vide();
        MedianeListeFit({nom, nom, nom}, r);
        EXPECT_EQ(r.Pixels, FitLu(nom).Pixels);
    }
    // Real files, read in bands, give exactly what the full reader gives.
    for (const char* nom : {"m51_i16_256.fits", "scale_bscale_bzero_i16.fits", "saao_raw_u16.fits"}) {
        THistoFit r = Vide();
        MedianeListeFit({CheminDonnees(nom)}, r);
        const THistoFit attendu = FitLu(CheminDonnees(nom));
        EXPECT_EQ(std::tuple(r.Pixels, r.Entete), std::tuple(attendu.Pixels, attendu.Entete)) << nom;
    }
}

TEST_F(Fichiers, MoyenneSommeEtMedianeBmp)
{
    THistoBmp r;
    CreerHistoBmp(r);
    // Halves to even: 5/3 -> 2, 1.5 -> 2, 2.5 -> 2.
    for (const auto& [valeurs, attendu] : std::vector<std::pair<std::vector<int>, int>>{
             {{1, 2, 2}, 2}, {{1, 2}, 2}, {{2, 3}, 2}}) {
        MoyenneListeBmp(BmpValeurs(valeurs), r, nullptr, QString());
        EXPECT_EQ(Octet(r, 1, 1), attendu);
    }
    EXPECT_EQ(std::tuple(r.SMin, r.SMax, r.TRFT), std::tuple(0, 255, 0.0));
    MoyenneListeBmp(BmpValeurs({2, 4}, true), r, nullptr, QString());
    EXPECT_EQ(std::tuple(FormatPixelBmp(r), Octet(r, 0, 0, 0), Octet(r, 0, 0, 2)), std::tuple(pf24bit, 3, 5));

    SommeListeBmp(BmpValeurs({200, 100, 7}), r, nullptr, QString());
    EXPECT_EQ(std::tuple(Octet(r, 0, 0), r.Max), std::tuple(uchar(255), 255.0));
    MedianeListeBmp(BmpValeurs({7, 1, 9, 3}), r);
    EXPECT_EQ(std::tuple(Octet(r, 1, 0), r.Min), std::tuple(uchar(7), 7.0));
    // 24-bit: each channel sorted on its own.
    QStringList l;
    for (int v : {0x010109, 0x050501, 0x090904}) l << Bmp(Picture(2, 1, true, [v](int, int, int k) { return (v >> (8 * k)) & 0xFF; }));
    MedianeListeBmp(l, r);
    EXPECT_EQ(std::pair(Octet(r, 1, 0, 0), Octet(r, 1, 0, 1)), std::pair(uchar(4), uchar(5)));
}

// Images too big for the memory: the mean and the sum name the file they
// were at, and leave the result and the label as any refusal does.
TEST_F(Fichiers, MemoireInsuffisanteNommeLeFichier)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer ends the process on an allocation it cannot make";
#else
    // FIT: 100000 x 100000 bytes, sparse; 80 GB of sums.
    QByteArray carte;
    for (const char* c : {"SIMPLE  = T", "BITPIX  = 8", "NAXIS   = 2", "NAXIS1  = 100000", "NAXIS2  = 100000", "END"})
        carte += QByteArray(c).leftJustified(80, ' ');
    const QString fit = dossier.filePath(QStringLiteral("grand.fit"));
    EcrireFichierSur(fit, carte.leftJustified(2880, ' '));
    ASSERT_TRUE(QFile::resize(fit, 2880 + qint64(100000) * 100000));
    // A square 24-bit BMP of that side, sparse.
    const auto bmpCreux = [&](const char* nom, quint32 cote) {
        QByteArray bmp;
        QDataStream d(&bmp, QIODevice::WriteOnly);
        d.setByteOrder(QDataStream::LittleEndian);
        d << quint16(0x4D42) << 54 + 3 * cote * cote << 0u << 54u << 40u << cote << cote << quint16(1) << quint16(24);
        const QString chemin = dossier.filePath(QString::fromLatin1(nom));
        EcrireFichierSur(chemin, bmp);
        EXPECT_TRUE(QFile::resize(chemin, 54 + qint64(3) * cote * cote));
        return chemin;
    };
    // 10000 x 10000 (300 MB), read within an address space that cannot also
    // hold its 2.4 GB of sums; the largest the reader takes, 16384 x 16384,
    // whose bytes fit but not its picture as well.
    const QString picture = bmpCreux("grand.bmp", 10000), pictureMax = bmpCreux("maxi.bmp", 16384);

    THistoFit r = Uniforme(5, 5, 8);
    const THistoFit avant = r;
    THistoBmp rb = Picture(1, 1, false, [](int, int, int) { return 77; });
    QStringList textes;
    const TProgression p = [&](const QString& t) { textes << t; };
    const struct {
        const char* Attendu;
        QString Nom;
        std::function<void()> Operation;
    } cas[] = {
        {"ajouter le fichier grand.fit à la moyenne : son image de 100000 x 100000 pixels", fit,
         [&] { MoyenneListeFit({fit, fit}, r, p, "x"); }},
        {"ajouter le fichier grand.fit à la somme : son image de 100000 x 100000 pixels", fit, [&] { SommeListeFit({fit}, r, p, "x"); }},
        {"ajouter le fichier grand.bmp à la moyenne : son image de 10000 x 10000 pixels", picture,
         [&] { MoyenneListeBmp({picture}, rb, p, "x"); }},
        {"ajouter le fichier grand.bmp à la somme : son image de 10000 x 10000 pixels", picture,
         [&] { SommeListeBmp({picture, picture}, rb, p, "x"); }},
        {"charger le fichier maxi.bmp : son image de 16384 x 16384 pixels", pictureMax,
         [&] { LireBitmapBmp(pictureMax); }},
    };
    rlimit espace{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &espace), 0);
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Attendu);
        textes.clear();
        // What the process maps now, and 1.5 GB more.
        QFile statm(QStringLiteral("/proc/self/statm"));
        ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
        const rlim_t mappe = statm.readAll().split(' ')[0].toULongLong() * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
        rlimit petit = espace;
        petit.rlim_cur = std::min<rlim_t>(espace.rlim_cur, mappe + (rlim_t(3) << 29));
        ASSERT_EQ(setrlimit(RLIMIT_AS, &petit), 0);
        QString message;
        try {
            c.Operation();
        } catch (const EStelor& e) {
            message = e.Message();
        }
        setrlimit(RLIMIT_AS, &espace);
        EXPECT_TRUE(message.startsWith(QStringLiteral("Mémoire insuffisante pour ") + QString::fromUtf8(c.Attendu)) &&
                    message.contains(c.Nom))
            << message.toStdString();
        EXPECT_TRUE(textes.isEmpty() || textes.back().isEmpty()) << textes.join('|').toStdString();
    }
    EXPECT_EQ(std::tuple(r.Pixels, r.Entete, r.XMax, LargeurBmp(rb), Octet(rb, 0, 0)),
              std::tuple(avant.Pixels, avant.Entete, avant.XMax, 1, uchar(77)));
#endif
}

// ---- Image arithmetic ----

TEST(ArithmetiqueFit, ImagesEtConstantes)
{
    const THistoFit a = Uniforme(2, 2, 60000), b = Uniforme(2, 2, 10000), c = Uniforme(2, 2, -10000);
    THistoFit r = Vide();
    AdditionImagesFit({&a, &b, &c}, r);
    // Clamped at 65535 before the last addition.
    EXPECT_EQ(std::tuple(ValeurPixelFit(r, 1, 1), r.Max, r.Entete.size()), std::tuple(55535, 65535, 9));

    const THistoFit t = Uniforme(2, 2, 3), q = Uniforme(2, 2, 4);
    MoyenneImagesFit({&t, &q}, r);
    EXPECT_EQ(ValeurPixelFit(r, 0, 1), 3.5);
    // The result may be the first image, as the image window passes it.
    THistoFit dix = Uniforme(2, 2, 10);
    AdditionImagesFit({&dix, &q}, dix);
    EXPECT_EQ(dix.Pixels, std::vector<double>(4, 14.0));
    MoyenneImagesFit({&dix, &q}, dix);
    EXPECT_EQ(dix.Pixels, std::vector<double>(4, 9.0));
    MoyenneImagesFit({&q, &dix}, dix);
    EXPECT_EQ(dix.Pixels, std::vector<double>(4, 6.5));

    THistoFit a2 = ImageFitDe(2, 2, [](int x, int) { return 5.0 + x; });
    a2.Entete.insert(0, QStringLiteral("COMMENT a"));
    SoustractionImagesFit(a2, a2, r);
    EXPECT_EQ(std::tuple(ValeurPixelFit(r, 1, 0), r.Min, r.Max), std::tuple(0, 0.0, 6.0));
    EXPECT_EQ(r.Entete, a2.Entete);
    const THistoFit petite = Uniforme(1, 2, 1);
    EXPECT_THROW(SoustractionImagesFit(a2, petite, r), EStelor);
    EXPECT_THROW(AdditionImagesFit({&a2, &petite}, r), EStelor);

    THistoFit im = ImageFitDe(2, 1, [](int x, int) { return x ? 65500.0 : 50.0; });
    AjouterConstanteFit(im, -100);
    EXPECT_EQ(im.Pixels, (std::vector<double>{0, 65400}));
    SoustraireConstanteFit(im, -200);
    EXPECT_EQ(im.Pixels, (std::vector<double>{200, 65535}));
    AjouterConstanteFit(im, std::nan(""));
    EXPECT_EQ(im.Pixels, (std::vector<double>{200, 65535}));
    THistoFit n = ImageFitDe(2, 1, [](int x, int) { return x ? 1500.0 : 500.0; });
    AjusterNiveauFit(n, 1500.5);
    EXPECT_EQ(n.Pixels, (std::vector<double>{1000.5, 2000.5}));
}

TEST(ArithmetiqueBmp, NiveauArrondiAuPair)
{
    // Mean 100.5: level 102 adds round(1.5) = 2, level 101 adds round(0.5) = 0.
    for (const auto& [niveau, ajout] : {std::pair(102.0, 2), std::pair(101.0, 0)}) {
        THistoBmp p = Picture(2, 1, false, [](int x, int, int) { return x ? 200 : 1; });
        AjusterNiveauBmp(p, niveau);
        EXPECT_EQ(std::pair(Octet(p, 0, 0), Octet(p, 1, 0)), std::pair(uchar(1 + ajout), uchar(200 + ajout)));
    }
    THistoBmp s = Picture(1, 2, true, [](int, int y, int k) { return y ? 255 : k; }); // mean 128
    AjusterNiveauBmp(s, 131);
    EXPECT_EQ(std::tuple(Octet(s, 0, 0, 0), Octet(s, 0, 0, 2), Octet(s, 0, 1, 1)), std::tuple(3, 5, 255));
    EXPECT_EQ(s.Min, 0); // not recomputed
    AjouterConstanteBmp(s, INT_MAX);
    EXPECT_EQ(Octet(s, 0, 0, 0), 255);
    AjouterConstanteBmp(s, INT_MIN);
    EXPECT_EQ(Octet(s, 0, 1, 2), 0);
}

// ---- Translations ----

TEST(TranslationFit, PartiesEntiereEtFractionnaire)
{
    // One row (x) or one column (y); new[i] = old[i - d].
    struct TCas {
        bool y;
        std::vector<double> avant;
        double d;
        bool fract;
        std::vector<double> apres;
    };
    const double nan = std::nan("");
    const TCas cas[] = {
        {false, {10, 20, 30, 40}, 2.0, true, {0, 0, 10, 20}},
        {false, {10, 20, 30, 40}, 0.25, false, {10, 20, 30, 40}},
        // -1, then -0.3: new[i] = 0.7 old[i] + 0.3 old[i + 1].
        {false, {10, 20, 30, 40}, -1.3, true, {0.7 * 20 + 0.3 * 30, 0.7 * 30 + 0.3 * 40, 0.7 * 40, 0}},
        {false, {100, 100, 100}, 0.5, true, {50, 100, 100}},
        {false, {100, 100, 100}, -0.5, true, {100, 100, 50}},
        {true, {1, 1}, 0.5, true, {0.5, 1}},
        {true, {1, 2, 3}, -1, true, {2, 3, 0}},
        {true, {9, 9, 9}, 3, true, {0, 0, 0}},
        {false, {9, 9, 9}, -7, true, {0, 0, 0}},
        {false, {9, 9}, 1e300, true, {0, 0}},
        {true, {9, 9}, -1e18, true, {0, 0}},
        {false, {9, 9}, nan, true, {9, 9}},
        {true, {9, 9}, -HUGE_VAL, true, {9, 9}},
    };
    for (const TCas& c : cas) {
        const int n = static_cast<int>(c.avant.size());
        THistoFit im = ImageFitDe(c.y ? 1 : n, c.y ? n : 1, [&](int x, int y) { return c.avant[x + y]; });
        c.y ? TranslationYFit(im, c.d, c.fract) : TranslationXFit(im, c.d, c.fract);
        ASSERT_EQ(im.Pixels.size(), c.apres.size());
        for (int i = 0; i < n; ++i) EXPECT_NEAR(im.Pixels[i], c.apres[i], 1e-9) << c.d << " at " << i;
        EXPECT_EQ(im.Min, *std::min_element(c.apres.begin(), c.apres.end())) << c.d;
    }
    // Both writes widen the extremes: 200, 100 by +0.5 passes through 50.
    THistoFit im = ImageFitDe(2, 1, [](int x, int) { return x ? 100.0 : 200.0; });
    TranslationXFit(im, 0.5, true);
    EXPECT_EQ(im.Pixels, (std::vector<double>{100, 150}));
    EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(50.0, 200.0));
    // The whole steps alone accept any amount.
    DecalerXFit(im, LLONG_MIN);
    DecalerYFit(im, LLONG_MAX);
    EXPECT_EQ(im.Pixels, (std::vector<double>{0, 0}));
}

TEST(TranslationBmp, OctetsArrondisAChaqueEcriture)
{
    THistoBmp p = Picture(2, 1, false, [](int, int, int) { return 1; });
    TranslationXBmp(p, 0.5, true);
    EXPECT_EQ(std::tuple(Octet(p, 0, 0), Octet(p, 1, 0), p.Max), std::tuple(0, 0, 0));

    // 24-bit, down by 1.5: row 0 black, then each channel on its own.
    THistoBmp c = Picture(1, 3, true, [](int, int y, int k) { return 10 * (y + 1) * (k + 1); });
    TranslationYBmp(c, 1.5, true);
    EXPECT_EQ(Octet(c, 0, 0, 2), 0);
    EXPECT_EQ(Octet(c, 0, 1, 0), 5);  // round(0.5 * 10)
    EXPECT_EQ(Octet(c, 0, 2, 0), 15); // round(0.5 * 10 + 0.5 * 20)
    EXPECT_EQ(std::tuple(Octet(c, 0, 2, 2), c.Max), std::tuple(uchar(45), 45.0));
    DecalerYBitmap(c.BitmapSource, LLONG_MIN);
    DecalerXBitmap(c.BitmapSource, LLONG_MIN);
    EXPECT_EQ(Octet(c, 0, 0, 2), 0);

    QImage autre(2, 2, QImage::Format_ARGB32);
    autre.fill(0xFF102030);
    const QImage copie = autre.copy();
    TranslationXBitmap(autre, 1, true);
    EXPECT_EQ(autre, copie);
}

// ---- Mirrors and rotations ----

TEST(RotationsFit, QuartsDeTourEtMiroirs)
{
    THistoFit im = ImageFitDe(3, 2, [](int x, int y) { return 1.0 + x + 10.0 * y; });
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

    Rotation90Fit(im);
    ASSERT_EQ(std::tuple(LargeurFit(im), HauteurFit(im), LireNaxis1Fit(im), LireNaxis2Fit(im)), std::tuple(2, 3, 2, 3));
    // The old top-left, then the old bottom-left.
    EXPECT_EQ(std::pair(ValeurPixelFit(im, 1, 0), ValeurPixelFit(im, 0, 0)), std::pair(1.0, 11.0));
    Rotation270Fit(im);
    EXPECT_EQ(std::tuple(LargeurFit(im), im.Pixels), std::tuple(3, avant));
}

TEST(RotationsFit, EnteteDesCommandesDUneImage)
{
    // What describes the image stays, NAXIS1/NAXIS2 follow the size, the
    // world coordinates go when the pixels move on their grid.
    const QStringList gardees = {"OBJECT  = 'M51'", "EQUINOX = 2000.0", "RADESYS = 'ICRS'", "HISTORY T60", "CTYPEA  = 'x'"};
    const QStringList coordonnees = {"CTYPE1  = 'RA---TAN'", "CRPIX2  = 1.5", "CD1_2   = 0.1", "PC2_1A  = 1", "CROTA2  = 0",
                                     "CUNIT1  = 'deg'", "LONPOLE = 180", "PV2_1   = 0", "A_ORDER = 2",
                                     // the older forms: matrix, plate solution, IRAF's grid
                                     "PC001002= 0.1", "CD002001= 0.1", "AMDX1   = 67.2", "AMDY13  = 0", "PPO3    = 177500",
                                     "PLTRAH  = 0", "PLTDECSN= '+'", "PLTSCALE= 67.2", "CNPIX1  = 12000",
                                     "XPIXELSZ= 25.28", "LTV1    = 10", "LTM1_1  = 1", "WAT0_001= 'system=image'",
                                     "PROJP1  = 0", "DP1     = 'EXTVER: 1'", "CPDIS1  = 'Lookup'"};
    const THistoFit autre = Uniforme(4, 3, 1);
    const std::tuple<const char*, std::function<void(THistoFit&)>, bool, int, int> cas[] = {
        {"miroir horizontal", MiroirHorizontalFit, true, 4, 3}, {"miroir vertical", MiroirVerticalFit, true, 4, 3},
        {"rotation 90", Rotation90Fit, true, 3, 4}, {"rotation 180", Rotation180Fit, true, 4, 3},
        {"rotation 270", Rotation270Fit, true, 3, 4},
        {"translation nulle", [](THistoFit& i) { TranslationXFit(i, 0, true); }, false, 4, 3},
        {"fraction sans le reglage", [](THistoFit& i) { TranslationYFit(i, 0.25, false); }, false, 4, 3},
        {"translation", [](THistoFit& i) { TranslationYFit(i, -1, false); }, true, 4, 3},
        {"fraction", [](THistoFit& i) { TranslationXFit(i, 0.5, true); }, true, 4, 3},
        {"decoupe", [](THistoFit& i) { ExtraireZoneFit(i, 1, 0, 0, 2); }, true, 2, 2},
        {"redimensionnement", [](THistoFit& i) { RedimensionnerFit(i, 2.5); }, true, 10, 8},
        {"constante", [](THistoFit& i) { AjouterConstanteFit(i, 1); }, false, 4, 3},
        {"addition", [&](THistoFit& i) { AdditionnerImageFit(i, autre); }, false, 4, 3},
        {"moyenne", [&](THistoFit& i) { MoyenneImagesFit({&i, &autre}, i); }, false, 4, 3},
        {"soustraction", [&](THistoFit& i) { SoustractionImagesFit(i, autre, i); }, false, 4, 3},
    };
    const auto texte = [](const QStringList& l) { return l.join(QLatin1Char('|')).simplified().toStdString(); };
    for (const auto& [nom, operation, deplacee, l, h] : cas) {
        THistoFit im = ImageFitDe(4, 3, [](int x, int y) { return 5.0 * x + y; });
        for (const QString& c : gardees + coordonnees)
            im.Entete.insert(im.Entete.size() - 1, c.leftJustified(80));
        QStringList attendu = im.Entete;
        attendu.removeIf([&, deplacee = deplacee](const QString& c) { return deplacee && coordonnees.contains(c.trimmed()); });
        attendu[3] = QStringLiteral("NAXIS1  = %1").arg(l, 20).leftJustified(80);
        attendu[4] = QStringLiteral("NAXIS2  = %1").arg(h, 20).leftJustified(80);
        operation(im);
        EXPECT_EQ(std::tuple(LargeurFit(im), HauteurFit(im), texte(im.Entete)), std::tuple(l, h, texte(attendu))) << nom;
    }
}

TEST(RotationsFit, AncienneSolutionDuCielNeSurvitPas)
{
    // A DSS plate solution, from which astropy builds a sky: after a turn, a
    // crop or a resize, saved, it builds none.
    QTemporaryDir dossier;
    THistoFit im = ImageFitDe(100, 100, [](int x, int y) { return double(x * 100 + y); });
    QStringList plaque = {"PLTRAH  = 0",       "PLTRAM  = 56",     "PLTRAS  = 47.0",   "PLTDECSN= '+'",
                          "PLTDECD = 12",      "PLTDECM = 4",      "PLTDECS = 29.0",   "EQUINOX = 2000.0",
                          "PLTSCALE= 67.2",    "XPIXELSZ= 25.28",  "YPIXELSZ= 25.28",  "CNPIX1  = 12000",
                          "CNPIX2  = 12000",   "PPO3    = 177500.0", "PPO6    = 177500.0", "AMDX1   = 67.2",
                          "AMDX2   = 0.01",    "AMDX3   = -100.0", "AMDY1   = 67.2",   "AMDY2   = -0.01",
                          "AMDY3   = 100.0"};
    for (int k = 1; k <= 20; ++k)
        for (const char* axe : {"X", "Y"})
            if (k > 3)
                plaque << QStringLiteral("AMD%1%2").arg(QLatin1String(axe)).arg(k).leftJustified(8) + "= 0.0";
    for (const char* ppo : {"PPO1", "PPO2", "PPO4", "PPO5"})
        plaque << QString::fromLatin1(ppo).leftJustified(8) + "= 0.0";
    for (const QString& c : plaque)
        im.Entete.insert(im.Entete.size() - 1, c.leftJustified(80));
    const std::pair<const char*, std::function<void(THistoFit&)>> cas[] = {
        {"original", [](THistoFit&) {}},
        {"rotation", Rotation90Fit},
        {"miroir", MiroirVerticalFit},
        {"decoupe", [](THistoFit& i) { ExtraireZoneFit(i, 10, 5, 20, 0); }},
        {"redimensionnement", [](THistoFit& i) { RedimensionnerFit(i, 0.5); }},
    };
    QStringList noms;
    for (const auto& [quoi, operation] : cas) {
        THistoFit copie = im;
        operation(copie);
        noms << dossier.filePath(QString::fromLatin1(quoi) + ".fit");
        EnregistrerFit(copie, noms.last());
    }
    EXPECT_EQ(Python(QStringLiteral("celestes"), noms), "1 0 0 0 0");
}

// ---- Centroid and disk ----

TEST(Centroide, PixelBrillantEtFenetre)
{
    const THistoFit im = ImageFitDe(100, 100, [](int x, int y) { return x == 10 && y == 20 ? 1000.0 : 0.0; });
    // Width (below 2: 5) -> left, top and side of the window (2 x half).
    for (const auto& [l, g, h, cote] : {std::tuple(5, 8, 18, 4), std::tuple(4, 8, 18, 4), std::tuple(6, 7, 17, 6),
                                        std::tuple(0, 8, 18, 4)}) {
        double x = -1, y = -1;
        ASSERT_TRUE(PositionEtoileFit(im, x, y, l));
        EXPECT_EQ(std::pair(x, y), std::pair(10.0, 20.0));
        THistoFit fenetre = im;
        int32_t gauche = -1, haut = -1;
        FenetreEtoileFit(fenetre, gauche, haut, l);
        EXPECT_EQ(std::tuple(gauche, haut, LargeurFit(fenetre), HauteurFit(fenetre)), std::tuple(g, h, cote, cote)) << l;
    }
    // A 2 x 2 block inside the window: its centre.
    double x = 0, y = 0;
    ASSERT_TRUE(PositionEtoileFit(ImageFitDe(20, 20, [](int x, int y) { return x / 2 == 5 && y / 2 == 5 ? 8.0 : 0.0; }),
                                  x, y, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(10.5, 10.5));
    // Brightest at the corner: window clipped to 2 x 2, mean 2, only the 5 counts.
    ASSERT_TRUE(PositionEtoileFit(ImageFitDe(10, 10, [](int x, int y) { return x + y == 0 ? 5.0 : 1.0; }), x, y, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(0.0, 0.0));
    x = y = -7;
    EXPECT_FALSE(PositionEtoileFit(Uniforme(10, 10, 0), x, y, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(-7.0, -7.0));
}

TEST(Centroide, PremierMaximumSelonLeSens)
{
    auto v = [](int x, int y) { return (x == 5 && y == 9) || (x == 7 && y == 3) ? 200 : 0; };
    double x = 0, y = 0;
    ASSERT_TRUE(PositionEtoileFit(ImageFitDe(20, 20, [&](int x, int y) { return double(v(x, y)); }), x, y, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(5.0, 9.0)); // lower column first
    ASSERT_TRUE(PositionEtoileBmp(Picture(20, 20, false, [&](int x, int y, int) { return v(x, y); }), x, y, clRouge, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(7.0, 3.0)); // upper row first
    // 24-bit: only the chosen plane counts (red is the third byte).
    const THistoBmp c =
        Picture(20, 20, true, [](int x, int y, int k) { return k == 2 && x == 4 && y == 6 ? 90 : k == 0 && x == 12 ? 250 : 0; });
    ASSERT_TRUE(PositionEtoileBmp(c, x, y, clRouge, 5));
    EXPECT_EQ(std::pair(x, y), std::pair(4.0, 6.0));
    EXPECT_FALSE(PositionEtoileBmp(c, x, y, 12345, 5));
}

TEST(Disque, PointsDeBordEtCentre)
{
    // Disk = the square 20..39 x 10..29 of a 100 x 100 image.
    const THistoFit im = ImageFitDe(100, 100, [](int x, int y) { return x >= 20 && x < 40 && y >= 10 && y < 30 ? 50.0 : 0.0; });
    QList<TPointBord> points;
    PointsBordDisqueFit(im, points, 50);
    // Columns and rows 0..98 and 99: 20 columns, then 20 rows, two points each.
    ASSERT_EQ(points.size(), 80);
    EXPECT_EQ(std::tuple(points[0].x, points[0].y, points[1].y), std::tuple(20, 10, 29));
    EXPECT_EQ(std::tuple(points[40].x, points[40].y, points[41].x), std::tuple(20, 10, 39));
    OrdonnerPointsContour(points);
    double x = 0, y = 0;
    ASSERT_TRUE(CentreContour(points, x, y));
    EXPECT_TRUE(std::fabs(x - 29.5) < 1e-9 && std::fabs(y - 19.5) < 1e-9) << x << " " << y; // the square's own centre

    // 24-bit, 50 wide: column 0 scanned 99 times and the single row 100
    // times, two points each, in the chosen plane only.
    const THistoBmp b = Picture(50, 1, true, [](int x, int, int k) { return x == 0 && k == 1 ? 1 : 0; });
    QList<TPointBord> vert, rouge;
    PointsBordDisqueBmp(b, vert, clVert, 1);
    PointsBordDisqueBmp(b, rouge, clRouge, 1);
    EXPECT_EQ(std::pair(vert.size(), rouge.size()), std::pair(qsizetype(99 * 2 + 100 * 2), qsizetype(0)));
}

TEST(Disque, OrdreEtCentreDuContour)
{
    QList<TPointBord> l{{0, 0}, {10, 0}, {1, 0}, {9, 0}};
    OrdonnerPointsContour(l);
    EXPECT_EQ(std::tuple(l[1].x, l[2].x, l[3].x), std::tuple(1, 9, 10));

    double x = -1, y = -1;
    // A square either way round; the triangle (0,0), (6,0), (0,3) has its centroid at (2, 1).
    for (const auto& [contour, cx, cy] : {std::tuple(QList<TPointBord>{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 5.0, 5.0),
                                          std::tuple(QList<TPointBord>{{0, 10}, {10, 10}, {10, 0}, {0, 0}}, 5.0, 5.0),
                                          std::tuple(QList<TPointBord>{{0, 0}, {6, 0}, {0, 3}}, 2.0, 1.0)}) {
        ASSERT_TRUE(CentreContour(contour, x, y));
        EXPECT_DOUBLE_EQ(x, cx);
        EXPECT_DOUBLE_EQ(y, cy);
    }
    x = y = -1;
    EXPECT_FALSE(CentreContour({{0, 0}, {10, 0}}, x, y));
    EXPECT_FALSE(CentreContour({{0, 0}, {5, 5}, {10, 10}, {3, 3}}, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(-1.0, -1.0));
}

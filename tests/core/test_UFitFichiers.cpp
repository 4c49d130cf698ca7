// FITS files and header cards, with cfitsio and fitsverify as peers.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UFit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/resource.h>

#ifdef STELOR_AVEC_CFITSIO
#include <fitsio.h>
#endif

namespace {

QString Carte(const QString& texte) { return texte.leftJustified(80, QLatin1Char(' '), true); }

// Keyword, "=", value right-aligned to column 30.
QString C(const QString& motCle, const QString& valeur) { return motCle.leftJustified(8) + "=" + valeur.rightJustified(21); }

QStringList Base(int l, int h)
{
    return {C("SIMPLE", "T"), C("BITPIX", "16"), C("NAXIS", "2"), C("NAXIS1", QString::number(l)),
            C("NAXIS2", QString::number(h))};
}

// A FITS file from its cards ("END" added) and its raw samples in file order.
QByteArray Fichier(QStringList cartes, const std::vector<uint16_t>& bruts, bool completer = true)
{
    QByteArray d;
    for (const QString& c : cartes << "END")
        d += Carte(c).toLatin1();
    d += QByteArray((2880 - d.size() % 2880) % 2880, ' ');
    for (uint16_t b : bruts)
        d.append(char(b >> 8)).append(char(b & 0xFF));
    if (completer)
        d += QByteArray((2880 - d.size() % 2880) % 2880, '\0');
    return d;
}

// The samples as cfitsio reads them into doubles, top row first and column by
// column as our pixels; empty without cfitsio.
std::vector<double> LireCfitsio(const QString& nom)
{
    std::vector<double> r;
#ifdef STELOR_AVEC_CFITSIO
    fitsfile* f = nullptr;
    int status = 0, anynul = 0;
    long n[2] = {0, 0};
    double nul = 0;
    fits_open_file(&f, QFile::encodeName(nom).constData(), READONLY, &status);
    fits_get_img_size(f, 2, n, &status);
    std::vector<double> v(static_cast<size_t>(n[0] * n[1]));
    fits_read_img(f, TDOUBLE, 1, n[0] * n[1], &nul, v.data(), &anynul, &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0) << nom.toStdString();
    for (long x = 0; x < n[0]; ++x)
        for (long y = 0; y < n[1]; ++y)
            r.push_back(v[static_cast<size_t>((n[1] - 1 - y) * n[0] + x)]);
#else
    (void)nom;
#endif
    return r;
}

// Saves, then checks the file with the peers: fitsverify finds no error (the
// warnings a file brought with its own cards may stay) and
// cfitsio reads each pixel rounded and clamped to 0..65535.
void Enregistrer(THistoFit& im, const QString& nom)
{
    EnregistrerFit(im, nom);
    QString s;
    const int rc = LancerProgramme("/usr/bin/fitsverify", {"-q", nom}, &s);
    EXPECT_TRUE(rc >= 0 && (s.contains("verification OK") || s.contains(" and 0 errors"))) << s.toStdString();
    EXPECT_EQ(QFileInfo(nom).size() % 2880, 0);
    const std::vector<double> lu = LireCfitsio(nom);
    if (lu.empty())
        return;
    ASSERT_EQ(lu.size(), im.Pixels.size());
    for (size_t i = 0; i < lu.size(); ++i)
        ASSERT_EQ(lu[i], std::clamp(std::nearbyint(im.Pixels[i]), 0.0, 65535.0)) << nom.toStdString() << " " << i;
}

const char* const kReels[] = {"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits",
                              "scale_bscale_bzero_i16.fits"};

// A temporary folder, a file name in it and one for a copy.
class DossierFit : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString nom = dir.filePath("f.fit"), copie = dir.filePath("f2.fit");
};
using LectureFit = DossierFit;
using EcritureFit = DossierFit;
using PairsFit = DossierFit;

} // namespace

TEST(CartesFit, RoutinesEtEntetes)
{
    const QString naxis1 = "NAXIS1  =                  440 / length";
    EXPECT_EQ(MotCleCarte(naxis1), "NAXIS1");
    EXPECT_EQ(MotCleCarte("  COMMENT sans egal  "), "COMMENT sans egal");
    EXPECT_EQ(ValeurCarte(naxis1), "440 / length");
    EXPECT_EQ(ValeurCarte("HISTORY rien"), "");
    EXPECT_EQ(ValeurCarteSansCommentaire(naxis1), "440");
    EXPECT_EQ(NormaliserCarte("NAXIS = 2"), Carte("NAXIS   = 2"));
    EXPECT_EQ(NormaliserCarte("=x"), Carte("=x"));
    EXPECT_EQ(NormaliserCarte("LONGKEYWORD= 5"), "LONGKEYWORD= 5" + QString(80 - 9 - 5, ' '));

    QStringList e;
    CreerEnteteFit(768, 512, 16, -5, 65535, -11.001, e);
    QStringList attendu = Base(768, 512) << C("STL_SMIN", "-5") << C("STL_SMAX", "65535") << C("STL_TRFT", "-11.001")
                                         << "END";
    std::transform(attendu.begin(), attendu.end(), attendu.begin(), Carte);
    EXPECT_EQ(e, attendu);

    THistoFit im;
    InitialiserImageFit(im, 3, 4, 0);
    FixerDimensionsEnteteFit(im, 12, 345);
    EXPECT_EQ(im.Entete[3], Carte("NAXIS1  =                   12"));
    EXPECT_EQ(im.Entete[4], Carte("NAXIS2  =                  345"));
    AjouterBZeroFit(im, 32768); // after NAXIS2
    EXPECT_EQ(im.Entete[5], Carte("BZERO   =                32768"));
    SupprimerBZeroFit(im);
    SupprimerBZeroFit(im); // none: nothing happens
    EXPECT_EQ(im.Entete.size(), 9);
    im.Entete = {C("SIMPLE", "T"), "END"};
    AjouterBZeroFit(im, 10); // no NAXIS2: before the last card
    EXPECT_EQ(im.Entete.mid(1), QStringList({Carte("BZERO   =                   10"), "END"}));
}

TEST(CartesFit, LecteursDeValeurs)
{
    // One card, then the value each reader takes from it.
    const struct {
        QString carte;
        double naxis1, bzero, bscale, smin, trft;
    } cas[] = {
        {"", 0, 0, 1, 0, 0}, // defaults
        {C("NAXIS1", "440 / l"), 440, 0, 1, 0, 0},
        {C("NAXIS1", "-5"), 0, 0, 1, 0, 0},         // digits only
        {C("NAXIS1", "4294967296"), 0, 0, 1, 0, 0}, // beyond 32 bits
        {C("NAXIS1", "2147483647"), 2147483647, 0, 1, 0, 0},
        {C("BZERO", "32768 / offset"), 0, 32768, 1, 0, 0},
        {C("BZERO", "3.2768E4"), 0, 32768, 1, 0, 0},
        {C("BZERO", "3.2768D+04"), 0, 32768, 1, 0, 0},
        {C("BZERO", "1E400"), 0, 0, 1, 0, 0},
        {C("BSCALE", "1.0 / scale"), 0, 0, 1, 0, 0},
        {C("BSCALE", "0.045777764213996"), 0, 0, 0.045777764213996, 0, 0},
        {C("BSCALE", "-1500."), 0, 0, -1500, 0, 0},
        {C("BSCALE", "1.0E"), 0, 0, 1, 0, 0},
        {C("BSCALE", "'un'"), 0, 0, 1, 0, 0},
        {C("BSCALE", "12-3"), 0, 0, 1, 0, 0},
        {C("STL_SMIN", "-5000000"), 0, 0, 1, -5000000, 0},
        {C("STL_SMIN", "12,5"), 0, 0, 1, 0, 0},
        {C("STL_SMIN", "99999999999"), 0, 0, 1, 0, 0},
        {C("STL_SMIN", "100 / comment"), 0, 0, 1, 0, 0}, // the comment is part of the value
        {C("STL_TRFT", "3.5"), 0, 0, 1, 0, 3.5},
        {C("STL_TRFT", "3,5"), 0, 0, 1, 0, 3.5},
        {C("STL_TRFT", "-11.001"), 0, 0, 1, 0, -11.001},
        {C("STL_TRFT", "2"), 0, 0, 1, 0, 2},
        {C("STL_TRFT", "3.7"), 0, 0, 1, 0, 0}, // off the ladder
        {C("STL_TRFT", "abc"), 0, 0, 1, 0, 0},
    };
    for (const auto& k : cas) {
        const QStringList e = {k.carte, QString(k.carte).replace("SMIN", "SMAX")};
        EXPECT_EQ(LireNaxis1Fit(e), k.naxis1) << k.carte.toStdString();
        EXPECT_EQ(LireBZeroFit(e), k.bzero) << k.carte.toStdString();
        EXPECT_EQ(LireBScaleFit(e), k.bscale) << k.carte.toStdString();
        EXPECT_EQ(LireSMinEnteteFit(e), k.smin) << k.carte.toStdString();
        EXPECT_EQ(LireSMaxEnteteFit(e), k.smin) << k.carte.toStdString();
        EXPECT_EQ(LireTransfertEnteteFit(e), k.trft) << k.carte.toStdString();
    }
    EXPECT_EQ(LireNaxis2Fit(Base(10, 20) << C("NAXIS2", "30")), 30); // the last card wins
    EXPECT_EQ(TexteReelCourt(-21.001) + TexteReelCourt(0) + TexteReelCourt(3.5), "-21.00103.5");
}

TEST_F(LectureFit, DecalageDesDonneesSelonLeNombreDeCartes)
{
    for (int cartes : {9, 36, 37, 72, 73, 108, 109}) {
        QStringList e = Base(3, 2);
        while (e.size() < cartes - 1)
            e << QString("HISTORY carte %1").arg(e.size());
        EcrireFichierSur(nom, Fichier(e, {1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(CompterCartesFit(nom), cartes);
        // File row 0 is the bottom row.
        EXPECT_EQ(FitLu(nom).Pixels, std::vector<double>({4, 1, 5, 2, 6, 3})) << cartes;
    }
}

TEST_F(LectureFit, DecodageBZeroEtBScale)
{
    const struct {
        QStringList cartes;
        std::vector<uint16_t> bruts;
        std::vector<double> attendu;
    } cas[] = {
        {{C("BZERO", "32768")}, {0x8000, 0x7FFF, 0}, {0, 65535, 32768}},
        {{"BZERO   =  3.2768E4"}, {0x8000, 0x8005, 0x8000}, {0, 5, 0}}, // the reader reads as the value readers
        {{}, {0xFFFF, 0x8000, 7}, {65535, 32768, 7}},                   // BZERO 0: 0..65535, kept
        {{C("BSCALE", "-1")}, {100, 50, 0}, {0, 50, 100}},              // minimum -100 shifted to 0
        // Another BZERO: signed samples x BSCALE + BZERO (1500, 2500, 1499.5,
        // -14884), then shifted by the minimum.
        {{C("BZERO", "1500.0"), C("BSCALE", "0.5")}, {0, 2000, 0xFFFF}, {1500, 2500, 1499.5}},
        {{C("BZERO", "1500.0"), C("BSCALE", "0.5")}, {0, 2000, 0x8000}, {16384, 17384, 0}},
    };
    for (const auto& k : cas) {
        EcrireFichierSur(nom, Fichier(Base(3, 1) + k.cartes, k.bruts));
        const THistoFit im = FitLu(nom);
        EXPECT_EQ(im.Pixels, k.attendu) << k.cartes.join('|').toStdString();
        EXPECT_EQ(im.Min, *std::min_element(k.attendu.begin(), k.attendu.end()));
        EXPECT_EQ(im.Max, *std::max_element(k.attendu.begin(), k.attendu.end()));
    }
}

TEST_F(LectureFit, CompletionDeLEnteteEtNiveaux)
{
    EcrireFichierSur(nom, Fichier(Base(4, 1) << "COMMENT rien", {840, 840, 840, 12}));
    THistoFit im = FitLu(nom);
    const QStringList ajout = {"STL_SMIN=                  420", "STL_SMAX=                 1680",
                               "STL_TRFT=                    0", "RELEASE ='Stelor 2.0 Avril 2008'", Carte("END")};
    EXPECT_EQ(im.Entete.mid(5, 1), QStringList{Carte("COMMENT rien")});
    EXPECT_EQ(im.Entete.mid(6), ajout);
    EXPECT_TRUE(im.SMin == 420 && im.SMax == 1680 && im.TRFT == 0);

    const QStringList complet = Base(4, 1) << C("STL_SMIN", "100") << C("STL_SMAX", "-3") << C("STL_TRFT", "-11,001")
                                           << "RELEASE ='autre'";
    EcrireFichierSur(nom, Fichier(complet, {840, 840, 840, 12}));
    im.Zoom = 50;
    LireFichierFit(im, nom);
    QStringList attendu;
    for (const QString& c : complet + QStringList{"END"})
        attendu << Carte(c);
    EXPECT_EQ(im.Entete, attendu); // unchanged: the file's 80-character cards
    EXPECT_TRUE(im.SMin == 100 && im.SMax == -3 && im.TRFT == -11.001 && im.Zoom == 50);
}

TEST_F(LectureFit, AutresBitpixNaxis3EtDonneesNonCompletees)
{
    const QStringList e = {C("SIMPLE", "T"), C("BITPIX", "8"),  C("NAXIS", "3"),
                           C("NAXIS1", "2"), C("NAXIS2", "2"), C("NAXIS3", "3")};
    std::vector<uint16_t> d(12);
    std::iota(d.begin(), d.end(), 100);
    EcrireFichierSur(nom, Fichier(e, d, false));
    ASSERT_EQ(QFileInfo(nom).size(), 2880 + 24);
    THistoFit im = FitLu(nom);
    EXPECT_EQ(im.Pixels, std::vector<double>({102, 100, 103, 101}));
    // Saved, it is a standard 16-bit 2-axis file.
    Enregistrer(im, dir.filePath("b2.fit"));
    EXPECT_EQ(im.Entete.mid(1, 2), QStringList({Carte(C("BITPIX", "16")), Carte(C("NAXIS", "2"))}));
    EXPECT_TRUE(im.Entete.filter("NAXIS3").isEmpty());
    EXPECT_EQ(FitLu(dir.filePath("b2.fit")).Pixels, im.Pixels);
}

TEST_F(LectureFit, FichiersMalFormesRefusesSansToucherLImage)
{
    const QString bon = dir.filePath("bon.fit"), mauvais = dir.filePath("mauvais.fit");
    EcrireFichierSur(bon, Fichier(Base(2, 2), {1, 2, 3, 4}));
    THistoFit im = FitLu(bon);
    im.SMin = 77;
    const THistoFit avant = im;
    const auto avec = [](const QString& l, const QString& h) {
        QStringList e = Base(1, 1);
        e[3] = C("NAXIS1", l);
        e[4] = C("NAXIS2", h);
        return e.filter(QRegularExpression("=\\s+\\S")); // a blank value drops the card
    };
    const std::pair<const char*, QByteArray> cas[] = {
        {"sans END", Fichier(avec("2", "2"), {1, 2, 3, 4}).replace("END ", "    ")},
        {"vide", QByteArray()},
        {"court", QByteArray("SIMPLE  =")},
        {"sans NAXIS1", Fichier(avec("", "2"), {1, 2, 3, 4})},
        {"sans NAXIS2", Fichier(avec("2", ""), {1, 2, 3, 4})},
        {"NAXIS1 nul", Fichier(avec("0", "2"), {1, 2, 3, 4})},
        {"NAXIS2 negatif", Fichier(avec("2", "-2"), {1, 2, 3, 4})},
        {"NAXIS1 sur 33 bits", Fichier(avec("4294967298", "1"), {1, 2, 3, 4})},
        {"donnees courtes", Fichier(avec("2", "3"), {1, 2, 3, 4}, false)},
        {"taille absurde", Fichier(avec("2147483647", "2147483647"), {1, 2, 3, 4})},
        {"un octet de trop", Fichier(avec("1441", "1"), std::vector<uint16_t>(1440, 9), false)},
        {"BSCALE hors limites", Fichier(avec("2", "2") << C("BZERO", "1") << C("BSCALE", "1E308"), {1, 2, 3, 4})},
    };
    for (const auto& [quoi, contenu] : cas) {
        EcrireFichierSur(mauvais, contenu);
        try {
            LireFichierFit(im, mauvais);
            ADD_FAILURE() << quoi;
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), ES_LectureApresFin) << quoi;
            EXPECT_TRUE(e.Message().startsWith("Lecture au-delà de la fin de fichier") && e.Message().contains("mauvais"))
                << quoi;
        }
        EXPECT_TRUE(im.Pixels == avant.Pixels && im.Entete == avant.Entete && im.XMax == avant.XMax &&
                    im.Max == avant.Max && im.SMin == 77)
            << quoi;
        int32_t l = 5, h = 6;
        EXPECT_THROW(DimensionsFichierFit(mauvais, l, h), EErreurFichier) << quoi;
    }
    try {
        LireFichierFit(im, dir.filePath("absent.fit"));
        ADD_FAILURE();
    } catch (const EErreurFichier& e) {
        EXPECT_EQ(e.Message(), "Fichier introuvable");
    }
    // A device that reads on forever stops at its size (0): no END card.
    EXPECT_THROW(LireFichierFit(im, "/dev/zero"), EErreurFichier);
    EXPECT_EQ(im.Pixels, avant.Pixels);
}

TEST_F(LectureFit, DimensionsSeuilsEtListes)
{
    const QString a = dir.filePath("a.fit"), b = dir.filePath("b.fit"), c = dir.filePath("c.fit");
    const QString absent = dir.filePath("absent.fit"), bmp8 = CheminDonnees("hubble_deep_field_8.bmp");
    EcrireFichierSur(a, Fichier(Base(3, 2), {1, 2, 3, 4, 5, 6}));
    EcrireFichierSur(b, Fichier(Base(3, 2) << C("STL_SMIN", "10") << C("STL_SMAX", "20"), {1, 2, 3, 4, 5, 6}));
    EcrireFichierSur(c, Fichier(Base(2, 3), {1, 2, 3, 4, 5, 6}));
    int32_t l = -1, h = -1;
    DimensionsFichierImage(dir.filePath("x.txt"), l, h);
    EXPECT_EQ(std::pair(l, h), std::pair(-1, -1)); // another kind leaves both
    DimensionsFichierImage(c, l, h);
    EXPECT_EQ(std::pair(l, h), std::pair(2, 3));
    DimensionsFichierImage(bmp8, l, h);
    EXPECT_EQ(std::pair(l, h), std::pair(1000, 872));
    SeuilsFichierFit(b, l, h);
    EXPECT_EQ(std::pair(l, h), std::pair(10, 20));

    QStringList textes;
    EXPECT_TRUE(ControlerTaillesListe({a, absent, b}, [&](const QString& t) { textes << t; }, "Contrôle"));
    EXPECT_EQ(textes, QStringList({"Contrôle (2)", "Contrôle (1)", "Contrôle (0)", ""}));
    EXPECT_FALSE(ControlerTaillesListe({a, c, b}, nullptr, "x")); // every file is still visited
    EXPECT_TRUE(ControlerTaillesListe({absent, b}, nullptr, "x"));
    EXPECT_TRUE(ControlerTaillesListe({bmp8, CheminDonnees("hubble_deep_field_24.bmp")}, nullptr, "x"));
}

TEST_F(EcritureFit, DispositionEtRegleBZero)
{
    THistoFit im;
    CreerImageFitRemplie(im, 3, 2, 0);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y)
            FixerPixelFit(im, x, y, 100 * x + 10 * y + 0.5);
    im.SMin = 5, im.SMax = 300, im.TRFT = 3.5;
    Enregistrer(im, nom);
    QByteArray d = LireFichierComplet(nom);
    ASSERT_EQ(d.size(), 2 * 2880); // 36 records, then the data padded with zeros
    const QStringList cartes = {"SIMPLE  =                    T", "STL_SMIN=                    5",
                                "STL_SMAX=                  300", "STL_TRFT=                  3.5", "END"};
    EXPECT_EQ(d.left(80), Carte(cartes[0]).toLatin1());
    EXPECT_EQ(d.mid(5 * 80, 4 * 80), (Carte(cartes[1]) + Carte(cartes[2]) + Carte(cartes[3]) + Carte("END")).toLatin1());
    EXPECT_EQ(d.mid(9 * 80, 2880 - 9 * 80), QByteArray(2880 - 9 * 80, ' '));
    // Bottom row first; 0.5 rounds to 0, 10.5 to 10.
    EXPECT_EQ(d.mid(2880), QByteArray("\0\12\0\156\0\322\0\0\0\144\0\310", 12) + QByteArray(2880 - 12, '\0'));
    EXPECT_EQ(im.Entete[5], Carte(cartes[1]));

    // A maximum of 32768 or more inserts BZERO after NAXIS2, in memory too ...
    FixerPixelFit(im, 1, 1, 40000);
    Enregistrer(im, nom);
    d = LireFichierComplet(nom);
    EXPECT_EQ(im.Entete[5], Carte("BZERO   =                32768"));
    EXPECT_EQ(d.mid(5 * 80, 80), Carte("BZERO   =                32768").toLatin1());
    EXPECT_EQ(d.mid(2880, 4), QByteArray("\x80\x0a\x1c\x40", 4)); // 10 - 32768 and 40000 - 32768, signed
    EXPECT_EQ(FitLu(nom).Pixel(1, 1), 40000);
    // ... and once it falls below, BZERO goes.
    im.Max = 32767;
    im.Pixel(1, 1) = 32767;
    Enregistrer(im, nom);
    EXPECT_EQ(LireBZeroFit(im), 0);
    EXPECT_TRUE(im.Entete.filter("BZERO").isEmpty());
    EXPECT_EQ(FitLu(nom).Pixel(1, 1), 32767);

    // A header of exactly 36 cards gets no blank card; 37 take two blocks.
    while (im.Entete.size() < 36)
        im.Entete.insert(im.Entete.size() - 1, QString("HISTORY %1").arg(im.Entete.size()));
    Enregistrer(im, nom);
    EXPECT_EQ(LireFichierComplet(nom).mid(35 * 80, 80), Carte("END").toLatin1());
    EXPECT_EQ(LireFichierComplet(nom).size(), 2 * 2880);
    im.Entete.insert(35, "HISTORY encore une");
    Enregistrer(im, nom);
    EXPECT_EQ(LireFichierComplet(nom).size(), 3 * 2880);
    EXPECT_EQ(CompterCartesFit(nom), 37);
}

TEST_F(EcritureFit, AllerRetourQuelsQueSoientBZeroEtBScaleLus)
{
    // Read with BZERO 32768 and BSCALE 2: values above 65535 are clamped.
    EcrireFichierSur(nom, Fichier(Base(4, 1) << C("BZERO", "32768") << C("BSCALE", "2"), {0, 1, 0x4000, 0x7FFF}));
    THistoFit im = FitLu(nom);
    EXPECT_EQ(im.Pixels, std::vector<double>({32768, 32770, 65536, 98302}));
    Enregistrer(im, copie);
    EXPECT_EQ(LireBScaleFit(im), 1);
    EXPECT_EQ(LireBZeroFit(im), 32768);
    EXPECT_EQ(FitLu(copie).Pixels, std::vector<double>({32768, 32770, 65535, 65535}));
    // Raw samples are clamped to 0..65535, halves to even; accents and tabs
    // in cards, an "END" in the wrong place and a BSCALE that is not a number
    // never make a file fitsverify refuses.
    im.Pixels = {-5, 1e12, 65535.4, 2.5};
    im.Entete.insert(5, "COMMENT Décalage appliqué\tà l'image");
    im.Entete.insert(1, "END");
    im.Entete.insert(6, C("BSCALE", "'un'"));
    im.TRFT = -21.001;
    Enregistrer(im, copie);
    EXPECT_EQ(FitLu(copie).Pixels, std::vector<double>({0, 65535, 65535, 2}));

    // Wide enough for the data to be read in three bands of rows, the last one
    // short, with columns beyond the last block of 8; read into a new image and
    // again into one of the same size.
    THistoFit large;
    CreerImageFitRemplie(large, 131075, 21, 0);
    for (size_t i = 0; i < large.Pixels.size(); ++i)
        large.Pixels[i] = static_cast<double>(i * 40503 % 65536);
    large.Max = 65535;
    EnregistrerFit(large, copie);
    THistoFit relu = FitLu(copie);
    EXPECT_TRUE(relu.Pixels == large.Pixels);
    relu.Pixels.assign(relu.Pixels.size(), -1);
    LireFichierFit(relu, copie);
    EXPECT_TRUE(relu.Pixels == large.Pixels);

    // A file with BZERO 32768 and BSCALE 1 and the program cards is written
    // back byte for byte.
    const QByteArray original = Fichier(Base(8, 4) << C("BSCALE", "1") << C("BZERO", "32768") << C("STL_SMIN", "0")
                                                   << C("STL_SMAX", "65535") << C("STL_TRFT", "0")
                                                   << "RELEASE ='Stelor 2.0 Avril 2008'",
                                        {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF, 3, 4, 5, 6, 7, 8,
                                         9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26});
    EcrireFichierSur(nom, original);
    im = FitLu(nom);
    Enregistrer(im, copie);
    EXPECT_EQ(LireFichierComplet(copie), original);
}

TEST_F(EcritureFit, UnEnregistrementRateLaisseLAncienFichier)
{
    THistoFit petit, grand, vide;
    CreerImageFitRemplie(petit, 2, 2, 5);
    EnregistrerFit(petit, nom);
    const QByteArray avant = LireFichierComplet(nom);
    CreerImageFitRemplie(grand, 300, 300, 1234);
    // The file size limit makes the write fail half way.
    const auto ancien = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &lim), 0);
    rlimit petite = lim;
    petite.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &petite), 0);
    bool leve = false;
    try {
        EnregistrerFit(grand, nom);
    } catch (const EErreurFichier&) {
        leve = true;
    }
    setrlimit(RLIMIT_FSIZE, &lim);
    std::signal(SIGXFSZ, ancien);
    EXPECT_TRUE(leve);
    EXPECT_EQ(LireFichierComplet(nom), avant);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.fit"}); // no temporary left
    EXPECT_THROW(EnregistrerFit(petit, dir.filePath("absent/x.fit")), EErreurFichier);
    EXPECT_THROW(EnregistrerFit(vide, nom), EStelor);
    EXPECT_EQ(LireFichierComplet(nom), avant);
}

#ifdef STELOR_AVEC_CFITSIO
TEST_F(PairsFit, FichiersNonSignesEcritsParCfitsio)
{
    for (int cartes : {36, 37, 73, 80}) {
        fitsfile* f = nullptr;
        int status = 0, nkeys = 0, more = 0;
        long naxes[2] = {29, 13};
        fits_create_file(&f, ("!" + QFile::encodeName(nom)).constData(), &status);
        fits_create_img(f, USHORT_IMG, 2, naxes, &status);
        fits_get_hdrspace(f, &nkeys, &more, &status);
        for (int k = nkeys; k < cartes - 1; ++k)
            fits_write_history(f, "carte", &status);
        std::vector<unsigned short> d(29 * 13);
        for (size_t i = 0; i < d.size(); ++i)
            d[i] = i < 2 ? 65535 * i : static_cast<unsigned short>(i * 2654435761u >> 16);
        fits_write_img(f, TUSHORT, 1, static_cast<LONGLONG>(d.size()), d.data(), &status);
        fits_close_file(f, &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(CompterCartesFit(nom), cartes);
        THistoFit im = FitLu(nom);
        ASSERT_TRUE(LargeurFit(im) == 29 && HauteurFit(im) == 13);
        EXPECT_EQ(im.Pixels, LireCfitsio(nom)) << cartes;
        EXPECT_TRUE(im.Min == 0 && im.Max == 65535);
    }
}
#endif

TEST_F(PairsFit, FichiersReelsCommeCfitsioPuisAllerRetour)
{
    for (const char* f : kReels) {
        const QString nom = CheminDonnees(f);
        THistoFit im = FitLu(nom);
        const std::vector<double> lu = LireCfitsio(nom);
        if (!lu.empty()) {
            ASSERT_EQ(im.Pixels.size(), lu.size()) << f;
            for (size_t i = 0; i < lu.size(); ++i)
                ASSERT_NEAR(im.Pixels[i], lu[i], 1e-9) << f << " " << i;
            EXPECT_NEAR(im.Min, *std::min_element(lu.begin(), lu.end()), 1e-9) << f;
            EXPECT_NEAR(im.Max, *std::max_element(lu.begin(), lu.end()), 1e-9) << f;
        }
        // Saved and read again: the values rounded, whatever BZERO and BSCALE.
        Enregistrer(im, copie);
        EXPECT_EQ(LireBScaleFit(im), 1);
        std::vector<double> arrondis(im.Pixels.size());
        std::transform(im.Pixels.begin(), im.Pixels.end(), arrondis.begin(), [](double v) { return std::nearbyint(v); });
        EXPECT_TRUE(FitLu(copie).Pixels == arrondis) << f;
    }
}

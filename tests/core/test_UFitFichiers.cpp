// FITS files and header cards, with cfitsio and fitsverify as peers.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UArithmetique.h"
#include "UBmp.h"
#include "UEcritureFit.h"
#include "UFiltres.h"
#include "UFit.h"
#include "UNoyauxFit.h"

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

// The same with 32-bit samples.
QByteArray Fichier32(QStringList cartes, const std::vector<int32_t>& bruts)
{
    QByteArray d = Fichier(std::move(cartes), {}, false);
    for (int32_t b : bruts)
        for (int k = 3; k >= 0; --k)
            d.append(char(uint32_t(b) >> (8 * k) & 0xFF));
    return d + QByteArray((2880 - d.size() % 2880) % 2880, '\0');
}

// Saves, then checks the file with the peers: fitsverify finds no error (the
// warnings a file brought with its own cards may stay) and cfitsio reads the
// values our reader reads back.
void Enregistrer(THistoFit& im, const QString& nom)
{
    EnregistrerFit(im, nom);
    EXPECT_TRUE(AccepteParFitsverify(nom));
    EXPECT_EQ(QFileInfo(nom).size() % 2880, 0);
    EXPECT_TRUE(CommeLeLecteur(LireFitCfitsio(nom)) == FitLu(nom).Pixels) << nom.toStdString();
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
    EXPECT_EQ(MotCleCarte(naxis1) + "|" + MotCleCarte("  COMMENT sans egal  "), "NAXIS1|COMMENT sans egal");
    EXPECT_EQ(ValeurCarte(naxis1) + "|" + ValeurCarte("HISTORY rien") + "|" + ValeurCarteSansCommentaire(naxis1),
              "440 / length||440");
    EXPECT_EQ(NormaliserCarte("NAXIS = 2") + NormaliserCarte("=x"), Carte("NAXIS   = 2") + Carte("=x"));
    EXPECT_EQ(NormaliserCarte("LONGKEYWORD= 5"), "LONGKEYWORD= 5" + QString(80 - 9 - 5, ' '));

    QStringList e;
    CreerEnteteFit(768, 512, 16, -5, 65535, -11.001, e);
    QStringList attendu = Base(768, 512) << C("STL_SMIN", "-5") << C("STL_SMAX", "65535") << C("STL_TRFT", "-11.001")
                                         << "END";
    std::transform(attendu.begin(), attendu.end(), attendu.begin(), Carte);
    EXPECT_EQ(e, attendu);

    THistoFit im;
    InitialiserImageFit(im, 3, 4, 0);
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
    // One card and the value the reader of its keyword takes; the other readers keep their defaults.
    const std::pair<QString, double> cas[] = {
        {"", 0}, {C("NAXIS1", "440 / l"), 440}, {C("NAXIS1", "2147483647"), 2147483647},
        {C("NAXIS1", "-5"), 0} /* digits only */, {C("NAXIS1", "4294967296"), 0} /* beyond 32 bits */,
        {C("BZERO", "32768 / offset"), 32768}, {C("BZERO", "3.2768E4"), 32768}, {C("BZERO", "3.2768D+04"), 32768},
        {C("BZERO", "1E400"), 0}, {C("BSCALE", "0.045777764213996"), 0.045777764213996}, {C("BSCALE", "-1500."), -1500},
        {C("BSCALE", "1.0E"), 1}, {C("BSCALE", "'un'"), 1}, {C("BSCALE", "12-3"), 1},
        {C("STL_SMIN", "-5000000"), -5000000}, {C("STL_SMIN", "12,5"), 0}, {C("STL_SMIN", "99999999999"), 0},
        {C("STL_SMIN", "100 / comment"), 0}, // the comment is part of the value
        {C("STL_TRFT", "3.5"), 3.5}, {C("STL_TRFT", "3,5"), 3.5}, {C("STL_TRFT", "-11.001"), -11.001},
        {C("STL_TRFT", "2"), 2}, {C("STL_TRFT", "3.7"), 0} /* off the ladder */, {C("STL_TRFT", "abc"), 0},
    };
    for (const auto& [carte, valeur] : cas) {
        SCOPED_TRACE(carte.toStdString());
        const QStringList e = {carte, QString(carte).replace("SMIN", "SMAX")};
        const auto v = [&, &carte = carte, valeur = valeur](const char* k, double defaut) {
            return carte.startsWith(k) ? valeur : defaut;
        };
        EXPECT_EQ(std::tuple(LireNaxis1Fit(e), LireBZeroFit(e), LireBScaleFit(e), LireTransfertEnteteFit(e)),
                  std::tuple(v("NAXIS1", 0), v("BZERO", 0), v("BSCALE", 1), v("STL_TRFT", 0)));
        EXPECT_EQ(std::tuple(LireSMinEnteteFit(e), LireSMaxEnteteFit(e)), std::tuple(v("STL_SMIN", 0), v("STL_SMIN", 0)));
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
        // Every value negative (-100, -50, -80): Max follows the shift too.
        {{C("BZERO", "-100")}, {0, 50, 20}, {0, 50, 20}},
    };
    for (const auto& k : cas) {
        EcrireFichierSur(nom, Fichier(Base(3, 1) + k.cartes, k.bruts));
        const THistoFit im = FitLu(nom);
        EXPECT_EQ(im.Pixels, k.attendu) << k.cartes.join('|').toStdString();
        EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(*std::ranges::min_element(k.attendu), *std::ranges::max_element(k.attendu)));
    }
    EcrireFichierSur(nom, Fichier(Base(2, 1) << C("BZERO", "-100"), {0, 50}));
    EXPECT_TRUE(TexteInfoFit(FitLu(nom)).startsWith("L=2 H=1 m=0 M=50 ")) << TexteInfoFit(FitLu(nom)).toStdString();
    // A sign before a positive integer is FITS.
    QStringList plus = Base(1, 1);
    plus[3] = "NAXIS1  =                   +2";
    plus[4] = "NAXIS2  = +1 / rows";
    EcrireFichierSur(nom, Fichier(plus, {7, 9}));
    EXPECT_EQ(FitLu(nom).Pixels, std::vector<double>({7, 9}));
}

TEST_F(LectureFit, CompletionDeLEnteteEtNiveaux)
{
    EcrireFichierSur(nom, Fichier(Base(4, 1) << "COMMENT rien", {840, 840, 840, 12}));
    THistoFit im = FitLu(nom);
    const QStringList ajout = {"STL_SMIN=                  420", "STL_SMAX=                 1680",
                               "STL_TRFT=                    0", "RELEASE ='Stelor 2.0 Avril 2008'", Carte("END")};
    EXPECT_EQ(im.Entete.mid(5, 1), QStringList{Carte("COMMENT rien")});
    EXPECT_EQ(im.Entete.mid(6), ajout);
    EXPECT_EQ(std::tuple(im.SMin, im.SMax, im.TRFT), std::tuple(420, 1680, 0));

    const QStringList complet = Base(4, 1) << C("STL_SMIN", "100") << C("STL_SMAX", "-3") << C("STL_TRFT", "-11,001")
                                           << "RELEASE ='autre'";
    EcrireFichierSur(nom, Fichier(complet, {840, 840, 840, 12}));
    im.Zoom = 50;
    LireFichierFit(im, nom);
    QStringList attendu = complet + QStringList{"END"};
    std::transform(attendu.begin(), attendu.end(), attendu.begin(), Carte);
    EXPECT_EQ(im.Entete, attendu); // unchanged: the file's 80-character cards
    EXPECT_EQ(std::tuple(im.SMin, im.SMax, im.TRFT, im.Zoom), std::tuple(100, -3, -11.001, 50));
}

TEST_F(LectureFit, AutresBitpixPremierPlanDUnCubeEtDonneesNonCompletees)
{
    // BITPIX 8, 2 x 2 x 3: bytes, the first plane only, x BSCALE + BZERO.
    const QStringList e = {C("SIMPLE", "T"), C("BITPIX", "8"),  C("NAXIS", "3"),   C("NAXIS1", "2"),
                           C("NAXIS2", "2"), C("NAXIS3", "3"), C("BSCALE", "2"), C("BZERO", "10"),
                           C("CTYPE3", "'FREQ'"), C("CTYPE2", "'DEC--TAN'"), C("PC1_3", "0.5"),
                           C("PC2_1", "0.5"), C("WCSAXES", "3"), C("CHECKSUM", "'ZZZZ'"), C("DATASUM", "'0'")};
    QByteArray f = Fichier(e, {}, false);
    for (int i = 0; i < 12; ++i) f.append(char(100 + 10 * i)); // not padded
    EcrireFichierSur(nom, f);
    THistoFit im = FitLu(nom);
    EXPECT_EQ(im.Pixels, std::vector<double>({250, 210, 270, 230})); // top row first
    EXPECT_TRUE(im.SourceNonReproductible);
    // Saved, it is a standard 16-bit 2-axis file with the scaling kept, and
    // without the cards the file would make false.
    Enregistrer(im, dir.filePath("b2.fit"));
    EXPECT_EQ(im.Entete.mid(1, 2), QStringList({Carte(C("BITPIX", "16")), Carte(C("NAXIS", "2"))}));
    for (const char* k : {"NAXIS3", "CTYPE3", "PC1_3", "WCSAXES", "CHECKSUM", "DATASUM"})
        EXPECT_TRUE(im.Entete.filter(QRegularExpression(QString("^%1 *=").arg(k))).isEmpty()) << k;
    for (const char* k : {"CTYPE2", "PC2_1", "BSCALE", "BZERO"})
        EXPECT_EQ(im.Entete.filter(QRegularExpression(QString("^%1 *=").arg(k))).size(), 1) << k;
    const THistoFit relu = FitLu(dir.filePath("b2.fit"));
    EXPECT_EQ(std::tuple(relu.Pixels, relu.SourceNonReproductible), std::tuple(im.Pixels, false));
    // The copies carry where the pixels came from; a 16-bit file clears it.
    THistoFit copie;
    CopierHistoFit(im, copie);
    EXPECT_TRUE(copie.SourceNonReproductible);
    EchangerHistoFit(copie, im = relu);
    EXPECT_EQ(std::tuple(im.SourceNonReproductible, copie.SourceNonReproductible), std::tuple(true, false));
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
    QStringList extension = {C("SIMPLE", "T"), C("BITPIX", "8"), C("NAXIS", "0"), C("EXTEND", "T")};
    QStringList bitpix = avec("2", "2");
    bitpix[1] = C("BITPIX", "12");
    // Each file, and what the message says is wrong with it.
    const struct {
        const char* quoi;
        QByteArray contenu;
        const char* texte;
    } cas[] = {
        {"sans END", Fichier(avec("2", "2"), {1, 2, 3, 4}).replace("END ", "    "), "n'a pas de carte END"},
        {"vide", QByteArray(), "n'est pas un fichier FITS"},
        {"JPEG", QByteArray("\xFF\xD8\xFF\xE0").leftJustified(3000, 'x'), "n'est pas un fichier FITS"},
        {"sans SIMPLE", Fichier({C("BITPIX", "16"), C("NAXIS1", "1"), C("NAXIS2", "1")}, {7}), "n'est pas un fichier FITS"},
        {"court", QByteArray("SIMPLE  ="), "n'a pas de carte END"},
        {"extension", Fichier(extension, {}), "l'image est dans une extension"},
        {"sans NAXIS1", Fichier(avec("", "2"), {1, 2, 3, 4}), "n'a pas de carte NAXIS1 (largeur"},
        {"sans NAXIS2", Fichier(avec("2", ""), {1, 2, 3, 4}), "n'a pas de carte NAXIS2 (hauteur"},
        {"NAXIS1 nul", Fichier(avec("0", "2"), {1, 2, 3, 4}), "NAXIS1 du fichier mauvais.fit ne donne pas une largeur"},
        {"NAXIS2 negatif", Fichier(avec("2", "-2"), {1, 2, 3, 4}), "ne donne pas une hauteur valide"},
        {"NAXIS1 sur 33 bits", Fichier(avec("4294967298", "1"), {1, 2, 3, 4}), "« 4294967298 »"},
        {"BITPIX 12", Fichier(bitpix, {1, 2, 3, 4}), "BITPIX que FITS ne connaît pas (« 12 »)"},
        {"donnees courtes", Fichier(avec("2", "3"), {1, 2, 3, 4}, false), "est tronqué"},
        {"taille absurde", Fichier(avec("2147483647", "2147483647"), {1, 2, 3, 4}), "2147483647 x 2147483647"},
        {"un octet de trop", Fichier(avec("1441", "1"), std::vector<uint16_t>(1440, 9), false), "est tronqué"},
        {"BSCALE hors limites", Fichier(avec("2", "2") << C("BZERO", "1") << C("BSCALE", "1E308"), {1, 2, 3, 4}),
         "hors des limites des réels"},
        // 8 x 1073764994 x 2147437309 bytes wrap to 537,552 in 64 bits.
        {"taille au-delà de 64 bits",
         Fichier({C("SIMPLE", "T"), C("BITPIX", "-64"), C("NAXIS", "2"), C("NAXIS1", "1073764994"),
                  C("NAXIS2", "2147437309")},
                 std::vector<uint16_t>(270000, 0)),
         "est tronqué"},
    };
    for (const auto& [quoi, contenu, texte] : cas) {
        EcrireFichierSur(mauvais, contenu);
        try {
            LireFichierFit(im, mauvais);
            ADD_FAILURE() << quoi;
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), ES_LectureApresFin) << quoi;
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(texte)) && e.Message().contains("mauvais.fit") &&
                        !e.Message().contains("Lecture au-delà"))
                << quoi << ": " << e.Message().toStdString();
        }
        EXPECT_EQ(std::tuple(im.Pixels, im.Entete, im.XMax, im.Max, im.SMin),
                  std::tuple(avant.Pixels, avant.Entete, avant.XMax, avant.Max, 77))
            << quoi;
        int32_t l = 5, h = 6;
        EXPECT_THROW(DimensionsFichierFit(mauvais, l, h), EErreurFichier) << quoi;
    }
    // What is not a regular file is never opened: a named pipe would wait for
    // a writer, a device such as /dev/zero reads on for ever.
    const TTubeNomme tube(dir.filePath("tube.fit"));
    for (const QString& n : {dir.filePath("absent.fit"), tube.Nom(), QString("/dev/zero")}) {
        try {
            LireFichierFit(im, n);
            ADD_FAILURE() << n.toStdString();
        } catch (const EErreurFichier& e) {
            EXPECT_TRUE(e.Message().startsWith("Impossible de lire le fichier « " + n + " » : "))
                << e.Message().toStdString();
        }
    }
    EXPECT_EQ(im.Pixels, avant.Pixels);
}

TEST_F(LectureFit, EchantillonsBlankCommeAstropyPuisEnregistres)
{
    // Undefined samples take no part in Min, Max or the shift of a negative
    // minimum and load as the lowest defined value, as astropy's NaN become
    // under the reader's rules; the median reads them alike. Saved, no card
    // marks a pixel undefined: astropy reads back every value.
    const int l = 100, h = 80;
    const auto valeur = [](int i) { return (i * 37 + i / 100 * 11) % 5000 - 50; };
    const auto trente2 = [&](int32_t blank, const std::function<bool(int)>& indefini) {
        std::vector<int32_t> b(l * h);
        for (int i = 0; i < l * h; ++i)
            b[i] = indefini(i) ? blank : valeur(i);
        QStringList e = Base(l, h) << C("BLANK", QString::number(blank));
        e[1] = C("BITPIX", "32");
        return Fichier32(e, b);
    };
    const auto seize = [&](QStringList cartes, uint16_t blank, int decalage, const std::function<bool(int)>& indefini) {
        std::vector<uint16_t> b(l * h);
        for (int i = 0; i < l * h; ++i)
            b[i] = indefini(i) ? blank : uint16_t((valeur(i) + 50 + decalage) & 0xFFFF);
        return Fichier(Base(l, h) + cartes, b);
    };
    const auto compter = [&](const std::function<bool(int)>& indefini) {
        int n = 0;
        for (int i = 0; i < l * h; ++i)
            n += indefini(i);
        return n;
    };
    const auto centEst = [&](int i) { return valeur(i) == 100; };
    const auto dixSept = [](int i) { return i % 17 == 0; };
    const auto vingtTrois = [](int i) { return i % 23 == 5; };
    const struct {
        const char* quoi;
        QByteArray contenu;
        int blancs;
    } cas[] = {
        // One sample: the 2^31 shift of the whole image that it used to cause.
        {"32 bits, un BLANK", trente2(INT32_MIN, [](int i) { return i == 4321; }), 1},
        // Samples of 100 are undefined; those of 50, shifted to 100, are not.
        {"32 bits, BLANK dans les valeurs", trente2(100, centEst), compter(centEst)},
        {"16 bits signés", seize({C("BZERO", "32768"), C("BLANK", "-32768")}, 0x8000, -1000, dixSept), compter(dixSept)},
        {"16 bits lus de 0 à 65535", seize({C("BLANK", "-1")}, 0xFFFF, 0, vingtTrois), compter(vingtTrois)},
    };
    for (const auto& k : cas) {
        SCOPED_TRACE(k.quoi);
        EcrireFichierSur(nom, k.contenu);
        THistoFit im = FitLu(nom);
        const QString brut = PixelsBruts(im, dir.filePath("brut"));
        EXPECT_EQ(Python(QStringLiteral("ecart_lecteur"), {nom, brut}), QStringLiteral("0.0 %1").arg(k.blancs));
        const auto [mini, maxi] = std::ranges::minmax_element(im.Pixels);
        EXPECT_EQ(std::tuple(im.Min, im.Max, im.Max < 40000), std::tuple(*mini, *maxi, true));
        THistoFit mediane;
        CreerHistoFit(mediane);
        MedianeListeFit({nom}, mediane);
        EXPECT_TRUE(mediane.Pixels == im.Pixels);
        Enregistrer(im, copie);
        EXPECT_EQ(Python(QStringLiteral("ecart_lecteur"), {copie, brut}), "0.0 0");
    }
}

// Another program cuts the file while it is read, and the system hands back
// zeros for the bytes that went, as though read: the load fails as for a
// short file, names it, and leaves the image as it was.
TEST_F(LectureFit, FichierCoupeQuandSesOctetsSontLusEchoue)
{
    const int l = 512, h = 600; // one read of the data, whichever block is filled
    THistoFit b = ImageFitDe(l, h, [](int x, int y) { return double((x * 13 + y * 7) % 40000); });
    EnregistrerFit(b, nom);
    const THistoFit memeTaille = ImageFitDe(l, h, [](int x, int y) { return double(x + y); });
    const THistoFit autreTaille = ImageFitDe(3, 2, [](int x, int y) { return double(x * y); });
    const QString bmp = dir.filePath("image.bmp");
    EcrireBitmapBmp(BitmapDe(300, 200, 3, [](int x, int y, int c) { return (x + y + c) % 256; }), bmp);
    const auto couperApresLecture = [](const QString& fichier, qint64 taille) {
        FixerPanneFichierEssai([=](const QString& n, TEtapeFichier etape) {
            if (etape == TEtapeFichier::FinLecture && n == fichier)
                QFile::resize(fichier, taille);
            return 0;
        });
    };
    const auto echec = [](const std::function<void()>& lire, const QString& fichier) {
        try {
            lire();
            ADD_FAILURE() << "lu";
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Message(), "Impossible de lire le fichier « " + fichier +
                                       " » : il s'arrête avant la fin de ses données.");
        }
        FixerPanneFichierEssai({});
    };
    for (const THistoFit* avant : {&memeTaille, &autreTaille}) {
        SCOPED_TRACE(avant->XMax + 1);
        EnregistrerFit(b, copie);
        couperApresLecture(copie, 2880 + qint64(2) * l * 400);
        THistoFit im = *avant;
        echec([&] { LireFichierFit(im, copie); }, copie);
        EXPECT_EQ(std::tuple(im.Pixels == avant->Pixels, im.Entete, im.XMax, im.Min, im.Max),
                  std::tuple(true, avant->Entete, avant->XMax, avant->Min, avant->Max));
    }
    couperApresLecture(bmp, 5000);
    echec([&] { LireBitmapBmp(bmp); }, bmp);
}

// A file that shrinks while it is read, as on a stick pulled out or a share
// gone: the error names the file, and the image is the one it was, whether
// the load would have filled its block or a new one.
TEST_F(LectureFit, FichierCoupePendantLaLectureNommeEtLaisseLImage)
{
    const int l = 1024, h = 3000; // two bands of rows
    THistoFit b = ImageFitDe(l, h, [](int x, int y) { return double((x * 13 + y * 7) % 40000); });
    EnregistrerFit(b, nom);
    const qint64 debut = 2880 * 1, coupe = debut + qint64(2) * l * 2100; // inside the second band
    struct TCas {
        const char* quoi;
        THistoFit avant;
    };
    std::vector<TCas> cas;
    cas.push_back({"bloc de la même taille", ImageFitDe(l, h, [](int x, int y) { return double(x + y); })});
    cas.push_back({"bloc d'une autre taille", ImageFitDe(3, 2, [](int x, int y) { return double(x * y); })});
    for (TCas& k : cas) {
        SCOPED_TRACE(k.quoi);
        EnregistrerFit(b, copie);
        FixerPanneFichierEssai([&](const QString& n, TEtapeFichier etape) {
            if (etape == TEtapeFichier::Lecture && n == copie)
                QFile::resize(copie, coupe);
            return 0;
        });
        THistoFit im = k.avant;
        try {
            LireFichierFit(im, copie);
            ADD_FAILURE() << "lu";
        } catch (const EErreurFichier& e) {
            EXPECT_TRUE(e.Message().contains("« " + copie + " »")) << e.Message().toStdString();
        }
        FixerPanneFichierEssai({});
        EXPECT_EQ(std::tuple(im.Pixels == k.avant.Pixels, im.Entete, im.XMax, im.Min, im.Max, im.SMin),
                  std::tuple(true, k.avant.Entete, k.avant.XMax, k.avant.Min, k.avant.Max, k.avant.SMin));
    }
    // A BMP picture alike.
    const QString bmp = dir.filePath("image.bmp");
    EcrireBitmapBmp(BitmapDe(300, 200, 3, [](int x, int y, int c) { return (x + y + c) % 256; }), bmp);
    FixerPanneFichierEssai([&](const QString& n, TEtapeFichier etape) {
        if (etape == TEtapeFichier::Lecture && n == bmp)
            QFile::resize(bmp, 5000);
        return 0;
    });
    try {
        LireBitmapBmp(bmp);
        ADD_FAILURE() << "BMP lu";
    } catch (const EErreurFichier& e) {
        EXPECT_TRUE(e.Message().contains("« " + bmp + " »")) << e.Message().toStdString();
    }
    FixerPanneFichierEssai({});
}

// A wide image needs wide band buffers; the next usual load must not find
// them still held.
TEST_F(LectureFit, MemoireRendueApresUneImageInhabituelle)
{
    QByteArray entete = Fichier(Base(2000000, 9), {}, false);
    EcrireFichierSur(nom, entete);
    ASSERT_TRUE(QFile::resize(nom, entete.size() + qint64(2) * 2000000 * 9));
    THistoFit im = FitLu(nom);
    EXPECT_EQ(std::pair(im.XMax, im.Max), std::pair(1999999, 0.0));
    EXPECT_LE(MemoireGardeeLectureFit(), size_t(40) << 20);
    // A usual image keeps what its next load needs.
    THistoFit usuelle = ImageFitDe(2048, 2048, [](int x, int y) { return double(x ^ y); });
    EnregistrerFit(usuelle, copie);
    usuelle = FitLu(copie);
    EXPECT_GE(MemoireGardeeLectureFit(), size_t(2048) * 2048 * 2);
}

// Files that hold their data but whose image memory cannot hold: a French
// message naming the file, the image as it was.
TEST_F(LectureFit, ImageTropGrandePourLaMemoire)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer ends the process on an allocation it cannot make";
#else
    QStringList e = Base(100000, 100000);
    e[1] = C("BITPIX", "8");
    const QByteArray entete = Fichier(e, {}, false);
    EcrireFichierSur(nom, entete);
    ASSERT_TRUE(QFile::resize(nom, entete.size() + qint64(100000) * 100000)); // 10 GB, sparse: 80 GB of pixels
    THistoFit im = ImageFitDe(2, 2, [](int x, int y) { return double(x + y); });
    try {
        LireFichierFit(im, nom);
        ADD_FAILURE() << "lu";
    } catch (const EErreurFichier& e) {
        EXPECT_TRUE(e.Message().startsWith("Mémoire insuffisante pour charger le fichier f.fit") &&
                    e.Message().contains("100000 x 100000"))
            << e.Message().toStdString();
    }
    EXPECT_EQ(im.Pixels, std::vector<double>({0, 1, 1, 2}));
#endif
}

// A file of 3 GB is refused or read from its header alone, without reading
// the rest: a sparse file, and the bytes the process reads counted.
TEST_F(LectureFit, GrandFichierLuSelonSonEnteteSeulement)
{
    const std::pair<const char*, QByteArray> cas[] = {
        {"zéros", {}}, {"SIMPLE sans END", Carte(C("SIMPLE", "T")).toLatin1()}, {"2 x 2", Fichier(Base(2, 2), {1, 2, 3, 4})}};
    for (const auto& [quoi, debut] : cas) {
        SCOPED_TRACE(quoi);
        EcrireFichierSur(nom, debut);
        QFile f(nom);
        ASSERT_TRUE(f.resize(qint64(3) << 30));
        const qint64 lus = OctetsLusParLeProcessus();
        int32_t l = 0, h = 0;
        if (debut.size() < 2880) {
            EXPECT_THROW(FitLu(nom), EErreurFichier);
            EXPECT_THROW(DimensionsFichierFit(nom, l, h), EErreurFichier);
            EXPECT_THROW(CompterCartesFit(nom), EErreurFichier);
        } else {
            DimensionsFichierFit(nom, l, h);
            EXPECT_EQ(std::tuple(FitLu(nom).Pixels, l, h, CompterCartesFit(nom)),
                      std::tuple(std::vector<double>({3, 1, 4, 2}), 2, 2, 6));
        }
        EXPECT_LT(OctetsLusParLeProcessus() - lus, 1 << 20);
    }
    // Text after SIMPLE and no END: the search for END stops within 30 MB.
    QByteArray texte = Carte(C("SIMPLE", "T")).toLatin1();
    texte.append(2880 * 12000 - texte.size(), ' ');
    EcrireFichierSur(nom, texte);
    const qint64 lus = OctetsLusParLeProcessus();
    EXPECT_THROW(FitLu(nom), EErreurFichier);
    EXPECT_LT(OctetsLusParLeProcessus() - lus, 30 << 20);
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
    // Reals over more than 256 units: rounded to them, halves to even.
    THistoFit im = ImageFitDe(3, 2, [](int x, int y) { return 1000 * x + 10 * y + 0.5; });
    im.SMin = 5, im.SMax = 300, im.TRFT = 3.5;
    Enregistrer(im, nom);
    QByteArray d = LireFichierComplet(nom);
    ASSERT_EQ(d.size(), 2 * 2880); // 36 records, then the data padded with zeros
    const QStringList cartes = {"SIMPLE  =                    T", "STL_SMIN=                    5",
                                "STL_SMAX=                  300", "STL_TRFT=                  3.5", "END"};
    EXPECT_EQ(d.left(80), Carte(cartes[0]).toLatin1());
    EXPECT_EQ(d.mid(5 * 80, 4 * 80), (Carte(cartes[1]) + Carte(cartes[2]) + Carte(cartes[3]) + Carte("END")).toLatin1());
    EXPECT_EQ(d.mid(9 * 80, 2880 - 9 * 80), QByteArray(2880 - 9 * 80, ' '));
    // Bottom row first; 0.5 rounds to 0, 10.5 to 10, 1010.5 to 1010.
    EXPECT_EQ(d.mid(2880), QByteArray("\0\12\3\362\7\332\0\0\3\350\7\320", 12) + QByteArray(2880 - 12, '\0'));
    EXPECT_EQ(im.Entete[5], Carte(cartes[1]));

    // A maximum of 32768 or more inserts BZERO after NAXIS2, in memory too ...
    FixerPixelFit(im, 1, 1, 40000);
    Enregistrer(im, nom);
    d = LireFichierComplet(nom);
    EXPECT_EQ(std::tuple(im.Entete[5], d.mid(5 * 80, 80)),
              std::tuple(Carte(C("BZERO", "32768")), Carte(C("BZERO", "32768")).toLatin1()));
    EXPECT_EQ(d.mid(2880, 4), QByteArray("\x80\x0a\x1c\x40", 4)); // 10 - 32768 and 40000 - 32768, signed
    EXPECT_EQ(FitLu(nom).Pixel(1, 1), 40000);
    // ... and once it falls below, BZERO goes.
    im.Max = 32767;
    im.Pixel(1, 1) = 32767;
    Enregistrer(im, nom);
    EXPECT_TRUE(im.Entete.filter("BZERO").isEmpty());
    EXPECT_EQ(FitLu(nom).Pixel(1, 1), 32767);

    // A header of exactly 36 cards gets no blank card; 37 take two blocks.
    while (im.Entete.size() < 36)
        im.Entete.insert(im.Entete.size() - 1, QString("HISTORY %1").arg(im.Entete.size()));
    Enregistrer(im, nom);
    d = LireFichierComplet(nom);
    EXPECT_EQ(std::tuple(d.size(), d.mid(35 * 80, 80)), std::tuple(2 * 2880, Carte("END").toLatin1()));
    im.Entete.insert(35, "HISTORY encore une");
    Enregistrer(im, nom);
    EXPECT_EQ(std::tuple(LireFichierComplet(nom).size(), CompterCartesFit(nom)), std::tuple(3 * 2880, 37));
}

TEST_F(EcritureFit, AllerRetourQuelsQueSoientBZeroEtBScaleLus)
{
    // The image's BSCALE and BZERO are kept while every pixel fits 16 bits
    // under them (samples rounded halves to even): values come back as read.
    const struct {
        QStringList cartes;
        std::vector<uint16_t> bruts;
        std::vector<double> lus;
        double bscale, bzero; // after the save
    } cas[] = {
        {{C("BZERO", "32768"), C("BSCALE", "2")}, {0, 1, 0x4000, 0x7FFF}, {32768, 32770, 65536, 98302}, 2, 32768},
        {{C("BSCALE", "0.01")}, {314, 0, 32767, 7}, {3.14, 0, 327.67, 0.07}, 0.01, 0},
        // Read with a shift of the minimum (-6692) to 0.
        {{C("BZERO", "1500"), C("BSCALE", "0.25")}, {0, 1, 0x8000, 0x0FFF}, {8192, 8192.25, 0, 9215.75}, 0.25, 1500},
        // BZERO 0 keeps samples below 32768 (what every reader reads alike):
        // past it, BSCALE 1 and BZERO 32768, values rounded.
        {{C("BSCALE", "0.5")}, {65535, 2, 1, 0}, {32767.5, 1, 0.5, 0}, 1, 32768},
        // Kept, but written as other readers read them.
        {{"  BZERO =                  100"}, {0, 1, 2, 3}, {100, 101, 102, 103}, 1, 100},
        {{C("BSCALE", "2,5")}, {2, 4, 0, 1}, {5, 10, 0, 2.5}, 2.5, 0},
    };
    THistoFit im;
    for (const auto& k : cas) {
        EcrireFichierSur(nom, Fichier(Base(4, 1) + k.cartes, k.bruts));
        im = FitLu(nom);
        EXPECT_EQ(im.Pixels, k.lus) << k.cartes.join('|').toStdString();
        Enregistrer(im, copie);
        EXPECT_EQ(std::pair(LireBScaleFit(im), LireBZeroFit(im)), std::pair(k.bscale, k.bzero))
            << k.cartes.join('|').toStdString();
        std::vector<double> attendu = k.lus;
        if (k.bscale == 1)
            std::transform(attendu.begin(), attendu.end(), attendu.begin(), [](double v) { return std::nearbyint(v); });
        EXPECT_EQ(FitLu(copie).Pixels, attendu) << k.cartes.join('|').toStdString();
    }
    // After +1, x1,5, a filter or a subtraction, each value reads back as it
    // was, to the rounding of the scaling written, never more than 0.5 away
    // (+1 under BSCALE 2 came back 0 or 2 away, 10953 under BSCALE 10 as 10950).
    std::vector<uint16_t> echantillons(20 * 21);
    for (size_t i = 0; i < echantillons.size(); ++i)
        echantillons[i] = uint16_t(i * 37 % 6000);
    EcrireFichierSur(nom, Fichier(Base(20, 21) << C("BZERO", "5000") << C("BSCALE", "2"), echantillons));
    EcrireFichierSur(dir.filePath("dix.fit"), Fichier(Base(20, 21) << C("BSCALE", "10"), echantillons));
    const THistoFit moins = ImageFitDe(20, 21, [](int x, int y) { return double((x + y) % 7); });
    const std::function<void(THistoFit&)> operations[] = {
        [](THistoFit& i) { AjouterConstanteFit(i, 1); }, [](THistoFit& i) { MultiplierConstanteFit(i, 1.5); },
        [](THistoFit& i) { FiltrePasseBasFit(i, 1, false); }, [&](THistoFit& i) { SoustractionImagesFit(i, moins, i); }};
    for (const QString& f : {nom, dir.filePath("dix.fit"), CheminDonnees("scale_bscale_bzero_i16.fits")})
        for (size_t k = 0; k < std::size(operations); ++k) {
            im = FitLu(f);
            operations[k](im);
            Enregistrer(im, copie);
            const double s = LireBScaleFit(im), z = LireBZeroFit(im);
            const std::vector<double> relu = FitLu(copie).Pixels;
            size_t fautes = relu.size() != im.Pixels.size();
            for (size_t i = 0; !fautes && i < relu.size(); ++i)
                fautes += relu[i] != std::nearbyint((im.Pixels[i] - z) / s) * s + z || std::fabs(relu[i] - im.Pixels[i]) > 0.5;
            EXPECT_EQ(fautes, 0u) << f.toStdString() << " " << k << " BSCALE " << s;
        }

    // A pixel beyond the 16 bits under BSCALE 2 and beyond 0..65535: the
    // scaling spans the values, each back within half a step (the minimum,
    // below 0, read as 0); accents and tabs in cards, an "END" in the wrong
    // place and a BSCALE that is not a number never make a file fitsverify
    // refuses.
    EcrireFichierSur(nom, Fichier(Base(4, 1) << C("BZERO", "32768") << C("BSCALE", "2"), {0, 1, 0x4000, 0x7FFF}));
    im = FitLu(nom);
    im.Pixels = {-5, 1e12, 65535.4, 2.5};
    im.Entete.insert(5, "COMMENT Décalage appliqué\tà l'image");
    im.Entete.insert(1, "END");
    im.Entete.insert(6, C("BSCALE", "'un'"));
    im.TRFT = -21.001;
    Enregistrer(im, copie);
    const std::vector<double> etale = FitLu(copie).Pixels;
    const double demiPas = (1e12 + 5) / 65535 / 2;
    ASSERT_EQ(etale.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(etale[i], im.Pixels[i] + 5, demiPas) << i;

    // Very wide and short, with columns beyond the last block of 8 and rows
    // beyond the last block of 8; read into a new image and again into one
    // of the same size.
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
    // back byte for byte, the release card as every reader reads a value.
    std::vector<uint16_t> bruts = {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    for (uint16_t b = 3; b <= 26; ++b) bruts.push_back(b);
    const QStringList cartes = Base(8, 4) << C("BSCALE", "1") << C("BZERO", "32768") << C("STL_SMIN", "0")
                                          << C("STL_SMAX", "65535") << C("STL_TRFT", "0");
    const QByteArray original = Fichier(cartes + QStringList{"RELEASE = 'Stelor 2.0 Avril 2008'"}, bruts);
    for (const char* release : {"RELEASE ='Stelor 2.0 Avril 2008'", "RELEASE = 'Stelor 2.0 Avril 2008'"}) {
        EcrireFichierSur(nom, Fichier(cartes + QStringList{QString::fromLatin1(release)}, bruts));
        im = FitLu(nom);
        Enregistrer(im, copie);
        EXPECT_EQ(LireFichierComplet(copie), original) << release;
    }
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
    QString message;
    try {
        EnregistrerFit(grand, nom);
    } catch (const EErreurFichier& e) {
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &lim);
    std::signal(SIGXFSZ, ancien);
    EXPECT_EQ(message, "Impossible d'écrire le fichier « " + nom + " » : il dépasse la taille que le disque permet.");
    EXPECT_EQ(LireFichierComplet(nom), avant);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.fit"}); // no temporary left
    EXPECT_THROW(EnregistrerFit(vide, nom), EStelor);
    EXPECT_EQ(LireFichierComplet(nom), avant);
}

TEST_F(PairsFit, FichiersReelsCommeCfitsioPuisAllerRetourExact)
{
    QStringList fichiers; // each real file, then saved turned a quarter, and resized by 0.5
    for (const char* f : kReels) {
        const QString nom = CheminDonnees(f);
        THistoFit im = FitLu(nom);
        const std::vector<double> lu = LireFitCfitsio(nom);
        ASSERT_TRUE(im.Pixels == lu) << f;
        EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(*std::ranges::min_element(lu), *std::ranges::max_element(lu))) << f;
        EXPECT_FALSE(im.SourceNonReproductible) << f;
        // Saved and read again: every value as it was, BSCALE < 1 included.
        const std::vector<double> avant = im.Pixels;
        Enregistrer(im, copie);
        EXPECT_TRUE(FitLu(copie).Pixels == avant) << f;
        fichiers << nom << dir.filePath(QString("tour_") + f) << dir.filePath(QString("redim_") + f);
        THistoFit reduite;
        CreerHistoFit(reduite);
        RedimensionnerCopieFit(im, reduite, 0.5);
        Rotation90Fit(im);
        Enregistrer(im, fichiers[fichiers.size() - 2]);
        Enregistrer(reduite, fichiers.last());
    }
    // Every card describing the image is still there with its value, the
    // world coordinates are gone, as astropy reads them.
    EXPECT_EQ(Python(QStringLiteral("cartes_gardees"), fichiers), "ok");
}

TEST_F(PairsFit, TousLesBitpixCommeCfitsioPuisEnregistres)
{
    // Files written by cfitsio of every standard BITPIX, scaled or not, and a
    // cube: the reader gives cfitsio's values (non-finite as 0, a negative
    // minimum shifted to 0); saving writes 16-bit data that both read alike.
    const int l = 37, h = 11;
    const struct {
        const char* nom;
        int bitpix;
        double bscale, bzero;
        long plans;
        std::function<double(int)> brut;
    } cas[] = {
        {"octets", 8, 1, 0, 1, [](int i) { return i * 7 % 256; }},
        {"octets echelonnes", 8, 0.5, -20, 1, [](int i) { return i * 11 % 256; }},
        {"16 non signes", 16, 1, 32768, 1, [](int i) { return i < 2 ? -32768.0 * (1 - i) + 32767 * i : (i * 40503) % 65536 - 32768.0; }},
        {"16 signes echelonnes", 16, 0.1, -5, 1, [](int i) { return (i * 2654435761u >> 16) % 65536 - 32768.0; }},
        {"32 bits", 32, 1, 0, 1, [](int i) { return (i % 2 ? -1.0 : 1.0) * std::fmod(i * 12345677.0, 2.1e9); }},
        {"32 bits echelonnes", 32, 0.001, 1000, 1, [](int i) { return i * 37 - 2000.0; }},
        {"32 bits cube", 32, 1, 0, 3, [](int i) { return i < l * h ? i * 3 : -1e6 - i; }},
        {"64 bits", 64, 1, 0, 1, [](int i) { return i * 1e12 - 3e14; }},
        {"reels 32", -32, 1, 0, 1, [](int i) { return i == 5 ? NAN : std::sin(i) * 1000.5; }},
        {"reels 64", -64, 2, 100, 1, [](int i) { return i * 0.125 + 1e-3; }},
        {"reels 64 cube", -64, 1, 0, 2, [](int i) { return i * 1.5; }},
    };
    for (const auto& k : cas) {
        SCOPED_TRACE(k.nom);
        std::vector<double> bruts(static_cast<size_t>(l * h * k.plans));
        for (size_t i = 0; i < bruts.size(); ++i)
            bruts[i] = k.brut(static_cast<int>(i));
        std::vector<long> axes = {l, h};
        if (k.plans > 1)
            axes.push_back(k.plans);
        ASSERT_TRUE(EcrireFitCfitsio(nom, k.bitpix, axes, bruts, k.bscale, k.bzero));
        const std::vector<double> attendu = CommeLeLecteur(LireFitCfitsio(nom));
        THistoFit im = FitLu(nom);
        ASSERT_EQ(im.Pixels, attendu);
        EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(*std::ranges::min_element(attendu), *std::ranges::max_element(attendu)));
        EXPECT_EQ(im.SourceNonReproductible, k.bitpix != 16 || k.plans > 1);

        Enregistrer(im, copie);
        const std::vector<double> relu = FitLu(copie).Pixels;
        const double s = LireBScaleFit(im), z = LireBZeroFit(im);
        ASSERT_EQ(relu.size(), attendu.size());
        for (size_t i = 0; i < relu.size(); ++i) {
            if (s == 1 && (z == 0 || z == 32768))
                ASSERT_EQ(relu[i], std::clamp(std::nearbyint(attendu[i]), 0.0, 65535.0)) << i;
            else
                ASSERT_LE(std::fabs(relu[i] - attendu[i]), std::fabs(s) * 0.500001) << i;
        }
    }
}

TEST_F(LectureFit, DecodageParBandesFilsEtNoyauxSimplesIdentiques)
{
    // Widths that cut into strips unevenly or are a power of two, heights of
    // several bands and tiles, below a tile, or odd (columns starting
    // anywhere in a cache line); the levels of a file without program cards
    // come from the keys counted while decoding: the same as a count over
    // the pixels. The plain kernels read the same values.
    const struct {
        int l, h;
        QStringList cartes;
    } cas[] = {
        {4096, 70, {C("BZERO", "32768")}},
        {2051, 2100, {}},
        {37, 5000, {C("BZERO", "-100"), C("BSCALE", "0.5")}},
        {1000, 9, {C("BZERO", "32768"), C("BSCALE", "1"), C("STL_SMIN", "5")}},
        {67, 517, {C("BZERO", "32768")}},
        {8200, 1030, {C("BZERO", "32768")}}, // bands of 4 MB, the last short
    };
    for (const auto& k : cas) {
        SCOPED_TRACE(k.l);
        std::vector<uint16_t> bruts(static_cast<size_t>(k.l) * k.h);
        uint32_t graine = 12345;
        for (uint16_t& b : bruts) {
            graine = graine * 1664525u + 1013904223u;
            b = static_cast<uint16_t>((graine >> 16) % 900 + 32768 + ((graine & 0xFF) == 7 ? 20000 : 0));
        }
        EcrireFichierSur(nom, Fichier(Base(k.l, k.h) + k.cartes, bruts));
        NoyauxFit::ForcerNoyauxSimples(false);
        const THistoFit im = FitLu(nom);
        NoyauxFit::ForcerNoyauxSimples(true);
        const THistoFit simple = FitLu(nom);
        NoyauxFit::ForcerNoyauxSimples(false);
        EXPECT_EQ(std::tuple(im.Pixels, im.Entete), std::tuple(simple.Pixels, simple.Entete));
        EXPECT_EQ(std::pair(im.Min, im.Max), std::pair(simple.Min, simple.Max));
        TEnteteFichierFit e = LireEnteteFichierFit(nom);
        std::vector<double> v(bruts.size());
        std::vector<uchar> octets;
        for (uint16_t b : bruts)
            octets.push_back(uchar(b >> 8)), octets.push_back(uchar(b & 0xFF));
        DecoderEchantillonsFit(e, octets.data(), bruts.size(), v.data());
        const double m = std::min(0.0, *std::min_element(v.begin(), v.end()));
        size_t fautes = 0;
        for (int r = 0; r < k.h; ++r)
            for (int x = 0; x < k.l; ++x)
                fautes += im.Pixel(x, k.h - 1 - r) != v[static_cast<size_t>(r) * k.l + x] - m;
        EXPECT_EQ(fautes, 0u);
        const int sMin = k.cartes.filter("STL_SMIN").isEmpty() ? SeuilMiniAutoFit(im) : 5;
        EXPECT_EQ(std::pair(im.SMin, im.SMax), std::pair(sMin, SeuilMaxiAutoFit(im)));
    }
}

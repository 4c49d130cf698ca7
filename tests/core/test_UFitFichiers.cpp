// Part 1.102: FITS files and header cards, with cfitsio, fitsverify and
// astropy as peers.
#include "PErreurs.h"
#include "Soutien.h"
#include "UFit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/resource.h>

#ifdef STELOR_AVEC_CFITSIO
#include <fitsio.h>
#endif

namespace {

QByteArray Carte(const QString& texte) { return texte.leftJustified(80, QLatin1Char(' '), true).toLatin1(); }

// Keyword, "=", value right-aligned to column 30.
QString C(const QString& motCle, const QString& valeur)
{
    return motCle.leftJustified(8) + "=" + valeur.rightJustified(21);
}

// A FITS file from its cards (END added) and its raw samples in file order.
QByteArray Fichier(QStringList cartes, const std::vector<uint16_t>& bruts, bool completer = true)
{
    QByteArray d;
    cartes << "END";
    for (const QString& c : cartes)
        d += Carte(c);
    while (d.size() % 2880)
        d += ' ';
    for (uint16_t b : bruts) {
        d += char(b >> 8);
        d += char(b & 0xFF);
    }
    while (completer && d.size() % 2880)
        d += '\0';
    return d;
}

QStringList Base(int l, int h)
{
    return {C("SIMPLE", "T"), C("BITPIX", "16"), C("NAXIS", "2"), C("NAXIS1", QString::number(l)),
            C("NAXIS2", QString::number(h))};
}

void Ecrire(const QString& nom, const QByteArray& d)
{
    QFile f(nom);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(d), d.size());
}

QByteArray Lire(const QString& nom)
{
    QFile f(nom);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

THistoFit Nouvelle()
{
    THistoFit im;
    CreerHistoFit(im);
    return im;
}

THistoFit Charger(const QString& nom)
{
    THistoFit im = Nouvelle();
    LireFichierFit(im, nom);
    return im;
}

// Number of errors fitsverify reports; -1 when it cannot run.
int ErreursFitsverify(const QString& nom, QString* sortie = nullptr)
{
    QString s;
    const int rc = LancerProgramme("/usr/bin/fitsverify", {"-q", nom}, &s);
    if (sortie)
        *sortie = s;
    if (rc < 0)
        return -1;
    if (s.contains("verification OK"))
        return 0;
    const QRegularExpression re("and (\\d+) error");
    const auto m = re.match(s);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

#define ATTENDRE_FITSVERIFY_SANS_ERREUR(nom)                                                                       \
    do {                                                                                                           \
        QString _s;                                                                                                \
        EXPECT_EQ(ErreursFitsverify(nom, &_s), 0) << _s.toStdString();                                           \
    } while (0)

#ifdef STELOR_AVEC_CFITSIO
// The image as cfitsio reads it into doubles: [row in file order][x].
struct TLuCfitsio {
    long l = 0, h = 0;
    std::vector<double> v;
    double At(int x, int y) const { return v[static_cast<size_t>(h - 1 - y) * l + x]; }
};

TLuCfitsio LireCfitsio(const QString& nom)
{
    TLuCfitsio r;
    fitsfile* f = nullptr;
    int status = 0;
    const QByteArray n = QFile::encodeName(nom);
    fits_open_file(&f, n.constData(), READONLY, &status);
    long naxes[2] = {0, 0};
    fits_get_img_size(f, 2, naxes, &status);
    r.l = naxes[0];
    r.h = naxes[1];
    r.v.resize(static_cast<size_t>(r.l * r.h));
    double nul = 0;
    int anynul = 0;
    fits_read_img(f, TDOUBLE, 1, r.l * r.h, &nul, r.v.data(), &anynul, &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0) << nom.toStdString();
    return r;
}
#endif

// Raw samples of every kind: edges of the signed and unsigned ranges.
std::vector<uint16_t> Echantillons(int n)
{
    std::vector<uint16_t> v(n);
    const uint16_t bords[] = {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    for (int i = 0; i < n; ++i)
        v[i] = i < 8 ? bords[i] : static_cast<uint16_t>(i * 2654435761u >> 16);
    return v;
}

} // namespace

// ---------------------------------------------------------------------------
// Cards
// ---------------------------------------------------------------------------

TEST(CartesFit, RoutinesDeCartes)
{
    EXPECT_EQ(MotCleCarte("NAXIS1  =                  440 / length"), "NAXIS1");
    EXPECT_EQ(MotCleCarte("  COMMENT sans egal  "), "COMMENT sans egal");
    EXPECT_EQ(ValeurCarte("NAXIS1  =                  440 / length"), "440 / length");
    EXPECT_EQ(ValeurCarte("HISTORY rien"), "");
    EXPECT_EQ(ValeurCarteSansCommentaire("NAXIS1  =                  440 / length"), "440");
    EXPECT_EQ(ValeurCarteSansCommentaire("BZERO   = 32768"), "32768");
    const QString n = NormaliserCarte("NAXIS = 2");
    EXPECT_EQ(n, QString("NAXIS   = 2").leftJustified(80));
    EXPECT_EQ(n.size(), 80);
    EXPECT_EQ(NormaliserCarte("COMMENT x"), QString("COMMENT x").leftJustified(80));
    EXPECT_EQ(NormaliserCarte("=x"), QString("=x").leftJustified(80));
    EXPECT_EQ(NormaliserCarte("LONGKEYWORD= 5").left(14), "LONGKEYWORD= 5");

    QStringList e;
    CreerEnteteFit(768, 512, 16, 0, 65535, 0, e);
    ASSERT_EQ(e.size(), 9);
    const QStringList attendu = {
        "SIMPLE  =                    T", "BITPIX  =                   16", "NAXIS   =                    2",
        "NAXIS1  =                  768", "NAXIS2  =                  512", "STL_SMIN=                    0",
        "STL_SMAX=                65535", "STL_TRFT=                    0", "END"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(e[i], attendu[i].leftJustified(80)) << i;
        EXPECT_EQ(e[i].size(), 80);
    }
    CreerEnteteFit(2, 2, 16, -5, 7, -11.001, e);
    EXPECT_EQ(e[5].trimmed(), "STL_SMIN=                   -5");
    EXPECT_EQ(e[7].trimmed(), "STL_TRFT=              -11.001");

    THistoFit im = Nouvelle();
    InitialiserImageFit(im, 3, 4, 0);
    FixerDimensionsEnteteFit(im, 12, 345);
    EXPECT_EQ(im.Entete[3], QString("NAXIS1  =                   12").leftJustified(80));
    EXPECT_EQ(im.Entete[4], QString("NAXIS2  =                  345").leftJustified(80));
    AjouterBZeroFit(im, 32768);
    EXPECT_EQ(im.Entete[5], QString("BZERO   =                32768").leftJustified(80));
    EXPECT_EQ(LireBZeroFit(im), 32768);
    SupprimerBZeroFit(im);
    EXPECT_EQ(im.Entete.size(), 9);
    SupprimerBZeroFit(im); // none: nothing happens
    EXPECT_EQ(im.Entete.size(), 9);
    THistoFit sans = Nouvelle();
    sans.Entete = {"SIMPLE  =                    T", "END"};
    AjouterBZeroFit(sans, 10); // no NAXIS2: before the last card
    EXPECT_EQ(MotCleCarte(sans.Entete[1]), "BZERO");
    EXPECT_EQ(sans.Entete[2], "END");
}

TEST(CartesFit, LecteursDeValeurs)
{
    QStringList e = Base(10, 20);
    e << C("NAXIS1", "30") << C("BSCALE", "1.0 / scale") << C("BZERO", "32768 / offset") << C("STL_SMIN", "-5000000")
      << C("STL_SMAX", "70000") << C("STL_TRFT", "3.5");
    EXPECT_EQ(LireNaxis1Fit(e), 30); // the last card wins
    EXPECT_EQ(LireNaxis2Fit(e), 20);
    EXPECT_EQ(LireBScaleFit(e), 1);
    EXPECT_EQ(LireBZeroFit(e), 32768);
    EXPECT_EQ(LireSMinEnteteFit(e), -5000000);
    EXPECT_EQ(LireSMaxEnteteFit(e), 70000);
    EXPECT_EQ(LireTransfertEnteteFit(e), 3.5);
    EXPECT_EQ(LireTransfertEnteteFit(QStringList{C("STL_TRFT", "3,5")}), 3.5);
    EXPECT_EQ(LireTransfertEnteteFit(QStringList{C("STL_TRFT", "-11,001")}), -11.001);
    EXPECT_EQ(LireTransfertEnteteFit(QStringList{C("STL_TRFT", "3.7")}), 0); // off the ladder
    EXPECT_EQ(LireTransfertEnteteFit(QStringList{C("STL_TRFT", "2")}), 2);
    EXPECT_EQ(LireTransfertEnteteFit(QStringList{C("STL_TRFT", "abc")}), 0);
    // Defaults
    EXPECT_EQ(LireBZeroFit(QStringList{}), 0);
    EXPECT_EQ(LireBScaleFit(QStringList{}), 1);
    EXPECT_EQ(LireBScaleFit(QStringList{C("BSCALE", "'un'")}), 1);
    EXPECT_EQ(LireNaxis1Fit(QStringList{C("NAXIS1", "-5")}), 0);        // digits only
    EXPECT_EQ(LireNaxis1Fit(QStringList{C("NAXIS1", "4294967296")}), 0); // beyond 32 bits
    EXPECT_EQ(LireNaxis1Fit(QStringList{C("NAXIS1", "2147483647")}), 2147483647);
    EXPECT_EQ(LireSMinEnteteFit(QStringList{C("STL_SMIN", "12,5")}), 0);
    EXPECT_EQ(LireSMinEnteteFit(QStringList{C("STL_SMIN", "99999999999")}), 0);
    EXPECT_EQ(LireSMinEnteteFit(QStringList{"STL_SMIN=                  100 / commentaire"}), 0);
    // One number reading: exponents, D exponents.
    EXPECT_EQ(LireBZeroFit(QStringList{C("BZERO", "3.2768E4")}), 32768);
    EXPECT_EQ(LireBZeroFit(QStringList{C("BZERO", "3.2768D+04")}), 32768);
    EXPECT_EQ(LireBScaleFit(QStringList{C("BSCALE", "1.0E0")}), 1);
    EXPECT_EQ(LireBScaleFit(QStringList{C("BSCALE", "1.0E")}), 1); // no number: default
    EXPECT_EQ(LireBZeroFit(QStringList{C("BZERO", "1E400")}), 0);
    double v = 0;
    EXPECT_TRUE(TexteCarteEnReel("0.045777764213996", v));
    EXPECT_EQ(v, 0.045777764213996);
    EXPECT_TRUE(TexteCarteEnReel("-1500.", v));
    EXPECT_EQ(v, -1500);
    EXPECT_FALSE(TexteCarteEnReel("", v));
    EXPECT_FALSE(TexteCarteEnReel("1 2", v));
    EXPECT_FALSE(TexteCarteEnReel("12-3", v));
    EXPECT_EQ(TexteReelCourt(3.5), "3.5");
    EXPECT_EQ(TexteReelCourt(0), "0");
    EXPECT_EQ(TexteReelCourt(-21.001), "-21.001");
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

TEST(LectureFit, DecalageDesDonneesSelonLeNombreDeCartes)
{
    QTemporaryDir dir;
    for (int cartes : {9, 36, 37, 72, 73, 108, 109}) {
        QStringList e = Base(3, 2);
        while (e.size() < cartes - 1)
            e << QString("HISTORY carte %1").arg(e.size());
        const QString nom = dir.filePath(QString("c%1.fit").arg(cartes));
        Ecrire(nom, Fichier(e, {1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(CompterCartesFit(nom), cartes);
        THistoFit im = Charger(nom);
        // File row 0 is the bottom row.
        EXPECT_EQ(im.Pixel(0, 1), 1) << cartes;
        EXPECT_EQ(im.Pixel(2, 1), 3) << cartes;
        EXPECT_EQ(im.Pixel(0, 0), 4) << cartes;
        EXPECT_EQ(im.Pixel(2, 0), 6) << cartes;
        EXPECT_EQ(im.Min, 1);
        EXPECT_EQ(im.Max, 6);
    }
    // The offsets in bytes, as cfitsio places them, are checked with the
    // cfitsio files below.
}

TEST(LectureFit, DecodageBZero)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("bz.fit");
    QStringList e = Base(3, 1);
    e << C("BZERO", "32768");
    Ecrire(nom, Fichier(e, {0x8000, 0x7FFF, 0}));
    THistoFit im = Charger(nom);
    EXPECT_EQ(im.Pixel(0, 0), 0);
    EXPECT_EQ(im.Pixel(1, 0), 65535);
    EXPECT_EQ(im.Pixel(2, 0), 32768);
    EXPECT_EQ(im.Min, 0);
    EXPECT_EQ(im.Max, 65535);

    // BZERO 0: samples read as 0..65535 and kept.
    Ecrire(nom, Fichier(Base(3, 1), {0xFFFF, 0x8000, 7}));
    im = Charger(nom);
    EXPECT_EQ(im.Pixel(0, 0), 65535);
    EXPECT_EQ(im.Pixel(1, 0), 32768);
    EXPECT_EQ(im.Pixel(2, 0), 7);

    // A decoded minimum of -100 is shifted to 0; the maximum grows by 100.
    e = Base(3, 1);
    e << C("BSCALE", "-1");
    Ecrire(nom, Fichier(e, {100, 50, 0}));
    im = Charger(nom);
    EXPECT_EQ(im.Pixel(0, 0), 0);
    EXPECT_EQ(im.Pixel(1, 0), 50);
    EXPECT_EQ(im.Pixel(2, 0), 100);
    EXPECT_EQ(im.Min, 0);
    EXPECT_EQ(im.Max, 100);

    // Another BZERO decodes as standard signed samples (as cfitsio does).
    e = Base(4, 1);
    e << C("BZERO", "1500.0") << C("BSCALE", "0.5");
    Ecrire(nom, Fichier(e, {0, 2000, 0xFFFF, 0x8000}));
    im = Charger(nom);
    // Decoded 1500, 2500, 1499.5, -14884, then shifted by the minimum.
    EXPECT_EQ(im.Pixel(0, 0), 16384);
    EXPECT_EQ(im.Pixel(1, 0), 17384);
    EXPECT_EQ(im.Pixel(2, 0), 16383.5);
    EXPECT_EQ(im.Pixel(3, 0), 0);
    EXPECT_EQ(im.Max, 17384);

    // The reader and the value readers agree on an exponent.
    e = Base(2, 1);
    e << "BZERO   =  3.2768E4";
    Ecrire(nom, Fichier(e, {0x8000, 0x8005}));
    im = Charger(nom);
    EXPECT_EQ(LireBZeroFit(im), 32768);
    EXPECT_EQ(im.Pixel(0, 0), 0);
    EXPECT_EQ(im.Pixel(1, 0), 5);
}

TEST(LectureFit, CompletionDeLEnteteEtNiveaux)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("e.fit");
    QStringList e = Base(4, 1);
    e << "COMMENT rien";
    Ecrire(nom, Fichier(e, {840, 840, 840, 12}));
    THistoFit im = Charger(nom);
    ASSERT_EQ(im.Entete.size(), 11);
    EXPECT_EQ(im.Entete[5], QString("COMMENT rien").leftJustified(80));
    EXPECT_EQ(im.Entete[6], "STL_SMIN=                  420");
    EXPECT_EQ(im.Entete[7], "STL_SMAX=                 1680");
    EXPECT_EQ(im.Entete[8], "STL_TRFT=                    0");
    EXPECT_EQ(im.Entete[9], "RELEASE ='Stelor 2.0 Avril 2008'");
    EXPECT_EQ(im.Entete[10], QString("END").leftJustified(80));
    EXPECT_EQ(im.SMin, 420);
    EXPECT_EQ(im.SMax, 1680);
    EXPECT_EQ(im.TRFT, 0);

    e = Base(4, 1);
    e << C("STL_SMIN", "100") << C("STL_SMAX", "-3") << C("STL_TRFT", "-11,001") << "RELEASE ='autre'";
    Ecrire(nom, Fichier(e, {840, 840, 840, 12}));
    im.Zoom = 50;
    LireFichierFit(im, nom);
    ASSERT_EQ(im.Entete.size(), 10); // unchanged: the file's 80-character cards
    for (const QString& c : im.Entete)
        EXPECT_EQ(c.size(), 80);
    EXPECT_EQ(im.SMin, 100);
    EXPECT_EQ(im.SMax, -3);
    EXPECT_EQ(im.TRFT, -11.001);
    EXPECT_EQ(im.Zoom, 50); // kept
}

TEST(LectureFit, AutresBitpixNaxis3EtDonneesNonCompletees)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("b.fit");
    QStringList e = {C("SIMPLE", "T"), C("BITPIX", "8"), C("NAXIS", "3"), C("NAXIS1", "2"), C("NAXIS2", "2"),
                     C("NAXIS3", "3")};
    std::vector<uint16_t> d(12);
    for (int i = 0; i < 12; ++i)
        d[i] = static_cast<uint16_t>(100 + i);
    Ecrire(nom, Fichier(e, d, false)); // not padded
    EXPECT_EQ(QFileInfo(nom).size(), 2880 + 24);
    THistoFit im = Charger(nom);
    EXPECT_EQ(LargeurFit(im), 2);
    EXPECT_EQ(HauteurFit(im), 2);
    EXPECT_EQ(im.Pixel(0, 1), 100);
    EXPECT_EQ(im.Pixel(1, 0), 103);
    // Saved, it is a standard 16-bit 2-axis file.
    const QString sortie = dir.filePath("b2.fit");
    EnregistrerFit(im, sortie);
    EXPECT_EQ(LireBZeroFit(im), 0);
    EXPECT_TRUE(im.Entete[1].startsWith("BITPIX  =                   16"));
    EXPECT_TRUE(im.Entete[2].startsWith("NAXIS   =                    2"));
    for (const QString& c : im.Entete)
        EXPECT_NE(MotCleCarte(c), "NAXIS3");
    ATTENDRE_FITSVERIFY_SANS_ERREUR(sortie);
    THistoFit relu = Charger(sortie);
    EXPECT_EQ(relu.Pixels, im.Pixels);
}

TEST(LectureFit, FichiersMalFormesRefusesSansToucherLImage)
{
    QTemporaryDir dir;
    const QString bon = dir.filePath("bon.fit");
    Ecrire(bon, Fichier(Base(2, 2), {1, 2, 3, 4}));
    THistoFit im = Charger(bon);
    im.SMin = 77;
    const THistoFit avant = im;

    struct TCas {
        const char* nom;
        QByteArray contenu;
    };
    std::vector<TCas> cas;
    {
        QByteArray sansFin;
        for (const QString& c : Base(2, 2))
            sansFin += Carte(c);
        sansFin += QByteArray(2880 - sansFin.size(), ' ') + QByteArray(8, '\1');
        cas.push_back({"sans END", sansFin});
        cas.push_back({"vide", QByteArray()});
        cas.push_back({"court", QByteArray("SIMPLE  =")});
    }
    auto sans = [](const QString& cle) {
        QStringList e = Base(2, 2);
        e.erase(std::remove_if(e.begin(), e.end(), [&](const QString& c) { return c.startsWith(cle); }), e.end());
        return e;
    };
    cas.push_back({"sans NAXIS1", Fichier(sans("NAXIS1"), {1, 2, 3, 4})});
    cas.push_back({"sans NAXIS2", Fichier(sans("NAXIS2"), {1, 2, 3, 4})});
    auto avec = [](const QString& l, const QString& h) {
        return QStringList{C("SIMPLE", "T"), C("BITPIX", "16"), C("NAXIS", "2"), C("NAXIS1", l), C("NAXIS2", h)};
    };
    cas.push_back({"NAXIS1 nul", Fichier(avec("0", "2"), {1, 2, 3, 4})});
    cas.push_back({"NAXIS2 negatif", Fichier(avec("2", "-2"), {1, 2, 3, 4})});
    cas.push_back({"NAXIS1 sur 33 bits", Fichier(avec("4294967298", "1"), {1, 2, 3, 4})});
    cas.push_back({"donnees courtes", Fichier(avec("2", "3"), {1, 2, 3, 4}, false)});
    cas.push_back({"taille absurde", Fichier(avec("2147483647", "2147483647"), {1, 2, 3, 4})});
    cas.push_back({"juste un octet de trop", Fichier(avec("1441", "1"), std::vector<uint16_t>(1440, 9), false)});
    for (const TCas& c : cas) {
        const QString nom = dir.filePath("mauvais.fit");
        Ecrire(nom, c.contenu);
        try {
            LireFichierFit(im, nom);
            ADD_FAILURE() << c.nom;
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), ES_LectureApresFin) << c.nom;
            EXPECT_TRUE(e.Message().startsWith("Lecture au-delà de la fin de fichier")) << c.nom;
            EXPECT_TRUE(e.Message().contains("mauvais.fit")) << c.nom;
        }
        EXPECT_EQ(im.Pixels, avant.Pixels) << c.nom;
        EXPECT_EQ(im.Entete, avant.Entete) << c.nom;
        EXPECT_EQ(im.XMax, avant.XMax);
        EXPECT_EQ(im.Max, avant.Max);
        EXPECT_EQ(im.SMin, 77);
        int32_t l = 5, h = 6;
        EXPECT_THROW(DimensionsFichierFit(nom, l, h), EErreurFichier) << c.nom;
    }
    try {
        LireFichierFit(im, dir.filePath("absent.fit"));
        ADD_FAILURE();
    } catch (const EErreurFichier& e) {
        EXPECT_EQ(e.Message(), "Fichier introuvable");
    }
    EXPECT_EQ(im.Pixels, avant.Pixels);
}

TEST(LectureFit, DimensionsSeuilsEtListes)
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.fit"), b = dir.filePath("b.fit"), c = dir.filePath("c.fit");
    Ecrire(a, Fichier(Base(3, 2), {1, 2, 3, 4, 5, 6}));
    QStringList e = Base(3, 2);
    e << C("STL_SMIN", "10") << C("STL_SMAX", "20");
    Ecrire(b, Fichier(e, {1, 2, 3, 4, 5, 6}));
    Ecrire(c, Fichier(Base(2, 3), {1, 2, 3, 4, 5, 6}));
    int32_t l = 0, h = 0;
    DimensionsFichierFit(c, l, h);
    EXPECT_EQ(l, 2);
    EXPECT_EQ(h, 3);
    DimensionsFichierImage(a, l, h);
    EXPECT_EQ(l, 3);
    EXPECT_EQ(h, 2);
    l = h = -1;
    DimensionsFichierImage(dir.filePath("x.txt"), l, h);
    EXPECT_EQ(l, -1); // another kind leaves both
    DimensionsFichierImage(CheminDonnees("hubble_deep_field_8.bmp"), l, h);
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(h, 872);
    int32_t bas = -1, haut = -1;
    SeuilsFichierFit(b, bas, haut);
    EXPECT_EQ(bas, 10);
    EXPECT_EQ(haut, 20);

    QStringList textes;
    const auto etiquette = [&](const QString& t) { textes << t; };
    EXPECT_TRUE(ControlerTaillesListe({a, dir.filePath("absent.fit"), b}, etiquette, "Contrôle"));
    EXPECT_EQ(textes, QStringList({"Contrôle (2)", "Contrôle (1)", "Contrôle (0)", ""}));
    EXPECT_FALSE(ControlerTaillesListe({a, c, b}, nullptr, "x"));
    EXPECT_TRUE(ControlerTaillesListe({dir.filePath("absent.fit"), b}, nullptr, "x"));
    EXPECT_TRUE(ControlerTaillesListe(
        {CheminDonnees("hubble_deep_field_8.bmp"), CheminDonnees("hubble_deep_field_24.bmp")}, nullptr, "x"));
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

TEST(EcritureFit, DisposeDuFichierEtRegleBZero)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("w.fit");
    THistoFit im = Nouvelle();
    CreerImageFitRemplie(im, 3, 2, 0);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y)
            FixerPixelFit(im, x, y, 100 * x + 10 * y + 0.5);
    im.SMin = 5;
    im.SMax = 300;
    im.TRFT = 3.5;
    EnregistrerFit(im, nom);
    const QByteArray d = Lire(nom);
    ASSERT_EQ(d.size(), 2 * 2880); // 36 records, then the data padded with zeros
    EXPECT_EQ(d.mid(0, 80), Carte("SIMPLE  =                    T"));
    EXPECT_EQ(d.mid(5 * 80, 80), Carte("STL_SMIN=                    5"));
    EXPECT_EQ(d.mid(6 * 80, 80), Carte("STL_SMAX=                  300"));
    EXPECT_EQ(d.mid(7 * 80, 80), Carte("STL_TRFT=                  3.5"));
    EXPECT_EQ(d.mid(8 * 80, 80), Carte("END"));
    EXPECT_EQ(d.mid(9 * 80, 2880 - 9 * 80), QByteArray(2880 - 9 * 80, ' '));
    // Bottom row first: y = 1 then y = 0; 0.5 rounds to 0, 10.5 to 10.
    const uchar* p = reinterpret_cast<const uchar*>(d.constData()) + 2880;
    const int attendu[6] = {10, 110, 210, 0, 100, 200};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p[2 * i] * 256 + p[2 * i + 1], attendu[i]) << i;
    EXPECT_EQ(d.mid(2880 + 12), QByteArray(2880 - 12, '\0'));
    EXPECT_EQ(im.Entete[5], Carte("STL_SMIN=                    5"));
    ATTENDRE_FITSVERIFY_SANS_ERREUR(nom);

    // A maximum of 32768 or more inserts BZERO after NAXIS2 ...
    FixerPixelFit(im, 1, 1, 40000);
    EnregistrerFit(im, nom);
    EXPECT_EQ(im.Entete[5], QString("BZERO   =                32768").leftJustified(80));
    const QByteArray d2 = Lire(nom);
    EXPECT_EQ(d2.mid(5 * 80, 80), Carte("BZERO   =                32768"));
    const uchar* q = reinterpret_cast<const uchar*>(d2.constData()) + 2880;
    EXPECT_EQ(q[0] * 256 + q[1], 10 + 32768);           // 10 - 32768 as a signed sample
    EXPECT_EQ(q[2] * 256 + q[3], 40000 - 32768);        // 40000 - 32768
    ATTENDRE_FITSVERIFY_SANS_ERREUR(nom);
    THistoFit relu = Charger(nom);
    EXPECT_EQ(relu.Pixel(1, 1), 40000);
    EXPECT_EQ(relu.Pixel(0, 0), 0);
    // ... and once it falls below, BZERO goes.
    im.Max = 32767;
    im.Pixel(1, 1) = 32767;
    EnregistrerFit(im, nom);
    EXPECT_EQ(LireBZeroFit(im), 0);
    for (const QString& c : im.Entete)
        EXPECT_NE(MotCleCarte(c), "BZERO");
    EXPECT_EQ(Charger(nom).Pixel(1, 1), 32767);
}

TEST(EcritureFit, EnteteDeTrenteSixCartesSansCarteBlanche)
{
    QTemporaryDir dir;
    THistoFit im = Nouvelle();
    CreerImageFitRemplie(im, 2, 2, 7);
    while (im.Entete.size() < 36)
        im.Entete.insert(im.Entete.size() - 1, QString("HISTORY %1").arg(im.Entete.size()));
    const QString nom = dir.filePath("h.fit");
    EnregistrerFit(im, nom);
    const QByteArray d = Lire(nom);
    EXPECT_EQ(d.size(), 2 * 2880);
    EXPECT_EQ(d.mid(35 * 80, 80), Carte("END"));
    EXPECT_EQ(d.mid(2880, 8), QByteArray("\0\7\0\7\0\7\0\7", 8));
    ATTENDRE_FITSVERIFY_SANS_ERREUR(nom);
    EXPECT_EQ(CompterCartesFit(nom), 36);
    im.Entete.insert(35, "HISTORY encore une");
    EnregistrerFit(im, nom);
    EXPECT_EQ(Lire(nom).size(), 3 * 2880);
    EXPECT_EQ(CompterCartesFit(nom), 37);
    EXPECT_EQ(Charger(nom).Pixels, im.Pixels);
}

TEST(EcritureFit, AllerRetourQuelsQueSoientBZeroEtBScaleLus)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("r.fit");
    // Read with BZERO 1500 and BSCALE 0.0457...
    THistoFit im = Charger(CheminDonnees("scale_bscale_bzero_i16.fits"));
    EXPECT_NE(LireBScaleFit(im), 1);
    EnregistrerFit(im, nom);
    EXPECT_EQ(LireBScaleFit(im), 1);
    EXPECT_EQ(LireBZeroFit(im), 0);
    ATTENDRE_FITSVERIFY_SANS_ERREUR(nom);
    THistoFit relu = Charger(nom);
    ASSERT_EQ(relu.Pixels.size(), im.Pixels.size());
    for (size_t i = 0; i < im.Pixels.size(); ++i)
        ASSERT_EQ(relu.Pixels[i], std::nearbyint(im.Pixels[i])) << i;

    // Values above 32767, read with BZERO 32768 and BSCALE 2.
    QStringList e = Base(4, 1);
    e << C("BZERO", "32768") << C("BSCALE", "2");
    Ecrire(nom, Fichier(e, {0, 1, 0x4000, 0x7FFF}));
    im = Charger(nom);
    EXPECT_EQ(im.Pixel(0, 0), 32768);
    EXPECT_EQ(im.Pixel(3, 0), 32768 + 2 * 32767);
    EXPECT_EQ(im.Max, 98302);
    EnregistrerFit(im, nom);
    EXPECT_EQ(LireBScaleFit(im), 1);
    EXPECT_EQ(LireBZeroFit(im), 32768);
    ATTENDRE_FITSVERIFY_SANS_ERREUR(nom);
    relu = Charger(nom);
    EXPECT_EQ(relu.Pixel(0, 0), 32768);
    EXPECT_EQ(relu.Pixel(1, 0), 32770);
    EXPECT_EQ(relu.Pixel(2, 0), 65535); // 65536 clamped
    EXPECT_EQ(relu.Pixel(3, 0), 65535);

    // Raw samples are clamped to 0..65535.
    im = Nouvelle();
    CreerImageFitRemplie(im, 3, 1, 0);
    im.Pixel(0, 0) = -5;
    im.Pixel(1, 0) = 1e12;
    im.Pixel(2, 0) = 65535.4;
    EnregistrerFit(im, nom);
    relu = Charger(nom);
    EXPECT_EQ(relu.Pixel(0, 0), 0);
    EXPECT_EQ(relu.Pixel(1, 0), 65535);
    EXPECT_EQ(relu.Pixel(2, 0), 65535);
}

TEST(EcritureFit, FichierBZero32768RecritTelQuel)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("u.fit"), sortie = dir.filePath("u2.fit");
    QStringList e = Base(8, 4);
    e << C("BSCALE", "1") << C("BZERO", "32768") << C("STL_SMIN", "0") << C("STL_SMAX", "65535")
      << C("STL_TRFT", "0") << "RELEASE ='Stelor 2.0 Avril 2008'";
    const std::vector<uint16_t> bruts = Echantillons(32);
    const QByteArray original = Fichier(e, bruts);
    Ecrire(nom, original);
    THistoFit im = Charger(nom);
    EnregistrerFit(im, sortie);
    EXPECT_EQ(Lire(sortie), original); // byte for byte
}

TEST(EcritureFit, UnEnregistrementRateLaisseLAncienFichier)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("garde.fit");
    THistoFit petit = Nouvelle();
    CreerImageFitRemplie(petit, 2, 2, 5);
    EnregistrerFit(petit, nom);
    const QByteArray avant = Lire(nom);

    THistoFit grand = Nouvelle();
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
    EXPECT_EQ(Lire(nom), avant);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"garde.fit"}); // no temporary left
    // A folder that does not exist.
    EXPECT_THROW(EnregistrerFit(petit, dir.filePath("absent/x.fit")), EErreurFichier);
    // An empty image.
    THistoFit vide = Nouvelle();
    EXPECT_THROW(EnregistrerFit(vide, nom), EStelor);
    EXPECT_EQ(Lire(nom), avant);
}

TEST(EcritureFit, FitsverifyAccepteToutCeQueStelorEcrit)
{
    QTemporaryDir dir;
    int i = 0;
    auto verifier = [&](THistoFit& im) {
        const QString nom = dir.filePath(QString("v%1.fit").arg(i++));
        EnregistrerFit(im, nom);
        QString s;
        EXPECT_EQ(ErreursFitsverify(nom, &s), 0) << s.toStdString();
        EXPECT_EQ(QFileInfo(nom).size() % 2880, 0);
    };
    THistoFit im = Nouvelle();
    CreerImageFitRemplie(im, 17, 5, 1000); // odd sizes: data padding
    verifier(im);
    for (double t : {3.5, -11.001, 1.25, -21.001, 6.0}) {
        im.TRFT = t;
        verifier(im);
    }
    im.SMin = -5000000;
    FixerPixelFit(im, 3, 3, 65535);
    verifier(im);
    // Accented and unprintable characters in cards, a BITPIX and an END in
    // the wrong place, a leftover BSCALE.
    im.Entete.insert(5, "COMMENT Décalage appliqué\tà l'image");
    im.Entete.insert(1, "END");
    im.Entete.insert(6, C("BSCALE", "'un'"));
    verifier(im);
    QImage bmp(33, 7, QImage::Format_Indexed8);
    bmp.fill(200);
    ImporterBitmapFit(im, bmp);
    verifier(im);
    for (const char* f : {"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits",
                          "scale_bscale_bzero_i16.fits"}) {
        THistoFit reel = Charger(CheminDonnees(f));
        verifier(reel);
    }
}

#ifdef STELOR_AVEC_CFITSIO

TEST(PairsFit, CfitsioRelitExactementNosValeurs)
{
    QTemporaryDir dir;
    for (bool grand : {false, true}) {
        THistoFit im = Nouvelle();
        CreerImageFitRemplie(im, 37, 23, 0);
        for (int x = 0; x < 37; ++x)
            for (int y = 0; y < 23; ++y)
                FixerPixelFit(im, x, y, grand ? std::fmod(x * 1777.3 + y * 911.7, 65536.0) : x * 31 + y * 0.5);
        FixerPixelFit(im, 0, 0, 0);
        if (grand)
            FixerPixelFit(im, 1, 0, 65535);
        const QString nom = dir.filePath(grand ? "g.fit" : "p.fit");
        EnregistrerFit(im, nom);
        const TLuCfitsio lu = LireCfitsio(nom);
        ASSERT_EQ(lu.l, 37);
        ASSERT_EQ(lu.h, 23);
        for (int x = 0; x < 37; ++x)
            for (int y = 0; y < 23; ++y)
                ASSERT_EQ(lu.At(x, y), std::nearbyint(im.Pixel(x, y))) << x << "," << y;
    }
}

TEST(PairsFit, FichiersNonSignesEcritsParCfitsio)
{
    QTemporaryDir dir;
    for (int cartes : {36, 37, 73, 80}) {
        const QString nom = dir.filePath(QString("cf%1.fits").arg(cartes));
        const QByteArray n = "!" + QFile::encodeName(nom);
        fitsfile* f = nullptr;
        int status = 0;
        long naxes[2] = {29, 13};
        fits_create_file(&f, n.constData(), &status);
        fits_create_img(f, USHORT_IMG, 2, naxes, &status);
        int nkeys = 0, more = 0;
        fits_get_hdrspace(f, &nkeys, &more, &status);
        for (int k = nkeys; k < cartes - 1; ++k) {
            const QByteArray h = QString("carte %1").arg(k).toLatin1();
            fits_write_history(f, h.constData(), &status);
        }
        fits_get_hdrspace(f, &nkeys, &more, &status);
        ASSERT_EQ(nkeys + 1, cartes);
        std::vector<unsigned short> d(29 * 13);
        for (size_t i = 0; i < d.size(); ++i)
            d[i] = i < 8 ? Echantillons(8)[i] : static_cast<unsigned short>(i * 2654435761u >> 16);
        fits_write_img(f, TUSHORT, 1, static_cast<LONGLONG>(d.size()), d.data(), &status);
        fits_close_file(f, &status);
        ASSERT_EQ(status, 0);

        EXPECT_EQ(CompterCartesFit(nom), cartes);
        const TLuCfitsio lu = LireCfitsio(nom);
        THistoFit im = Charger(nom);
        ASSERT_EQ(LargeurFit(im), 29);
        ASSERT_EQ(HauteurFit(im), 13);
        for (int x = 0; x < 29; ++x)
            for (int y = 0; y < 13; ++y)
                ASSERT_EQ(im.Pixel(x, y), lu.At(x, y)) << cartes << ": " << x << "," << y;
        EXPECT_EQ(im.Min, 0);
        EXPECT_EQ(im.Max, 65535);
        // And back: what we write cfitsio reads the same.
        const QString copie = dir.filePath(QString("cf%1-copie.fit").arg(cartes));
        EnregistrerFit(im, copie);
        ATTENDRE_FITSVERIFY_SANS_ERREUR(copie);
        EXPECT_EQ(LireCfitsio(copie).v, lu.v);
    }
}

TEST(PairsFit, FichiersReelsCommeCfitsio)
{
    for (const char* f : {"m51_i16_256.fits", "ngc1316_optical_i16.fits", "saao_raw_u16.fits",
                          "scale_bscale_bzero_i16.fits"}) {
        const QString nom = CheminDonnees(f);
        const TLuCfitsio lu = LireCfitsio(nom);
        THistoFit im = Charger(nom);
        ASSERT_EQ(LargeurFit(im), lu.l) << f;
        ASSERT_EQ(HauteurFit(im), lu.h) << f;
        double mn = 1e300, mx = -1e300;
        for (int x = 0; x < lu.l; ++x)
            for (int y = 0; y < lu.h; ++y) {
                ASSERT_NEAR(im.Pixel(x, y), lu.At(x, y), 1e-9) << f << " " << x << "," << y;
                mn = std::min(mn, lu.At(x, y));
                mx = std::max(mx, lu.At(x, y));
            }
        EXPECT_NEAR(im.Min, mn, 1e-9) << f;
        EXPECT_NEAR(im.Max, mx, 1e-9) << f;
    }
}

#endif

TEST(PairsFit, FichiersReelsCommeAstropy)
{
    const QString script = R"(
import sys
from astropy.io import fits
import numpy as np
for f in sys.argv[1:]:
    d = fits.getdata(f).astype(np.float64)
    h, l = d.shape
    print(l, h, repr(float(d.sum())), repr(float(d.min())), repr(float(d.max())),
          repr(float(d[0, 0])), repr(float(d[h - 1, l - 1])), repr(float(d[h // 3, l // 2])))
)";
    const QStringList fichiers = {CheminDonnees("m51_i16_256.fits"), CheminDonnees("ngc1316_optical_i16.fits"),
                                  CheminDonnees("saao_raw_u16.fits"), CheminDonnees("scale_bscale_bzero_i16.fits")};
    QString sortie;
    const int rc = LancerProgramme("/usr/bin/python3", QStringList{"-c", script} + fichiers, &sortie);
    if (rc != 0)
        GTEST_SKIP() << "astropy indisponible : " << sortie.toStdString();
    const QStringList lignes = sortie.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lignes.size(), fichiers.size()) << sortie.toStdString();
    for (int i = 0; i < fichiers.size(); ++i) {
        const QStringList v = lignes[i].split(' ');
        ASSERT_EQ(v.size(), 8);
        const THistoFit im = Charger(fichiers[i]);
        const int l = v[0].toInt(), h = v[1].toInt();
        ASSERT_EQ(LargeurFit(im), l);
        ASSERT_EQ(HauteurFit(im), h);
        // astropy scales to 32-bit floats: compare to their precision.
        const auto proche = [](double a, double b) { return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b)); };
        double somme = 0;
        for (double p : im.Pixels)
            somme += p;
        EXPECT_TRUE(proche(somme, v[2].toDouble())) << somme << " " << v[2].toStdString();
        EXPECT_TRUE(proche(im.Min, v[3].toDouble()));
        EXPECT_TRUE(proche(im.Max, v[4].toDouble()));
        EXPECT_TRUE(proche(im.Pixel(0, h - 1), v[5].toDouble())); // first file row is the bottom one
        EXPECT_TRUE(proche(im.Pixel(l - 1, 0), v[6].toDouble()));
        EXPECT_TRUE(proche(im.Pixel(l / 2, h - 1 - h / 3), v[7].toDouble()));
    }
}

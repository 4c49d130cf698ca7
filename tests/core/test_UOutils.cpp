#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UOutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(Nombres, BornesEtValeurNonNulle)
{
    EXPECT_EQ(BornerEntier(5, 10, 0), 10); // inverted bounds: the low one wins
    EXPECT_EQ(BornerEntier(-3, 0, 10), 0);
    EXPECT_EQ(BornerEntier(11, 0, 10), 10);
    EXPECT_DOUBLE_EQ(BornerReel(2.5, 0, 1), 1);
    EXPECT_DOUBLE_EQ(BornerReel(0.5, 3, 1), 3);
    EXPECT_DOUBLE_EQ(ValeurNonNulle(0, 7), 7);
    EXPECT_DOUBLE_EQ(ValeurNonNulle(-0.0, 7), 7);
    EXPECT_DOUBLE_EQ(ValeurNonNulle(1e-300, 7), 1e-300);
    int32_t a = 1, b = 2;
    EchangerEntiers(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(Nombres, ReelEnTexteVirguleEtArrondi)
{
    EXPECT_EQ(ReelEnTexte(0.2, 1), "0,2");
    EXPECT_EQ(ReelEnTexte(32768, 0), "32768");
    // Halves to even.
    EXPECT_EQ(ReelEnTexte(2.5, 0), "2");
    EXPECT_EQ(ReelEnTexte(3.5, 0), "4");
    EXPECT_EQ(ReelEnTexte(-1.25, 1), "-1,2");
    EXPECT_EQ(ReelEnTexte(0.0015, 3), "0,002");
    // 1.015 is stored as 1.01499999...; at 15 significant digits it is the half 1,015.
    EXPECT_EQ(ReelEnTexte(1.015, 2), "1,02");
    // Digits beyond the 15th are zeros.
    EXPECT_EQ(ReelEnTexte(0.1 + 0.2, 17), "0,30000000000000000");
    EXPECT_EQ(ReelEnTexte(123456789012345678.0, 0), "123456789012346000");
    EXPECT_EQ(ReelEnTexte(9.999, 2), "10,00");
    EXPECT_EQ(ReelEnTexte(0, 3), "0,000");
    EXPECT_EQ(ReelEnTexte(-0.04, 1), "0,0");
    EXPECT_EQ(ReelEnTexte(-0.5, 0), "0");
    EXPECT_EQ(ReelEnTexte(0.0004, 3), "0,000");
    EXPECT_EQ(ReelEnTexte(1e20, 0), "100000000000000000000");
    EXPECT_EQ(ReelEnTexte(1, 25), "1,000000000000000000"); // at most 18 decimals
    EXPECT_EQ(ReelEnTexte(std::nan(""), 2), "NAN");
}

TEST(Nombres, ReelEnTexteGeneral)
{
    EXPECT_EQ(ReelEnTexteGeneral(0.7), "0,7");
    EXPECT_EQ(ReelEnTexteGeneral(1.25), "1,25");
    EXPECT_EQ(ReelEnTexteGeneral(2.0), "2");
    EXPECT_EQ(ReelEnTexteGeneral(0.1 + 0.2), "0,3");
    EXPECT_EQ(ReelEnTexteGeneral(-0.001), "-0,001");
    EXPECT_EQ(ReelEnTexteGeneral(1e14), "100000000000000");
    EXPECT_EQ(ReelEnTexteGeneral(1e15), "1E15");
    EXPECT_EQ(ReelEnTexteGeneral(1e-5), "1E-5");
    for (const double v : {0.7, 123.456, 1e-7, -2.5e20, 65535.0})
        EXPECT_EQ(TexteEnReel(ReelEnTexteGeneral(v)), v) << v;
}

TEST(Nombres, ConversionsDesTextes)
{
    EXPECT_EQ(TexteEnReel("1,5"), 1.5);
    EXPECT_EQ(TexteEnReel(" -2,25 "), -2.25);
    EXPECT_EQ(TexteEnReel("+3"), 3.0);
    EXPECT_EQ(TexteEnReel(",5"), 0.5);
    EXPECT_EQ(TexteEnReel("5,"), 5.0);
    EXPECT_EQ(TexteEnReel("1,5E3"), 1500.0);
    EXPECT_EQ(TexteEnReel("1e-400"), 0.0);
    for (const char* faux : {"1.5", "", "-", ",", "1,2,3", "1e", "inf", "nan", "1e400", "0x10", "1 2", "--1"})
        EXPECT_FALSE(TexteEnReel(faux).has_value()) << faux;

    EXPECT_EQ(TexteEnEntier("42"), 42);
    EXPECT_EQ(TexteEnEntier("+7"), 7);
    EXPECT_EQ(TexteEnEntier("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TexteEnEntier("2147483647"), std::numeric_limits<int32_t>::max());
    for (const char* faux : {"2147483648", "-2147483649", "99999999999999999999", "12a", "", "-", "1,0"})
        EXPECT_FALSE(TexteEnEntier(faux).has_value()) << faux;

    EXPECT_DOUBLE_EQ(TexteEnReelDefaut("x", 0.7), 0.7);
    try {
        ConvertirReel("abc");
        FAIL();
    } catch (const EStelor& e) {
        EXPECT_EQ(e.Message(), "'abc' n'est pas une valeur en virgule flottante correcte");
    }
    try {
        ConvertirEntier("1,5");
        FAIL();
    } catch (const EStelor& e) {
        EXPECT_EQ(e.Message(), "'1,5' n'est pas une valeur entière correcte");
    }
}

TEST(Textes, TestsDesTextes)
{
    EXPECT_TRUE(EstTexteReel("+1,5"));
    EXPECT_TRUE(EstTexteReel("12"));
    EXPECT_FALSE(EstTexteReel(""));
    EXPECT_FALSE(EstTexteReel("1.5"));
    EXPECT_FALSE(EstTexteReel("1e5"));
    EXPECT_FALSE(EstTexteReel("12-3"));
    EXPECT_FALSE(EstTexteReel("+-1"));
    EXPECT_TRUE(EstTexteEntierSigne("-12"));
    EXPECT_FALSE(EstTexteEntierSigne("1,5"));
    EXPECT_FALSE(EstTexteEntierSigne(""));
    EXPECT_TRUE(EstTexteEntier("0123"));
    EXPECT_FALSE(EstTexteEntier("-1"));
    EXPECT_FALSE(EstTexteEntier(""));
    EXPECT_TRUE(EstSigneEnTete("-5"));
    EXPECT_FALSE(EstSigneEnTete("5-"));
    EXPECT_EQ(PointEnVirgule("1.2.3"), "1,2,3");
}

TEST(Textes, PreselectionsEtCouleurs)
{
    EXPECT_EQ(ValeurSuivanteListe(60), 120);
    EXPECT_EQ(ValeurSuivanteListe(240), 500);
    EXPECT_EQ(ValeurSuivanteListe(500), 500);
    EXPECT_EQ(ValeurPrecedenteListe(60), 60);
    EXPECT_EQ(ValeurPrecedenteListe(120), 60);
    EXPECT_EQ(ValeurPrecedenteListe(500), 240);
    EXPECT_EQ(ValeurSuivanteListe(100), 120); // not in the table: counts as the first entry
    EXPECT_EQ(ValeurPrecedenteListe(100), 60);

    EXPECT_EQ(CouleurRVB(1, 2, 3), 0x030201);
    EXPECT_EQ(IndexCouleur(255), 0);
    EXPECT_EQ(IndexCouleur(32768), 1);
    EXPECT_EQ(IndexCouleur(0xFF0000), 2);
    EXPECT_EQ(CouleurIndex(1), 32768);
    // Class-library values: the low byte is red.
    EXPECT_EQ(CouleurEnQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(CouleurEnQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(CouleurEnQColor(32768), QColor(0, 128, 0));
    EXPECT_EQ(QColorEnCouleur(QColor(10, 20, 30)), 10 + 20 * 256 + 30 * 65536);
    EXPECT_TRUE(CouleurEnQColor(clAppWorkSpace).isValid());
}

namespace {

QImage Bitmap8(int l, int h, int niveau)
{
    QImage b(l, h, QImage::Format_Indexed8);
    QList<QRgb> gris;
    for (int i = 0; i < 256; ++i)
        gris << qRgb(i, i, i);
    b.setColorTable(gris);
    b.fill(static_cast<uint>(niveau));
    return b;
}

QImage Bitmap24(int l, int h)
{
    QImage b(l, h, QImage::Format_BGR888);
    b.fill(Qt::black);
    return b;
}

// Red, green, blue of a 24-bit pixel read from its bytes (blue first).
std::array<int, 3> RVB(const QImage& b, int x, int y)
{
    const uchar* p = b.constScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

} // namespace

TEST(Bitmaps, RemplissagesEtApercus)
{
    QImage b = Bitmap24(4, 3);
    RemplirBitmapCouleur(b, 255);
    EXPECT_EQ(RVB(b, 3, 2), (std::array<int, 3>{255, 0, 0}));
    RemplirBitmapGris(b);
    EXPECT_EQ(RVB(b, 0, 0), (std::array<int, 3>{128, 128, 128}));

    // The mean of the bounds shows as 127.5, which rounds to the even 128.
    RemplirBitmapValeur(b, true, false, true, 0, 2, "1");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{128, 0, 128}));
    RemplirBitmapValeur(b, false, true, false, 0, 2, "3");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{0, 255, 0}));
    RemplirBitmapValeur(b, true, true, true, 0, 2, "-1");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{0, 0, 0}));
    // Huge values and bounds whose mean is 0 stay within the channel.
    RemplirBitmapValeur(b, true, true, true, 0, 2, "1E308");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{255, 255, 255}));
    RemplirBitmapValeur(b, true, false, false, -1, 1, "1");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{255, 0, 0}));
    RemplirBitmapValeur(b, true, false, false, -1, 1, "0");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{0, 0, 0}));
    RemplirBitmapValeur(b, true, false, false, 0, 2, "");
    EXPECT_EQ(RVB(b, 1, 1), (std::array<int, 3>{128, 128, 128}));
    EXPECT_THROW(RemplirBitmapValeur(b, true, false, false, 0, 2, "1.5"), EStelor);

    // Red from the first text, green from the second: 1 x 127.5 / 2 = 63.75 -> 64.
    RemplirBitmapDeuxValeurs(b, "2", "1", 0, 2, 0, 4);
    EXPECT_EQ(RVB(b, 2, 0), (std::array<int, 3>{255, 64, 0}));
    RemplirBitmapDeuxValeurs(b, "2", "", 0, 2, 0, 4);
    EXPECT_EQ(RVB(b, 2, 0), (std::array<int, 3>{128, 128, 128}));

    QImage g = Bitmap8(3, 3, 0);
    RemplirBitmapNiveau(g, 0x1234); // low byte 0x34
    EXPECT_EQ(g.pixelIndex(2, 2), 0x34);
    RemplirBitmapGris(g);
    EXPECT_EQ(g.pixelIndex(0, 0), 128);
}

TEST(Bitmaps, CroixSansPointFinalEtCouleurSur8Bits)
{
    QImage g = Bitmap8(40, 40, 0);
    DessinerCroix(g, 20, 20, 255);
    // Move-to/line-to: x-10 .. x+9 and y-10 .. y+9, in white on 8 bits.
    int blancs = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            blancs += g.pixelIndex(x, y) == 255;
    EXPECT_EQ(blancs, 20 + 20 - 1);
    EXPECT_EQ(g.pixelIndex(10, 20), 255);
    EXPECT_EQ(g.pixelIndex(29, 20), 255);
    EXPECT_EQ(g.pixelIndex(30, 20), 0);
    EXPECT_EQ(g.pixelIndex(9, 20), 0);
    EXPECT_EQ(g.pixelIndex(20, 10), 255);
    EXPECT_EQ(g.pixelIndex(20, 30), 0);

    QImage c = Bitmap24(40, 40);
    DessinerCroix(c, 20, 20, 0xFF0000);
    EXPECT_EQ(RVB(c, 25, 20), (std::array<int, 3>{0, 0, 255}));

    // Clipped at the edges (the sanitizer watches the writes).
    QImage petit = Bitmap8(10, 10, 0);
    DessinerCroix(petit, 2, 2, 255);
    DessinerCroix(petit, -50, 300, 255);
    MarquerPixel(petit, 10, 0, 255);
    MarquerPixel(petit, 9, 9, 255);
    EXPECT_EQ(petit.pixelIndex(0, 2), 255);
    EXPECT_EQ(petit.pixelIndex(9, 2), 255);
    EXPECT_EQ(petit.pixelIndex(2, 9), 255);
    EXPECT_EQ(petit.pixelIndex(9, 9), 255);
}

TEST(Bitmaps, LignesRepereEtCadrePointille)
{
    QImage g = Bitmap8(10, 8, 100);
    DessinerLignesRepere(g, 3, 4, 0);
    EXPECT_EQ(g.pixelIndex(0, 4), 255);
    EXPECT_EQ(g.pixelIndex(8, 4), 255);
    EXPECT_EQ(g.pixelIndex(9, 4), 100); // end point left out
    EXPECT_EQ(g.pixelIndex(3, 6), 255);
    EXPECT_EQ(g.pixelIndex(3, 7), 100);

    QImage c = Bitmap8(20, 20, 100);
    DessinerCadre(c, 10, 10, 6, 4, 255); // l = 7, t = 8, corners to (13, 12)
    int peints = 0, horsContour = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            if (c.pixelIndex(x, y) == 100)
                continue;
            EXPECT_EQ(c.pixelIndex(x, y), 0); // black on 8 bits
            ++peints;
            const bool surContour = ((y == 8 || y == 12) && x >= 7 && x <= 13) || ((x == 7 || x == 13) && y >= 8 && y <= 12);
            horsContour += !surContour;
        }
    EXPECT_EQ(horsContour, 0);
    EXPECT_GT(peints, 4);
    EXPECT_LT(peints, 20); // dotted: the outline of 20 pixels has gaps
    EXPECT_EQ(c.pixelIndex(7, 8), 0);
}

TEST(Bitmaps, CroixTexteEtAxes)
{
    QImage g = Bitmap8(80, 60, 100);
    DessinerCroixTexte(g, 20, 20, 255, "12");
    EXPECT_EQ(g.pixelIndex(10, 10), 0); // the diagonal starts black
    bool blanc = false, noir = false;
    for (int y = 12; y < 30; ++y)
        for (int x = 31; x < 60; ++x) {
            blanc |= g.pixelIndex(x, y) == 255;
            noir |= g.pixelIndex(x, y) == 0;
        }
    EXPECT_TRUE(blanc); // text in white on a black background
    EXPECT_TRUE(noir);
    EXPECT_EQ(g.pixelIndex(30, 11), 100);

    QImage c = Bitmap24(80, 70);
    DessinerAxes(c, 255);
    EXPECT_EQ(RVB(c, 10, 10), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(RVB(c, 10, 50), (std::array<int, 3>{0, 0, 0}));
    bool rouge = false, fondBlanc = false;
    for (int y = 4; y < 20; ++y)
        for (int x = 55; x < 70; ++x) {
            rouge |= RVB(c, x, y) == std::array<int, 3>{255, 0, 0};
            fondBlanc |= RVB(c, x, y) == std::array<int, 3>{255, 255, 255};
        }
    EXPECT_TRUE(rouge);
    EXPECT_TRUE(fondBlanc);
}

TEST(NomsDeFichiers, Pieces)
{
    const QString nom = "/a.b/img.001.fit";
    EXPECT_EQ(NomFichierSansExtension(nom), "img");
    EXPECT_EQ(ExtensionFichier(nom), "b/img.001.fit");
    EXPECT_EQ(NomFichierSansChemin(nom), "img.001.fit");
    EXPECT_EQ(CheminFichier(nom), "/a.b/");
    EXPECT_EQ(CheminFichier("img.fit"), "");
    EXPECT_EQ(NomFichierSansChemin("img.fit"), "img.fit");
    EXPECT_EQ(ExtensionFichier("/d/img"), "");
    EXPECT_EQ(CompleterChaine("ab", 5, '*'), "ab***");
    EXPECT_EQ(CompleterChaine("abcdef", 3, '-'), "abcdef");
    EXPECT_EQ(CompleterChaine("x", 300, ' ').size(), 255);
    EXPECT_EQ(RepertoireApplication(), QCoreApplication::applicationDirPath() + "/");
}

TEST(NomsDeFichiers, NomSuivantTailleEtLignes)
{
    QTemporaryDir dir;
    const QString d = dir.path() + "/";
    EXPECT_EQ(NomFichierSuivant(d, "img", ".fit"), d + "img001.fit");
    EcrireFichierSur(d + "img001.fit", QByteArray("x"));
    EcrireFichierSur(d + "img002.fit", QByteArray("x"));
    EXPECT_EQ(NomFichierSuivant(d, "img", ".fit"), d + "img003.fit");
    for (int i = 1; i <= 999; ++i) {
        QFile f(d + QString("t%1").arg(i, 3, 10, QChar('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(NomFichierSuivant(d, "t", ""), d + "t1000");

    EcrireFichierSur(d + "taille", QByteArray(1234, 'a'));
    EXPECT_EQ(TailleFichier(d + "taille"), 1234);
    try {
        TailleFichier(d + "absent");
        FAIL();
    } catch (const EErreurFichier& e) {
        EXPECT_EQ(e.Code(), ES_FichierIntrouvable);
    }

    const std::pair<const char*, int> cas[] = {{"a\nb\n", 2}, {"a\r\nb", 2}, {"", 0}, {"\n\n", 2}, {"un", 1}};
    for (const auto& [texte, lignes] : cas) {
        EcrireFichierSur(d + "liste.vsn", QByteArray(texte));
        EXPECT_EQ(LireConfigurationVisionneuse(d + "liste.vsn"), lignes) << texte;
    }
    EXPECT_THROW(LireConfigurationVisionneuse(d + "absent.vsn"), EErreurFichier);
}

TEST(NomsDeFichiers, Comparaison)
{
    EXPECT_TRUE(ComparerNomsFichiers("img10.fit", "img9.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("img9.fit", "img10.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("a1.fit", "b1.fit"));
    EXPECT_TRUE(ComparerNomsFichiers("b1.fit", "a1.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("Img1.fit", "img1.fit")); // 'I' < 'i'
    EXPECT_TRUE(ComparerNomsFichiers("img1.fit", "img1.bmp"));  // extensions after prefixes
    EXPECT_TRUE(ComparerNomsFichiers("img010.fit", "img9.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("img010.fit", "img10.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("img10.fit", "img010.fit"));
    // One name without number: compared as texts, the empty one first.
    EXPECT_FALSE(ComparerNomsFichiers("img.fit", "img1.fit"));
    EXPECT_TRUE(ComparerNomsFichiers("img1.fit", "img.fit"));
    // Digit runs longer than any integer type.
    EXPECT_TRUE(ComparerNomsFichiers("IMG_20080415213046.fit", "IMG_20080415213045.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("IMG_20080415213045.fit", "IMG_20080415213046.fit"));
    EXPECT_TRUE(ComparerNomsFichiers("s_100000000000000000000.fit", "s_99999999999999999999.fit"));
    EXPECT_FALSE(ComparerNomsFichiers("a", "b"));

    QStringList serie = {"img10.fit", "img9.fit", "img1.fit", "dark2.fit", "img100.fit"};
    std::sort(serie.begin(), serie.end(), [](const QString& a, const QString& b) { return ComparerNomsFichiers(b, a); });
    EXPECT_EQ(serie, (QStringList{"dark2.fit", "img1.fit", "img9.fit", "img10.fit", "img100.fit"}));
}

TEST(Listes, LibererListeLibereChaqueElement)
{
    static int liberes = 0;
    struct TElement {
        ~TElement() { ++liberes; }
    };
    QList<TElement*> liste = {new TElement, new TElement, new TElement};
    LibererListe(liste);
    EXPECT_EQ(liberes, 3);
    EXPECT_TRUE(liste.isEmpty());
}

#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UOutils.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

std::string T(const QString& s) { return s.toStdString(); }

// The message of the error a call raises ("" when it raises none).
template <class F> std::string Message(F appel)
{
    try {
        appel();
    } catch (const EStelor& e) {
        return T(e.Message());
    }
    return {};
}

} // namespace

TEST(Nombres, BornesEtValeurNonNulle)
{
    EXPECT_EQ(BornerEntier(5, 10, 0), 10); // inverted bounds: the low one wins
    EXPECT_EQ(BornerEntier(-3, 0, 10) + BornerEntier(11, 0, 10), 10);
    EXPECT_DOUBLE_EQ(BornerReel(0.5, 3, 1), 3);
    EXPECT_DOUBLE_EQ(ValeurNonNulle(-0.0, 7), 7); // exactly 0, whatever its sign
    EXPECT_DOUBLE_EQ(ValeurNonNulle(1e-300, 7), 1e-300);
}

TEST(Nombres, ReelEnTexte)
{
    const struct {
        double Valeur;
        int Decimales;
        const char* Texte;
    } cas[] = {
        {0.2, 1, "0,2"}, {32768, 0, "32768"}, {0.0015, 3, "0,002"}, {9.999, 2, "10,00"}, {0, 3, "0,000"},
        // A dropped half goes away from zero: the settings dialog shows 1.25 as 1,3.
        {1.25, 1, "1,3"}, {-1.25, 1, "-1,3"}, {2.5, 0, "3"}, {-0.5, 0, "-1"}, {-0.04, 1, "0,0"}, {0.0004, 3, "0,000"},
        // 1.015 is 1.01499999... in binary; at 15 significant digits it is the half 1,015.
        {1.015, 2, "1,02"}, {1.0149, 2, "1,01"},
        // Digits beyond the 15th are zeros; at most 18 decimals.
        {0.1 + 0.2, 17, "0,30000000000000000"}, {123456789012345678.0, 0, "123456789012346000"},
        {1e20, 0, "100000000000000000000"}, {1, 25, "1,000000000000000000"}, {std::nan(""), 2, "NAN"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(T(ReelEnTexte(c.Valeur, c.Decimales)), c.Texte) << c.Valeur << " " << c.Decimales;

    const std::pair<double, const char*> general[] = {{0.7, "0,7"},     {1.25, "1,25"},   {2.0, "2"},
                                                      {0.1 + 0.2, "0,3"}, {-0.001, "-0,001"}, {1e14, "100000000000000"},
                                                      {1e15, "1E15"},   {1e-5, "1E-5"}};
    for (const auto& [v, texte] : general)
        EXPECT_EQ(T(ReelEnTexteGeneral(v)), texte);
    // What the program writes reads back equal.
    for (const double v : {0.7, 1.25, -0.001, 1e15, 1e-5, 123.456, 1e-7, -2.5e20, 65535.0})
        EXPECT_EQ(TexteEnReel(ReelEnTexteGeneral(v)), v) << v;
}

TEST(Nombres, ConversionsDesTextes)
{
    const std::pair<const char*, double> reels[] = {{"1,5", 1.5}, {" -2,25 ", -2.25}, {"+3", 3},  {",5", 0.5},
                                                    {"5,", 5},    {"1,5E3", 1500},    {"1e-400", 0}};
    for (const auto& [texte, v] : reels)
        EXPECT_EQ(TexteEnReel(texte), v) << texte;
    for (const char* faux : {"1.5", "", "-", ",", "1,2,3", "1e", "inf", "nan", "1e400", "0x10", "1 2", "--1"})
        EXPECT_FALSE(TexteEnReel(faux).has_value()) << faux;

    EXPECT_EQ(TexteEnEntier("+7"), 7);
    EXPECT_EQ(TexteEnEntier("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TexteEnEntier("2147483647"), std::numeric_limits<int32_t>::max());
    for (const char* faux : {"2147483648", "-2147483649", "99999999999999999999", "12a", "", "-", "1,0"})
        EXPECT_FALSE(TexteEnEntier(faux).has_value()) << faux;
    EXPECT_DOUBLE_EQ(TexteEnReelDefaut("x", 0.7), 0.7);

    EXPECT_EQ(Message([] { ConvertirReel("abc"); }), "'abc' n'est pas une valeur en virgule flottante correcte");
    EXPECT_EQ(Message([] { ConvertirEntier("1,5"); }), "'1,5' n'est pas une valeur entière correcte");

    // Fields with bounds: a number too big to hold is an infinity of its
    // sign, one too small 0; a message quotes at most 40 characters.
    const QString neufs(500, QLatin1Char('9'));
    const std::pair<QString, std::optional<double>> satures[] = {
        {"1e999", HUGE_VAL}, {"-" + neufs + ",5", -HUGE_VAL}, {"1" + QString(400, '0') + "e-1", HUGE_VAL},
        {"1" + QString(400, '0') + "e-390", 1e10}, {",5e-999", 0.0}, {"1e999x", std::nullopt}};
    for (const auto& [texte, v] : satures)
        EXPECT_EQ(std::pair(TexteEnReelSature(texte), TexteEnReel(texte)),
                  std::pair(v, v && std::isfinite(*v) ? v : std::nullopt)) << T(texte);
    EXPECT_EQ(Message([&] { ConvertirReel(neufs); }),
              T("'" + QString(40, '9') + QChar(0x2026) + "' n'est pas une valeur en virgule flottante correcte"));
    const QString astral = QString(39, 'a') + QString::fromUtf8("𝛼𝛼");
    EXPECT_EQ(TexteCite(astral), QString(39, 'a') + QChar(0x2026));
}

TEST(Textes, TestsDesTextesEtPreselections)
{
    // text: real, signed integer, integer
    const std::tuple<const char*, bool, bool, bool> tests[] = {
        {"+1,5", true, false, false}, {"-,5", true, false, false},  {"-12", true, true, false}, {"0123", true, true, true},
        {"", false, false, false},    {"1.5", false, false, false}, {"1e5", false, false, false},
        {"12-3", false, false, false}, {"+-1", false, false, false}, {"1+", false, false, false}};
    for (const auto& [texte, reel, signe, entier] : tests)
        EXPECT_EQ(std::make_tuple(EstTexteReel(texte), EstTexteEntierSigne(texte), EstTexteEntier(texte)),
                  std::make_tuple(reel, signe, entier)) << texte;
    EXPECT_EQ(T(PointEnVirgule("1.2.3")), "1,2,3");

    // value -> next, previous; a value not in the table counts as its first entry.
    const std::array<int, 3> ladder[] = {{60, 120, 60}, {120, 180, 60}, {240, 500, 180},
                                         {500, 500, 240}, {100, 120, 60}};
    for (const auto& [v, suivante, precedente] : ladder) {
        EXPECT_EQ(ValeurSuivanteListe(v), suivante) << v;
        EXPECT_EQ(ValeurPrecedenteListe(v), precedente) << v;
    }
}

TEST(Textes, Couleurs)
{
    // Class-library values: the low byte is red; planes 0, 1, 2 are red, green, blue.
    const std::pair<TCouleur, QColor> plans[] = {{255, Qt::red}, {32768, QColor(0, 128, 0)}, {0xFF0000, Qt::blue}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::make_tuple(IndexCouleur(plans[i].first), CouleurIndex(i), CouleurEnQColor(plans[i].first)),
                  std::make_tuple(i, plans[i].first, plans[i].second));
    EXPECT_EQ(CouleurRVB(1, 2, 3), 0x030201);
    EXPECT_EQ(QColorEnCouleur(QColor(10, 20, 30)), CouleurRVB(10, 20, 30));
}

namespace {

QImage Bitmap8(int l, int h, int niveau)
{
    return BitmapDe(l, h, 1, [niveau](int, int, int) { return niveau; });
}

QImage Bitmap(int l, int h, QImage::Format format = QImage::Format_BGR888)
{
    QImage b(l, h, format);
    b.fill(QColor(0, 255, 0));
    return b;
}

// Pixels of the zone (the whole bitmap by default) that have the colour.
int Compter(const QImage& b, const QColor& c, QRect zone = {})
{
    zone = zone.isNull() ? b.rect() : zone;
    int n = 0;
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            n += b.pixelColor(x, y) == c;
    return n;
}

const QColor Blanc(255, 255, 255), Noir(0, 0, 0), Rouge(255, 0, 0), Bleu(0, 0, 255), Gris(128, 128, 128);

} // namespace

TEST(Bitmaps, RemplissagesEtApercus)
{
    QImage b = Bitmap(4, 3);
    RemplirBitmapCouleur(b, 255);
    EXPECT_EQ(Compter(b, Rouge), 12);

    // value x 127.5 / mean of the bounds, in the flagged channels.
    const struct {
        bool R, G, B;
        double Borne1, Borne2;
        const char* Texte;
        QColor Couleur;
    } cas[] = {
        {true, false, true, 0, 2, "1", {128, 0, 128}}, // 127.5: halves to even
        {false, true, false, 0, 2, "3", {0, 255, 0}},    {true, true, true, 0, 2, "-1", Noir},
        {true, true, true, 0, 2, "1E308", Blanc}, // huge: clamped, no overflow
        {true, false, false, -1, 1, "1", Rouge},  // mean of the bounds 0
        {true, false, false, -1, 1, "0", Noir},   {true, false, false, 0, 2, "", Gris}, // empty: $808080
    };
    for (const auto& c : cas) {
        RemplirBitmapValeur(b, c.R, c.G, c.B, c.Borne1, c.Borne2, c.Texte);
        EXPECT_EQ(b.pixelColor(1, 1), c.Couleur) << c.Texte;
    }
    EXPECT_THROW(RemplirBitmapValeur(b, true, false, false, 0, 2, "1.5"), EStelor);
    // Gaussian preview of the settings dialog: sigma 1.6 over (0.2 + 3.0) / 2 is 127.5 -> 128.
    EXPECT_EQ(NiveauApercu(1.6, 0.2, 3.0), 128);

    // Red from the first text, green from the second: 1 x 127.5 / 2 = 63.75 -> 64.
    RemplirBitmapDeuxValeurs(b, "2", "1", 0, 2, 0, 4);
    EXPECT_EQ(b.pixelColor(2, 0), QColor(255, 64, 0));
    RemplirBitmapDeuxValeurs(b, "2", "", 0, 2, 0, 4);
    EXPECT_EQ(b.pixelColor(2, 0), Gris);

    QImage g = Bitmap8(3, 3, 0);
    RemplirBitmapNiveau(g, 0x1234); // low byte 0x34
    EXPECT_EQ(Compter(g, QColor(0x34, 0x34, 0x34)), 9);
    RemplirBitmapGris(g);
    EXPECT_EQ(Compter(g, Gris), 9);
}

TEST(Bitmaps, CroixLignesCadreTexteEtAxes)
{
    QImage g = Bitmap8(40, 40, 0);
    DessinerCroix(g, 20, 20, 255);
    // Move-to/line-to: x-10 .. x+9 and y-10 .. y+9, in white on 8 bits.
    EXPECT_EQ(Compter(g, Blanc), 20 + 20 - 1);
    EXPECT_EQ(Compter(g, Blanc, {10, 20, 20, 1}), 20);
    EXPECT_EQ(Compter(g, Blanc, {20, 10, 1, 20}), 20);

    QImage bleu = Bitmap(40, 40);
    DessinerCroix(bleu, 20, 20, 0xFF0000); // class-library blue
    EXPECT_EQ(Compter(bleu, Bleu), 39);

    // Clipped at the edges (the sanitizer watches the writes).
    QImage petit = Bitmap8(10, 10, 0);
    DessinerCroix(petit, 2, 2, 255);
    DessinerCroix(petit, -50, 300, 255);
    MarquerPixel(petit, 10, 0, 255);
    MarquerPixel(petit, 9, 9, 255);
    EXPECT_EQ(Compter(petit, Blanc), 10 + 10 - 1 + 1);

    QImage r = Bitmap8(10, 8, 100);
    DessinerLignesRepere(r, 3, 4, 0);
    EXPECT_EQ(Compter(r, Blanc, {0, 4, 10, 1}), 9); // the end point (9, 4) left out
    EXPECT_EQ(Compter(r, Blanc, {3, 0, 1, 8}), 7);

    // A dotted frame: l = 7, t = 8, corners to (13, 12), black on 8 bits.
    QImage cadre = Bitmap8(20, 20, 100);
    DessinerCadre(cadre, 10, 10, 6, 4, 255);
    const int peints = Compter(cadre, Noir);
    EXPECT_EQ(Compter(cadre, Noir, QRect(8, 9, 5, 3)), 0);
    EXPECT_EQ(Compter(cadre, Noir, QRect(7, 8, 7, 5)), peints); // nothing outside the outline
    EXPECT_EQ(cadre.pixelColor(7, 8), Noir);
    EXPECT_TRUE(peints > 4 && peints < 20) << peints; // the outline of 20 pixels has gaps

    // 8 bits: black dotted diagonals, the text at (x+11, y-8) white on black.
    QImage t = Bitmap8(80, 60, 100);
    DessinerCroixTexte(t, 20, 20, 255, "12");
    EXPECT_EQ(t.pixelColor(10, 10), Noir);
    EXPECT_EQ(t.pixelIndex(30, 11), 100);
    const QRect texte(31, 12, 29, 18);
    EXPECT_TRUE(Compter(t, Blanc, texte) > 0 && Compter(t, Noir, texte) > 0);

    // In the colour; the text on white on a 24-bit bitmap, on black on any other.
    for (const auto format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
        QImage c = Bitmap(80, 70, format);
        DessinerAxes(c, 255);
        EXPECT_EQ(c.pixelColor(10, 10), Rouge);
        EXPECT_EQ(c.pixelColor(10, 50), QColor(0, 255, 0)); // end point left out
        const QRect x(55, 4, 15, 16);
        EXPECT_GT(Compter(c, Rouge, x), 0);
        EXPECT_GT(Compter(c, format == QImage::Format_BGR888 ? Blanc : Noir, x), 0) << format;
    }
}

TEST(NomsDeFichiers, Pieces)
{
    const QString nom = "/a.b/img.001.fit";
    const std::pair<QString, const char*> pieces[] = {
        {NomFichierSansExtension(nom), "img"},   {ExtensionFichier(nom), "b/img.001.fit"}, // a '.' in a folder counts
        {NomFichierSansChemin(nom), "img.001.fit"}, {CheminFichier(nom), "/a.b/"},
        {CheminFichier("img.fit"), ""},          {NomFichierSansChemin("img.fit"), "img.fit"},
        {ExtensionFichier("/d/img"), ""},        {CompleterChaine("ab", 5, '*'), "ab***"},
        {CompleterChaine("abcdef", 3, '-'), "abcdef"}};
    for (const auto& [recu, attendu] : pieces)
        EXPECT_EQ(T(recu), attendu);
    EXPECT_EQ(CompleterChaine("x", 300, ' ').size(), 255);
    EXPECT_EQ(RepertoireApplication(), QCoreApplication::applicationDirPath() + "/");
}

TEST(NomsDeFichiers, NomSuivantTailleEtLignes)
{
    QTemporaryDir dir;
    const QString d = dir.path() + "/";
    EXPECT_EQ(NomFichierSuivant(d, "img", ".fit"), d + "img001.fit");
    EcrireFichierSur(d + "img001.fit", QByteArray("x"));
    QFile::link(d + "ailleurs", d + "img002.fit"); // a dangling link holds its name
    EXPECT_EQ(NomFichierSuivant(d, "img", ".fit"), d + "img003.fit");
    for (int i = 1; i <= 999; ++i)
        ASSERT_TRUE(QFile(d + QString("t%1").arg(i, 3, 10, QChar('0'))).open(QIODevice::WriteOnly));
    EXPECT_EQ(NomFichierSuivant(d, "t", ""), d + "t1000");

    EcrireFichierSur(d + "taille", QByteArray(1234, 'a'));
    EXPECT_EQ(TailleFichier(d + "taille"), 1234);
    EXPECT_THROW(TailleFichier(d + "absent"), EErreurFichier);

    const std::pair<const char*, int> cas[] = {{"a\nb\n", 2}, {"a\r\nb", 2}, {"", 0}, {"\n\n", 2}, {"un", 1}};
    for (const auto& [texte, lignes] : cas) {
        EcrireFichierSur(d + "liste.vsn", QByteArray(texte));
        EXPECT_EQ(LireConfigurationVisionneuse(d + "liste.vsn"), lignes) << texte;
    }
    EXPECT_THROW(LireConfigurationVisionneuse(d + "absent.vsn"), EErreurFichier);
}

TEST(NomsDeFichiers, Comparaison)
{
    // a, b, whether a sorts after b.
    const std::tuple<const char*, const char*, bool> cas[] = {
        {"img10.fit", "img9.fit", true}, {"img9.fit", "img10.fit", false}, // 10 > 9 as integers
        {"a1.fit", "b1.fit", false},     {"Img1.fit", "img1.fit", false},  // 'I' < 'i'
        {"img1.fit", "img1.bmp", true},  // extensions after prefixes
        {"img010.fit", "img9.fit", true}, {"img010.fit", "img10.fit", false}, {"img10.fit", "img010.fit", false},
        // One without number: compared as texts, the empty one first.
        {"img.fit", "img1.fit", false},  {"img1.fit", "img.fit", true},    {"a", "b", false},
        // Digit runs longer than any integer type.
        {"IMG_20080415213046.fit", "IMG_20080415213045.fit", true},
        {"IMG_20080415213045.fit", "IMG_20080415213046.fit", false},
        {"s_100000000000000000000.fit", "s_99999999999999999999.fit", true},
    };
    for (const auto& [a, b, apres] : cas)
        EXPECT_EQ(ComparerNomsFichiers(a, b), apres) << a << " / " << b;
}

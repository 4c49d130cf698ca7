// Header cards as other FITS readers take them. The verdicts of the table
// are those of fitsverify, astropy and cfitsio on a file holding the card
// (the editor's tests run the readers themselves).
#include "UCartesFit.h"

#include <gtest/gtest.h>

namespace {
std::string Texte(const QString& s) { return s.toStdString(); }
} // namespace

TEST(CartesFit, FormeEcriteEtMotCleLu)
{
    // "=" then a blank, taken from the trailing blanks; a full card, the
    // commentary cards and HIERARCH stay as they are.
    EXPECT_EQ(CarteEcriteFit("OBJECT  ='M51'"), "OBJECT  = 'M51'");
    EXPECT_EQ(CarteEcriteFit(QString("OBJECT  ='M51'").leftJustified(80)), QString("OBJECT  = 'M51'").leftJustified(80));
    const QString pleine = "OBJECT  ='" + QString(69, 'x') + "'";
    EXPECT_EQ(CarteEcriteFit(pleine), pleine);
    for (const char* c : {"COMMENT =x", "HISTORY =x", "        =x", "HIERARCH A=1", "EXPTIME = 2"})
        EXPECT_EQ(CarteEcriteFit(c), c) << c;
    EXPECT_EQ(CarteEcriteFit("NOTE    = 'Nébuleuse\t'"), "NOTE    = 'Nebuleuse '");
    // Each character FITS cannot hold is one blank, an accent nothing.
    const std::pair<const char*, const char*> ascii[] = {
        {"NOTE    = 'abc ~'", "NOTE    = 'abc ~'"}, {"NOTE    = 'Ångström'", "NOTE    = 'Angstrom'"},
        {"NOTE    = '5 €'", "NOTE    = '5  '"},    {"NOTE    = 'œil\x7f'", "NOTE    = ' il '"},
        {"NOTE    = '😀'", "NOTE    = '  '"},      {"NOTE    = 'e\u0301t\u00E9'", "NOTE    = 'ete'"},
        {"NOTE    = '한글 ﬁn'", "NOTE    = '    n'"}, {"", ""}};
    for (const auto& [carte, ecrite] : ascii)
        EXPECT_EQ(Texte(CarteAsciiFit(QString::fromUtf8(carte))), ecrite) << carte;

    const std::pair<const char*, const char*> lus[] = {
        {"BZERO   = 1", "BZERO"},      {"bzero   = 1", "BZERO"},  {" BZERO  = 1", "BZERO"}, {"BZERO  =100", "BZERO"},
        {"BZERO  + = 1", "BZERO"},     {"BZERO1  = 1", "BZERO1"}, {"HIERARCH  bscale  = 2", "BSCALE"},
        {"HIERARCH ESO BSCALE = 2", "ESO BSCALE"}, {"END     x", "END"}, {"ENDX", "ENDX"}};
    for (const auto& [carte, motCle] : lus)
        EXPECT_EQ(Texte(MotCleLuFit(carte)), motCle) << carte;
    EXPECT_TRUE(EstCarteStructureFit("HIERARCH PCOUNT = 1") && EstCarteStructureFit("extend  = T") &&
                EstCarteStructureFit("NAXIS12 = 1") && !EstCarteStructureFit("NAXISX  = 1") &&
                !EstCarteStructureFit("HIERARCH ESO BZERO = 1"));
}

TEST(CartesFit, DatesDeFits)
{
    for (const char* d : {"2020-01-02", "2020-01-02T03:04:05", "2020-01-02T03:04:05.123", "2020-01-02T23:59:60.5",
                          "2020-01-02T03:04:05.", "2000-02-29", "0000-02-29", "02/01/20", "29/02/04", "2020-01-02  "})
        EXPECT_TRUE(EstDateFit(d)) << d;
    for (const char* d : {"2020-13-01", "2020-00-10", "2020-01-00", "2020-04-31", "1900-02-29", "2100-02-29",
                          "2020-01-02T24:00:00", "2020-01-02T23:60:00", "2020-01-02T23:59:61", "2020-01-02T03:04",
                          "2020-01-02T3:04:05", "2020-01-02T", "2020-1-2", "20-01-02", " 2020-01-02", "+12020-01-02",
                          "2020-01-02Z", "32/01/20", "30/02/20", "29/02/00", "31/04/20", "1/1/20", "", "x"})
        EXPECT_FALSE(EstDateFit(d)) << d;
}

TEST(CartesFit, DefautsDUneCarte)
{
    // Taken as typed.
    for (const char* c :
         {"OBJECT  = 'M51'", "OBJECT  ='M51'", "OBJECT  = 'it''s' / c", "OBJECT  = ''", "EXPTIME = 12.5/c", "EXPTIME = .5",
          "EXPTIME = 5.", "EXPTIME = +1.0E+05", "EXPTIME = 1D5", "EXPTIME = 99999999999999999999", "EXPTIME =",
          "EXPTIME = / non défini", "MONCHAMP= T", "CPLX    = ( 1.5 , -2 ) / c", "COMMENT = tout = libre",
          "HISTORY 'x", "        texte", "CONTINUE  'suite'", "FOO      bar", "HIERARCH ESO DET DIT = 2.5",
          "HIERARCH ESO OBS NAME = 'x'", "HIERARCH", "DATE-OBS= '12/05/98'", "EQUINOX = 2000", "CDELT1  = -1E-3",
          "EXTVER  = 2", "EXTEND  = F", "BLANK   = -7", "NAXIS0  = 1", "NAXISX  = 1", "TDMIN1  = 1", "ZIMAGE  = T", "",
          // The ends of the doubles, and zeros of any exponent.
          "EXPTIME = 1E300", "EXPTIME = -1.7976931348623157E308", "EXPTIME = 2.2250738585072014E-308",
          "EXPTIME = -2.2250738585072014D-308", "EXPTIME = 0E999", "EXPTIME = -0.000E-999", "CPLX    = (1E300, 0D-400)",
          // HIERARCH with a keyword's own name: that keyword's value.
          "HIERARCH DATE-OBS = '2020-01-02'", "HIERARCH OBJECT = 'x'", "HIERARCH ESO DATE = 5", "HIERARCH DATEOBSERV = 5",
          "HIERARCH CDELT1 = 1E-3", "HIERARCH ESO CDELT1 = 0"})
        EXPECT_EQ(Texte(DefautCarteFit(c)), "") << c;
    // Refused, naming the card, and what the text says is wrong.
    const std::pair<const char*, const char*> refusees[] = {
        {"bzero   = 100", "mot clé que FITS n'admet pas (« bzero »)"},
        {"bzero   = 100", "D'autres programmes le prendraient pour BZERO"},
        {" OBJECT = 'M51'", "mot clé que FITS n'admet pas"},
        {"BZERO  + = 100", "mot clé que FITS n'admet pas (« BZERO  + »)"},
        {"OBJ,ECT = 5", "mot clé que FITS n'admet pas"},
        {"hierarch ESO A = 5", "mot clé que FITS n'admet pas"},
        {"HIERARCH BSCALE = 2", "donne BSCALE sous la forme HIERARCH"},
        {"HIERARCH  extend = T", "donne EXTEND sous la forme HIERARCH"},
        {"HIERARCH ESO A = abc", "n'a pas une valeur FITS"},
        {"EXPOSURE1= 5", "plus de 8 caractères (« EXPOSURE1 »)"},
        {"END     = 1", "END termine l'entête"},
        {"END     x", "END termine l'entête"},
        {"PCOUNT  = 0", "PCOUNT n'a pas sa place dans l'en-tête d'une image"},
        {"GCOUNT  = 1", "GCOUNT n'a pas sa place"},
        {"GROUPS  = T", "GROUPS n'a pas sa place"},
        {"XTENSION= 'IMAGE'", "XTENSION n'a pas sa place"},
        {"TFORM1  = 'I'", "TFORM1 n'a pas sa place"},
        {"NAXIS2A = 256", "NAXIS2A n'a pas sa place"},
        {"OBJECT  = M51", "n'a pas une valeur FITS (« M51 »)"},
        {"OBJECT  = 'sans fin", "n'a pas une valeur FITS"},
        {"OBJECT  = 'a'b'", "n'a pas une valeur FITS"},
        {"EXPTIME = 12,5", "n'a pas une valeur FITS (« 12,5 »)"},
        {"EXPTIME = 1.0e5", "n'a pas une valeur FITS"},
        {"EXPTIME = 1..2", "n'a pas une valeur FITS"},
        {"EXPTIME = NaN", "n'a pas une valeur FITS"},
        {"EXPTIME = 12.5 s", "n'a pas une valeur FITS (« 12.5 s »)"},
        {"EXPTIME = T x", "n'a pas une valeur FITS"},
        {"EXPTIME = t", "n'a pas une valeur FITS"},
        {"CPLX    = (1 2)", "n'a pas une valeur FITS"},
        {"OBJECT  = 5", "OBJECT attend un texte entre apostrophes"},
        {"CTYPE1A = 5", "CTYPE1A attend un texte"},
        {"DATE-OBS= '2020-13-45'", "DATE-OBS attend une date"},
        {"DATE_OBS= 'x'", "DATE_OBS attend une date"},
        {"DATE-OBS=", "DATE-OBS attend une date"},
        {"EQUINOX = 'J2000'", "EQUINOX attend un nombre"},
        {"BZERO   =", "BZERO attend un nombre"},
        {"EXTVER  = 1.5", "EXTVER attend un nombre entier"},
        {"BLANK   = 5.0", "BLANK attend un nombre entier"},
        {"EXTEND  = 1", "EXTEND attend T ou F"},
        {"CDELT2  = 0.0E5", "CDELT2 ne peut pas valoir 0"},
        {"OBJECT   M51", "n'a pas de signe « = » en colonne 9 : OBJECT attend un texte"},
        {"BZERO    100", "BZERO attend un nombre"},
        {"OBJECT   = 'x'", "a son signe « = » en colonne 10 au lieu de 9 : FITS lirait le mot clé « OBJECT » sans valeur."},
        {"EXPTIME         = 5", "a son signe « = » en colonne 17 au lieu de 9"},
        {"         X= 5", "a un mot clé vide (colonnes 1 à 8 blanches) : FITS la lirait comme un commentaire, sans "
                          "valeur. Le mot clé « X »"},
        {"        EXPOSURE= 5", "a un mot clé vide"},
        {"EXPOSURE1= 5", "plus de 8 caractères"},
        {"HIERARCH DATE-OBS = 'junk'", "DATE-OBS attend une date"},
        {"HIERARCH date-obs = '2020-13-01'", "DATE-OBS attend une date"},
        {"HIERARCH DATE-OBS =", "DATE-OBS attend une date"},
        {"HIERARCH OBJECT = 5", "OBJECT attend un texte"},
        {"HIERARCH EXTVER = 1.5", "EXTVER attend un nombre entier"},
        {"HIERARCH TFORM1 = 'I'", "le mot clé TFORM1 n'a pas sa place"},
        {"HIERARCH CDELT2 = 0", "CDELT2 ne peut pas valoir 0"},
        {"EXPTIME = 1E400", "donne un nombre hors des limites des réels (« 1E400 »)"},
        {"EXPTIME = -1E400", "hors des limites des réels (« -1E400 »)"},
        {"EXPTIME = 1.8E308", "hors des limites des réels (« 1.8E308 »)"},
        {"EXPTIME = 1D309", "hors des limites des réels (« 1D309 »)"},
        {"EXPTIME = 1E-400", "hors des limites des réels (« 1E-400 »)"},
        {"EXPTIME = -0.001E-307", "hors des limites des réels (« -0.001E-307 »)"},
        {"EXPTIME = 4.9E-324", "hors des limites des réels"},
        {"EXPTIME = 1E99999999999", "hors des limites des réels"},
        {"CPLX    = (1E400, 0)", "hors des limites des réels (« 1E400 »)"},
        {"CPLX    = (0, -1E-999)", "hors des limites des réels (« -1E-999 »)"},
        {"HIERARCH ESO A = 1E400", "hors des limites des réels"},
    };
    for (const auto& [carte, texte] : refusees) {
        const QString d = DefautCarteFit(carte);
        EXPECT_TRUE(d.startsWith(QStringLiteral("La carte « %1 »").arg(QString(carte))) &&
                    d.contains(QString::fromUtf8(texte)) &&
                    (!d.contains("plus de 8 caractères") || QString(carte).section('=', 0, 0).trimmed().size() > 8))
            << carte << " : " << Texte(d);
    }
    // A card already full cannot take the blank after its "=".
    EXPECT_TRUE(DefautCarteFit("OBJECT  ='" + QString(69, 'x') + "'").contains("est trop longue"));
}

TEST(CartesFit, MotsClesRepetes)
{
    // Card i of each header against the others: the keyword as the most
    // lenient reader takes it; only commentary keywords repeat.
    const QString object = "OBJECT  = 'M51'";
    struct TCas {
        QStringList Cartes;
        int I;
        const char* Autre; // the card named beside card I; none when taken
    };
    const TCas cas[] = {
        {{object, "OBJECT  = 'M101'"}, 1, "OBJECT  = 'M51'"},
        {{object, "HIERARCH OBJECT = 'x'"}, 1, "OBJECT  = 'M51'"},
        {{"HIERARCH OBJECT = 'x'", object}, 0, "OBJECT  = 'M51'"},
        {{object, "HIERARCH  object  = 'x'"}, 1, "OBJECT  = 'M51'"},
        {{"EXTEND  = F / c", "EXTEND  =                    T"}, 1, "EXTEND  = F / c"},
        {{"HIERARCH ESO A = 1", "X       = 1", "HIERARCH ESO  A = 2"}, 2, "HIERARCH ESO A = 1"},
        {{"FOO      bar", "FOO      baz"}, 0, "FOO      baz"},
        {{object, "DATE-OBS= '2020-01-02'", object}, 0, "OBJECT  = 'M51'"},
        {{object, "OBJECT2 = 'x'", "OBJECTS = 'x'", "HIERARCH OBJECT X = 1", "COMMENT OBJECT = 'x'"}, 0, nullptr},
        {{"COMMENT a", "COMMENT a"}, 1, nullptr},
        {{"HISTORY a", "history a"}, 0, nullptr},
        {{"CONTINUE  'a'", "CONTINUE  'a'"}, 1, nullptr},
        {{"        a", "        a", "", ""}, 1, nullptr},
        {{"HIERARCH", "HIERARCH"}, 1, nullptr},
        {{"DATE    = '2020-01-02'", "DATE-OBS= '2020-01-02'"}, 1, nullptr},
    };
    for (const TCas& c : cas) {
        SCOPED_TRACE(Texte(c.Cartes.join('|')));
        const QString d = DoublonCarteFit(c.Cartes, c.I);
        if (!c.Autre) {
            EXPECT_EQ(Texte(d), "");
            continue;
        }
        EXPECT_TRUE(d.startsWith(QStringLiteral("La carte « %1 » donne le mot clé %2, que donne aussi la carte « %3 » : ")
                                     .arg(c.Cartes[c.I], MotCleLuFit(c.Cartes[c.I]), QString(c.Autre))))
            << Texte(d);
    }
}

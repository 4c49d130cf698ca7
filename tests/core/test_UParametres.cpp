#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UParametres.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <optional>
#include <gtest/gtest.h>

namespace {

class Parametres : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        Nom = Dossier.filePath("Stelor.ini");
        FixerFichierPreferences(Nom);
    }
    void TearDown() override { FermerPreferences(); }

    QString Texte() const { return QString::fromUtf8(LireFichierComplet(Nom)); }
    void EcrireALaMain(const char* texte) const { EcrireFichierSur(Nom, QByteArray(texte)); }

    QTemporaryDir Dossier;
    QString Nom;
};

} // namespace

TEST_F(Parametres, SansFichierChaqueCleDonneSonDefaut)
{
    EXPECT_EQ(std::tuple(LireDefilImgTpsReel(), LireTranslationFract(), LireConfigLente()),
              std::tuple(true, true, false));
    // CoulFondApp: clAppWorkSpace, $FF00000C
    EXPECT_EQ(std::make_tuple(LireOffsetDetectEtoiles(), LireReglSeuilsVisu(), LireCoulFondApp(), LireCodageImagesFits(),
                              LireLargMatriceCentroide()),
              std::make_tuple(1000, 60, -16777204, 16, 5));
    const double sigmas[5] = {0.7, 1.0, 1.2, 1.5, 1.8}, coefs[5] = {1.0, 1.4, 1.8, 2.2, 2.6};
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(LireSigmaMasqueFlou(i), sigmas[i - 1]);
        EXPECT_EQ(LireSigmaGaussien(i), sigmas[i - 1]);
        EXPECT_EQ(LireCoefMasqueFlou(i), coefs[i - 1]);
    }
    EXPECT_FALSE(QFileInfo::exists(Nom)); // reads never create the file
}

TEST_F(Parametres, TexteExactApresEcrituresEtRelecture)
{
    EcrireDefilImgTpsReel(false);
    EcrireCoulFondApp(static_cast<int32_t>(0xFF00000C));
    EcrireSigmasGaussien(0.7, 1, 1.25, 1.5, 2);
    EcrireReglSeuilsVisu(120);
    EXPECT_EQ(Texte(), "[General]\n"
                       "DefilImgTpsReel=0\n"
                       "CoulFondApp=-16777204\n"
                       "ReglSeuilsVisu=120\n"
                       "\n"
                       "[Sigmas Gaussien]\n"
                       "Sigma1=0,7\n"
                       "Sigma2=1\n"
                       "Sigma3=1,25\n"
                       "Sigma4=1,5\n"
                       "Sigma5=2\n");
    EXPECT_EQ(std::make_tuple(LireDefilImgTpsReel(), LireReglSeuilsVisu(), LireSigmaGaussien(3), LireSigmaGaussien(5)),
              std::make_tuple(false, 120, 1.25, 2.0));

    // Unsharp mask: the five sigmas, then the five coefficients, in their sections.
    EcrireParametresMasqueFlou(1.1, 1.2, 1.3, 1.4, 1.5, 0.1, 0.2, 0.3, 0.4, 0.5);
    EXPECT_TRUE(Texte().endsWith("[Sigmas Masque flou]\nSigma1=1,1\nSigma2=1,2\nSigma3=1,3\nSigma4=1,4\nSigma5=1,5\n\n"
                                 "[Coefficients Masque flou]\nCoef1=0,1\nCoef2=0,2\nCoef3=0,3\nCoef4=0,4\nCoef5=0,5\n"));
    EXPECT_EQ(std::pair(LireCoefMasqueFlou(3), LireSigmaMasqueFlou(1)), std::pair(0.3, 1.1));
}

TEST_F(Parametres, ValeursEcritesALaMain)
{
    EcrireALaMain("; réglages\r\n[general]\r\nDefilImgTpsReel=2\r\nConfigLente=oui\r\nReglSeuilsVisu=0\r\n"
                  "LargMatriceCentroide=-3\r\n OffsetDetectEtoiles = 0x10 \r\nCoulFondApp=255\r\n"
                  "CodageImagesFits=12abc\r\n[Sigmas Masque flou]\r\nSigma1=1.25\r\nSigma2=1,25\r\nSigma3=0\r\n"
                  "Sigma4=NAN\r\n[Coefficients Masque flou]\r\nCoef1=-1\r\n");
    // Any integer other than 0 is true; not an integer, a divisor of 0, no
    // window: the default; hexadecimal read; trailing letters: the default.
    EXPECT_EQ(std::tuple(LireDefilImgTpsReel(), LireConfigLente(), LireReglSeuilsVisu(), LireLargMatriceCentroide(),
                         LireOffsetDetectEtoiles(), LireCoulFondApp(), LireCodageImagesFits()),
              std::tuple(true, false, 60, 5, 16, 255, 16));
    // A point is no decimal separator; 0 and NAN are refused.
    EXPECT_EQ(std::tuple(LireSigmaMasqueFlou(1), LireSigmaMasqueFlou(2), LireSigmaMasqueFlou(3), LireSigmaMasqueFlou(4),
                         LireCoefMasqueFlou(1)),
              std::tuple(0.7, 1.25, 1.2, 1.5, 1.0));

    EcrireALaMain("[General]\nDefilImgTpsReel=oui\n");
    EXPECT_TRUE(LireDefilImgTpsReel());
}

TEST_F(Parametres, UneEcritureGardeLeResteDuFichier)
{
    EcrireALaMain("; mon commentaire\n[General]\nCodageImagesFits=12\n\n[Autre]\nCle=valeur\n");
    EcrireReglSeuilsVisu(500);
    EcrireOffsetDetectEtoiles(-5);
    EXPECT_EQ(Texte(), "; mon commentaire\n[General]\nCodageImagesFits=12\nReglSeuilsVisu=500\nOffsetDetectEtoiles=-5\n"
                       "\n[Autre]\nCle=valeur\n");
    EXPECT_EQ(LireValeurIni("Autre", "Cle"), "valeur");
}

TEST_F(Parametres, ReinitialisationGardeLesClesEnLectureSeule)
{
    EcrireALaMain("[General]\nCodageImagesFits=12\nReglSeuilsVisu=500\nDefilImgTpsReel=0\n");
    EcrireSigmasGaussien(3, 3, 3, 3, 3);
    ReinitialiserPreferences();
    const QString t = Texte();
    for (const char* ligne : {"DefilImgTpsReel=1\n", "ReglSeuilsVisu=60\n", "OffsetDetectEtoiles=1000\n",
                              "CoulFondApp=-16777204\n", "CodageImagesFits=12\n"})
        EXPECT_TRUE(t.contains(ligne)) << ligne;
    EXPECT_TRUE(t.contains("[Sigmas Gaussien]\nSigma1=0,7\nSigma2=1\nSigma3=1,2\nSigma4=1,5\nSigma5=1,8\n"));
    EXPECT_TRUE(t.contains("[Coefficients Masque flou]\nCoef1=1\nCoef2=1,4\nCoef3=1,8\nCoef4=2,2\nCoef5=2,6\n"));
    EXPECT_EQ(LireCodageImagesFits(), 12);
}

TEST_F(Parametres, EcrituresRefusees)
{
    // The folder is a file: nothing can be created there.
    EcrireFichierSur(Dossier.filePath("fichier"), QByteArray("x"));
    FixerFichierPreferences(Dossier.filePath("fichier/Stelor.ini"));
    EXPECT_THROW(EcrireReglSeuilsVisu(120), EErreurFichier);
    EXPECT_EQ(LireReglSeuilsVisu(), 60);
    FermerPreferences();
    EXPECT_THROW(EcrireReglSeuilsVisu(120), EStelor); // no store open
    EXPECT_EQ(LireReglSeuilsVisu(), 60);
}

// A Stelor.ini that exists but cannot be read (a named pipe, a file the user
// may not read: steered, as root reads any file) reads as the defaults; the
// first write says so, naming the file and why; no write ever replaces it.
TEST_F(Parametres, FichierIllisibleJamaisRemplace)
{
    const QByteArray texte("[General]\nReglSeuilsVisu=500\n");
    for (const bool tube : {true, false}) {
        SCOPED_TRACE(tube ? "tube" : "permission");
        std::optional<TTubeNomme> fifo;
        tube ? void(fifo.emplace(Nom)) : EcrireALaMain(texte.constData());
        FixerPanneFichierEssai([&](const QString& n, TEtapeFichier e) {
            return !tube && n == Nom && e == TEtapeFichier::Ouverture ? EACCES : 0;
        });
        FixerFichierPreferences(Nom);
        // Told once: at start-up, or else by the first write.
        QString message = tube ? AvertissementPreferences() : QString();
        try {
            EcrireReglSeuilsVisu(120);
        } catch (const EErreurFichier& e) {
            message = e.Message();
        }
        EXPECT_NO_THROW(EcrireSigmasGaussien(3, 3, 3, 3, 3));
        EXPECT_EQ(AvertissementPreferences(), "");
        const int32_t lu = LireReglSeuilsVisu();
        FixerPanneFichierEssai({});
        const QString cause = tube ? "c'est un tube nommé (FIFO), pas un fichier ordinaire" : "permission refusée";
        EXPECT_EQ(std::tuple(lu, message.toStdString(), tube ? QFileInfo(Nom).isFile() : LireFichierComplet(Nom) == texte),
                  std::tuple(60,
                             ("Impossible de lire le fichier « " + Nom + " » : " + cause +
                              ". Stelor garde ses réglages par défaut et n'écrira pas sur ce fichier : les réglages de "
                              "cette session ne seront pas enregistrés.")
                                 .toStdString(),
                             !tube));
    }
}

// Another Stelor writes the file by renaming a new one over it: a read that
// meets the swap reads the new file, which stays the user's to write.
TEST_F(Parametres, FichierRemplacePendantLaLectureRelu)
{
    EcrireALaMain("[General]\nReglSeuilsVisu=120\n");
    int ouvertures = 0;
    FixerPanneFichierEssai([&](const QString& n, TEtapeFichier e) {
        if (n != Nom || e != TEtapeFichier::Ouverture || ouvertures++ > 0)
            return 0;
        // The other writer's rename lands between the look and the opening.
        EcrireALaMain("[General]\nReglSeuilsVisu=240\n");
        return ENOENT;
    });
    const int32_t lu = LireReglSeuilsVisu();
    FixerPanneFichierEssai({});
    EXPECT_EQ(std::tuple(lu, ouvertures, AvertissementPreferences()), std::tuple(240, 2, QString()));
    EXPECT_NO_THROW(EcrireReglSeuilsVisu(500));
    EXPECT_EQ(LireReglSeuilsVisu(), 500);
}

// A read-only Stelor.ini beside the program is the user's: read there, its
// writes refused with the file error. Root writes read-only files, so the
// store's writability check is steered rather than the file's mode.
TEST(ParametresLectureSeule, LuACoteDuProgrammeEcritureRefusee)
{
    QTemporaryDir programme, vide;
    const QString ini = programme.filePath("Stelor.ini");
    const QByteArray texte("[General]\nCoulFondApp=255\n[Sigmas Gaussien]\nSigma1=2,5\n");
    EcrireFichierSur(ini, texte);
    FixerTestModifiable([](const QString&) { return false; });
    EXPECT_EQ(EmplacementPreferences(programme.path()), ini);
    // No file and a folder that refuses: the user's configuration folder.
    EXPECT_TRUE(EmplacementPreferences(vide.path()).endsWith("/Stelor/Stelor.ini"));

    FixerFichierPreferences(ini);
    EXPECT_EQ(std::pair(LireCoulFondApp(), LireSigmaGaussien(1)), std::pair(255, 2.5));
    try {
        EcrireCoulFondApp(0);
        ADD_FAILURE() << "write accepted";
    } catch (const EErreurFichier& e) {
        EXPECT_EQ(std::pair(e.Code(), e.Message()), std::pair(int(ES_AccesRefuse), "Impossible d'écrire le fichier « " +
                                                   ini + " » : il est protégé en écriture (permission refusée)."));
    }
    EXPECT_EQ(LireFichierComplet(ini), texte);

    FixerTestModifiable({});
    EXPECT_EQ(EmplacementPreferences(vide.path()), vide.filePath("Stelor.ini"));
    EcrireCoulFondApp(0);
    EXPECT_EQ(LireCoulFondApp(), 0);
    FermerPreferences();
    EXPECT_FALSE(PreferencesOuvertes());
    // The program's own folder follows the same rule.
    FixerDossierPreferencesEssai({});
    OuvrirPreferences();
    EXPECT_EQ(FichierPreferences(), EmplacementPreferences(QCoreApplication::applicationDirPath()));
    FermerPreferences();
}

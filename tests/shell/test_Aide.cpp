// Help support: versions and their names, debug mode, the debug log, and
// the help requests through a stand-in viewer that records its arguments.
#include "OnHelpFix.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UHelp.h"
#include "UMain.h"
#include "UParametres.h"
#include "hh.h"
#include "hh_funcs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TVersionFichier V(const char* texte)
{
    const QStringList p = QString::fromLatin1(texte).split(QLatin1Char('.'));
    return Version(p[0].toInt(), p[1].toInt(), p[2].toInt(), p[3].toInt());
}

QByteArray Lire(const QString& nom) { return QFile::exists(nom) ? LireFichierComplet(nom) : QByteArray(); }

} // namespace

TEST(VersionsAide, ComparaisonChampParChamp)
{
    const std::tuple<const char*, const char*, int> cas[] = {
        {"4.73.0.0", "4.72.8164.0", 1},   {"4.72.8164.0", "4.73.0.0", -1}, {"5.0.0.0", "5.0.0.0", 0},
        {"5.2.3669.1", "5.2.3669.0", 1}, {"4.74.0.0", "5.0.0.0", -1},     {"65535.0.0.0", "1.0.0.0", 1}};
    for (const auto& [a, b, attendu] : cas)
        EXPECT_EQ(ComparerVersions(V(a), V(b)), attendu) << a << " / " << b;
}

TEST(VersionsAide, NomsAmicaux)
{
    const std::pair<const char*, const char*> hh[] = {
        {"4.72.7289.9", "< 1.0"}, {"4.72.7290.0", "1.0"},    {"4.72.8164.0", "1.1b"},   {"4.73.0.0", "1.1b"},
        {"4.74.8702.0", "1.3"},   {"4.74.8800.0", "1.31"},   {"5.2.3669.0", "1.4a"},    {"5.2.3669.1", "> 1.4a"},
        {"5.2.3670.0", "> 1.4a"}, {"6.0.0.0", "> 1.4a"}};
    for (const auto& [version, nom] : hh)
        EXPECT_EQ(NomVersionHH(V(version)), nom) << version;
    const std::pair<const char*, const char*> ie[] = {
        {"4.40.307.0", "< Internet Explorer 1.0 (Plus!)"},
        {"4.70.1158.0", "Internet Explorer 3.0 (OSR2)"},
        {"5.0.2919.6399", "Internet Explorer 5.01 (Windows 2000 RC2, build 5.00.2128)"},
        {"6.0.2900.2180", "Internet Explorer 6 (Windows XP SP2)"},
        {"9.0.0.0", "> Internet Explorer 8"}};
    for (const auto& [version, nom] : ie)
        EXPECT_EQ(NomVersionIE(V(version)), nom) << version;
    // No version resource: zeros, empty texts, no name.
    const TVersionFichier aucune = VersionFichier(QStringLiteral("/bin/sh"));
    EXPECT_EQ(aucune.Majeur + aucune.Mineur + aucune.Release + aucune.Build, 0);
    EXPECT_EQ(aucune.Texte + NomVersionHH(aucune) + NomVersionIE(aucune), "");
    // An old browser's build moves back to its place.
    EXPECT_EQ(QStringList({CorrigerVersionIE(V("4.70.0.1155")).Texte, CorrigerVersionIE(V("4.71.0.1712")).Texte,
                           CorrigerVersionIE(V("4.70.2.1155")).Texte}),
              QStringList({"4.70.1155.0", "4.71.0.1712", "4.70.2.1155"}));
}

TEST(OutilsAide, TextesEtDossiers)
{
    EXPECT_EQ(QStringList({SupprimerCaracteresFinaux("/a/b//", '/'), SupprimerCaracteresFinaux("///", '/'),
                           RepeterCaractere('=', 3), RepeterCaractere('=', -1), OuiNon(true), OuiNon(false),
                           FormaterTexte("%s %d.%d (Build %d)", {"Linux", "6", "1", "0"}),
                           FormaterTexte("100% %s", {})}),
              QStringList({"/a/b", "", "===", "", "YES", "NO", "Linux 6.1 (Build 0)", "100% %s"}));

    QTemporaryDir dossier;
    const QString essai = dossier.filePath(QStringLiteral("$_Temp_$.$$$"));
    EXPECT_TRUE(EstRepertoireInscriptible(dossier.path()));
    EXPECT_FALSE(QFile::exists(essai));
    EXPECT_FALSE(EstRepertoireInscriptible(QStringLiteral("/proc")));
    EXPECT_FALSE(EstRepertoireInscriptible(dossier.filePath(QStringLiteral("absent"))));
    // A file of the test's name that is not ours stays.
    EcrireFichierSur(essai, "a moi");
    EstRepertoireInscriptible(dossier.path());
    EXPECT_EQ(Lire(essai), "a moi");
}

TEST(OutilsAide, ModeDebug)
{
    QTemporaryDir dossier;
    const std::pair<QStringList, bool> cas[] = {{{"-DEBUG"}, true},   {{"/debug"}, true},   {{"x", "/DeBuG"}, true},
                                                {{"debug"}, false},   {{"--debug"}, false}, {{"-debug2"}, false},
                                                {{}, false}};
    for (const auto& [parametres, attendu] : cas)
        EXPECT_EQ(EstModeDebug(dossier.path(), parametres), attendu) << parametres.join(' ').toStdString();
    EcrireFichierSur(dossier.filePath(QStringLiteral("debug.debug")), "");
    EXPECT_TRUE(EstModeDebug(dossier.path(), {}));
}

TEST(JournalAide, LignesEtEntete)
{
    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("HHDebug.txt"));
    EcrireFichierSur(nom, "ancien\n");
    {
        // Off: the old log is deleted all the same, nothing is written.
        TDLogFile journal(dossier.path(), false);
        EXPECT_EQ(journal.NomFichier(), nom);
        journal.EcrireLigne(QStringLiteral("rien"));
        EXPECT_FALSE(QFile::exists(nom));
    }
    TDLogFile journal(dossier.path() + QStringLiteral("/"), true, true, false);
    for (const char* ligne : {"-", "=", "!Valeur = %s", "heure"})
        journal.EcrireLigne(QString::fromLatin1(ligne), {"7"});
    const QStringList lignes = QString::fromUtf8(Lire(nom)).split(QLatin1Char('\n'));
    ASSERT_EQ(lignes.size(), 5);
    EXPECT_EQ(lignes.mid(0, 3), QStringList({QString(79, '-'), QString(79, '='), "Valeur = 7"}));
    EXPECT_TRUE(lignes[3].endsWith("   heure")) << lignes[3].toStdString();
    EXPECT_GT(lignes[3].size(), QStringLiteral("   heure").size() + 10);

    // With the header: framed by rules, the paths and versions in it.
    _hhInstalled = false;
    TDLogFile entete(dossier.path(), true);
    const QString texte = QString::fromUtf8(Lire(nom));
    EXPECT_TRUE(texte.startsWith(QString(79, QLatin1Char('=')) + "\nLog File:             \t" + nom + "\n"))
        << texte.toStdString();
    EXPECT_TRUE(texte.contains("\n_hhInstalled =      \tNO\n"));
    EXPECT_TRUE(texte.endsWith(QString(79, QLatin1Char('=')) + "\n"));
    EXPECT_EQ(texte.count(QLatin1Char('\n')), 27);
}

TEST(JournalAide, NeSuitAucunLienEtNeRemplaceQueLeJournal)
{
    QTemporaryDir dossier, ailleurs;
    const QString cible = ailleurs.filePath(QStringLiteral("precieux.txt"));
    EcrireFichierSur(cible, "garder");
    const QString nom = dossier.filePath(QStringLiteral("HHDebug.txt"));
    // In append mode the link stays, and writing refuses to follow it.
    ASSERT_TRUE(QFile::link(cible, nom));
    {
        TDLogFile journal(dossier.path(), true, true, false, true);
        journal.EcrireLigne(QStringLiteral("!par le lien"));
    }
    EXPECT_EQ(Lire(cible), "garder");
    // Otherwise the link itself is removed and a plain log takes its place.
    TDLogFile journal(dossier.path(), true, true, false);
    EXPECT_FALSE(QFileInfo(nom).isSymLink());
    journal.EcrireLigne(QStringLiteral("!ici"));
    EXPECT_EQ(Lire(nom), "ici\n");
    EXPECT_EQ(Lire(cible), "garder");
    // A folder of the log's name is neither removed nor written.
    QTemporaryDir autre;
    ASSERT_TRUE(QDir(autre.path()).mkdir(QStringLiteral("HHDebug.txt")));
    TDLogFile surDossier(autre.path(), true, true, false);
    surDossier.EcrireLigne(QStringLiteral("!x"));
    EXPECT_TRUE(QFileInfo(autre.filePath(QStringLiteral("HHDebug.txt"))).isDir());
    // A folder that cannot be written sends the log to the temporary folder.
    QTemporaryDir temporaire;
    qputenv("TMPDIR", temporaire.path().toUtf8());
    TDLogFile refuse(QStringLiteral("/proc"), true, true, false);
    qunsetenv("TMPDIR");
    EXPECT_EQ(refuse.NomFichier(), temporaire.filePath(QStringLiteral("HHDebug.txt")));
}

TEST(DemarrageAide, CheminsEtJournal)
{
    InitialiserHHFuncs({QCoreApplication::applicationFilePath(), QStringLiteral("-Debug")});
    EXPECT_EQ(_ModuleDir + "/" + _ModuleName, QCoreApplication::applicationFilePath());
    EXPECT_EQ(std::tuple(_RunDir, ModeDebug, _hhInstalled), std::tuple(_ModuleDir, true, false));
    ASSERT_NE(JournalHH, nullptr);
    const QString nom = JournalHH->NomFichier();
    EXPECT_TRUE(Lire(nom).contains("Cmdline Param(s) =  \t-Debug\n")) << Lire(nom).constData();
    TerminerHHFuncs();
    EXPECT_EQ(JournalHH, nullptr);
    QFile::remove(nom);
}

TEST(ArgumentsAide, ContenuEtContexte)
{
    // xchm's are seen through the frame below; a viewer without contexts gets the file only.
    const QString fichier = QStringLiteral("/a b/l'aide;x/Stelor.chm");
    EXPECT_EQ(ArgumentsHtmlHelp("/usr/bin/kchmviewer", fichier, HH_HELP_CONTEXT, 1001), QStringList{fichier});
}

// ---------------------------------------------------------------------------
// The frame's requests with a stand-in viewer on the PATH.

namespace {

class TAideCadre : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(Dossier.path()).mkpath(QStringLiteral("vide")));
        // A folder name a shell would misread.
        DossierAide = Dossier.filePath(QStringLiteral("mes docs; touch PIEGE 'x' \"y\""));
        ASSERT_TRUE(QDir().mkpath(DossierAide));
        Aide = DossierAide + QStringLiteral("/Stelor.chm");
        EcrireFichierSur(Aide, "ITSF");
        FixerFichierAide(Aide);
        Cadre = new TMain;
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        Cadre->show();
        InstallerOnHelpFix();
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        delete Cadre;
        RetirerOnHelpFix();
        FixerFichierAide({});
    }
    QStringList Appels(int n) const { return Lecteur.Appels(n); }
    QStringList Messages() const
    {
        QStringList t;
        for (const TDemandeDialogue& d : Dialogues::Journal())
            t << d.Texte;
        return t;
    }

    QTemporaryDir Dossier;
    TLecteurAideEssai Lecteur{Dossier.path()};
    QString DossierAide, Aide;
    TMain* Cadre = nullptr;
    TRepondeurTest Repondeur{ReponseParDefaut};
};

const char* const MessageAbsent =
    "Le fichier d'aide 'Stelor.chm' n'est pas présent dans le répertoire de l'application.";
const char* const MessageVersion =
    "Aucun lecteur d'aide n'est installé : installez xchm (paquet « xchm ») pour lire l'aide de Stelor.";

} // namespace

// F1 in an image window, which carries a context, is seen in the image-window runs.
TEST_F(TAideCadre, F1DansLeCadreOuvreLeSommaire)
{
    Cadre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
    QTest::keyClick(Cadre, Qt::Key_F1);
    EXPECT_EQ(Appels(1), QStringList{"appel|" + Aide});
    EXPECT_TRUE(Messages().isEmpty());
    // The folder name reaches the viewer as it stands, never through a shell.
    EXPECT_FALSE(QFile::exists(DossierAide + "/PIEGE") || QFile::exists(QStringLiteral("PIEGE")));
}

TEST_F(TAideCadre, SansFichierNiVisionneuse)
{
    FixerFichierAide(DossierAide + QStringLiteral("/absent.chm"));
    Cadre->MnItmDocumentation->trigger();
    bool appeler = true;
    EXPECT_FALSE(AfficherAideContexte(HELP_CONTEXT, 1001, appeler));
    EXPECT_TRUE(appeler);
    EXPECT_EQ(Messages(), (QStringList{MessageAbsent, MessageAbsent}));
    // Nothing was started: the one call seen is the next, good one.
    FixerFichierAide(Aide);
    Cadre->MnItmDocumentation->trigger();
    EXPECT_EQ(Appels(1), QStringList{"appel|" + Aide});
    // The handler reports what it did.
    EXPECT_TRUE(AfficherAideContexte(HELP_CONTEXT, 1001, appeler));
    EXPECT_FALSE(appeler);
    EXPECT_EQ(Appels(2)[1], "appel|-c|1001|" + Aide);

    // No viewer on the PATH: the version message.
    qputenv("PATH", Dossier.filePath(QStringLiteral("vide")).toUtf8());
    LibererHHCtrl();
    Dialogues::ViderJournal();
    Cadre->MnItmDocumentation->trigger();
    EXPECT_FALSE(AfficherAideContexte(HELP_CONTEXT, 1001, appeler));
    EXPECT_EQ(Messages(), (QStringList{MessageVersion, MessageVersion}));
    EXPECT_FALSE(HHCtrlCharge());
}

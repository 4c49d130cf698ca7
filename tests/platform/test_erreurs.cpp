#include "PApplication.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

TEST(Erreurs, TextesDesErreursDeFichier)
{
    EXPECT_EQ(EErreurFichier(2).Message(), "Fichier introuvable");
    EXPECT_EQ(EErreurFichier(5).Message(), "Accès au fichier refusé");
    EXPECT_EQ(EErreurFichier(100).Message(), "Lecture au-delà de la fin de fichier");
    EXPECT_EQ(EErreurFichier(103).Message(), "Erreur E/S 103");
}

TEST(Erreurs, UneCommandeQuiEchoueMontreSonTexteSansPropager)
{
    TRepondeurTest rep(RepondreToujours());
    bool ok = true;
    EXPECT_NO_THROW(ok = ExecuterCommande([] { LeverErreur("Format de fichier inconnu."); }));
    EXPECT_FALSE(ok);
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Erreur);
    EXPECT_EQ(Dialogues::Journal()[0].Titre, "Stelor");
    EXPECT_EQ(Dialogues::Journal()[0].Texte, "Format de fichier inconnu.");
}

namespace {

// Code and text of the file error a call raises; {0, ""} when none.
std::pair<int, std::string> ErreurDe(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EErreurFichier& e) {
        return {e.Code(), e.Message().toStdString()};
    }
    return {0, {}};
}

// The error of a step that the system answers with the given number.
struct TPanneEssai {
    TPanneEssai(TEtapeFichier etape, int erreur)
    {
        FixerPanneFichierEssai([=](const QString&, TEtapeFichier e) { return e == etape ? erreur : 0; });
    }
    ~TPanneEssai() { FixerPanneFichierEssai({}); }
};

} // namespace

// Every refused read names the file and says why; nothing that is not a
// regular file is opened (a named pipe would wait for ever).
TEST(Fichiers, LecturesRefuseesNommentLeFichierEtLaCause)
{
    QTemporaryDir dir;
    const TTubeNomme tube(dir.filePath("tube.fit"));
    QDir(dir.path()).mkdir("dossier.fit");
    QFile::link(dir.filePath("b"), dir.filePath("a"));
    QFile::link(dir.filePath("a"), dir.filePath("b"));
    EcrireFichierSur(dir.filePath("protege.fit"), QByteArray("x"));
    const struct {
        QString Nom;
        int Code;
        QString Cause;
        int Panne = 0;
    } cas[] = {
        {dir.filePath("absent.fit"), ES_FichierIntrouvable, "il n'existe pas"},
        {dir.filePath("nulle/part/absent.fit"), ES_CheminIntrouvable,
         "son dossier « " + dir.filePath("nulle/part") + " » n'existe pas"},
        {tube.Nom(), ES_AccesRefuse, "c'est un tube nommé (FIFO), pas un fichier ordinaire"},
        {dir.filePath("dossier.fit"), ES_AccesRefuse, "c'est un dossier, pas un fichier"},
        {"/dev/zero", ES_AccesRefuse, "c'est un périphérique, pas un fichier ordinaire"},
        {dir.filePath("a"), ES_AccesRefuse, "ses liens symboliques forment une boucle"},
        {dir.filePath("protege.fit"), ES_AccesRefuse, "permission refusée", EACCES},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Nom.toStdString());
        const TPanneEssai panne(TEtapeFichier::Ouverture, c.Panne);
        EXPECT_EQ(ErreurDe([&] { LireFichierComplet(c.Nom); }),
                  std::pair(c.Code, ("Impossible de lire le fichier « " + c.Nom + " » : " + c.Cause + ".").toStdString()));
    }
}

// Every refused write names the file and says why, and leaves the old file
// as it was with no temporary file beside it.
TEST(Fichiers, EcrituresRefuseesNommentLeFichierEtLaCause)
{
    QTemporaryDir dir;
    const QString ancien = dir.filePath("ancien.fit");
    const TTubeNomme tube(dir.filePath("tube.fit"));
    QDir(dir.path()).mkdir("dossier.fit");
    QFile::link(dir.filePath("b"), dir.filePath("a"));
    QFile::link(dir.filePath("a"), dir.filePath("b"));
    const auto contenu = [&] { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot); };
    EcrireFichierSur(ancien, QByteArray("ancien"));
    const QStringList avant = contenu();
    const struct {
        QString Nom;
        int Code;
        QString Cause;
        TEtapeFichier Etape = TEtapeFichier::Ouverture;
        int Panne = 0;
    } cas[] = {
        {ancien, ES_ErreurEcriture, "le disque est plein", TEtapeFichier::Ecriture, ENOSPC},
        {ancien, ES_AccesRefuse, "le dossier « " + dir.path() + " » n'accepte pas de nouveau fichier (permission refusée)",
         TEtapeFichier::Creation, EACCES},
        {ancien, ES_AccesRefuse, "le disque est en lecture seule", TEtapeFichier::Creation, EROFS},
        {dir.filePath("dossier.fit"), ES_AccesRefuse, "c'est un dossier, pas un fichier"},
        {tube.Nom(), ES_AccesRefuse, "c'est un tube nommé (FIFO), pas un fichier ordinaire"},
        {dir.filePath("a"), ES_AccesRefuse, "ses liens symboliques forment une boucle"},
        {dir.filePath("pas/de/dossier.fit"), ES_CheminIntrouvable,
         "son dossier « " + dir.filePath("pas/de") + " » n'existe pas"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Nom.toStdString());
        const TPanneEssai panne(c.Etape, c.Panne);
        EXPECT_EQ(ErreurDe([&] { EcrireFichierSur(c.Nom, QByteArray(100000, 'n')); }),
                  std::pair(c.Code, ("Impossible d'écrire le fichier « " + c.Nom + " » : " + c.Cause + ".").toStdString()));
        EXPECT_EQ(contenu(), avant);
    }
    // A writer that fails on its own: its error stands as it is.
    EXPECT_EQ(ErreurDe([&] {
                  EcrireFichierSur(ancien, [](QIODevice& d) {
                      d.write("nouv");
                      LeverErreurFichier(ES_ErreurEcriture);
                  });
              }),
              std::pair(int(ES_ErreurEcriture), std::string("Erreur E/S 101")));
    EXPECT_EQ(std::pair(LireFichierComplet(ancien), contenu()), std::pair(QByteArray("ancien"), avant));
    EXPECT_EQ(std::pair(QFileInfo(tube.Nom()).exists(), QFileInfo(tube.Nom()).isFile()), std::pair(true, false));

    // A save through a link writes its file and keeps the link, and the
    // file keeps its permissions.
    QFile::setPermissions(ancien, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions droits = QFileInfo(ancien).permissions();
    QFile::link(ancien, dir.filePath("lien.fit"));
    EcrireFichierSur(dir.filePath("lien.fit"), QByteArray("nouveau"));
    EXPECT_EQ(std::tuple(QFileInfo(dir.filePath("lien.fit")).isSymLink(), LireFichierComplet(ancien),
                         QFileInfo(ancien).permissions()),
              std::tuple(true, QByteArray("nouveau"), droits));
}

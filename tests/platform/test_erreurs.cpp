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
    const TDemandeDialogue& d = Dialogues::Journal()[0];
    EXPECT_EQ(std::tuple(d.Genre, d.Titre, d.Texte),
              std::tuple(TGenreDemande::Erreur, QString("Stelor"), QString("Format de fichier inconnu.")));
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

} // namespace

// Every refused read or write names the file and says why; nothing that is
// not a regular file is opened (a named pipe would wait for ever); a refused
// write leaves the old file as it was with no temporary file beside it.
// Permissions and a full disk are steered: root ignores permissions.
TEST(Fichiers, LecturesEtEcrituresRefuseesNommentLeFichierEtLaCause)
{
    QTemporaryDir dir;
    const QString ancien = dir.filePath("ancien.fit");
    const TTubeNomme tube(dir.filePath("tube.fit"));
    QDir(dir.path()).mkdir("dossier.fit");
    QFile::link(dir.filePath("b"), dir.filePath("a"));
    QFile::link(dir.filePath("a"), dir.filePath("b"));
    EcrireFichierSur(ancien, QByteArray("ancien"));
    const auto contenu = [&] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList avant = contenu();
    const QString nullePart = dir.filePath("nulle/part");
    using E = TEtapeFichier;
    const struct {
        QString Nom;
        bool Ecriture;
        int Code;
        QString Cause;
        E Etape = E::Ouverture;
        int Panne = 0;
    } cas[] = {
        {dir.filePath("absent.fit"), false, ES_FichierIntrouvable, "il n'existe pas"},
        {dir.filePath("nulle/part/x.fit"), false, ES_CheminIntrouvable, "son dossier « " + nullePart + " » n'existe pas"},
        {dir.filePath("nulle/part/x.fit"), true, ES_CheminIntrouvable, "son dossier « " + nullePart + " » n'existe pas"},
        {tube.Nom(), false, ES_AccesRefuse, "c'est un tube nommé (FIFO), pas un fichier ordinaire"},
        {tube.Nom(), true, ES_AccesRefuse, "c'est un tube nommé (FIFO), pas un fichier ordinaire"},
        {dir.filePath("dossier.fit"), false, ES_AccesRefuse, "c'est un dossier, pas un fichier"},
        {dir.filePath("dossier.fit"), true, ES_AccesRefuse, "c'est un dossier, pas un fichier"},
        {"/dev/zero", false, ES_AccesRefuse, "c'est un périphérique, pas un fichier ordinaire"},
        {dir.filePath("a"), false, ES_AccesRefuse, "ses liens symboliques forment une boucle"},
        {dir.filePath("a"), true, ES_AccesRefuse, "ses liens symboliques forment une boucle"},
        {ancien, false, ES_AccesRefuse, "permission refusée", E::Ouverture, EACCES},
        {ancien, true, ES_ErreurEcriture, "le disque est plein", E::Ecriture, ENOSPC},
        {ancien, true, ES_AccesRefuse,
         "le dossier « " + dir.path() + " » n'accepte pas de nouveau fichier (permission refusée)", E::Creation, EACCES},
        {ancien, true, ES_AccesRefuse, "le disque est en lecture seule", E::Creation, EROFS},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Nom.toStdString() + (c.Ecriture ? " (écriture)" : ""));
        FixerPanneFichierEssai([&](const QString&, E e) { return e == c.Etape ? c.Panne : 0; });
        const auto erreur = ErreurDe([&] {
            c.Ecriture ? EcrireFichierSur(c.Nom, QByteArray(100000, 'n')) : void(LireFichierComplet(c.Nom));
        });
        FixerPanneFichierEssai({});
        const QString texte = c.Ecriture ? "Impossible d'écrire le fichier « " : "Impossible de lire le fichier « ";
        EXPECT_EQ(erreur, std::pair(c.Code, (texte + c.Nom + " » : " + c.Cause + ".").toStdString()));
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
    EXPECT_EQ(std::tuple(LireFichierComplet(ancien), contenu(), QFileInfo(tube.Nom()).isFile()),
              std::tuple(QByteArray("ancien"), avant, false));

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

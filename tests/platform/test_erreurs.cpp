#include "PApplication.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

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
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    const TDemandeDialogue& d = Dialogues::Journal()[0];
    EXPECT_EQ(std::tuple(d.Genre, d.Titre, d.Texte),
              std::tuple(TGenreDemande::Erreur, QString("Stelor"), QString("Format de fichier inconnu.")));
}

TEST(Erreurs, AucunTexteDeLaBibliothequeNeParvientALUtilisateur)
{
    // What the library throws says nothing in French ("vector::reserve"):
    // the box says what happened in the user's words.
    TRepondeurTest rep(RepondreToujours());
    const std::pair<std::function<void()>, const char*> cas[] = {
        {[] { std::vector<double>().reserve(std::vector<double>().max_size() + 1); }, "Mémoire insuffisante"},
        {[] { throw std::bad_alloc(); }, "Mémoire insuffisante"},
        {[] { (void)std::string("abc").at(7); }, "Erreur interne : l'opération a été abandonnée."},
    };
    for (const auto& [commande, debut] : cas) {
        EXPECT_FALSE(ExecuterCommande(commande));
        ASSERT_FALSE(Dialogues::Journal().empty());
        const QString texte = Dialogues::Journal().back().Texte;
        EXPECT_TRUE(texte.startsWith(QString::fromUtf8(debut)) && !texte.contains("vector") && !texte.contains("basic_string"))
            << texte.toStdString();
    }
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
    const auto contenu = [&] { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System); };
    const QStringList avant = contenu();
    using E = TEtapeFichier;
    const struct {
        QString Nom;
        const char* Sens; // l: read, e: write
        int Code;
        QString Cause;
        E Etape = E::Ouverture;
        int Panne = 0;
    } cas[] = {
        {dir.filePath("absent.fit"), "l", ES_FichierIntrouvable, "il n'existe pas"},
        {dir.filePath("nulle/part/x.fit"), "le", ES_CheminIntrouvable,
         "son dossier « " + dir.filePath("nulle/part") + " » n'existe pas"},
        {tube.Nom(), "le", ES_AccesRefuse, "c'est un tube nommé (FIFO), pas un fichier ordinaire"},
        {dir.filePath("dossier.fit"), "le", ES_AccesRefuse, "c'est un dossier, pas un fichier"},
        {"/dev/zero", "l", ES_AccesRefuse, "c'est un périphérique, pas un fichier ordinaire"},
        {dir.filePath("a"), "le", ES_AccesRefuse, "ses liens symboliques forment une boucle"},
        {ancien, "l", ES_AccesRefuse, "permission refusée", E::Ouverture, EACCES},
        {ancien, "e", ES_ErreurEcriture, "le disque est plein", E::Ecriture, ENOSPC},
        {ancien, "e", ES_AccesRefuse,
         "le dossier « " + dir.path() + " » n'accepte pas de nouveau fichier (permission refusée)", E::Creation, EACCES},
        {ancien, "e", ES_AccesRefuse, "le disque est en lecture seule", E::Creation, EROFS},
    };
    for (const auto& c : cas)
        for (const bool ecriture : {false, true}) {
            if (!std::strchr(c.Sens, ecriture ? 'e' : 'l'))
                continue;
            SCOPED_TRACE(c.Nom.toStdString() + (ecriture ? " (écriture)" : ""));
            FixerPanneFichierEssai([&](const QString&, E e) { return e == c.Etape ? c.Panne : 0; });
            const auto erreur = ErreurDe([&] {
                ecriture ? EcrireFichierSur(c.Nom, QByteArray(100000, 'n')) : void(LireFichierComplet(c.Nom));
            });
            FixerPanneFichierEssai({});
            const QString texte = ecriture ? "Impossible d'écrire le fichier « " : "Impossible de lire le fichier « ";
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

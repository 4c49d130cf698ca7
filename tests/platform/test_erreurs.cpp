#include "PApplication.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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

TEST(Fichiers, LectureDUnFichierAbsent)
{
    QTemporaryDir dir;
    // A missing folder has its own code, but the user reads the same text.
    for (const auto& [nom, code] :
         {std::pair{"absent.fit", ES_FichierIntrouvable}, {"nulle/part/absent.fit", ES_CheminIntrouvable}}) {
        try {
            LireFichierComplet(dir.filePath(nom));
            ADD_FAILURE() << nom;
        } catch (const EErreurFichier& e) {
            EXPECT_EQ(e.Code(), code) << nom;
            EXPECT_EQ(e.Message(), "Fichier introuvable") << nom;
        }
    }
}

TEST(Fichiers, UneEcritureQuiEchoueLaisseLAncienFichier)
{
    QTemporaryDir dir;
    const QString nom = dir.filePath("image.fit");
    EcrireFichierSur(nom, QByteArray("ancien"));
    EXPECT_THROW(EcrireFichierSur(nom,
                                  [](QIODevice& d) {
                                      d.write("nouv");
                                      LeverErreurFichier(ES_ErreurEcriture);
                                  }),
                 EErreurFichier);
    EXPECT_EQ(LireFichierComplet(nom), QByteArray("ancien"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    EXPECT_THROW(EcrireFichierSur(dir.filePath("pas/de/dossier.fit"), QByteArray("x")), EErreurFichier);
}

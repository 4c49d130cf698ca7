// The real file dialogs, played offscreen as a user would: typing into the
// name field, answering the overwrite question.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

struct TCas {
    const char* Nom;
    const char* Existant; // file present before the dialog
    const char* Tape;
    bool Remplacer;       // answer to the overwrite question
    const char* Attendu;  // name returned; empty: cancelled
    const char* Question; // file the question names; empty: no question
};

} // namespace

TEST(DialogueEnregistrement, LaQuestionNommeLeFichierQuiSeraEcrit)
{
    const TCas cas[] = {
        {"sans extension, remplace", "dup.fit", "dup", true, "dup.fit", "dup.fit"},
        {"sans extension, refuse puis annule", "dup.fit", "dup", false, "", "dup.fit"},
        {"autre extension gardée", "zone.jpg", "zone.jpg", true, "zone.jpg", "zone.jpg"},
        {"nouveau fichier", "autre.fit", "neuf", true, "neuf.fit", ""},
    };
    for (const TCas& c : cas) {
        SCOPED_TRACE(c.Nom);
        QTemporaryDir dossier;
        EcrireFichierSur(dossier.filePath(c.Existant), QByteArray("ancien"));
        QString question;
        TPiloteModal pilote([&](QWidget& m) {
            if (auto* d = qobject_cast<QFileDialog*>(&m)) {
                if (!question.isEmpty() && !c.Remplacer) // back in the dialog after No: give up
                    d->reject();
                else
                    ChoisirDansDialogue(*d, {QString::fromUtf8(c.Tape)});
            } else if (auto* q = qobject_cast<QMessageBox*>(&m)) {
                question = q->text();
                q->button(c.Remplacer ? QMessageBox::Yes : QMessageBox::No)->click();
            }
        });
        const QString nom = Dialogues::ChoisirFichierEnregistrement(nullptr, "Enregistrer sous", "Fichier Fit (*.fit)",
                                                                   dossier.path() + "/");
        EXPECT_EQ(nom, *c.Attendu ? dossier.filePath(c.Attendu) : QString());
        if (*c.Question)
            EXPECT_TRUE(question.contains(c.Question)) << question.toStdString();
        else
            EXPECT_TRUE(question.isEmpty()) << question.toStdString();
        EXPECT_EQ(LireFichierComplet(dossier.filePath(c.Existant)), "ancien");
    }
}

TEST(DialogueEnregistrement, LeRepondeurSuitLaMemeRegleDExtension)
{
    const struct {
        const char* Repondu;
        const char* Attendu;
    } cas[] = {{"/t/dup", "/t/dup.fit"}, {"/t/zone.jpg", "/t/zone.jpg"}, {"/t/m31.2024", "/t/m31.2024"}, {"", ""}};
    for (const auto& c : cas) {
        TRepondeurTest rep([&](const TDemandeDialogue&) {
            return TReponseDialogue{mrCancel, *c.Repondu ? QStringList{c.Repondu} : QStringList(), {}};
        });
        EXPECT_EQ(Dialogues::ChoisirFichierEnregistrement(nullptr, "t", "Fichier Fit (*.fit)"), QString(c.Attendu));
    }
}

TEST(DialogueFichiers, TaillesEtDatesEnFrancais)
{
    QTemporaryDir dossier;
    EcrireFichierSur(dossier.filePath("image.fit"), QByteArray(5000, 'x'));
    const QLocale francais(QLocale::French, QLocale::France);
    const QString tailleAttendue = francais.formattedDataSize(5000);
    const QString dateAttendue =
        francais.toString(QFileInfo(dossier.filePath("image.fit")).lastModified(), QLocale::ShortFormat);
    QString taille, date;
    TPiloteModal pilote(Sur<QFileDialog>([&](QFileDialog& d) {
        // The list fills in the background: the file's line once there.
        auto* vue = d.findChild<QTreeView*>(QStringLiteral("treeView"));
        const QModelIndex racine = vue->rootIndex();
        for (int r = 0; r < vue->model()->rowCount(racine); ++r) {
            const QModelIndex ligne = vue->model()->index(r, 0, racine);
            if (ligne.data().toString() == "image.fit") {
                taille = ligne.siblingAtColumn(1).data().toString();
                date = ligne.siblingAtColumn(3).data().toString();
                d.reject();
            }
        }
    }));
    Dialogues::ChoisirFichiersOuverture(nullptr, "Ouvrir", "Fichier Fit (*.fit)", dossier.path());
    EXPECT_EQ(std::pair(taille, date), std::pair(tailleAttendue, dateAttendue));
    EXPECT_FALSE(taille.contains("KiB"));
}

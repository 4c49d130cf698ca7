// The real file dialogs, played offscreen as a user would: typing into the
// name field, answering the overwrite question.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QProxyStyle>
#include <QSettings>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <map>

namespace {

struct TCas {
    const char* Nom;
    const char* Existant; // file present before the dialog
    const char* Tape;
    bool Remplacer;       // answer to the overwrite question
    const char* Attendu;  // name returned; empty: cancelled
    const char* Question; // file the question names; empty: no question
};

// Keeps the texts a list draws, by line and column.
class TStyleTemoin : public QProxyStyle {
public:
    mutable std::map<std::pair<int, int>, QString> Textes;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* peintre,
                     const QWidget* widget) const override
    {
        if (const auto* ligne = qstyleoption_cast<const QStyleOptionViewItem*>(option);
            ligne && element == CE_ItemViewItem)
            Textes[{ligne->index.row(), ligne->index.column()}] = ligne->text;
        QProxyStyle::drawControl(element, option, peintre, widget);
    }
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

// Names typed into the open dialog's name field, then Return, as a user does
// it: each name comes back, whatever their number and their blanks.
TEST(DialogueOuverture, ChaqueNomTapeRevient)
{
    const struct {
        const char* Cas;
        QStringList Noms;
    } cas[] = {
        {"un nom", {"saao.fit"}},
        {"deux noms", {"saao.fit", "m51.fit"}},
        {"trois noms", {"saao.fit", "m51.fit", "dss1.fit"}},
        {"cinq noms", {"saao.fit", "m51.fit", "dss1.fit", "isaac.fit", "ngc1316.fit"}},
        {"un nom à blancs, sans guillemets", {"m 51 rouge.fit"}},
        {"noms à blancs", {"m 51 rouge.fit", "ngc 1316 b.fit", "isaac.fit"}},
        {"un BMP que le type de fichier montré cache", {"saao.fit", "hubble.bmp", "m51.fit"}},
    };
    QTemporaryDir dossier;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier.path());
    const QStringList fichiers{"saao.fit", "m51.fit", "dss1.fit", "isaac.fit", "ngc1316.fit", "m 51 rouge.fit",
                               "ngc 1316 b.fit", "autre.fit"};
    for (const QString& f : fichiers)
        EcrireFichierSur(dossier.filePath(f), QByteArray("x"));
    EcrireFichierSur(dossier.filePath("hubble.bmp"), QByteArray("x")); // not in the list "Fichier fit" shows
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Cas);
        const QString tape = c.Noms.size() == 1 ? c.Noms[0] : '"' + c.Noms.join(QStringLiteral("\" \"")) + '"';
        QStringList refus;
        bool fait = false;
        TPiloteModal pilote([&](QWidget& m) {
            if (auto* q = qobject_cast<QMessageBox*>(&m)) {
                refus << q->text();
                q->close();
                return;
            }
            auto* d = qobject_cast<QFileDialog*>(&m);
            if (!d)
                return;
            if (fait) { // back in the dialog after a refusal
                d->reject();
                return;
            }
            auto* nom = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* liste = d->findChild<QListView*>(QStringLiteral("listView"));
            ASSERT_TRUE(nom && liste);
            // The list fills in the background; the user types once it shows,
            // into the name field that has the focus.
            if (liste->model()->rowCount(liste->rootIndex()) < fichiers.size())
                return;
            if (!nom->hasFocus()) {
                nom->setFocus();
                return;
            }
            fait = true;
            QTest::keyClicks(nom, tape);
            QTest::keyClick(nom, Qt::Key_Return);
        });
        QStringList choisis = Dialogues::ChoisirFichiersOuverture(
            nullptr, "Ouvrir", "Fichier fit (*.fit);;Fichier bitmap (*.bmp);;Fichier fit et bitmap (*.fit *.bmp)",
            dossier.path());
        QStringList attendus;
        for (const QString& n : c.Noms)
            attendus << dossier.filePath(n);
        choisis.sort();
        attendus.sort();
        EXPECT_EQ(choisis, attendus) << "tapé : " << tape.toStdString();
        EXPECT_EQ(refus, QStringList());
    }
}

// What the list shows is French and whole: its titles, the sizes, dates and
// kinds of files as drawn, the places beside it. A dialog shown for real is not
// recorded in the journal, which only the tests' responders fill.
TEST(DialogueFichiers, ToutEnFrancaisEtEntier)
{
    QTemporaryDir dossier;
    EcrireFichierSur(dossier.filePath("image.fit"), QByteArray(5000, 'x'));
    ASSERT_TRUE(QDir(dossier.path()).mkdir("sous"));
    const QLocale francais(QLocale::French, QLocale::France);
    const QString date = francais.toString(QFileInfo(dossier.filePath("image.fit")).lastModified(), QLocale::ShortFormat);
    // Qt keeps the columns' widths from one dialog to the next: start from its own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier.path());
    Dialogues::ViderJournal();
    QStringList titres, lignes{"", ""}, coupes;
    TPiloteModal pilote(Sur<QFileDialog>([&](QFileDialog& d) {
        auto* vue = d.findChild<QTreeView*>(QStringLiteral("treeView"));
        auto* lieux = d.findChild<QListView*>(QStringLiteral("sidebar"));
        ASSERT_TRUE(vue && lieux && d.testOption(QFileDialog::DontUseNativeDialog));
        // The list fills in the background: both lines once there.
        const auto modele = vue->model();
        if (modele->rowCount(vue->rootIndex()) < 2)
            return;
        auto* temoin = new TStyleTemoin;
        temoin->setParent(vue);
        vue->setStyle(temoin);
        vue->viewport()->grab();
        for (int c = 0; c < 4; ++c) {
            titres << modele->headerData(c, Qt::Horizontal).toString();
            for (int r = 0; r < 2; ++r)
                lignes[r] += (c ? "|" : "") + temoin->Textes[{r, c}];
            // A title, or a text below it, wider than the column is cut (a name may be).
            if (vue->header()->sectionSizeHint(c) > vue->columnWidth(c) ||
                (c > 0 && static_cast<QAbstractItemView*>(vue)->sizeHintForColumn(c) > vue->columnWidth(c)))
                coupes << titres.last();
        }
        if (lieux->sizeHintForColumn(0) > lieux->viewport()->width())
            coupes << QStringLiteral("lieux");
        d.reject();
    }));
    Dialogues::ChoisirFichiersOuverture(nullptr, "Ouvrir", "Fichier fit (*.fit);;Fichier bitmap (*.bmp)", dossier.path());
    EXPECT_EQ(titres, QStringList({"Nom", "Taille", "Type", "Dernière modification"}));
    EXPECT_EQ(lignes, QStringList({"sous||Dossier|" + date,
                                   "image.fit|" + francais.formattedDataSize(5000) + "|document FITS|" + date}));
    EXPECT_EQ(coupes, QStringList());
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

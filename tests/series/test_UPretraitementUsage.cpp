// The preprocessing window with the real file dialogs and message box, driven
// by hand.
#include "PDialogues.h"
#include "Soutien.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

TEST(UsagePretraitement, VraisDialogues)
{
    QTemporaryDir dossier;
    EcrireSeriesEssai(dossier.path());
    TPiloteModal pilote; // the real file dialogs and message box, played by hand
    auto* cadre = new TMain;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    InstallerPretraitement(*cadre);
    cadre->show();
    cadre->MnItmPretraitement->trigger();
    auto* f = qobject_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);

    QStringList filtres;
    pilote.Agir = Sur<QFileDialog>([&](QFileDialog& d) {
        filtres = d.nameFilters();
        ChoisirDansDialogue(d, {dossier.filePath(QStringLiteral("dark1.fit")), dossier.filePath(QStringLiteral("dark2.fit"))});
    });
    QTest::mouseClick(f->BtnDarks, Qt::LeftButton);
    EXPECT_EQ(filtres, (QStringList{"Fichier fit (*.fit)", "Fichier bitmap (*.bmp)"}));
    EXPECT_EQ(f->LstBxDarks->count(), 2);

    // A file of another size: the real box says why.
    QString texte;
    pilote.Agir = [&](QWidget& m) {
        if (auto* d = qobject_cast<QFileDialog*>(&m)) {
            filtres = d->nameFilters();
            ChoisirDansDialogue(*d, {dossier.filePath(QStringLiteral("ngc.fit"))});
        } else if (auto* boite = qobject_cast<QMessageBox*>(&m)) {
            texte = boite->windowTitle() + QLatin1Char('|') + boite->text();
            boite->button(QMessageBox::Ok)->click();
        }
    };
    QTest::mouseClick(f->BtnDarks, Qt::LeftButton);
    EXPECT_EQ(filtres, QStringList{"Fichier fit (*.fit)"}); // listed files choose the kind
    EXPECT_EQ(texte, QStringLiteral("Stelor|Les images choisies ont une taille différente de celle des images déjà "
                                    "sélectionnées."));
    EXPECT_EQ(f->LstBxDarks->count(), 2);

    // The save dialog of the master, which adds its extension.
    QTest::mouseClick(f->BtBtnDarkProcess, Qt::LeftButton);
    pilote.Agir = Sur<QFileDialog>([&](QFileDialog& d) {
        filtres = d.nameFilters();
        EXPECT_EQ(std::pair(d.acceptMode(), d.testOption(QFileDialog::DontConfirmOverwrite)),
                  std::pair(QFileDialog::AcceptSave, false));
        ChoisirDansDialogue(d, {dossier.filePath(QStringLiteral("maitre"))});
    });
    QTest::mouseClick(f->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(filtres, QStringList{"Fichier Fit (*.fit)"});
    EXPECT_TRUE(QFile::exists(dossier.filePath(QStringLiteral("maitre.fit")))) << f->LblMessage->text().toStdString();

    delete cadre;
    FermerPreferences();
}

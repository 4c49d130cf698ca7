// The preprocessing window with the real file dialogs and message box, driven
// by hand.
#include "PDialogues.h"
#include "Soutien.h"
#include "SoutienSeries.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// Answers the next real modal window, a T, with the action, as a user would.
template <class T>
void QuandModal(std::function<void(T*)> action)
{
    auto* minuterie = new QTimer;
    QObject::connect(minuterie, &QTimer::timeout, [minuterie, action] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            minuterie->stop();
            minuterie->deleteLater();
            auto* t = qobject_cast<T*>(m);
            ASSERT_NE(t, nullptr) << m->metaObject()->className();
            action(t);
        }
    });
    minuterie->start(10);
}

} // namespace

TEST(UsagePretraitement, VraisDialogues)
{
    // No responder: the real file dialogs and message box, driven by hand.
    const auto repondeur = Dialogues::RepondeurCourant();
    Dialogues::RetirerRepondeur();
    QTemporaryDir dossier;
    EcrireSeriesEssai(dossier.path());
    auto* cadre = new TMain;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    InstallerPretraitement(*cadre);
    cadre->show();
    cadre->MnItmPretraitement->trigger();
    auto* f = qobject_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);

    QStringList filtres;
    QuandModal<QFileDialog>([&](QFileDialog* d) {
        filtres = d->nameFilters();
        d->setDirectory(dossier.path());
        d->selectFile(QStringLiteral("\"dark1.fit\" \"dark2.fit\""));
        static_cast<QDialog*>(d)->accept();
    });
    QTest::mouseClick(f->BtnDarks, Qt::LeftButton);
    EXPECT_EQ(filtres, (QStringList{"Fichier fit (*.fit)", "Fichier bitmap (*.bmp)"}));
    EXPECT_EQ(f->LstBxDarks->count(), 2);

    // A file of another size: the real box says why.
    QString texte;
    QuandModal<QFileDialog>([&](QFileDialog* d) {
        filtres = d->nameFilters();
        d->selectFile(dossier.filePath(QStringLiteral("ngc.fit")));
        QuandModal<QMessageBox>([&](QMessageBox* boite) {
            texte = boite->windowTitle() + QLatin1Char('|') + boite->text();
            boite->button(QMessageBox::Ok)->click();
        });
        static_cast<QDialog*>(d)->accept();
    });
    QTest::mouseClick(f->BtnDarks, Qt::LeftButton);
    EXPECT_EQ(filtres, QStringList{"Fichier fit (*.fit)"}); // listed files choose the kind
    EXPECT_EQ(texte, QStringLiteral("Stelor|Les images choisies ont une taille différente de celle des images déjà "
                                    "sélectionnées."));
    EXPECT_EQ(f->LstBxDarks->count(), 2);

    // The save dialog of the master, which adds its extension.
    QTest::mouseClick(f->BtBtnDarkProcess, Qt::LeftButton);
    QuandModal<QFileDialog>([&](QFileDialog* d) {
        filtres = d->nameFilters();
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
        d->selectFile(dossier.filePath(QStringLiteral("maitre")));
        static_cast<QDialog*>(d)->accept();
    });
    QTest::mouseClick(f->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(filtres, QStringList{"Fichier Fit (*.fit)"});
    EXPECT_TRUE(QFile::exists(dossier.filePath(QStringLiteral("maitre.fit")))) << f->LblMessage->text().toStdString();

    delete cadre;
    FermerPreferences();
    Dialogues::InstallerRepondeur(repondeur);
}

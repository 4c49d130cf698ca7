// The preprocessing window used from end to end through the frame, as a user
// would: Outils > Prétraitement, the four lists through the open dialog, a
// purge, a refused size, a master saved, a frame drawn on a real star and
// followed onto another raw frame, Planétaire and back. With STELOR_CAPTURES
// set to a folder, the Alignement and Master Dark tabs are saved there as PNG.
#include "PDialogues.h"
#include "Soutien.h"
#include "SoutienSeries.h"
#include "UControleImage.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPretraitement.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QListWidget>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

void Capturer(QWidget* w, const char* nom)
{
    const QByteArray dossier = qgetenv("STELOR_CAPTURES");
    if (dossier.isEmpty())
        return;
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QDir(QString::fromLocal8Bit(dossier)).filePath(QString::fromLatin1(nom))));
}

// Answers the next real modal window with the action, as a user would.
void QuandModal(std::function<void(QWidget*)> action)
{
    auto* minuterie = new QTimer;
    QObject::connect(minuterie, &QTimer::timeout, [minuterie, action] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            minuterie->stop();
            minuterie->deleteLater();
            action(m);
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
    ASSERT_TRUE(dossier.isValid());
    EcrireSeriesEssai(dossier.path());
    auto* cadre = new TMain;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    InstallerPretraitement(*cadre);
    cadre->show();
    cadre->MnItmPretraitement->trigger();
    auto* f = qobject_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);

    QStringList filtres;
    QuandModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(d, nullptr);
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
    QuandModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(d, nullptr);
        filtres = d->nameFilters();
        d->selectFile(dossier.filePath(QStringLiteral("ngc.fit")));
        QuandModal([&](QWidget* b) {
            auto* boite = qobject_cast<QMessageBox*>(b);
            ASSERT_NE(boite, nullptr);
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
    QuandModal([&](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(d, nullptr);
        filtres = d->nameFilters();
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(d->testOption(QFileDialog::DontConfirmOverwrite));
        d->selectFile(dossier.filePath(QStringLiteral("maitre")));
        static_cast<QDialog*>(d)->accept();
    });
    QTest::mouseClick(f->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(filtres, QStringList{"Fichier Fit (*.fit)"});
    EXPECT_TRUE(QFile::exists(dossier.filePath(QStringLiteral("maitre.fit"))));
    EXPECT_EQ(f->LblMessage->text(), QStringLiteral("Master Dark enregistré."));

    delete cadre;
    FermerPreferences();
    Dialogues::InstallerRepondeur(repondeur);
}

TEST(UsagePretraitement, DeBoutEnBout)
{
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    EcrireSeriesEssai(dossier.path());
    const auto chemin = [&](const char* n) { return dossier.filePath(QString::fromLatin1(n)); };
    QStringList aOuvrir;
    QString aEnregistrer;
    const TRepondeurTest repondeur([&](const TDemandeDialogue& d) {
        TReponseDialogue r = ReponseParDefaut(d);
        if (d.Genre == TGenreDemande::OuvrirFichiers)
            r.Fichiers = aOuvrir;
        else if (d.Genre == TGenreDemande::EnregistrerFichier)
            r.Fichiers = QStringList{aEnregistrer};
        return r;
    });
    auto* cadre = new TMain;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    InstallerPretraitement(*cadre);
    cadre->resize(1280, 960);
    cadre->show();

    cadre->MnOutils->menuAction()->trigger();
    cadre->MnItmPretraitement->trigger();
    auto* f = qobject_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(cadre->MnItmFermer->isEnabled());
    const auto choisir = [&](QPushButton* bouton, const QStringList& fichiers) {
        aOuvrir = fichiers;
        QTest::mouseClick(bouton, Qt::LeftButton);
    };
    choisir(f->BtnBrutes, {chemin("brute1.fit"), chemin("brute2.fit"), chemin("brute3.fit")});
    choisir(f->BtnDarks, {chemin("dark1.fit"), chemin("dark2.fit"), chemin("dark3.fit")});
    choisir(f->BtnFlats, {chemin("flat1.fit"), chemin("flat2.fit")});
    choisir(f->BtnOffsets, {chemin("offset1.fit"), chemin("offset2.fit")});
    EXPECT_EQ(f->LstBxBrutes->count() + f->LstBxDarks->count() + f->LstBxFlats->count() + f->LstBxOffsets->count(), 10);
    Capturer(f, "pretraitement_images.png");

    // A listed flat deleted on disk: purged, with its message, at the next add.
    ASSERT_TRUE(QFile::remove(chemin("flat2.fit")));
    Dialogues::ViderJournal();
    choisir(f->BtnFlats, {chemin("flat3.fit")});
    ASSERT_EQ(Dialogues::Journal().size(), 2u); // the open dialog, then the message
    EXPECT_EQ(Dialogues::Journal().back().Texte,
              QStringLiteral("Les listes contiennent des images non trouvées, leurs références a été supprimées."));
    EXPECT_EQ(f->LstBxFlats->count(), 2);
    // A file of another size is refused.
    Dialogues::ViderJournal();
    choisir(f->BtnOffsets, {chemin("ngc.fit")});
    EXPECT_EQ(Dialogues::Journal().back().Texte,
              QStringLiteral("Les images choisies ont une taille différente de celle des images déjà sélectionnées."));
    EXPECT_EQ(f->LstBxOffsets->count(), 2);

    // The master dark, computed and saved on its tab.
    f->PgCntrlPrincipale->setCurrentWidget(f->TbShtMasterDark);
    QTest::mouseClick(f->BtBtnDarkProcess, Qt::LeftButton);
    aEnregistrer = chemin("master_dark");
    QTest::mouseClick(f->BtBtnDarkEnregistrerSous, Qt::LeftButton);
    EXPECT_EQ(f->LblMessage->text(), QStringLiteral("Master Dark enregistré."));
    EXPECT_TRUE(QFile::exists(chemin("master_dark.fit"))); // the filter's extension added
    const QString verdict = Python(QStringLiteral(R"(
o = sys.argv[1]
d = pile([f'{o}/dark{i}.fit' for i in (1, 2, 3)])
print(int(np.abs(lire(o + '/master_dark.fit') - np.sort(d, 0)[1]).max()))
)"),
                                   {dossier.path()});
    EXPECT_EQ(verdict, QStringLiteral("0"));
    Capturer(f, "pretraitement_master_dark.png");

    // The frame on the star near (451, 85) of the raw frames.
    f->PgCntrlPrincipale->setCurrentWidget(f->TbShtRegistration);
    QApplication::processEvents();
    f->ScrllBxRegistration->horizontalScrollBar()->setValue(300);
    QWidget* image = f->ImgRegistration;
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(437, 71));
    for (int i = 1; i <= 4; ++i) {
        const QPoint p(437 + 7 * i, 71 + 7 * i);
        QMouseEvent m(QEvent::MouseMove, p, image->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(image, &m);
        EXPECT_FALSE(f->PnlZoomRegistration->isHidden());
    }
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(465, 99));
    ASSERT_TRUE(f->CadreDefini());
    EXPECT_TRUE(f->LblCoordonneesEtMaxi->text().startsWith(QStringLiteral("[437,71] [465,99] Max : ")));
    const QImage zoom1 = f->ImgZoomRegistration->Picture;
    Capturer(f, "pretraitement_alignement.png");

    // Another raw frame chosen with the keyboard in the combo.
    f->CmbBxBrutesRegistration->setFocus();
    QTest::keyClick(f->CmbBxBrutesRegistration, Qt::Key_Down);
    EXPECT_EQ(f->CmbBxBrutesRegistration->currentIndex(), 1);
    EXPECT_EQ(f->LstBxBrutes->currentRow(), 1);
    EXPECT_TRUE(f->CadreDefini());
    EXPECT_FALSE(f->PnlZoomRegistration->isHidden());
    EXPECT_NE(f->ImgZoomRegistration->Picture, zoom1); // the other frame's noise
    EXPECT_EQ(f->ImgZoomRegistration->Picture.size(), zoom1.size());

    // Planétaire, then Stellaire again: no frame left.
    f->CmbBxRegistration->setCurrentIndex(RegistrationPlanetaire);
    f->CmbBxRegistration->setCurrentIndex(RegistrationStellaire);
    EXPECT_FALSE(f->CadreDefini());
    EXPECT_TRUE(f->PnlZoomRegistration->isHidden());

    f->PgCntrlPrincipale->setCurrentWidget(f->TbShtExecution);
    EXPECT_FALSE(f->BtnImprimerExecution->isHidden());
    Capturer(f, "pretraitement_execution.png");

    // The preferences push reaches the window's six scroll boxes.
    EcrireDefilImgTpsReel(false);
    cadre->MajFenetresImagesSuivantPreferences();
    for (QScrollArea* s : {f->ScrllBxDark, f->ScrllBxFlat, f->ScrllBxOffset, f->ScrllBxRegistration,
                           f->ScrllBxResultatFit, f->ScrllBxResultatBmp})
        EXPECT_FALSE(s->verticalScrollBar()->hasTracking() || s->horizontalScrollBar()->hasTracking());

    // Fermer closes it.
    cadre->MnItmFermer->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(cadre->FenetresDocument().isEmpty());
    delete cadre;
    FermerPreferences();
}

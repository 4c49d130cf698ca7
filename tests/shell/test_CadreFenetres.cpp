// The frame with its real document windows, driven as a user would: real
// images copied to a temporary folder, opened through Ctrl+O or a drop, the
// windows arranged and closed from the frame's menus and keys, the mouse
// moved over the controls of every kind of window and of a dialog.
#include "PDialogues.h"
#include "Soutien.h"
#include "UEnteteFit.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UInstallationTrichromie.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UPasseBas.h"
#include "UPretraitement.h"
#include "UStatistiques.h"
#include "UTrichromieRVB.h"
#include "UTraitementImage.h"
#include "UVisionneuse.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class TCadreFenetres : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = AOuvrir;
            return r;
        });
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        InstallerPretraitement(*Cadre);
        InstallerVisionneuse(*Cadre);
        // A frame larger than the offscreen screen, on which it would be maximised.
        Cadre->setWindowState(Qt::WindowNoState);
        Cadre->resize(1200, 900);
        Cadre->show();
        QApplication::setActiveWindow(Cadre);
        ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        FermerCadreSansQuestion(Cadre);
        Repondeur.reset();
    }

    // A copy of a real image under the given name, in the temporary folder.
    QString Copie(const QString& donnee, const QString& nom)
    {
        const QString chemin = Dossier.filePath(nom);
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), chemin));
        return chemin;
    }
    // Ctrl+O with the names chosen in the dialog.
    void Ouvrir(const QStringList& noms)
    {
        AOuvrir = noms;
        QTest::keySequence(Cadre, QKeySequence(Qt::CTRL | Qt::Key_O));
        QApplication::processEvents();
    }
    TTraitementImage* OuvrirCopie(const QString& donnee, const QString& nom)
    {
        Ouvrir({Copie(donnee, nom)});
        return FenetreImageActive(*Cadre);
    }
    // A click on the window's title bar, as a user brings it forward.
    void Cliquer(QMdiSubWindow* f)
    {
        QTest::mouseClick(f, Qt::LeftButton, {}, QPoint(f->width() / 2, f->widget()->y() / 2));
        QApplication::processEvents();
        ASSERT_EQ(Cadre->FenetreActive(), f) << f->windowTitle().toStdString();
    }
    // The window's line of the Fenêtre menu.
    void ParMenu(const QString& titre)
    {
        emit Cadre->MnFenetre->aboutToShow();
        for (QAction* action : Cadre->MnFenetre->actions())
            if (action->text().endsWith(titre))
                action->trigger();
        QApplication::processEvents();
        ASSERT_EQ(Cadre->FenetreActive()->windowTitle(), titre);
    }
    // Ctrl+W, the frame's "Fermer".
    void Fermer()
    {
        QTest::keySequence(Cadre, QKeySequence(Qt::CTRL | Qt::Key_W));
        QApplication::processEvents();
    }
    // The active window's caption, and whether it is the front one.
    std::pair<QString, bool> Active()
    {
        TMDIChild* f = Cadre->FenetreActive();
        if (!f)
            return {};
        return {f->windowTitle(), Cadre->ZoneMDI()->subWindowList(QMdiArea::StackingOrder).last() == f};
    }
    QString Conseil() { return Cadre->statusBar()->currentMessage(); }
    // The texts of the message boxes shown.
    static QStringList Messages()
    {
        QStringList l;
        for (const TDemandeDialogue& d : Dialogues::Journal())
            if (d.Genre <= TGenreDemande::Erreur)
                l << d.Texte;
        return l;
    }

    QTemporaryDir Dossier;
    QStringList AOuvrir;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

} // namespace

// After Fenêtre > Cascade every picture is in sight: each image window shows
// its whole picture unless the document area stops it, and each window sits
// below and to the right of the one before, the active one in front.
TEST_F(TCadreFenetres, CascadeGardeChaqueImageVisible)
{
    TTraitementImage* fenetres[] = {
        OuvrirCopie("m51_i16_256.fits", "m51.fit"), OuvrirCopie("ngc1316_optical_i16.fits", "ngc.fit"),
        OuvrirCopie("saao_raw_u16.fits", "saao.fit"), OuvrirCopie("scale_bscale_bzero_i16.fits", "petite.fit"),
        OuvrirCopie("hubble_deep_field_8.bmp", "hubble.bmp")};
    for (TTraitementImage* f : fenetres)
        ASSERT_NE(f, nullptr);
    // A window made smaller than its picture; a threshold window, which keeps
    // its fixed size; the active window maximised.
    fenetres[2]->resize(200, 150);
    Cliquer(fenetres[1]);
    Cliquer(fenetres[0]);
    const QString active = Cadre->FenetreActive()->windowTitle();
    Cadre->MnItmHistogramme_Afficher->trigger();
    QMdiSubWindow* seuils = Cadre->TrouverHistogramme(fenetres[0]->Numero);
    ASSERT_NE(seuils, nullptr);
    const QSize tailleSeuils = seuils->size();
    Cliquer(fenetres[0]);
    fenetres[0]->showMaximized();

    Cadre->MnItmCascade->trigger();
    QApplication::processEvents();

    const QSize vue = Cadre->ZoneMDI()->viewport()->size();
    const QList<QMdiSubWindow*> pile = Cadre->ZoneMDI()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(pile.size(), 6);
    QPoint avant(-1, -1);
    for (QMdiSubWindow* s : pile) {
        const std::string nom = s->windowTitle().toStdString();
        EXPECT_FALSE(s->isMaximized()) << nom;
        EXPECT_GT(s->x(), avant.x()) << nom;
        EXPECT_GT(s->y(), avant.y()) << nom;
        avant = s->pos();
        // Within the area.
        EXPECT_LE(s->x() + s->width(), vue.width()) << nom;
        EXPECT_LE(s->y() + s->height(), vue.height()) << nom;
        if (auto* f = qobject_cast<TTraitementImage*>(s)) {
            const QSize image = f->ImgSource->Picture.size();
            const QSize montre = f->ScrllBxSource->viewport()->size();
            // The whole picture, or a window the area's edge stops.
            const bool entiere = montre.width() >= image.width() && montre.height() >= image.height();
            const bool bornee = s->x() + s->width() == vue.width() || s->y() + s->height() == vue.height();
            EXPECT_TRUE(entiere || bornee) << nom << " " << montre.width() << "x" << montre.height();
            EXPECT_GE(std::min(montre.width(), montre.height()), std::min({image.width(), image.height(), 200})) << nom;
        } else {
            EXPECT_EQ(s->size(), tailleSeuils);
        }
    }
    EXPECT_EQ(Active(), std::pair(active, true));
    // The next window opened goes below and to the right of the front one.
    TTraitementImage* suivante = OuvrirCopie("m51_i16_256.fits", "suivante.fit");
    ASSERT_NE(suivante, nullptr);
    EXPECT_GT(suivante->x(), pile.last()->x());
    EXPECT_GT(suivante->y(), pile.last()->y());
}

// Closing the active window gives back the window the user was in before,
// whatever the order in which the windows were created.
TEST_F(TCadreFenetres, FermerRendLaFenetrePrecedente)
{
    TTraitementImage* f[] = {OuvrirCopie("m51_i16_256.fits", "a.fit"), OuvrirCopie("m51_i16_256.fits", "b.fit"),
                             OuvrirCopie("m51_i16_256.fits", "c.fit")};
    for (TTraitementImage* i : f)
        ASSERT_NE(i, nullptr);
    const QString a = f[0]->windowTitle(), b = f[1]->windowTitle();
    // Work in #2, then in #3; closing #3 gives #2 back.
    Cliquer(f[1]);
    Cliquer(f[2]);
    Fermer();
    EXPECT_EQ(Active(), std::pair(b, true));

    // F2 on d, then on #2; closing the threshold window of #2 gives #2 back,
    // the image being adjusted.
    TTraitementImage* d = OuvrirCopie("m51_i16_256.fits", "d.fit");
    ASSERT_NE(d, nullptr);
    const QString titreD = d->windowTitle();
    QTest::keyClick(Cadre, Qt::Key_F2);
    ASSERT_TRUE(Active().first.contains(" Histogramme [d.fit]")) << Active().first.toStdString();
    Cliquer(f[1]);
    QTest::keyClick(Cadre, Qt::Key_F2);
    ASSERT_TRUE(Active().first.contains(" Histogramme [b.fit]")) << Active().first.toStdString();
    Fermer();
    EXPECT_EQ(Active(), std::pair(b, true));

    // Maximised: d, then #1, then #2 brought back by the Fenêtre menu;
    // closing #2 shows #1 maximised, then d.
    Cliquer(d);
    d->showMaximized();
    ParMenu(a);
    ParMenu(b);
    ASSERT_TRUE(f[1]->isMaximized());
    Fermer();
    EXPECT_EQ(Active(), std::pair(a, true));
    EXPECT_TRUE(Cadre->FenetreActive()->isMaximized());
    Fermer();
    EXPECT_EQ(Active(), std::pair(titreD, true));
    EXPECT_TRUE(Cadre->FenetreActive()->isMaximized());
}

// A name with a second dot opens by a drop as by Ctrl+O; an unknown format
// opened by Ctrl+O is named in its message; the drop keeps its sentence.
TEST_F(TCadreFenetres, NomsAPlusieursPoints)
{
    const QString date = Copie("m51_i16_256.fits", "efz20040301.010016_s.fit");
    const QString inconnu = Copie("m51_i16_256.fits", "efz20040301.010016_s.fits");
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(date), QUrl::fromLocalFile(inconnu)});
    QDragEnterEvent entree(QPoint(400, 300), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Cadre, &entree);
    QDropEvent depot(QPointF(400, 300), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Cadre, &depot);
    QApplication::processEvents();
    ASSERT_EQ(Cadre->FenetresDocument().size(), 1);
    EXPECT_EQ(Cadre->NomFichierImage(1), date);
    EXPECT_EQ(Messages(), QStringList{"Vous tentez d'ouvrir des fichiers dont le format n'est pas supporté."});

    Dialogues::ViderJournal();
    Ouvrir({date, inconnu});
    QApplication::processEvents();
    EXPECT_EQ(Cadre->FenetresDocument().size(), 2);
    EXPECT_EQ(Messages(), QStringList{"#3 [" + inconnu + "]\n\nFormat de fichier inconnu."});
}

// The hint of the control under the mouse goes to the frame's status bar,
// whatever window holds the control; a control without a hint clears it.
TEST_F(TCadreFenetres, ConseilDuControleSousLaSouris)
{
    TTraitementImage* image = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    ASSERT_NE(image, nullptr);
    Cadre->MnItmHistogramme_Afficher->trigger();
    QMdiSubWindow* seuils = Cadre->TrouverHistogramme(image->Numero);
    Cadre->MnItmVisionneuse->trigger();
    TVisionneuse* visionneuse = VisionneuseActive();
    TPretraitement* pretraitement = CreerFenetrePretraitement(*Cadre);
    const std::unique_ptr<TPasseBas> dialogue(PasseBas = new TPasseBas);
    // Beside the frame: the mouse finds the first window under it.
    PasseBas->move(Cadre->frameGeometry().right() + 20, 0);
    PasseBas->show();
    ASSERT_TRUE(seuils && visionneuse && pretraitement);

    QWidget* avecConseil[] = {seuils->findChild<QToolButton*>("BtBtnAide"), visionneuse->BtBtnOuvrir,
                              pretraitement->BtnEffacerDarks, PasseBas->findChild<QToolButton*>("BtBtnAide")};
    QWidget* sansConseil[] = {seuils->findChild<QLabel*>("LblBits"), visionneuse->ChckLstBxImages,
                              pretraitement->LstBxBrutes->parentWidget(), PasseBas->findChild<QPushButton*>("BtnOK")};
    for (int i = 0; i < 4; ++i) {
        QWidget* w = avecConseil[i];
        ASSERT_NE(w, nullptr) << i;
        ASSERT_FALSE(w->toolTip().isEmpty()) << i;
        // Its window in front, so that the mouse reaches it.
        for (QWidget* p = w; p; p = p->parentWidget())
            if (auto* s = qobject_cast<QMdiSubWindow*>(p))
                Cadre->ZoneMDI()->setActiveSubWindow(s);
        Cadre->statusBar()->showMessage(QStringLiteral("avant"));
        QTest::mouseMove(w);
        EXPECT_EQ(Conseil(), w->toolTip()) << w->objectName().toStdString();
        ASSERT_NE(sansConseil[i], nullptr) << i;
        QTest::mouseMove(sansConseil[i], QPoint(2, 2));
        EXPECT_EQ(Conseil(), "") << sansConseil[i]->objectName().toStdString();
    }
    EXPECT_EQ(avecConseil[0]->toolTip(), "Aide");
    // A hint that changes under the mouse shows at once.
    QSlider* seuilHaut = visionneuse->TrckBrSeuilHaut;
    Cadre->ZoneMDI()->setActiveSubWindow(visionneuse);
    QTest::mouseMove(seuilHaut);
    seuilHaut->setToolTip(QStringLiteral("Seuil haut : 1234"));
    EXPECT_EQ(Conseil(), "Seuil haut : 1234");
    // The frame's own hints stay: a tool button's, a menu item's.
    QTest::mouseMove(Cadre->TlBttnHistogramme);
    EXPECT_EQ(Conseil(), "Histogramme F2");
    Cadre->MnItmOuvrir->showStatusText(Cadre->menuBar());
    EXPECT_EQ(Conseil(), Cadre->MnItmOuvrir->statusTip());
}

// A command of the tool panel leaves the keyboard to the document window it
// ran on, or to the one it brought forward, once its dialog or popup is
// closed: in every kind of window, whatever the button; an image's arrows
// move its selection again without a click on its caption.
TEST_F(TCadreFenetres, LePanneauDOutilsLaisseLeClavierALaFenetre)
{
    const std::unique_ptr<TStatistiques> statistiques(Statistiques = new TStatistiques);
    const std::unique_ptr<TEnteteFit> entete(EnteteFit = new TEnteteFit);
    TTraitementImage* image = OuvrirCopie("m51_i16_256.fits", "m51.fit");
    ASSERT_NE(image, nullptr);
    Cadre->MnItmHistogramme_Afficher->trigger();
    QMdiSubWindow* seuils = Cadre->TrouverHistogramme(image->Numero);
    Cadre->MnItmVisionneuse->trigger();
    QMdiSubWindow* fenetres[] = {image, seuils, VisionneuseActive(), CreerFenetrePretraitement(*Cadre),
                                 CreerFenetreTrichromie(*Cadre)};
    const QList<QToolButton*> boutons = Cadre->ScrllBxHautPasseBas->widget()->findChildren<QToolButton*>();
    ASSERT_EQ(boutons.size(), 17);
    // Every dialog a button opens is shown for real and closed by Escape.
    QSet<QString> dialogues;
    TPiloteModal pilote([&](QWidget& w) {
        dialogues << w.metaObject()->className();
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    for (QMdiSubWindow* f : fenetres) {
        ASSERT_NE(f, nullptr);
        for (QToolButton* bouton : boutons) {
            SCOPED_TRACE(f->windowTitle().toStdString() + " / " + bouton->toolTip().toStdString());
            Cliquer(f);
            QWidget* focus = QApplication::focusWidget();
            ASSERT_TRUE(focus && f->isAncestorOf(focus));
            QTest::mouseClick(bouton, Qt::LeftButton);
            if (QWidget* menu = QApplication::activePopupWidget())
                QTest::keyClick(menu, Qt::Key_Escape);
            // The window system gives the frame its activation back once a
            // dialog or popup is gone.
            QApplication::processEvents();
            QApplication::setActiveWindow(Cadre);
            TMDIChild* active = Cadre->FenetreActive();
            focus = QApplication::focusWidget();
            ASSERT_TRUE(active && focus);
            EXPECT_TRUE(active->isAncestorOf(focus)) << focus->metaObject()->className() << " "
                                                     << focus->objectName().toStdString();
            if (active == image) {
                image->MenuSelection_CentreClick(); // "100 %" clears it
                const int x = image->Selection.X;
                QTest::keyClick(focus, Qt::Key_Right);
                EXPECT_EQ(image->Selection.X, x + 1);
            }
        }
    }
    EXPECT_EQ(dialogues, QSet<QString>({"QFileDialog", "TStatistiques", "TEnteteFit"}));
}

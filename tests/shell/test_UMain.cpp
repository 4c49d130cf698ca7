// The frame driven offscreen with stand-in document windows: a window of
// kind 9999 that takes its number, reads its file and may hold unsaved work.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UAccueil.h"
#include "UMain.h"
#include "UParametres.h"
#include "UZoom.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QStringList Interroges; // numbers of the windows asked about unsaved work, in order

class TFenetreEssai : public TMDIChild {
public:
    explicit TFenetreEssai(int genre = GenreImage, int numero = 0)
        : TMDIChild(genre), Numero(genre == GenreImage ? Main->NouveauNumeroImage() : numero) {}
    int Numero;
    QString Nom, Zoom = QStringLiteral("100%");
    int Type = 0, Selection = SelectionAucune;
    bool Modifiee = false, Marquee = false;
    QStringList Zooms, Pousse;

    int NumeroDocument() const override { return Numero; }
    QString NomFichierDocument() const override { return Nom; }
    int TypeImageDocument() const override { return Type; }
    int GenreSelection() const override { return Selection; }
    QString TexteZoomDocument() const override { return Zoom; }
    void OuvrirImage(const QString& nom, bool) override
    {
        Nom = nom;
        setWindowTitle(QStringLiteral("#%1 [%2]").arg(Numero).arg(QFileInfo(nom).fileName()));
        if (LireFichierComplet(nom).startsWith("ILLISIBLE"))
            LeverErreur(QStringLiteral("Fichier illisible."));
        Type = nom.endsWith(QLatin1String("fit"), Qt::CaseInsensitive) ? 1 : 2;
    }
    void ZoomParTexte(const QString& texte) override { Zooms << texte; }
    void DupliquerDepuis(TMDIChild& source) override { OuvrirImage(source.NomFichierDocument(), true); }
    void MarquerSelection(bool marquer) override { Marquee = marquer; }
    void FixerDefilementTempsReel(bool suivre) override { Pousse << QStringLiteral("defil=%1").arg(suivre); }
    void FixerPas(int pas) override { Pousse << QStringLiteral("pas=%1").arg(pas); }
    void FormClose(TActionFermeture& action) override
    {
        TMDIChild::FormClose(action);
        if (Tag() != GenreImage)
            return;
        Interroges << QString::number(Numero);
        if (Modifiee && !Dialogues::Question(QStringLiteral("Enregistrer ?")))
            action = TActionFermeture::Aucune;
    }
};

// "1" for each enabled (or visible) action, "0" for the others.
QString Etats(std::initializer_list<QAction*> actions, bool visibles = false)
{
    QString t;
    for (QAction* a : actions)
        t += (visibles ? a->isVisible() : a->isEnabled()) ? '1' : '0';
    return t;
}

TReponseDialogue Reponse(int resultat, QStringList fichiers = {}) { return {resultat, std::move(fichiers), {}}; }

class Cadre : public ::testing::Test {
protected:
    void SetUp() override
    {
        Interroges.clear();
        cadre = new TMain;
        FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
        cadre->FabriqueFenetreImage = [] { return new TFenetreEssai; };
        cadre->show();
        QApplication::setActiveWindow(cadre);
        ASSERT_TRUE(QTest::qWaitForWindowActive(cadre));
    }
    void TearDown() override
    {
        delete cadre;
        delete Zoom;
    }

    // A file in the temporary folder.
    QString Fichier(const QString& nom, const QByteArray& contenu = "SIMPLE")
    {
        const QString chemin = dossier.filePath(nom);
        QDir().mkpath(QFileInfo(chemin).path());
        EcrireFichierSur(chemin, contenu);
        return chemin;
    }

    static TFenetreEssai* Document(TMDIChild* f) { return static_cast<TFenetreEssai*>(f); }
    TFenetreEssai* Active() { return Document(cadre->FenetreActive()); }

    TFenetreEssai* Ajouter(int genre, int numero = 0)
    {
        auto* f = new TFenetreEssai(genre, numero);
        cadre->ZoneMDI()->addSubWindow(f);
        f->show();
        cadre->ZoneMDI()->setActiveSubWindow(f);
        cadre->UpdateMenuItems();
        return f;
    }

    QStringList Titres()
    {
        QStringList t;
        for (TMDIChild* f : cadre->FenetresDocument())
            t << f->windowTitle();
        return t;
    }
    static QStringList Textes()
    {
        QStringList t;
        for (const TDemandeDialogue& d : Dialogues::Journal())
            t << d.Texte;
        return t;
    }

    void Liberer() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir dossier;
    TMain* cadre = nullptr;
};

TEST_F(Cadre, NumerosParGenreJamaisRedonnesFenetresEnCascade)
{
    // Each new window opens one title bar below and to the right of the last.
    const int pas = cadre->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    auto places = [&] {
        QString p; // in title bars
        for (TMDIChild* f : cadre->FenetresDocument())
            p += QStringLiteral("%1,%2 ").arg(f->x() / pas).arg(f->y() / pas);
        return p.toStdString();
    };
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [b.fit]"}));
    EXPECT_EQ(places(), "0,0 1,1 ");
    cadre->FenetresDocument().first()->close();
    Liberer();
    cadre->OuvrirFichiers({Fichier("c.fit")});
    EXPECT_EQ(Titres(), QStringList({"#2 [b.fit]", "#3 [c.fit]"}));
    EXPECT_EQ(places(), "1,1 2,2 ");
    // A viewer opened after the image windows is number 1 of its kind.
    EXPECT_EQ(cadre->NouveauNumeroVisionneuse(), 1);
    EXPECT_EQ(std::tuple(cadre->NouveauNumeroVisionneuse(), cadre->NouveauNumeroPretraitement(),
                         cadre->NouveauNumeroTrichromie()),
              std::tuple(2, 1, 1));
}

TEST_F(Cadre, UneFenetreDontLeContenuRefuseDeFermerResteUnDocument)
{
    struct TContenuTetu : QWidget {
        void closeEvent(QCloseEvent* e) override { e->ignore(); }
    };
    TFenetreEssai* f = Ajouter(GenreVisionneuse, 1);
    f->setWidget(new TContenuTetu);
    EXPECT_FALSE(f->close());
    EXPECT_EQ(cadre->FenetresDocument(), QList<TMDIChild*>{f});
    EXPECT_EQ(std::tuple(cadre->FenetreActive(), cadre->MnItmFermer->isEnabled()), std::tuple(f, true));
}

TEST_F(Cadre, QuitterSArreteAuPremierNon)
{
    // Viewer and preprocessing windows are never asked.
    Ajouter(GenreVisionneuse, 1);
    Ajouter(GenrePretraitement, 1);
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit"), Fichier("c.fit")});
    Document(cadre->FenetresDocument().last())->Modifiee = true;
    {
        TRepondeurTest non(RepondreToujours(mrNo));
        EXPECT_FALSE(cadre->close());
        // Last created asked first; its No leaves the others unasked.
        EXPECT_EQ(Interroges, QStringList({"3"}));
        EXPECT_EQ(std::make_tuple(Dialogues::Journal().size(), cadre->FenetresDocument().size(), cadre->isVisible()),
                  std::make_tuple(1u, 5, true))
            << JournalDialogues();
    }
    // A Yes lets the walk go on down to #1, and the run ends.
    Interroges.clear();
    QSignalSpy fin(cadre, &TMain::FinDemandee);
    TRepondeurTest oui(RepondreToujours(mrYes));
    EXPECT_TRUE(cadre->close());
    EXPECT_EQ(Interroges, QStringList({"3", "2", "1"}));
    EXPECT_EQ(fin.count(), 1);
}

TEST_F(Cadre, SansFenetreLesMenusImageSontCachesEtLesRaccourcisMuets)
{
    TRepondeurTest r(RepondreToujours());
    const std::pair<QAction*, QKeySequence> touches[] = {
        {cadre->MnItmHistogramme_Afficher, QKeySequence(Qt::Key_F2)},
        {cadre->MnItmAnnulerRestaurer, QKeySequence(Qt::Key_F9)},
        {cadre->MnItmAjusterTaille, QKeySequence(Qt::CTRL | Qt::Key_M)},
        {cadre->MnItmDuppliquer, QKeySequence(Qt::Key_F3)},
    };
    QStringList declenches;
    for (const auto& [action, touche] : touches)
        QObject::connect(action, &QAction::triggered, [&declenches, touche = touche] { declenches << touche.toString(); });
    auto taper = [&] {
        for (const auto& [action, touche] : touches)
            QTest::keySequence(cadre, touche);
    };
    const auto menus = {cadre->MnItmImage, cadre->MnItmFiltre, cadre->MnItmArithmetique};
    EXPECT_EQ(Etats(menus, true) + Etats(menus), "000000");
    EXPECT_EQ(Etats({cadre->MnItmFermer, cadre->MnItmToutFermer, cadre->MnItmCopier, cadre->MnItmHistogramme,
                     cadre->MnItmPositifNegatif, cadre->MnItmZoom, cadre->MnItmEnregistrer, cadre->MnItmCouper,
                     cadre->MnItmOuvrir}),
              "000000001");
    taper();
    EXPECT_TRUE(declenches.isEmpty());

    // With an image window the same keys reach their items, once each.
    cadre->OuvrirFichiers({Fichier("a.fit")});
    QApplication::setActiveWindow(cadre);
    EXPECT_EQ(Etats(menus, true), "111");
    taper();
    EXPECT_EQ(declenches, QStringList({"F2", "F9", "Ctrl+M", "F3"}));
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [a.fit]"}));
    QTest::keySequence(cadre, QKeySequence(Qt::CTRL | Qt::Key_W));
    Liberer();
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]"}));
    // Qt's own buttons speak French.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Non"));
}

TEST_F(Cadre, ActivationSuivantLeGenreDeLaFenetre)
{
    int entete = 0;
    QObject::connect(cadre->MnItmEnteteFit, &QAction::triggered, [&] { ++entete; });
    // BMP image: "Niveaux de gris" only; the tool button "Entête Fit" does nothing.
    for (const char* nom : {"p.bmp", "p.fit"}) {
        cadre->OuvrirFichiers({Fichier(nom)});
        cadre->TlBttnEnteteFit->click();
        EXPECT_EQ(Etats({cadre->MnItmNiveauxDeGris, cadre->MnItmEnteteFit}) + QString::number(entete),
                  QString(nom) == "p.bmp" ? "100" : "011");
    }

    // A tricolour window cannot be closed by "Fermer", but "Tout fermer" closes it.
    QPointer<TMDIChild> tri = Ajouter(GenreTrichromie, 1);
    EXPECT_EQ(Etats({cadre->MnItmFermer, cadre->MnItmToutFermer, cadre->MnItmPositifNegatif}), "010");
    EXPECT_FALSE(cadre->MnItmImage->isVisible());
    cadre->MnItmToutFermer->trigger();
    EXPECT_TRUE(tri.isNull());

    // A threshold window: Positif/Négatif and Fermer serve it.
    Ajouter(GenreHistogramme, 1);
    EXPECT_EQ(Etats({cadre->MnItmPositifNegatif, cadre->MnItmFermer, cadre->MnItmAnnulerRestaurer, cadre->MnItmCopier}),
              "1101");
}

TEST_F(Cadre, LibellesSelonLaSelection)
{
    cadre->OuvrirFichiers({Fichier("a.fit")});
    const std::pair<int, QStringList> cas[] = {
        {SelectionRectangle,
         {"Exporter la sélection", "Statistiques de la sélection", "Statistiques de l'image (sélection)"}},
        {SelectionPoint, {"Exporter", "Statistiques", "Statistiques de l'image"}},
    };
    for (const auto& [genre, libelles] : cas) {
        Active()->Selection = genre;
        cadre->UpdateMenuItems();
        EXPECT_EQ(QStringList({cadre->MnItmExporter->text(), cadre->MnItmStatistiques->text(),
                               cadre->MnItmStatistiques->statusTip()}),
                  libelles);
    }
}

TEST_F(Cadre, CochesEtCommandesDuZoom)
{
    auto coches = [&] {
        QStringList c;
        for (QAction* a : cadre->ItemsZoom)
            if (a->isChecked())
                c << a->text();
        return c;
    };
    ASSERT_EQ(cadre->ItemsZoom.size(), 12);
    cadre->CocherZoom(QStringLiteral("125%"));
    EXPECT_EQ(coches(), QStringList({"125%"}));
    // A level that is not one of the eight, or a text that is no number
    // followed by one character: nothing checked, nothing raised.
    for (const char* t : {"110%", "", "%", "abc", "12x%", "-25%", "0%", "99999999999%"}) {
        cadre->CocherZoom(QString::fromLatin1(t));
        EXPECT_TRUE(coches().isEmpty()) << t;
    }
    // The enabling pass follows the active window's zoom text.
    cadre->OuvrirFichiers({Fichier("a.fit")});
    TFenetreEssai* f = Active();
    f->Zoom = QStringLiteral("500%");
    cadre->UpdateMenuItems();
    EXPECT_EQ(coches(), QStringList({"500%"}));

    // Submenu item, popup item and tool button write their level.
    cadre->ItemsZoom[4]->trigger();
    cadre->PppMnZoom->actions()[0]->trigger();
    cadre->BtBtnZoom100p100->click();
    EXPECT_EQ(f->Zooms, QStringList({"125%", "25%", "100%"}));
    // "Définir...": the dialog's level reaches the window (its bounds are its own tests').
    Zoom = new TZoom;
    TRepondeurTest r([](const TDemandeDialogue& d) {
        static_cast<TZoom*>(d.Dialogue)->EdtZoom()->setText(QStringLiteral("300"));
        return Reponse(mrOk);
    });
    cadre->MnItmZoom->menu()->actions().last()->trigger();
    EXPECT_EQ(f->Zooms.last(), "300%");
}

TEST_F(Cadre, DepotDeFichiers)
{
    const QString m1 = Fichier("m1.fit"), m2 = Fichier("m2.BMP"), m3 = Fichier("m3.bmp");
    TRepondeurTest r(RepondreToujours());
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(m1), QUrl::fromLocalFile(m2), QUrl::fromLocalFile(m3)});
    // As the desktop does it: the drag enters the frame, then drops.
    QDragEnterEvent entree(QPoint(300, 300), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(cadre, &entree);
    EXPECT_TRUE(entree.isAccepted());
    QDropEvent depot(QPointF(300, 300), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(cadre, &depot);
    EXPECT_EQ(Titres(), QStringList({"#1 [m1.fit]", "#2 [m3.bmp]"}));
    EXPECT_EQ(Textes(), QStringList{"Vous tentez d'ouvrir des fichiers dont le format n'est pas supporté."});
    EXPECT_TRUE(cadre->MnItmFermer->isEnabled());

    // The extension follows the last dot of the name; a dot in a folder does not count.
    Dialogues::ViderJournal();
    cadre->DeposerFichiers({Fichier("m42.b.fit"), Fichier("dossier.v2/m5.fit"), Fichier("m7.fit.bak"),
                            Fichier("dossier.fit/m8")});
    EXPECT_EQ(Titres().mid(2), QStringList({"#3 [m42.b.fit]", "#4 [m5.fit]"}));
    EXPECT_EQ(Textes(), QStringList{"Vous tentez d'ouvrir des fichiers dont le format n'est pas supporté."});
    // Only supported names: no message.
    Dialogues::ViderJournal();
    cadre->DeposerFichiers({Fichier("m6.bmp")});
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

// A drop is taken as a copy whatever the source proposes: after a move the
// source would delete the user's file. A source that offers no copy is refused.
TEST_F(Cadre, DepotPrisEnCopie)
{
    const QString m1 = Fichier("m1.fit");
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(m1)});
    Dialogues::ViderJournal();
    const struct {
        const char* nom;
        Qt::DropActions possibles;
        Qt::KeyboardModifiers touches; // Shift proposes a move, Ctrl+Shift a link
        Qt::DropAction propose;
        bool pris;
    } cas[] = {
        {"déplacement proposé, copie possible", Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, Qt::MoveAction,
         true},
        {"lien proposé, copie possible", Qt::CopyAction | Qt::LinkAction, Qt::ControlModifier | Qt::ShiftModifier,
         Qt::LinkAction, true},
        {"déplacement seul", Qt::MoveAction, Qt::NoModifier, Qt::MoveAction, false},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        const qsizetype avant = cadre->FenetresDocument().size();
        QDragEnterEvent entree(QPoint(300, 300), c.possibles, &donnees, Qt::LeftButton, c.touches);
        QDragMoveEvent deplacement(QPoint(310, 300), c.possibles, &donnees, Qt::LeftButton, c.touches);
        QDropEvent depot(QPointF(310, 300), c.possibles, &donnees, Qt::LeftButton, c.touches);
        for (QDropEvent* e : std::initializer_list<QDropEvent*>{&entree, &deplacement, &depot}) {
            ASSERT_EQ(e->proposedAction(), c.propose);
            QApplication::sendEvent(cadre, e);
            EXPECT_EQ(std::pair(e->isAccepted(), e->isAccepted() ? e->dropAction() : Qt::CopyAction),
                      std::pair(c.pris, Qt::CopyAction))
                << e->type();
        }
        EXPECT_EQ(cadre->FenetresDocument().size(), avant + (c.pris ? 1 : 0));
        EXPECT_TRUE(QFileInfo::exists(m1));
    }
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

TEST_F(Cadre, OuvrirAvecUnFichierSupprimeOuIllisible)
{
    const QString a = Fichier("a.fit"), b = Fichier("b.fit"), c = Fichier("c.bmp");
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        if (d.Genre != TGenreDemande::OuvrirFichiers)
            return Reponse(mrOk);
        QFile::remove(b); // deleted between the choice and the opening
        return Reponse(mrOk, {a, b, c});
    });
    cadre->MnItmOuvrir->trigger();
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [c.bmp]"}));
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues(); // the open dialog only
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::OuvrirFichiers) << JournalDialogues();

    // A file that fails shows its error; the next still opens and the menus follow.
    for (int i = 0; i < 2; ++i) {
        Dialogues::ViderJournal();
        const QStringList noms = {Fichier("x.fit", "ILLISIBLE"), Fichier(QStringLiteral("y%1.fit").arg(i))};
        i == 0 ? cadre->OuvrirFichiers(noms) : cadre->DeposerFichiers(noms);
        ASSERT_EQ(Textes(), QStringList{"Fichier illisible."});
        EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Erreur) << JournalDialogues();
        EXPECT_EQ(std::tuple(Active()->Nom, cadre->MnItmEnteteFit->isEnabled()), std::tuple(noms[1], true));
    }
}

TEST_F(Cadre, RecherchesEtMarques)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    const auto fenetres = cadre->FenetresDocument();
    EXPECT_EQ(cadre->NomFichierImage(2) + "|" + cadre->NomFichierImage(7), fenetres[1]->NomFichierDocument() + "|");
    EXPECT_EQ(cadre->TrouverImage(7), nullptr);

    // Two threshold windows of image #1: the lowest index wins the look-up.
    TFenetreEssai* h1 = Ajouter(GenreHistogramme, 1);
    Ajouter(GenreHistogramme, 1);
    EXPECT_EQ(cadre->TrouverHistogramme(1), h1);
    EXPECT_FALSE(cadre->ExisteHistogramme(2));

    // Only #2 is marked, and it comes to the front.
    cadre->MarquerImageSelection(2);
    EXPECT_EQ(std::pair(Document(fenetres[0])->Marquee, Document(fenetres[1])->Marquee), std::pair(false, true));
    EXPECT_EQ(cadre->ZoneMDI()->subWindowList(QMdiArea::StackingOrder).last(), fenetres[1]);
    cadre->EffacerMarquesSelection();
    EXPECT_FALSE(Document(fenetres[1])->Marquee);

    cadre->FermerHistogrammes(1);
    Liberer();
    EXPECT_EQ(std::pair(cadre->ExisteHistogramme(1), cadre->FenetresDocument().size()), std::pair(false, qsizetype(2)));
}

TEST_F(Cadre, ToutFermerGardeCeuxQuiRefusent)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit"), Fichier("c.fit")});
    Document(cadre->FenetresDocument()[1])->Modifiee = true;
    Ajouter(GenreHistogramme, 1);
    Ajouter(GenreVisionneuse, 1);
    TRepondeurTest r(RepondreToujours(mrNo));
    cadre->MnItmToutFermer->trigger();
    // Every image asked, last first; threshold windows stay for their image.
    EXPECT_EQ(Interroges, QStringList({"3", "2", "1"}));
    QStringList restent;
    for (TMDIChild* f : cadre->FenetresDocument())
        restent << QString::number(f->Tag()) + ":" + QString::number(f->NumeroDocument());
    EXPECT_EQ(restent, QStringList({"9999:2", "9998:1"}));
}

TEST_F(Cadre, ConseilsCreationEtPousseeDesReglages)
{
    QTest::mouseMove(cadre->TlBttnHistogramme);
    EXPECT_EQ(cadre->statusBar()->currentMessage(), "Histogramme F2");
    // Moving over the panel itself clears it; a menu item's hint shows there too.
    QTest::mouseMove(cadre->ScrllBxHautPasseBas->widget(), QPoint(48, 5));
    EXPECT_TRUE(cadre->statusBar()->currentMessage().isEmpty());
    cadre->MnItmOuvrir->showStatusText(cadre->menuBar()); // as a hovered menu does
    EXPECT_EQ(cadre->statusBar()->currentMessage(), cadre->MnItmOuvrir->statusTip());

    // The settings push: scroll tracking to image, viewer and preprocessing
    // windows, the step to threshold windows, the background colour.
    TFenetreEssai* fenetres[] = {Ajouter(GenreImage), Ajouter(GenreVisionneuse, 1), Ajouter(GenrePretraitement, 1),
                                 Ajouter(GenreHistogramme, 1), Ajouter(GenreTrichromie, 1)};
    EcrireCoulFondApp(255); // class-library red
    EcrireDefilImgTpsReel(false);
    EcrireReglSeuilsVisu(500);
    cadre->MajFenetresImagesSuivantPreferences();
    EXPECT_EQ(cadre->ZoneMDI()->background().color(), QColor(255, 0, 0));
    QStringList pousse;
    for (TFenetreEssai* f : fenetres)
        pousse << f->Pousse.join(',');
    EXPECT_EQ(pousse, QStringList({"defil=0", "defil=0", "defil=0", "pas=500", ""}));
    EcrireCoulFondApp(0xFF0000); // class-library blue, not 0xRRGGBB
    cadre->MajFenetresImagesSuivantPreferences();
    EXPECT_EQ(cadre->ZoneMDI()->background().color(), QColor(0, 0, 255));

    // A window's pixel read-out goes with the window.
    cadre->statusBar()->showMessage(QStringLiteral("x=3 y=4 valeur=120"));
    fenetres[0]->close();
    EXPECT_EQ(cadre->statusBar()->currentMessage().toStdString(), "");
}

// An item that opens a submenu keeps its hint in the status bar while the
// submenu opens and stays open; the next item under the mouse shows its own,
// and the mouse out of the menus, or the menus closed, clears it.
TEST_F(Cadre, ConseilDUnElementQuiOuvreUnSousMenu)
{
    cadre->OuvrirFichiers({Fichier("a.fit")}); // the image menus shown
    QMenuBar* barre = cadre->menuBar();
    const auto conseil = [&] { return cadre->statusBar()->currentMessage(); };
    const auto survoler = [](QMenu* m, QAction* a) { QTest::mouseMove(m, m->actionGeometry(a).center()); };
    // The menu, its item that opens a submenu, an item of the submenu, another item of the menu.
    const std::tuple<QMenu*, QAction*, QAction*, QAction*> cas[] = {
        {cadre->MnArithmetique, cadre->MnItmMiroir, cadre->MnItmMiroirVertical, cadre->MnItmTranslation},
        {cadre->MnArithmetique, cadre->MnItmRotation, cadre->MnItmRotation180, cadre->MnItmMoyenne},
        {cadre->MnFichier, cadre->MnItmExporter, cadre->MnItmExporterJpeg, cadre->MnItmPreferences},
        {cadre->MnVisualisation, cadre->MnItmHistogramme, cadre->MnItmHistogramme_Lineaire, cadre->MnItmMire},
    };
    for (const auto& [menu, item, sousItem, autre] : cas) {
        SCOPED_TRACE(item->text().toStdString());
        QTest::mouseClick(barre, Qt::LeftButton, {}, barre->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(menu->isVisible());
        survoler(menu, autre);
        EXPECT_EQ(conseil(), autre->statusTip());
        QWidget* zone = cadre->ZoneMDI()->viewport();
        QTest::mouseMove(zone, QPoint(zone->width() - 5, zone->height() - 5)); // away from every menu
        EXPECT_EQ(conseil(), "");
        survoler(menu, item);
        EXPECT_EQ(conseil(), item->statusTip());
        // The submenu opens after the menu's own delay; a deadline, not a duration.
        ASSERT_TRUE(QTest::qWaitFor([m = item->menu()] { return m->isVisible(); }, 5000));
        EXPECT_EQ(conseil(), item->statusTip());
        survoler(item->menu(), sousItem);
        EXPECT_EQ(conseil(), sousItem->statusTip());
        survoler(menu, item);
        EXPECT_EQ(conseil(), item->statusTip());
        survoler(menu, autre);
        EXPECT_EQ(conseil(), autre->statusTip());
        for (int i = 0; i < 3 && QApplication::activePopupWidget(); ++i)
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        ASSERT_FALSE(menu->isVisible());
        EXPECT_EQ(conseil(), "");
    }
}

// The logo writes the home page address; moving on over the panel clears it,
// and a control without a hint clears it too.
TEST_F(Cadre, ConseilDuLogo)
{
    QTest::mouseMove(cadre->ImgStelor);
    EXPECT_EQ(cadre->statusBar()->currentMessage(), AdresseSiteStelor);
    QTest::mouseMove(cadre->ImgStelor, QPoint(3, 3));
    EXPECT_EQ(cadre->statusBar()->currentMessage(), AdresseSiteStelor);
    QTest::mouseMove(cadre->LblVersion);
    EXPECT_EQ(cadre->statusBar()->currentMessage(), "");
    QTest::mouseMove(cadre->ImgStelor);
    QTest::mouseMove(cadre->ScrllBxHautPasseBas->widget(), cadre->ImgStelor->geometry().topLeft() - QPoint(0, 3));
    EXPECT_EQ(cadre->statusBar()->currentMessage(), "");
}

TEST_F(Cadre, LogoEtVersionPresDuBasJamaisAuDessusDuDernierBouton)
{
    cadre->setWindowState(Qt::WindowNoState);
    auto haut = [&](QWidget* w) { return w->mapTo(cadre, QPoint(0, 0)).y(); };
    for (const int hauteur : {900, 300}) {
        cadre->resize(900, hauteur);
        QApplication::processEvents();
        const int aide = haut(cadre->TlBttnAide);
        // A tall frame puts them near its bottom, a low one right below the help button.
        EXPECT_EQ(std::pair(haut(cadre->ImgStelor), haut(cadre->LblVersion)),
                  hauteur == 900 ? std::pair(780, 810) : std::pair(aide + 30, aide + 60));
    }
}

TEST_F(Cadre, MenuFenetreEtToutReduire)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    auto liste = [&] {
        QStringList l;
        emit cadre->MnFenetre->aboutToShow();
        for (QAction* a : cadre->MnFenetre->actions())
            if (a->text().contains('#'))
                l << a->text() + (a->isChecked() ? "*" : "");
        return l;
    };
    EXPECT_EQ(liste(), QStringList({"&1 #1 [a.fit]", "&2 #2 [b.fit]*"}));
    for (QAction* a : cadre->MnFenetre->actions())
        if (a->text().startsWith("&1 #"))
            a->trigger();
    EXPECT_EQ(cadre->FenetreActive()->windowTitle(), "#1 [a.fit]");
    // Shown again, the list is rebuilt, not appended.
    EXPECT_EQ(liste(), QStringList({"&1 #1 [a.fit]*", "&2 #2 [b.fit]"}));

    cadre->MnItmToutReduire->trigger();
    for (TMDIChild* f : cadre->FenetresDocument())
        EXPECT_TRUE(f->isMinimized());
}

} // namespace

// Every window shows Stelor's icon, not Qt's logo: the night sky of the logo.
// No display name, which Qt would append to every caption.
TEST_F(Cadre, IconeDeStelorEtLegendesSansSuffixe)
{
    EXPECT_TRUE(QGuiApplication::applicationDisplayName().isEmpty());
    const QImage attendue = IconeStelor().pixmap(32, 32).toImage();
    EXPECT_EQ(attendue.pixelColor(1, 1), QColor(18, 22, 48));
    QDialog dialogue;
    for (QWidget* w : {static_cast<QWidget*>(Main), static_cast<QWidget*>(&dialogue)})
        EXPECT_EQ(w->windowIcon().pixmap(32, 32).toImage(), attendue) << w->metaObject()->className();
}

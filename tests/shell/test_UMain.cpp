// The frame driven offscreen with stand-in document windows: a window of
// kind 9999 that takes its number, reads its file and may hold unsaved work.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UMain.h"
#include "UParametres.h"
#include "UZoom.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QLabel>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QStringList Interroges; // numbers of the windows asked about unsaved work, in order

class TFenetreEssai : public TMDIChild {
public:
    explicit TFenetreEssai(int genre = GenreImage, int numero = 0) : TMDIChild(genre)
    {
        Numero = genre == GenreImage ? Main->NouveauNumeroImage() : numero;
    }
    int Numero = 0;
    QString Nom;
    int Type = 0;
    int Selection = SelectionAucune;
    QString Zoom = QStringLiteral("100%");
    bool Modifiee = false;
    bool Marquee = false;
    QStringList Zooms;

    int NumeroDocument() const override { return Numero; }
    QString NomFichierDocument() const override { return Nom; }
    int TypeImageDocument() const override { return Type; }
    int GenreSelection() const override { return Selection; }
    QString TexteZoomDocument() const override { return Zoom; }
    void OuvrirImage(const QString& nom, bool) override
    {
        Nom = nom;
        setWindowTitle(QStringLiteral("#%1 [%2]").arg(Numero).arg(QFileInfo(nom).fileName()));
        const QByteArray contenu = LireFichierComplet(nom);
        if (contenu.startsWith("ILLISIBLE"))
            LeverErreur(QStringLiteral("Fichier illisible."));
        Type = nom.endsWith(QLatin1String("fit"), Qt::CaseInsensitive) ? 1 : 2;
    }
    void ZoomParTexte(const QString& texte) override { Zooms << texte; }
    void DupliquerDepuis(TMDIChild& source) override
    {
        OuvrirImage(source.NomFichierDocument(), true);
    }
    void MarquerSelection(bool marquer) override { Marquee = marquer; }
    void FixerDefilementTempsReel(bool suivre) override { Pousse << QStringLiteral("defil=%1").arg(suivre); }
    void FixerPas(int pas) override { Pousse << QStringLiteral("pas=%1").arg(pas); }
    QStringList Pousse;
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

TReponseDialogue Reponse(int resultat, QStringList fichiers = {})
{
    TReponseDialogue r;
    r.Resultat = resultat;
    r.Fichiers = std::move(fichiers);
    return r;
}

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
        QFile f(chemin);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contenu);
        return chemin;
    }

    TFenetreEssai* Document(TMDIChild* f) { return static_cast<TFenetreEssai*>(f); }

    TFenetreEssai* Ajouter(int genre, int numero = 0)
    {
        auto* f = new TFenetreEssai(genre, numero);
        cadre->ZoneMDI()->addSubWindow(f);
        f->show();
        cadre->ZoneMDI()->setActiveSubWindow(f);
        return f;
    }

    QStringList Titres()
    {
        QStringList t;
        for (TMDIChild* f : cadre->FenetresDocument())
            t << f->windowTitle();
        return t;
    }

    void Liberer() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir dossier;
    TMain* cadre = nullptr;
};

TEST_F(Cadre, NumerosParGenreJamaisRedonnes)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [b.fit]"}));
    cadre->FenetresDocument().first()->close();
    Liberer();
    cadre->OuvrirFichiers({Fichier("c.fit")});
    EXPECT_EQ(Titres(), QStringList({"#2 [b.fit]", "#3 [c.fit]"}));
    // Another kind counts from 1 on its own.
    EXPECT_EQ(cadre->NouveauNumeroVisionneuse(), 1);
    EXPECT_EQ(cadre->NouveauNumeroVisionneuse(), 2);
    EXPECT_EQ(cadre->NouveauNumeroPretraitement(), 1);
    EXPECT_EQ(cadre->NouveauNumeroTrichromie(), 1);
}

TEST_F(Cadre, QuitterSArreteAuPremierNon)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit"), Fichier("c.fit")});
    Document(cadre->FenetresDocument().last())->Modifiee = true;
    int questions = 0;
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        questions += d.Genre == TGenreDemande::Question;
        return Reponse(mrNo);
    });
    EXPECT_FALSE(cadre->close());
    // Last created asked first; its No leaves the others unasked.
    EXPECT_EQ(Interroges, QStringList({"3"}));
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(cadre->FenetresDocument().size(), 3);
    EXPECT_TRUE(cadre->isVisible());

    // A Yes lets the walk go on down to #1, and the run ends.
    Interroges.clear();
    QSignalSpy fin(cadre, &TMain::FinDemandee);
    TRepondeurTest oui(RepondreToujours(mrYes));
    EXPECT_TRUE(cadre->close());
    EXPECT_EQ(Interroges, QStringList({"3", "2", "1"}));
    EXPECT_EQ(fin.count(), 1);
}

TEST_F(Cadre, QuitterSansImageNeDemandeRien)
{
    Ajouter(GenreVisionneuse, 1);
    Ajouter(GenrePretraitement, 1);
    TRepondeurTest r(RepondreToujours(mrNo));
    EXPECT_TRUE(cadre->close());
    EXPECT_TRUE(Interroges.isEmpty());
    EXPECT_TRUE(Dialogues::Journal().empty());
}

TEST_F(Cadre, SansFenetreLesMenusImageSontCachesEtLesRaccourcisMuets)
{
    TRepondeurTest r(RepondreToujours());
    int f2 = 0, f9 = 0, ctrlM = 0, f3 = 0;
    QObject::connect(cadre->MnItmHistogramme_Afficher, &QAction::triggered, [&] { ++f2; });
    QObject::connect(cadre->MnItmAnnulerRestaurer, &QAction::triggered, [&] { ++f9; });
    QObject::connect(cadre->MnItmAjusterTaille, &QAction::triggered, [&] { ++ctrlM; });
    QObject::connect(cadre->MnItmDuppliquer, &QAction::triggered, [&] { ++f3; });
    for (QAction* menu : {cadre->MnItmImage, cadre->MnItmFiltre, cadre->MnItmArithmetique}) {
        EXPECT_FALSE(menu->isVisible());
        EXPECT_FALSE(menu->isEnabled());
    }
    EXPECT_FALSE(cadre->MnItmFermer->isEnabled());
    EXPECT_FALSE(cadre->MnItmToutFermer->isEnabled());
    EXPECT_FALSE(cadre->MnItmCopier->isEnabled());
    EXPECT_TRUE(cadre->MnItmOuvrir->isEnabled());
    QTest::keyClick(cadre, Qt::Key_F2);
    QTest::keyClick(cadre, Qt::Key_F9);
    QTest::keyClick(cadre, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(cadre, Qt::Key_F3);
    EXPECT_EQ(f2 + f9 + ctrlM + f3, 0);

    // With an image window the same keys reach their items, once each.
    cadre->OuvrirFichiers({Fichier("a.fit")});
    QApplication::setActiveWindow(cadre);
    for (QAction* menu : {cadre->MnItmImage, cadre->MnItmFiltre, cadre->MnItmArithmetique})
        EXPECT_TRUE(menu->isVisible());
    QTest::keyClick(cadre, Qt::Key_F2);
    QTest::keyClick(cadre, Qt::Key_F9);
    QTest::keyClick(cadre, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(cadre, Qt::Key_F3);
    EXPECT_EQ(f2, 1);
    EXPECT_EQ(f9, 1);
    EXPECT_EQ(ctrlM, 1);
    EXPECT_EQ(f3, 1);
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [a.fit]"}));
}

TEST_F(Cadre, ActivationSuivantLeGenreDeLaFenetre)
{
    cadre->OuvrirFichiers({Fichier("p.bmp")});
    EXPECT_TRUE(cadre->MnItmNiveauxDeGris->isEnabled());
    EXPECT_FALSE(cadre->MnItmEnteteFit->isEnabled());
    int entete = 0;
    QObject::connect(cadre->MnItmEnteteFit, &QAction::triggered, [&] { ++entete; });
    cadre->TlBttnEnteteFit->click();
    EXPECT_EQ(entete, 0);

    cadre->OuvrirFichiers({Fichier("p.fit")});
    EXPECT_FALSE(cadre->MnItmNiveauxDeGris->isEnabled());
    EXPECT_TRUE(cadre->MnItmEnteteFit->isEnabled());
    cadre->TlBttnEnteteFit->click();
    EXPECT_EQ(entete, 1);

    // A tricolour window cannot be closed by "Fermer", but "Tout fermer" closes it.
    TFenetreEssai* tri = Ajouter(GenreTrichromie, 1);
    cadre->UpdateMenuItems();
    EXPECT_FALSE(cadre->MnItmFermer->isEnabled());
    EXPECT_TRUE(cadre->MnItmToutFermer->isEnabled());
    EXPECT_FALSE(cadre->MnItmPositifNegatif->isEnabled());
    EXPECT_FALSE(cadre->MnItmImage->isVisible());
    QPointer<TMDIChild> garde(tri);
    cadre->MnItmToutFermer->trigger();
    EXPECT_TRUE(garde.isNull());

    // A threshold window: Positif/Négatif and Fermer serve it.
    Ajouter(GenreHistogramme, 1);
    cadre->UpdateMenuItems();
    EXPECT_TRUE(cadre->MnItmPositifNegatif->isEnabled());
    EXPECT_TRUE(cadre->MnItmFermer->isEnabled());
    EXPECT_FALSE(cadre->MnItmAnnulerRestaurer->isEnabled());
}

TEST_F(Cadre, LibellesSelonLaSelection)
{
    cadre->OuvrirFichiers({Fichier("a.fit")});
    auto* f = Document(cadre->FenetreActive());
    ASSERT_NE(f, nullptr);
    f->Selection = SelectionRectangle;
    cadre->UpdateMenuItems();
    EXPECT_EQ(cadre->MnItmExporter->text(), "Exporter la sélection");
    EXPECT_EQ(cadre->MnItmStatistiques->text(), "Statistiques de la sélection");
    EXPECT_EQ(cadre->MnItmStatistiques->statusTip(), "Statistiques de l'image (sélection)");
    f->Selection = SelectionPoint;
    cadre->UpdateMenuItems();
    EXPECT_EQ(cadre->MnItmExporter->text(), "Exporter");
    EXPECT_EQ(cadre->MnItmStatistiques->text(), "Statistiques");
}

TEST_F(Cadre, CochesDuZoom)
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
    cadre->CocherZoom(QStringLiteral("110%"));
    EXPECT_TRUE(coches().isEmpty());
    // Texts that are no number followed by "%" check nothing and raise nothing.
    for (const char* t : {"", "%", "abc", "12x%", "-25%", "0%", "99999999999%"}) {
        cadre->CocherZoom(QString::fromLatin1(t));
        EXPECT_TRUE(coches().isEmpty()) << t;
    }
    // The enabling pass follows the active window's zoom text.
    cadre->OuvrirFichiers({Fichier("a.fit")});
    Document(cadre->FenetreActive())->Zoom = QStringLiteral("500%");
    cadre->UpdateMenuItems();
    EXPECT_EQ(coches(), QStringList({"500%"}));
}

TEST_F(Cadre, CommandesDeZoom)
{
    cadre->OuvrirFichiers({Fichier("a.fit")});
    auto* f = Document(cadre->FenetreActive());
    cadre->ItemsZoom[4]->trigger(); // "125%"
    cadre->PppMnZoom->actions()[0]->trigger(); // "25%"
    cadre->BtBtnZoom100p100->click();
    EXPECT_EQ(f->Zooms, QStringList({"125%", "25%", "100%"}));

    // "Définir...": the edit takes 4 digits at most; OK brings 9999 to 800.
    Zoom = new TZoom;
    TRepondeurTest r([](const TDemandeDialogue& d) {
        auto* edit = d.Dialogue->findChild<QLineEdit*>(QStringLiteral("EdtZoom"));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("99999"));
        QTest::mouseClick(d.Dialogue->findChild<QPushButton*>(QStringLiteral("BtnOK")), Qt::LeftButton);
        return Reponse(d.Dialogue->result());
    });
    cadre->ZoomDefinirClick();
    EXPECT_EQ(f->Zooms.last(), "800%");
}

TEST_F(Cadre, DepotDeFichiers)
{
    const QString m1 = Fichier("m1.fit"), m2 = Fichier("m2.BMP"), m3 = Fichier("m3.bmp");
    TRepondeurTest r(RepondreToujours());
    auto* donnees = new QMimeData;
    donnees->setUrls({QUrl::fromLocalFile(m1), QUrl::fromLocalFile(m2), QUrl::fromLocalFile(m3)});
    // As the desktop does it: the drag enters the frame, then drops.
    QDragEnterEvent entree(QPoint(300, 300), Qt::CopyAction, donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(cadre, &entree);
    EXPECT_TRUE(entree.isAccepted());
    QDropEvent depot(QPointF(300, 300), Qt::CopyAction, donnees, Qt::LeftButton, Qt::NoModifier);
    const bool livre = QApplication::sendEvent(cadre, &depot);
    delete donnees;
    EXPECT_TRUE(livre);
    EXPECT_EQ(Titres(), QStringList({"#1 [m1.fit]", "#2 [m3.bmp]"}));
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Texte,
              "Vous tentez d'ouvrir des fichiers dont le format n'est pas supporté.");
    EXPECT_TRUE(cadre->MnItmFermer->isEnabled());

    // A second dot in the name is part of the extension; a dot in a folder is not.
    Dialogues::ViderJournal();
    cadre->DeposerFichiers({Fichier("m42.b.fit"), Fichier("dossier.v2/m5.fit")});
    EXPECT_EQ(Titres().last(), "#3 [m5.fit]");
    EXPECT_EQ(Dialogues::Journal().size(), 1u);

    // Only supported names: no message.
    Dialogues::ViderJournal();
    cadre->DeposerFichiers({Fichier("m6.bmp")});
    EXPECT_TRUE(Dialogues::Journal().empty());
}

TEST_F(Cadre, OuvrirAvecUnFichierSupprimeOuIllisible)
{
    const QString a = Fichier("a.fit"), b = Fichier("b.fit"), c = Fichier("c.bmp");
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        if (d.Genre == TGenreDemande::OuvrirFichiers) {
            QFile::remove(b); // deleted between the choice and the opening
            return Reponse(mrOk, {a, b, c});
        }
        return Reponse(mrOk);
    });
    cadre->MnItmOuvrir->trigger();
    EXPECT_EQ(Titres(), QStringList({"#1 [a.fit]", "#2 [c.bmp]"}));
    ASSERT_EQ(Dialogues::Journal().size(), 1u); // the open dialog only
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::OuvrirFichiers);

    // A file that fails shows its error; the next still opens and the menus follow.
    Dialogues::ViderJournal();
    cadre->DeposerFichiers({Fichier("x.fit", "ILLISIBLE"), Fichier("y.fit")});
    int erreurs = 0;
    for (const auto& d : Dialogues::Journal())
        erreurs += d.Genre == TGenreDemande::Erreur && d.Texte == "Fichier illisible.";
    EXPECT_EQ(erreurs, 1);
    EXPECT_TRUE(Titres().contains("#4 [y.fit]"));
    EXPECT_EQ(cadre->FenetreActive()->windowTitle(), "#4 [y.fit]");
    EXPECT_TRUE(cadre->MnItmEnteteFit->isEnabled());
}

TEST_F(Cadre, RecherchesEtMarques)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    auto fenetres = cadre->FenetresDocument();
    EXPECT_EQ(cadre->NomFichierImage(2), fenetres[1]->NomFichierDocument());
    EXPECT_TRUE(cadre->NomFichierImage(7).isEmpty());
    EXPECT_EQ(cadre->TrouverImage(7), nullptr);

    // Two threshold windows of image #1: the lowest index wins the look-up.
    TFenetreEssai* h1 = Ajouter(GenreHistogramme, 1);
    Ajouter(GenreHistogramme, 1);
    EXPECT_EQ(cadre->TrouverHistogramme(1), h1);
    EXPECT_FALSE(cadre->ExisteHistogramme(2));

    cadre->MarquerImageSelection(2);
    EXPECT_FALSE(Document(fenetres[0])->Marquee);
    EXPECT_TRUE(Document(fenetres[1])->Marquee);
    cadre->EffacerMarquesSelection();
    EXPECT_FALSE(Document(fenetres[1])->Marquee);

    cadre->FermerHistogrammes(1);
    Liberer();
    EXPECT_FALSE(cadre->ExisteHistogramme(1));
    EXPECT_EQ(cadre->FenetresDocument().size(), 2);
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

TEST_F(Cadre, ConseilsEtCouleurs)
{
    QTest::mouseMove(cadre->TlBttnHistogramme);
    EXPECT_EQ(cadre->statusBar()->currentMessage(), "Histogramme F2");
    // Moving over the panel itself clears it; a menu item's hint shows there too.
    QTest::mouseMove(cadre->ScrllBxHautPasseBas->widget(), QPoint(48, 5));
    EXPECT_TRUE(cadre->statusBar()->currentMessage().isEmpty());
    cadre->MnItmOuvrir->showStatusText(cadre->menuBar()); // as a hovered menu does
    EXPECT_EQ(cadre->statusBar()->currentMessage(), cadre->MnItmOuvrir->statusTip());
    EXPECT_FALSE(cadre->MnItmOuvrir->statusTip().isEmpty());
    // The panel colour is the class-library value 14738155: red 235, green 226, blue 224.
    const QColor fond = cadre->ScrllBxHautPasseBas->widget()->palette().color(QPalette::Window);
    EXPECT_EQ(fond, QColor(235, 226, 224));
    // The settings push: scroll tracking to image, viewer and preprocessing
    // windows, the step to threshold windows, the background colour.
    TFenetreEssai* image = Ajouter(GenreImage);
    TFenetreEssai* visionneuse = Ajouter(GenreVisionneuse, 1);
    TFenetreEssai* pretraitement = Ajouter(GenrePretraitement, 1);
    TFenetreEssai* seuils = Ajouter(GenreHistogramme, 1);
    TFenetreEssai* trichromie = Ajouter(GenreTrichromie, 1);
    EcrireCoulFondApp(255); // class-library red
    EcrireDefilImgTpsReel(false);
    EcrireReglSeuilsVisu(500);
    cadre->MajFenetresImagesSuivantPreferences();
    EXPECT_EQ(cadre->ZoneMDI()->background().color(), QColor(255, 0, 0));
    for (TFenetreEssai* f : {image, visionneuse, pretraitement})
        EXPECT_EQ(f->Pousse, QStringList({"defil=0"}));
    EXPECT_EQ(seuils->Pousse, QStringList({"pas=500"}));
    EXPECT_TRUE(trichromie->Pousse.isEmpty());
    EcrireCoulFondApp(0xFF0000); // class-library blue, not 0xRRGGBB
    cadre->MajFenetresImagesSuivantPreferences();
    EXPECT_EQ(cadre->ZoneMDI()->background().color(), QColor(0, 0, 255));
    EXPECT_EQ(cadre->LblVersion->text(), "2.0 Avril 2008");
    EXPECT_EQ(cadre->MnItmAPropos->text(), "A Propos de Stelor...");
    EXPECT_FALSE(cadre->MnItmTrichromie->isVisible());
}

TEST_F(Cadre, LogoEtVersionPresDuBasJamaisAuDessusDuDernierBouton)
{
    cadre->setWindowState(Qt::WindowNoState);
    auto haut = [&](QWidget* w) { return w->mapTo(cadre, QPoint(0, 0)).y(); };
    cadre->resize(900, 900);
    QApplication::processEvents();
    EXPECT_EQ(haut(cadre->ImgStelor), std::max(900 - 120, haut(cadre->TlBttnAide) + 30));
    EXPECT_EQ(haut(cadre->LblVersion), std::max(900 - 90, haut(cadre->TlBttnAide) + 60));
    EXPECT_EQ(haut(cadre->ImgStelor), 780);
    // A low frame: both stay below the help button.
    cadre->resize(900, 300);
    QApplication::processEvents();
    EXPECT_EQ(haut(cadre->ImgStelor), haut(cadre->TlBttnAide) + 30);
    EXPECT_EQ(haut(cadre->LblVersion), haut(cadre->TlBttnAide) + 60);
}

TEST_F(Cadre, MenuFenetreEtToutReduire)
{
    cadre->OuvrirFichiers({Fichier("a.fit"), Fichier("b.fit")});
    emit cadre->MnFenetre->aboutToShow();
    QStringList liste;
    QAction* premiere = nullptr;
    for (QAction* a : cadre->MnFenetre->actions())
        if (a->text().startsWith('&') && a->text().contains('#')) {
            liste << a->text() + (a->isChecked() ? "*" : "");
            if (!premiere)
                premiere = a;
        }
    EXPECT_EQ(liste, QStringList({"&1 #1 [a.fit]", "&2 #2 [b.fit]*"}));
    ASSERT_NE(premiere, nullptr);
    premiere->trigger();
    EXPECT_EQ(cadre->FenetreActive()->windowTitle(), "#1 [a.fit]");
    // Shown again, the list is rebuilt, not appended.
    emit cadre->MnFenetre->aboutToShow();
    int n = 0;
    for (QAction* a : cadre->MnFenetre->actions())
        n += a->text().contains('#');
    EXPECT_EQ(n, 2);

    cadre->MnItmToutReduire->trigger();
    for (TMDIChild* f : cadre->FenetresDocument())
        EXPECT_TRUE(f->isMinimized());
}

} // namespace

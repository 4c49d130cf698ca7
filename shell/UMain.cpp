#include "UMain.h"

#include "FlatMenu.h"
#include "PApplication.h"
#include "PDialogues.h"
#include "PErreurs.h"
#include "UAPropos.h"
#include "UAccueil.h"
#include "UMire.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "UHelp.h"
#include "UParametres.h"
#include "UPreferences.h"
#include "UZoom.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

TMain* Main = nullptr;

const char* const AdresseSiteStelor = "https://stelor.fr";
const char* const AdresseCourrielAuteur = "auteur@stelor.fr";

namespace {

const QString TexteVersion = QStringLiteral("2.0 Avril 2008");

// Set on a document window once the frame has placed it.
const char* const ProprietePlacee = "stelorPlacee";

// The panel's colour: class-library value 14738155 = red 235, green 226, blue 224.
constexpr int CouleurPanneau = 14738155;

QAction* Item(QMenu* menu, const QString& titre, const QString& conseil, const QKeySequence& raccourci = {})
{
    QAction* a = menu->addAction(titre);
    a->setStatusTip(conseil);
    if (!raccourci.isEmpty())
        a->setShortcut(raccourci);
    return a;
}

QMenu* SousMenu(QMenu* parent, const QString& titre, const QString& conseil, QAction*& item)
{
    QMenu* m = parent->addMenu(titre);
    item = m->menuAction();
    item->setStatusTip(conseil);
    return m;
}

// The help button's glyph: a question mark in a blue disc.
QIcon GlypheAide()
{
    QPixmap p(20, 20);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 90, 190));
    g.drawEllipse(QRectF(1, 1, 18, 18));
    QFont f = g.font();
    f.setBold(true);
    f.setPixelSize(14);
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(p);
}

} // namespace

QString TDialogueFichier::ExecuterEnregistrement(QWidget* parent, const QString& nomPropose)
{
    const QString depart = nomPropose.isEmpty() ? NomFichier : nomPropose;
    const QString nom = Dialogues::ChoisirFichierEnregistrement(parent, Titre, Filtre, depart);
    if (!nom.isEmpty())
        NomFichier = nom;
    return nom;
}

TMain::TMain(QWidget* parent) : QMainWindow(parent)
{
    Main = this;
    setObjectName(QStringLiteral("Main"));
    // Every window and dialog without an icon of its own shows Stelor's.
    QApplication::setWindowIcon(IconeStelor());
    FZoneMDI = new QMdiArea;
    // A closed window gives the focus back to the one the user was in before.
    FZoneMDI->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    FZoneMDI->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FZoneMDI->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    OpnDlgOuvrirImage = {QStringLiteral("Ouvrir"),
                         QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp);;"
                                        "Fichier fit et bitmap (*.fit *.bmp)"),
                         {}, {}};
    SvDlgEnregistrerImageSousFit = {QStringLiteral("Enregistrer sous"), QStringLiteral("Fichier Fit (*.fit)"),
                                    QStringLiteral("fit"), {}};
    SvDlgEnregistrerImageSousBmp = {QStringLiteral("Enregistrer sous"), QStringLiteral("Fichier Bitmap (*.bmp)"),
                                    QStringLiteral("bmp"), {}};
    SvDlgEnregistrerHistoriqueSous = {QStringLiteral("Enregistrer l'historique sous"),
                                      QStringLiteral("Fichier Texte (*.txt)"), QStringLiteral("txt"), {}};

    CreerMenus();
    CreerPanneauOutils();
    FlatMenu = CreerFlatMenu(this);

    auto* centre = new QWidget;
    auto* disposition = new QHBoxLayout(centre);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(0);
    disposition->addWidget(ScrllBxHautPasseBas);
    disposition->addWidget(FZoneMDI, 1);
    setCentralWidget(centre);
    statusBar()->setSizeGripEnabled(true);

    // Creation steps, in order. COM has no counterpart here.
    // Hints: a menu item's status tip reaches the status bar through the main
    // window; the hint of the control under the mouse, in any window of the
    // program, through the application's event filter below.
    // The menus follow every change of active window.
    connect(FZoneMDI, &QMdiArea::subWindowActivated, this, Commande([this] { UpdateMenuItems(); }));
    connect(qApp, &QApplication::focusChanged, this, Commande([this] { UpdateMenuItems(); }));
    InitialiserOutils();
    setWindowTitle(QStringLiteral("Stelor"));
    MnItmAPropos->setText(QStringLiteral("A Propos de Stelor..."));
    NumeroImageSuivant = NumeroVisionneuseSuivant = NumeroPretraitementSuivant = NumeroTrichromieSuivant = 1;
    FixerCouleurFond(LireCoulFondApp());
    // The zoom submenu.
    ItemsZoom = CreerMenuZoom(MnZoom);
    for (QAction* a : ItemsZoom) {
        if (a->data().toInt() > 0)
            a->setCheckable(true);
        LierItemZoom(a);
    }
    // Files dropped on the frame or on any of its windows open; the filter
    // sees the drop first, so an edit never takes the names as text. It also
    // sees the logo's, the panel's and the area's mouse events.
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    LblVersion->setText(TexteVersion);

    FZoneMDI->viewport()->setMouseTracking(true);
    connect(MnFenetre, &QMenu::aboutToShow, this, Commande([this] { MajListeFenetres(); }));
    setWindowState(Qt::WindowMaximized);
    UpdateMenuItems();
}

TMain::~TMain()
{
    // No menu refresh may run against a frame being destroyed.
    FDetruit = true;
    qApp->removeEventFilter(this);
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    disconnect(FZoneMDI, nullptr, this, nullptr);
    // Free the document windows now, while the frame is whole.
    for (QMdiSubWindow* w : FZoneMDI->subWindowList())
        delete w;
    TerminerOutils();
    if (Main == this)
        Main = nullptr;
}

void TMain::CreerMenus()
{
    QMenuBar* barre = menuBar();

    MnFichier = barre->addMenu(QStringLiteral("&Fichier"));
    MnItmOuvrir = Item(MnFichier, QStringLiteral("&Ouvrir"), QStringLiteral("Ouvrir une image"), QKeySequence(Qt::CTRL | Qt::Key_O));
    MnItmEnregistrer = Item(MnFichier, QStringLiteral("Enregistrer"), QStringLiteral("Enregistrer l'image"), QKeySequence(Qt::CTRL | Qt::Key_S));
    MnItmEnregistrerSous = Item(MnFichier, QStringLiteral("Enregistrer sous..."), QStringLiteral("Enregistrer l'image sous un autre nom"));
    MnItmFermer = Item(MnFichier, QStringLiteral("Fermer"), QStringLiteral("Fermer la fenêtre active"), QKeySequence(Qt::CTRL | Qt::Key_W));
    MnItmToutFermer = Item(MnFichier, QStringLiteral("Tout fermer"), QStringLiteral("Fermer toutes les fenêtres"));
    MnFichier->addSeparator();
    MnExporter = SousMenu(MnFichier, QStringLiteral("Exporter"), QStringLiteral("Exporter l'image"), MnItmExporter);
    MnItmExporterFit = Item(MnExporter, QStringLiteral("Fit"), QStringLiteral("Exporter au format Fit"));
    MnItmExporterBmp = Item(MnExporter, QStringLiteral("Bitmap"), QStringLiteral("Exporter au format bitmap"));
    MnItmExporterJpeg = Item(MnExporter, QStringLiteral("Jpeg"), QStringLiteral("Exporter au format Jpeg"));
    MnFichier->addSeparator();
    MnItmPreferences = Item(MnFichier, QStringLiteral("Préférences"), QStringLiteral("Préférences de Stelor"));
    MnFichier->addSeparator();
    MnItmQuitter = Item(MnFichier, QStringLiteral("Quitter"), QStringLiteral("Quitter Stelor"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    MnEdition = barre->addMenu(QStringLiteral("&Edition"));
    MnItmCouper = Item(MnEdition, QStringLiteral("Couper"), QStringLiteral("Couper"), QKeySequence(Qt::CTRL | Qt::Key_X));
    MnItmCopier = Item(MnEdition, QStringLiteral("Copier"), QStringLiteral("Copier l'image dans le presse-papiers"), QKeySequence(Qt::CTRL | Qt::Key_C));
    MnItmColler = Item(MnEdition, QStringLiteral("Coller"), QStringLiteral("Coller"), QKeySequence(Qt::CTRL | Qt::Key_V));
    MnEdition->addSeparator();
    MnItmAnnulerRestaurer = Item(MnEdition, QStringLiteral("Annuler/Restaurer"), QStringLiteral("Annuler ou restaurer la dernière opération"), QKeySequence(Qt::Key_F9));
    MnEdition->addSeparator();
    MnSelection = SousMenu(MnEdition, QStringLiteral("Sélection"), QStringLiteral("Sélection"), MnItmSelection);
    MnItmSelection_Aucune = Item(MnSelection, QStringLiteral("Aucune"), QStringLiteral("Aucune sélection"));
    MnItmSelection_Centre = Item(MnSelection, QStringLiteral("Centre"), QStringLiteral("Sélectionner le centre de l'image"));
    // Couper and Coller are never enabled.
    MnItmCouper->setEnabled(false);
    MnItmColler->setEnabled(false);

    MnVisualisation = barre->addMenu(QStringLiteral("&Visualisation"));
    MnHistogramme = SousMenu(MnVisualisation, QStringLiteral("Histogramme"), QStringLiteral("Histogramme"), MnItmHistogramme);
    MnItmHistogramme_Afficher = Item(MnHistogramme, QStringLiteral("Afficher"), QStringLiteral("Afficher l'histogramme"), QKeySequence(Qt::Key_F2));
    MnItmHistogramme_Automatique = Item(MnHistogramme, QStringLiteral("Automatique"), QStringLiteral("Histogramme automatique"), QKeySequence(Qt::Key_F7));
    MnItmHistogramme_Logarithmique = Item(MnHistogramme, QStringLiteral("Logarithmique"), QStringLiteral("Histogramme logarithmique"), QKeySequence(Qt::Key_F5));
    MnItmHistogramme_Lineaire = Item(MnHistogramme, QStringLiteral("Linéaire"), QStringLiteral("Histogramme linéaire"), QKeySequence(Qt::Key_F6));
    MnItmHistogramme_Exponentiel = Item(MnHistogramme, QStringLiteral("Exponentiel"), QStringLiteral("Histogramme exponentiel"), QKeySequence(Qt::CTRL | Qt::Key_F5));
    MnHistogramme->addSeparator();
    MnItmHistogramme_AppliquerDUneImage = Item(MnHistogramme, QStringLiteral("Appliquer d'une image"), QStringLiteral("Appliquer l'histogramme d'une autre image"));
    MnItmHistogramme_AppliquerAuxImages = Item(MnHistogramme, QStringLiteral("Appliquer aux images"), QStringLiteral("Appliquer l'histogramme aux autres images"));
    MnZoom = SousMenu(MnVisualisation, QStringLiteral("Zoom"), QStringLiteral("Zoom"), MnItmZoom);
    MnItmPositifNegatif = Item(MnVisualisation, QStringLiteral("Positif/Négatif"), QStringLiteral("Positif/Négatif"));
    MnVisualisation->addSeparator();
    MnItmMire = Item(MnVisualisation, QStringLiteral("Mire"), QStringLiteral("Mire de niveaux de gris"));

    MnImage = barre->addMenu(QStringLiteral("&Image"));
    MnItmImage = MnImage->menuAction();
    MnItmDuppliquer = Item(MnImage, QStringLiteral("Duppliquer"), QStringLiteral("Duppliquer l'image"), QKeySequence(Qt::Key_F3));
    MnImage->addSeparator();
    MnItmStatistiques = Item(MnImage, QStringLiteral("Statistiques"), QStringLiteral("Statistiques de l'image"));
    MnItmEnteteFit = Item(MnImage, QStringLiteral("Entête Fit"), QStringLiteral("Entête du fichier Fit"));
    MnItmHistorique = Item(MnImage, QStringLiteral("Afficher/Masquer Historique"), QStringLiteral("Afficher ou masquer l'historique"), QKeySequence(Qt::Key_F4));
    MnImage->addSeparator();
    MnItmRedimensionnement = Item(MnImage, QStringLiteral("Redimensionnement"), QStringLiteral("Redimensionner l'image"));
    MnItmBordures = Item(MnImage, QStringLiteral("Bordures"), QStringLiteral("Découper les bordures"));
    MnImage->addSeparator();
    MnModes = SousMenu(MnImage, QStringLiteral("Modes"), QStringLiteral("Modes"), MnItmModes);
    MnItmNiveauxDeGris = Item(MnModes, QStringLiteral("Niveaux de gris"), QStringLiteral("Convertir en niveaux de gris"));

    MnFiltre = barre->addMenu(QStringLiteral("Fil&tre"));
    MnItmFiltre = MnFiltre->menuAction();
    MnItmPasseBas = Item(MnFiltre, QStringLiteral("Passe bas"), QStringLiteral("Filtre passe bas"));
    MnItmPasseHaut = Item(MnFiltre, QStringLiteral("Passe haut"), QStringLiteral("Filtre passe haut"));
    MnItmGaussien = Item(MnFiltre, QStringLiteral("Gaussien"), QStringLiteral("Filtre gaussien"));
    MnItmMasqueFlou = Item(MnFiltre, QStringLiteral("Masque flou"), QStringLiteral("Masque flou"));
    MnItmMediane3x3 = Item(MnFiltre, QStringLiteral("Médiane 3x3"), QStringLiteral("Filtre médian 3x3"));
    MnFiltre->addSeparator();
    MnItmConvolution = Item(MnFiltre, QStringLiteral("Convolution"), QStringLiteral("Convolution personnalisée"));
    MnFiltre->addSeparator();
    MnDDP = SousMenu(MnFiltre, QStringLiteral("DDP"), QStringLiteral("Traitement DDP"), MnItmDDP);
    MnItmDDPNeutre = Item(MnDDP, QStringLiteral("Neutre"), QStringLiteral("DDP neutre"));
    MnItmDDPPasseBas = Item(MnDDP, QStringLiteral("Passe bas"), QStringLiteral("DDP passe bas"));
    MnItmDDPGaussien = Item(MnDDP, QStringLiteral("Gaussien"), QStringLiteral("DDP gaussien"));

    MnArithmetique = barre->addMenu(QStringLiteral("A&rithmétique"));
    MnItmArithmetique = MnArithmetique->menuAction();
    MnAddition = SousMenu(MnArithmetique, QStringLiteral("Addition"), QStringLiteral("Addition"), MnItmAddition);
    MnItmAdditionImage = Item(MnAddition, QStringLiteral("Image"), QStringLiteral("Ajouter une image"));
    MnItmAdditionConstante = Item(MnAddition, QStringLiteral("Constante"), QStringLiteral("Ajouter une constante"));
    MnSoustraction = SousMenu(MnArithmetique, QStringLiteral("Soustraction"), QStringLiteral("Soustraction"), MnItmSoustraction);
    MnItmSoustractionImage = Item(MnSoustraction, QStringLiteral("Image"), QStringLiteral("Soustraire une image"));
    MnItmSoustractionConstante = Item(MnSoustraction, QStringLiteral("Constante"), QStringLiteral("Soustraire une constante"));
    MnDivision = SousMenu(MnArithmetique, QStringLiteral("Division"), QStringLiteral("Division"), MnItmDivision);
    MnItmDivisionImage = Item(MnDivision, QStringLiteral("Image"), QStringLiteral("Diviser par une image"));
    MnItmDivisionConstante = Item(MnDivision, QStringLiteral("Constante"), QStringLiteral("Diviser par une constante"));
    MnMultiplication = SousMenu(MnArithmetique, QStringLiteral("Multiplication"), QStringLiteral("Multiplication"), MnItmMultiplication);
    MnItmMultiplicationImage = Item(MnMultiplication, QStringLiteral("Image"), QStringLiteral("Multiplier par une image"));
    MnItmMultiplicationConstante = Item(MnMultiplication, QStringLiteral("Constante"), QStringLiteral("Multiplier par une constante"));
    MnItmMoyenne = Item(MnArithmetique, QStringLiteral("Moyenne"), QStringLiteral("Moyenne de deux images"));
    MnAjusterNiveau = SousMenu(MnArithmetique, QStringLiteral("Ajuster le niveau"), QStringLiteral("Ajuster le niveau"), MnItmAjusterNiveau);
    MnItmAjusterNiveau_AppliquerDUneImage = Item(MnAjusterNiveau, QStringLiteral("Appliquer d'une image"), QStringLiteral("Ajuster le niveau sur celui d'une autre image"));
    MnItmAjusterNiveau_AppliquerAuxImages = Item(MnAjusterNiveau, QStringLiteral("Appliquer aux images"), QStringLiteral("Ajuster le niveau des autres images"));
    MnArithmetique->addSeparator();
    MnItmTranslation = Item(MnArithmetique, QStringLiteral("Translation"), QStringLiteral("Translation de l'image"));
    MnItmAlignementStellaire = Item(MnArithmetique, QStringLiteral("Alignement stellaire"), QStringLiteral("Alignement sur une étoile"));
    MnArithmetique->addSeparator();
    MnMiroir = SousMenu(MnArithmetique, QStringLiteral("Miroir"), QStringLiteral("Miroir"), MnItmMiroir);
    MnItmMiroirHorizontal = Item(MnMiroir, QStringLiteral("Horizontal"), QStringLiteral("Miroir horizontal"));
    MnItmMiroirVertical = Item(MnMiroir, QStringLiteral("Vertical"), QStringLiteral("Miroir vertical"));
    MnRotation = SousMenu(MnArithmetique, QStringLiteral("Rotation"), QStringLiteral("Rotation"), MnItmRotation);
    MnItmRotation90 = Item(MnRotation, QStringLiteral("90 degrés"), QStringLiteral("Rotation de 90 degrés"));
    MnItmRotation180 = Item(MnRotation, QStringLiteral("180 degrés"), QStringLiteral("Rotation de 180 degrés"));
    MnItmRotation270 = Item(MnRotation, QStringLiteral("270 degrés"), QStringLiteral("Rotation de 270 degrés"));

    MnOutils = barre->addMenu(QStringLiteral("&Outils"));
    MnItmVisionneuse = Item(MnOutils, QStringLiteral("Visionneuse"), QStringLiteral("Visionneuse d'images"));
    MnItmPretraitement = Item(MnOutils, QStringLiteral("Prétraitement"), QStringLiteral("Prétraitement d'images"));
    MnItmSeparateurTrichromie = MnOutils->addSeparator();
    MnItmTrichromie = Item(MnOutils, QStringLiteral("Trichromie RVB"), QStringLiteral("Trichromie RVB"));
    // The tricolour item exists but is never shown.
    MnItmSeparateurTrichromie->setVisible(false);
    MnItmTrichromie->setVisible(false);

    MnFenetre = barre->addMenu(QStringLiteral("Fe&nêtre"));
    MnItmCascade = Item(MnFenetre, QStringLiteral("&Cascade"), QStringLiteral("Disposer les fenêtres en cascade"));
    MnItmMosaique = Item(MnFenetre, QStringLiteral("&Mosaïque"), QStringLiteral("Disposer les fenêtres en mosaïque"));
    MnItmReorganiserIcones = Item(MnFenetre, QStringLiteral("&Réorganiser les icônes"), QStringLiteral("Réorganiser les icônes"));
    MnItmToutReduire = Item(MnFenetre, QStringLiteral("&Tout réduire"), QStringLiteral("Réduire toutes les fenêtres"));
    MnFenetre->addSeparator();
    MnItmAjusterTaille = Item(MnFenetre, QStringLiteral("Ajuster à la taille de l'image"), QStringLiteral("Ajuster la fenêtre à la taille de l'image"), QKeySequence(Qt::CTRL | Qt::Key_M));

    MnAide = barre->addMenu(QStringLiteral("&Aide"));
    MnItmDocumentation = Item(MnAide, QStringLiteral("Documentation"), QStringLiteral("Documentation de Stelor"), QKeySequence(Qt::Key_F1));
    MnAide->addSeparator();
    MnItmSiteInternet = Item(MnAide, QStringLiteral("Consulter le site internet"), QStringLiteral("Consulter le site internet de Stelor"));
    MnItmContacterAuteur = Item(MnAide, QStringLiteral("Contacter l'auteur"), QStringLiteral("Écrire à l'auteur"));
    MnAide->addSeparator();
    MnItmAPropos = Item(MnAide, QStringLiteral("&A propos de ..."), QStringLiteral("A propos de Stelor"));

    // The commands that belong to the frame itself.
    connect(MnItmOuvrir, &QAction::triggered, this, Commande([this] { MnItmOuvrirClick(); }));
    connect(MnItmFermer, &QAction::triggered, this, Commande([this] {
        if (TMDIChild* f = FenetreActive())
            f->close();
    }));
    connect(MnItmToutFermer, &QAction::triggered, this, Commande([this] { MnItmToutFermerClick(); }));
    connect(MnItmQuitter, &QAction::triggered, this, Commande([this] { close(); }));
    connect(MnItmDuppliquer, &QAction::triggered, this, Commande([this] { Image_DuppliquerClick(); }));
    connect(MnItmMire, &QAction::triggered, this, Commande([] {
        if (Mire)
            Dialogues::ExecuterModal(*Mire);
    }));
    connect(MnItmPreferences, &QAction::triggered, this, Commande([] {
        if (Preferences)
            Dialogues::ExecuterModal(*Preferences);
    }));
    connect(MnItmDocumentation, &QAction::triggered, this, Commande(AfficherAide));
    connect(MnItmAPropos, &QAction::triggered, this, Commande([] {
        if (APropos)
            Dialogues::ExecuterModal(*APropos);
    }));
    connect(MnItmSiteInternet, &QAction::triggered, this,
            Commande([] { OuvrirAdresseInternet(QString::fromLatin1(AdresseSiteStelor)); }));
    connect(MnItmContacterAuteur, &QAction::triggered, this, Commande([] {
        EnvoyerCourriel(QString(), QString::fromLatin1(AdresseCourrielAuteur), QStringLiteral("Stelor"), QString());
    }));
    connect(MnItmCascade, &QAction::triggered, this, Commande([this] { DisposerEnCascade(); }));
    connect(MnItmMosaique, &QAction::triggered, FZoneMDI, &QMdiArea::tileSubWindows);
    connect(MnItmReorganiserIcones, &QAction::triggered, this, Commande([this] { ReorganiserIcones(); }));
    connect(MnItmToutReduire, &QAction::triggered, this, Commande([this] {
        for (TMDIChild* f : FenetresDuGenre(0))
            f->showMinimized();
    }));
    connect(MnItmAjusterTaille, &QAction::triggered, this, Commande([this] {
        if (ActiveEstImage())
            FenetreActive()->AjusteTailleFenetreALImageSource();
    }));

    // Popup of the tool button "Zoom".
    PppMnZoom = new QMenu(this);
    const std::pair<const char*, void (TMain::*)()> niveaux[] = {
        {"25%", &TMain::Zoom25p100Click},   {"50%", &TMain::Zoom50p100Click},
        {"100%", &TMain::Zoom100p100Click}, {"125%", &TMain::Zoom125p100Click},
        {"150%", &TMain::Zoom150p100Click}, {"200%", &TMain::Zoom200p100Click},
        {"300%", &TMain::Zoom300p100Click}, {"500%", &TMain::Zoom500p100Click},
    };
    for (const auto& [texte, gestionnaire] : niveaux)
        connect(PppMnZoom->addAction(QString::fromLatin1(texte)), &QAction::triggered, this,
                Commande([this, g = gestionnaire] { (this->*g)(); }));
    connect(PppMnZoom->addAction(QStringLiteral("Définir...")), &QAction::triggered, this,
            Commande([this] { ZoomDefinirClick(); }));
}

void TMain::CreerPanneauOutils()
{
    ScrllBxHautPasseBas = new QScrollArea;
    ScrllBxHautPasseBas->setObjectName(QStringLiteral("ScrllBxHautPasseBas"));
    ScrllBxHautPasseBas->setFixedWidth(96);
    ScrllBxHautPasseBas->setFrameShape(QFrame::NoFrame);
    ScrllBxHautPasseBas->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrllBxHautPasseBas->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrllBxHautPasseBas->setWidgetResizable(true);
    // A click on the panel leaves the keyboard to the document window the
    // command runs on: Qt would give it to the first parent of the button
    // that takes the focus on a click, this scroll area.
    ScrllBxHautPasseBas->setFocusPolicy(Qt::NoFocus);
    FPanneau = new QWidget;
    FPanneau->setObjectName(QStringLiteral("PanneauOutils"));
    FPanneau->setAutoFillBackground(true);
    QPalette pal = FPanneau->palette();
    pal.setColor(QPalette::Window, CouleurEnQColor(CouleurPanneau));
    FPanneau->setPalette(pal);
    FPanneau->setMouseTracking(true);
    ScrllBxHautPasseBas->setWidget(FPanneau);

    int y = 6;
    auto bouton = [&](const QString& titre, const QString& conseil, int x, int largeur, bool ligneSuivante) {
        auto* b = new QToolButton(FPanneau);
        b->setText(titre);
        b->setToolTip(conseil);
        b->setAutoRaise(true);
        b->setGeometry(x, y, largeur, 26);
        if (ligneSuivante)
            y += 28;
        return b;
    };
    auto separateur = [&] {
        auto* s = new QFrame(FPanneau);
        s->setFrameShape(QFrame::HLine);
        s->setFrameShadow(QFrame::Sunken);
        s->setGeometry(4, y + 2, 88, 4);
        FSeparateurs.append(s);
        y += 10;
    };
    TlBttnOuvrir = bouton(QStringLiteral("Ouvrir"), QStringLiteral("Ouvrir Ctrl+O"), 4, 88, true);
    TlBttnEnregistrer = bouton(QStringLiteral("Enregistrer"), QStringLiteral("Enregistrer Ctrl+S"), 4, 88, true);
    TlBttnDuppliquer = bouton(QStringLiteral("Duppliquer"), QStringLiteral("Duppliquer F3"), 4, 88, true);
    TlBttnAnnulerRestaurer = bouton(QStringLiteral("Annul/Rest."), QStringLiteral("Annuler/Restaurer F9"), 4, 88, true);
    separateur();
    TlBttnPositifNegatif = bouton(QStringLiteral("Pos/Neg"), QStringLiteral("Positif/Négatif"), 4, 88, true);
    TlBttnHistogramme = bouton(QStringLiteral("Histogram."), QStringLiteral("Histogramme F2"), 4, 88, true);
    TlBttnStatistiques = bouton(QStringLiteral("Statistiqu."), QStringLiteral("Statistiques"), 4, 88, true);
    TlBttnEnteteFit = bouton(QStringLiteral("Entête Fit"), QStringLiteral("Entête Fit"), 4, 88, true);
    TlBttnHistorique = bouton(QStringLiteral("Historique"), QStringLiteral("Historique F4"), 4, 88, true);
    separateur();
    TlBttnZoom = bouton(QStringLiteral("Zoom"), QString(), 4, 88, true);
    TlBttnZoom->setArrowType(Qt::NoArrow);
    BtBtnZoom100p100 = bouton(QStringLiteral("100 %"), QStringLiteral("Zoom 100 %"), 4, 43, false);
    BtBtnAjusteTailleFenetre = bouton(QStringLiteral("Fen."), QStringLiteral("Ajuster la fenêtre à la taille de l'image"), 49, 43, true);
    separateur();
    TlBttnHistogrammeAuto = bouton(QStringLiteral("Auto"), QStringLiteral("Histogramme automatique F7"), 4, 43, false);
    TlBttnHistogrammeLog = bouton(QStringLiteral("Log"), QStringLiteral("Histogramme Logarithmique F5"), 49, 43, true);
    TlBttnHistogrammeLin = bouton(QStringLiteral("Lin"), QStringLiteral("Histogramme linéaire F6"), 4, 43, false);
    TlBttnHistogrammeExp = bouton(QStringLiteral("Exp"), QStringLiteral("Histogramme exponentiel Ctrl+F5"), 49, 43, true);
    TlBttnAide = bouton(QString(), QStringLiteral("Aide F1"), 4, 88, true);
    TlBttnAide->setIcon(GlypheAide());
    TlBttnAide->setIconSize(QSize(20, 20));
    y += 4;

    ImgStelor = new QLabel(FPanneau);
    ImgStelor->setObjectName(QStringLiteral("ImgStelor"));
    ImgStelor->setPixmap(LogoStelor(80, 28));
    ImgStelor->setCursor(Qt::PointingHandCursor);
    ImgStelor->setMouseTracking(true);
    ImgStelor->setGeometry(8, y, 80, 28);
    LblVersion = new QLabel(FPanneau);
    LblVersion->setObjectName(QStringLiteral("LblVersion"));
    LblVersion->setAlignment(Qt::AlignHCenter);
    LblVersion->setGeometry(0, y + 30, 96, 18);
    FPanneau->setMinimumHeight(y + 50);

    // Each button acts only for the window kinds it serves; the menu item it
    // stands for is triggered only when that item can act.
    connect(TlBttnOuvrir, &QToolButton::clicked, MnItmOuvrir, &QAction::trigger);
    connect(TlBttnEnregistrer, &QToolButton::clicked, this, Commande([this] { OutilImage(MnItmEnregistrerSous); }));
    connect(TlBttnDuppliquer, &QToolButton::clicked, this, Commande([this] { OutilImage(MnItmDuppliquer); }));
    connect(TlBttnAnnulerRestaurer, &QToolButton::clicked, this,
            Commande([this] { OutilImage(MnItmAnnulerRestaurer); }));
    connect(TlBttnPositifNegatif, &QToolButton::clicked, this, Commande([this] {
        if (FenetreActive() && MnItmPositifNegatif->isEnabled())
            MnItmPositifNegatif->trigger();
    }));
    connect(TlBttnHistogramme, &QToolButton::clicked, this, Commande([this] { OutilImage(MnItmHistogramme_Afficher); }));
    connect(TlBttnStatistiques, &QToolButton::clicked, this, Commande([this] {
        if (ActiveEstImage() || ActiveEstVisionneuse())
            MnItmStatistiques->trigger();
    }));
    connect(TlBttnEnteteFit, &QToolButton::clicked, this, Commande([this] {
        if (ActiveEstImage())
            OutilImage(MnItmEnteteFit);
        else if (ActiveEstVisionneuse())
            emit EnteteFitVisionneuseDemandee();
    }));
    connect(TlBttnHistorique, &QToolButton::clicked, this, Commande([this] { OutilImage(MnItmHistorique); }));
    connect(TlBttnZoom, &QToolButton::clicked, this, Commande([this] {
        const QPoint p = TlBttnZoom->mapToGlobal(QPoint(TlBttnZoom->width() / 2, TlBttnZoom->height()));
        PppMnZoom->popup(p);
    }));
    connect(BtBtnZoom100p100, &QToolButton::clicked, this, Commande([this] { Zoom100p100Click(); }));
    connect(BtBtnAjusteTailleFenetre, &QToolButton::clicked, this, Commande([this] {
        if (ActiveEstImage()) {
            FenetreActive()->AfficherPageSource();
            FenetreActive()->AjusteTailleFenetreALImageSource();
        }
    }));
    connect(TlBttnHistogrammeAuto, &QToolButton::clicked, this,
            Commande([this] { OutilImage(MnItmHistogramme_Automatique); }));
    connect(TlBttnHistogrammeLog, &QToolButton::clicked, this,
            Commande([this] { OutilImage(MnItmHistogramme_Logarithmique); }));
    connect(TlBttnHistogrammeLin, &QToolButton::clicked, this,
            Commande([this] { OutilImage(MnItmHistogramme_Lineaire); }));
    connect(TlBttnHistogrammeExp, &QToolButton::clicked, this,
            Commande([this] { OutilImage(MnItmHistogramme_Exponentiel); }));
    // TlBttnAide has no action of its own.
}

void TMain::OutilImage(QAction* action)
{
    if (ActiveEstImage() && action->isEnabled())
        action->trigger();
}

// ---------------------------------------------------------------- numbers

int TMain::NouveauNumeroImage() { return NumeroImageSuivant++; }
int TMain::NouveauNumeroVisionneuse() { return NumeroVisionneuseSuivant++; }
int TMain::NouveauNumeroPretraitement() { return NumeroPretraitementSuivant++; }
int TMain::NouveauNumeroTrichromie() { return NumeroTrichromieSuivant++; }

// ---------------------------------------------------------------- look-ups

QList<TMDIChild*> TMain::FenetresDocument() const
{
    QList<TMDIChild*> liste;
    for (QMdiSubWindow* w : FZoneMDI->subWindowList(QMdiArea::CreationOrder))
        if (auto* f = qobject_cast<TMDIChild*>(w); f && !f->EnFermeture())
            liste.append(f);
    return liste;
}

TMDIChild* TMain::FenetreActive() const
{
    // The current window stays current while a dialog has the focus.
    auto* f = qobject_cast<TMDIChild*>(FZoneMDI->currentSubWindow());
    return f && !f->EnFermeture() ? f : nullptr;
}

bool TMain::ActiveEstImage() const { return FenetreActive() && FenetreActive()->Tag() == GenreImage; }
bool TMain::ActiveEstHistogrammeFit() const
{
    return FenetreActive() && FenetreActive()->Tag() == GenreHistogramme;
}
bool TMain::ActiveEstVisionneuse() const { return FenetreActive() && FenetreActive()->Tag() == GenreVisionneuse; }
bool TMain::ActiveEstPretraitement() const
{
    return FenetreActive() && FenetreActive()->Tag() == GenrePretraitement;
}

QList<TMDIChild*> TMain::FenetresDuGenre(int genre, std::optional<int> numero) const
{
    const QList<TMDIChild*> fenetres = FenetresDocument();
    QList<TMDIChild*> liste;
    for (qsizetype i = fenetres.size() - 1; i >= 0; --i)
        if ((genre == 0 || fenetres[i]->Tag() == genre) && (!numero || fenetres[i]->NumeroDocument() == *numero))
            liste.append(fenetres[i]);
    return liste;
}

namespace {
// The walk keeps its last match: the lowest index wins.
TMDIChild* Derniere(const QList<TMDIChild*>& liste) { return liste.isEmpty() ? nullptr : liste.last(); }
} // namespace

TMDIChild* TMain::TrouverImage(int numero) const { return Derniere(FenetresDuGenre(GenreImage, numero)); }

QString TMain::NomFichierImage(int numero) const
{
    TMDIChild* f = TrouverImage(numero);
    return f ? f->NomFichierDocument() : QString();
}

bool TMain::ExisteHistogramme(int numero) const { return TrouverHistogramme(numero) != nullptr; }

TMDIChild* TMain::TrouverHistogramme(int numero) const
{
    return Derniere(FenetresDuGenre(GenreHistogramme, numero));
}

void TMain::FermerHistogrammes(int numero)
{
    for (TMDIChild* f : FenetresDuGenre(GenreHistogramme, numero))
        f->close();
}

void TMain::MontrerHistogrammes(int numero)
{
    for (TMDIChild* f : FenetresDuGenre(GenreHistogramme, numero)) {
        f->show();
        f->raise();
    }
}

void TMain::MarquerImageSelection(int numero)
{
    for (TMDIChild* f : FenetresDuGenre(GenreImage, numero)) {
        f->show();
        f->raise();
        f->MarquerSelection(true);
    }
}

void TMain::EffacerMarquesSelection()
{
    for (TMDIChild* f : FenetresDuGenre(GenreImage))
        f->MarquerSelection(false);
}

void TMain::AfficheImageSource_FenetreImage()
{
    for (TMDIChild* f : FenetresDuGenre(GenreImage))
        f->AfficherImageSource();
}

// ---------------------------------------------------------------- new windows

TMDIChild* TMain::NouvelleFenetreImage()
{
    if (!FabriqueFenetreImage)
        LeverErreur(QStringLiteral("La fenêtre image n'est pas disponible."));
    TMDIChild* f = FabriqueFenetreImage();
    if (!f)
        LeverErreur(QStringLiteral("La fenêtre image n'a pas pu être créée."));
    // A document window is shown from its creation on.
    if (!f->mdiArea())
        FZoneMDI->addSubWindow(f);
    if (!f->isVisible())
        f->show();
    return f;
}

TMDIChild* TMain::CreerFenetreImageFit(THistoFit& image)
{
    TMDIChild* f = NouvelleFenetreImage();
    f->NouvelleImageFit(image);
    UpdateMenuItems();
    return f;
}

TMDIChild* TMain::CreerFenetreImageBmp(THistoBmp& image)
{
    TMDIChild* f = NouvelleFenetreImage();
    f->NouvelleImageBmp(image);
    UpdateMenuItems();
    return f;
}

void TMain::Image_DuppliquerClick()
{
    TMDIChild* source = FenetreActive();
    if (!source || source->Tag() != GenreImage)
        return;
    TMDIChild* f = NouvelleFenetreImage();
    f->DupliquerDepuis(*source);
    UpdateMenuItems();
}

void TMain::OuvrirFichiers(const QStringList& noms)
{
    for (const QString& nom : noms) {
        if (QFileInfo::exists(nom))
            OuvrirDansNouvelleFenetre(nom);
    }
    UpdateMenuItems();
}

void TMain::OuvrirDansNouvelleFenetre(const QString& nom)
{
    // A file that fails shows its error; the others still open.
    ExecuterCommande([&] { NouvelleFenetreImage()->OuvrirImage(nom, true); });
}

void TMain::MnItmOuvrirClick()
{
    const QStringList noms = Dialogues::ChoisirFichiersOuverture(
        this, OpnDlgOuvrirImage.Titre, OpnDlgOuvrirImage.Filtre, CheminFichier(OpnDlgOuvrirImage.NomFichier), true);
    if (noms.isEmpty())
        return;
    OpnDlgOuvrirImage.NomFichier = noms.first();
    OuvrirFichiers(noms);
}

void TMain::DeposerFichiers(const QStringList& noms)
{
    bool tousSupportes = true;
    for (const QString& nom : noms) {
        // The extension after the last dot, as for the open dialog: date-stamped
        // names hold several dots.
        const QString extension = QFileInfo(nom).suffix();
        if (extension == QLatin1String("fit") || extension == QLatin1String("bmp"))
            OuvrirDansNouvelleFenetre(nom);
        else
            tousSupportes = false;
    }
    UpdateMenuItems();
    if (!tousSupportes)
        Dialogues::Information(QStringLiteral("Vous tentez d'ouvrir des fichiers dont le format n'est pas supporté."));
}

bool TMain::DepotDeFichiers(QObject* objet, QEvent* event)
{
    const QEvent::Type genre = event->type();
    if (genre != QEvent::DragEnter && genre != QEvent::DragMove && genre != QEvent::Drop)
        return false;
    auto* cible = qobject_cast<QWidget*>(objet);
    auto* depot = static_cast<QDropEvent*>(event);
    if (!cible || !depot->mimeData()->hasUrls())
        return false;
    QWidget* fenetre = cible->window();
    if (fenetre != this) {
        // A dialog takes no file: its edits would take the names as text.
        if (qobject_cast<TMain*>(fenetre))
            return false;
        depot->ignore();
        return true;
    }
    // Taken as a copy whatever the source proposes: after a move (Shift, or a
    // file manager's own default) the source deletes the user's file. A source
    // that offers no copy is refused.
    if (!(depot->possibleActions() & Qt::CopyAction)) {
        depot->ignore();
        return true;
    }
    depot->setDropAction(Qt::CopyAction);
    depot->accept();
    if (genre == QEvent::Drop) {
        QStringList noms;
        for (const QUrl& url : depot->mimeData()->urls())
            if (url.isLocalFile())
                noms.append(url.toLocalFile());
        DeposerFichiers(noms);
    }
    return true;
}

void TMain::MnItmToutFermerClick()
{
    // Asked from the last index down; the windows that accept go afterwards.
    QList<TMDIChild*> aFermer;
    for (TMDIChild* f : FenetresDuGenre(0)) {
        if (f->Tag() == GenreHistogramme)
            continue;
        TActionFermeture action = TActionFermeture::Liberer;
        f->FormClose(action);
        if (action == TActionFermeture::Liberer)
            aFermer.append(f);
    }
    for (TMDIChild* f : aFermer)
        delete f;
    UpdateMenuItems();
}

// ---------------------------------------------------------------- quit

void TMain::closeEvent(QCloseEvent* event)
{
    TActionFermeture action = TActionFermeture::Liberer;
    for (TMDIChild* f : FenetresDuGenre(GenreImage)) {
        if (action == TActionFermeture::Aucune)
            break; // the others are not asked
        f->FormClose(action);
    }
    if (action == TActionFermeture::Aucune) {
        event->ignore();
        return;
    }
    event->accept();
    emit FinDemandee();
}

// ---------------------------------------------------------------- enabling

void TMain::UpdateMenuItems()
{
    if (FDetruit)
        return;
    const bool existe = !FenetresDocument().isEmpty();
    TMDIChild* active = FenetreActive();
    const int genre = active ? active->Tag() : 0;
    const bool image = genre == GenreImage;
    const bool resultatPretraitement = ResultatPretraitementEnregistrable();

    // 1
    MnItmCopier->setEnabled(existe);
    MnItmCascade->setEnabled(existe);
    MnItmMosaique->setEnabled(existe);
    MnItmReorganiserIcones->setEnabled(existe);
    MnItmToutReduire->setEnabled(existe);
    // 2
    MnItmEnregistrer->setEnabled(image);
    MnItmEnregistrerSous->setEnabled(image || resultatPretraitement);
    // 3
    MnItmFermer->setEnabled(genre == GenreImage || genre == GenreHistogramme || genre == GenreVisionneuse ||
                            genre == GenrePretraitement);
    // 4
    MnItmToutFermer->setEnabled(active != nullptr);
    // 5
    const bool rectangle = image && active->GenreSelection() == 2;
    MnItmExporter->setEnabled(image || resultatPretraitement);
    MnItmExporter->setText(rectangle ? QStringLiteral("Exporter la sélection") : QStringLiteral("Exporter"));
    // 6
    MnItmAnnulerRestaurer->setEnabled(image);
    MnItmSelection->setEnabled(image);
    // 7, 8
    MnItmHistogramme->setEnabled(image);
    MnItmPositifNegatif->setEnabled(genre == GenreImage || genre == GenreHistogramme || genre == GenreVisionneuse);
    for (QAction* menu : {MnItmImage, MnItmFiltre, MnItmArithmetique}) {
        menu->setVisible(image);
        menu->setEnabled(image);
    }
    MnItmZoom->setEnabled(image);
    if (image)
        CocherZoom(active->TexteZoomDocument());
    MnItmNiveauxDeGris->setEnabled(image && active->TypeImageDocument() == 2);
    MnItmEnteteFit->setEnabled(image && active->TypeImageDocument() == 1);
    // 10
    MnItmStatistiques->setText(rectangle ? QStringLiteral("Statistiques de la sélection")
                                         : QStringLiteral("Statistiques"));
    MnItmStatistiques->setStatusTip(rectangle ? QStringLiteral("Statistiques de l'image (sélection)")
                                              : QStringLiteral("Statistiques de l'image"));
    // 11
    MnItmAjusterTaille->setEnabled(image);
    // Items in a hidden or disabled menu never act through their shortcuts:
    // the shortcut map only matches items the menu bar can reach.
}

void TMain::ActiverEnregistrerSous() { MnItmEnregistrerSous->setEnabled(true); }
void TMain::ActiverExporter() { MnItmExporter->setEnabled(true); }

bool TMain::ResultatPretraitementEnregistrable() const
{
    return ActiveEstPretraitement() && FenetreActive()->ResultatEnregistrable();
}

bool TMain::ResultatPretraitementExportable() const { return ResultatPretraitementEnregistrable(); }

void TMain::CocherZoom(const QString& texteZoom)
{
    for (QAction* a : ItemsZoom)
        a->setChecked(false);
    // A text that is not a number followed by one character checks nothing
    // and raises nothing: the enabling pass must never fail.
    const QString nombre = texteZoom.left(std::max<qsizetype>(0, texteZoom.size() - 1));
    const std::optional<int32_t> niveau = TexteEnEntier(nombre);
    if (!niveau || !EstTexteEntier(nombre))
        return;
    for (QAction* a : ItemsZoom)
        if (a->isCheckable() && a->data().toInt() == *niveau)
            a->setChecked(true);
}

// ---------------------------------------------------------------- zoom

void TMain::LierItemZoom(QAction* item)
{
    static const std::pair<const char*, void (TMain::*)()> gestionnaires[] = {
        {"ZoomMoins", &TMain::ZoomMoinsClick},     {"Zoom25p100", &TMain::Zoom25p100Click},
        {"Zoom50p100", &TMain::Zoom50p100Click},   {"Zoom100p100", &TMain::Zoom100p100Click},
        {"Zoom125p100", &TMain::Zoom125p100Click}, {"Zoom150p100", &TMain::Zoom150p100Click},
        {"Zoom200p100", &TMain::Zoom200p100Click}, {"Zoom300p100", &TMain::Zoom300p100Click},
        {"Zoom500p100", &TMain::Zoom500p100Click}, {"ZoomPlus", &TMain::ZoomPlusClick},
        {"ZoomDefinir", &TMain::ZoomDefinirClick},
    };
    for (const auto& [nom, gestionnaire] : gestionnaires)
        if (item->objectName() == QLatin1String(nom))
            connect(item, &QAction::triggered, this, Commande([this, g = gestionnaire] { (this->*g)(); }));
}

void TMain::ZoomNiveau(int niveau)
{
    if (!ActiveEstImage())
        return;
    TMDIChild* f = FenetreActive();
    f->AfficherPageSource();
    f->ZoomParTexte(QString::number(niveau) + QLatin1Char('%'));
}

void TMain::ZoomMoinsClick()
{
    if (!ActiveEstImage())
        return;
    FenetreActive()->AfficherPageSource();
    FenetreActive()->ZoomPasAPas(1);
}

void TMain::ZoomPlusClick()
{
    if (!ActiveEstImage())
        return;
    FenetreActive()->AfficherPageSource();
    FenetreActive()->ZoomPasAPas(0);
}

void TMain::Zoom25p100Click() { ZoomNiveau(25); }
void TMain::Zoom50p100Click() { ZoomNiveau(50); }
void TMain::Zoom100p100Click() { ZoomNiveau(100); }
void TMain::Zoom125p100Click() { ZoomNiveau(125); }
void TMain::Zoom150p100Click() { ZoomNiveau(150); }
void TMain::Zoom200p100Click() { ZoomNiveau(200); }
void TMain::Zoom300p100Click() { ZoomNiveau(300); }
void TMain::Zoom500p100Click() { ZoomNiveau(500); }

void TMain::ZoomDefinirClick()
{
    if (!ActiveEstImage() || !Zoom)
        return;
    if (Dialogues::ExecuterModal(*Zoom) != mrOk)
        return;
    // The dialog may have changed the active window's state; ask again.
    if (!ActiveEstImage())
        return;
    TMDIChild* f = FenetreActive();
    f->AfficherPageSource();
    f->ZoomParTexte(QString::number(Zoom->LireZoom()) + QLatin1Char('%'));
}

// ---------------------------------------------------------------- settings

void TMain::FixerCouleurFond(int couleur)
{
    FZoneMDI->setBackground(CouleurEnQColor(couleur));
}

void TMain::MajFenetresImagesSuivantPreferences()
{
    const bool suivre = LireDefilImgTpsReel();
    for (int genre : {GenreImage, GenreVisionneuse, GenrePretraitement})
        for (TMDIChild* f : FenetresDuGenre(genre))
            f->FixerDefilementTempsReel(suivre);
    const int pas = LireReglSeuilsVisu();
    for (TMDIChild* f : FenetresDuGenre(GenreHistogramme))
        f->FixerPas(pas);
    FixerCouleurFond(LireCoulFondApp());
    show();
    raise();
    // The preferences dialog raises itself afterwards (it is the caller).
}

// ---------------------------------------------------------------- window menu

void TMain::MajListeFenetres()
{
    for (QAction* a : FActionsFenetres) {
        MnFenetre->removeAction(a);
        delete a;
    }
    FActionsFenetres.clear();
    const QList<TMDIChild*> fenetres = FenetresDocument();
    if (fenetres.isEmpty())
        return;
    FActionsFenetres.append(MnFenetre->addSeparator());
    TMDIChild* active = FenetreActive();
    int n = 1;
    for (TMDIChild* f : fenetres) {
        const QString titre = f->windowTitle();
        QAction* a = MnFenetre->addAction(n <= 9 ? QStringLiteral("&%1 %2").arg(n).arg(titre) : titre);
        a->setCheckable(true);
        a->setChecked(f == active);
        QPointer<TMDIChild> cible(f);
        connect(a, &QAction::triggered, this, Commande([this, cible] {
            if (cible) {
                if (cible->isMinimized())
                    cible->showNormal();
                FZoneMDI->setActiveSubWindow(cible);
            }
        }));
        FActionsFenetres.append(a);
        ++n;
    }
}

void TMain::ReorganiserIcones()
{
    // Minimised windows in a row along the bottom of the area.
    int x = 0;
    const int bas = FZoneMDI->viewport()->height();
    for (TMDIChild* f : FenetresDocument())
        if (f->isMinimized()) {
            const QSize t = f->size();
            if (x + t.width() > FZoneMDI->viewport()->width() && x > 0)
                x = 0;
            f->move(x, bas - t.height());
            x += t.width();
        }
}

// ---------------------------------------------------------------- show, layout, hints

void TMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FPremierAffichage) {
        FPremierAffichage = false;
        PlacerLogo();
        // The splash is modal: shown once the frame is on screen. A settings
        // file that cannot be read is said before it, not at the first save.
        QMetaObject::invokeMethod(
            this,
            [avertissement = AvertissementPreferences()] {
                if (!avertissement.isEmpty())
                    AfficherMessage(avertissement);
                if (Accueil)
                    Dialogues::ExecuterModal(*Accueil);
            },
            Qt::QueuedConnection);
    }
}

void TMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    PlacerLogo();
}

void TMain::PlacerLogo()
{
    if (!FPanneau)
        return;
    // Near the bottom of the frame, never above the last button. The rule is
    // in the frame's coordinates; the panel starts below the menu bar.
    const int decalage = ScrllBxHautPasseBas->mapTo(this, QPoint(0, 0)).y();
    const int hauteur = height();
    const int aide = TlBttnAide->y();
    ImgStelor->move(ImgStelor->x(), std::max(hauteur - 120 - decalage, aide + 30));
    LblVersion->move(LblVersion->x(), std::max(hauteur - 90 - decalage, aide + 60));
    FPanneau->setMinimumHeight(LblVersion->y() + LblVersion->height() + 2);
}

void TMain::AfficherConseil(const QString& texte) { statusBar()->showMessage(texte); }

void TMain::ConseilSousLaSouris(QWidget* controle)
{
    FSousLaSouris = controle;
    // A control without a hint of its own shows its container's (the inner
    // parts of a compound control have none), up to its window.
    QString conseil;
    for (QWidget* w = controle; w && conseil.isEmpty(); w = w->isWindow() ? nullptr : w->parentWidget())
        conseil = w->toolTip();
    AfficherConseil(conseil);
}

void TMain::PlacerEnCascade(TMDIChild& fenetre)
{
    // A threshold window places itself by its image window.
    if (fenetre.Tag() == GenreHistogramme || fenetre.isMaximized())
        return;
    // As the system does for a new document window: one title bar below and
    // to the right of the last one, back to the top-left corner when the
    // window would run past the area.
    QPoint position(0, 0);
    if (FPositionCascade) {
        const int pas = PasCascade(fenetre);
        position = (FDernierePlacee ? FDernierePlacee->pos() : *FPositionCascade) + QPoint(pas, pas);
        const QSize vue = FZoneMDI->viewport()->size();
        if (position.x() + fenetre.width() > vue.width() || position.y() + fenetre.height() > vue.height())
            position = QPoint(0, 0);
    }
    fenetre.move(position);
    FDernierePlacee = &fenetre;
    FPositionCascade = position;
}

int TMain::PasCascade(const QWidget& fenetre) const
{
    return fenetre.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &fenetre);
}

void TMain::DisposerEnCascade()
{
    // Front to back order kept: the active window stays in front and every
    // title bar shows. Each window keeps its size, an image window at least
    // the size that shows its whole picture, within the room the area leaves
    // from its place; back to the top-left corner when even its smallest
    // size would not fit.
    const QSize vue = FZoneMDI->viewport()->size();
    QPoint position(0, 0);
    for (QMdiSubWindow* s : FZoneMDI->subWindowList(QMdiArea::StackingOrder)) {
        auto* f = qobject_cast<TMDIChild*>(s);
        if (!f || f->EnFermeture() || f->isHidden() || f->isMinimized())
            continue;
        if (f->isMaximized())
            f->showNormal();
        QSize taille = f->size();
        if (f->Tag() == GenreImage) {
            f->AjusteTailleFenetreALImageSource();
            taille = taille.expandedTo(f->size());
        }
        const QSize minimum = f->minimumSize().expandedTo(f->minimumSizeHint());
        if (position.x() + minimum.width() > vue.width() || position.y() + minimum.height() > vue.height())
            position = QPoint(0, 0);
        taille = taille.boundedTo(QSize(vue.width() - position.x(), vue.height() - position.y())).expandedTo(minimum);
        f->setGeometry(QRect(position, taille));
        // The next new window goes below and to the right of the front one.
        FDernierePlacee = f;
        FPositionCascade = position;
        const int pas = PasCascade(*f);
        position += QPoint(pas, pas);
    }
}

void FixerTailleDansZone(QMdiSubWindow& fenetre, int largeur, int hauteur)
{
    const QMdiArea* zone = fenetre.mdiArea();
    if (zone) {
        const QSize vue = zone->viewport()->size();
        largeur = std::min(largeur, vue.width());
        hauteur = std::min(hauteur, vue.height());
    }
    fenetre.resize(largeur, hauteur);
    if (zone) {
        const QSize vue = zone->viewport()->size();
        fenetre.move(std::max(0, std::min(fenetre.x(), vue.width() - fenetre.width())),
                     std::max(0, std::min(fenetre.y(), vue.height() - fenetre.height())));
    }
}

bool TMain::eventFilter(QObject* objet, QEvent* event)
{
    if (DepotDeFichiers(objet, event))
        return true;
    if (FDetruit)
        return QMainWindow::eventFilter(objet, event);
    // The hint follows the mouse over every control of the program; the
    // tooltip windows themselves are not controls. A menu shows its items'
    // hints itself: a submenu that opens takes the mouse from its menu, which
    // is no leaving, and the hint of the item that opened it stays.
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave || event->type() == QEvent::ToolTipChange) {
        auto* w = qobject_cast<QWidget*>(objet);
        if (w && w->windowType() != Qt::ToolTip && !qobject_cast<QMenu*>(w->window())) {
            if (event->type() == QEvent::Enter)
                ConseilSousLaSouris(w);
            else if (event->type() == QEvent::Leave)
                ConseilSousLaSouris(w->isWindow() ? nullptr : w->parentWidget());
            else if (FSousLaSouris && (w == FSousLaSouris || w->isAncestorOf(FSousLaSouris)))
                ConseilSousLaSouris(FSousLaSouris);
        }
    }
    if (objet == ImgStelor) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
            AfficherConseil(QString::fromLatin1(AdresseSiteStelor));
        else if (event->type() == QEvent::MouseButtonRelease)
            OuvrirAdresseInternet(QString::fromLatin1(AdresseSiteStelor));
    } else if ((objet == FPanneau || objet == FZoneMDI->viewport()) && event->type() == QEvent::MouseMove) {
        // Over the panel or the area itself: a move that a child passed on
        // (the logo's) leaves the child's hint.
        const auto* fond = static_cast<QWidget*>(objet);
        if (!fond->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            AfficherConseil(QString());
    } else if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        // The frame filters the application's events: every document window
        // of its area passes here, whoever creates it.
        auto* f = qobject_cast<TMDIChild*>(objet);
        if (f && !FDetruit && f->mdiArea() == FZoneMDI) {
            if (event->type() == QEvent::Hide) {
                // A closed window's pixel read-out must not stay behind.
                statusBar()->clearMessage();
            } else if (!f->property(ProprietePlacee).toBool()) {
                f->setProperty(ProprietePlacee, true);
                PlacerEnCascade(*f);
            }
        }
    }
    return QMainWindow::eventFilter(objet, event);
}

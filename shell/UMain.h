#pragma once
// The frame: the one top-level window, holding the document windows in an MDI
// area, the main menu, the tool panel on its left edge and a status bar that
// shows the hints. It numbers the document windows, finds them by kind and
// number, enables the menus for the active window and ends the run.
//
// The frame never knows the window classes of the higher layers: they install
// the image-window factory below and connect the menu actions that reach their
// windows (each handler checks the active window's kind itself).
#include "Childwin.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QScrollArea;
class QToolButton;
class QFrame;
class TFlatMenu;
class THistoFit;
class THistoBmp;

// One of the frame's file dialogs: its filter and default extension, and the
// folder and name of its last use (the next use starts there).
struct TDialogueFichier {
    QString Titre;
    QString Filtre;
    QString ExtensionDefaut;  // empty for the open dialog
    QString NomFichier;       // last chosen name (full path)
    // Save dialog: the chosen name, or empty on Cancel. `nomPropose` empty:
    // starts from the last use.
    QString ExecuterEnregistrement(QWidget* parent, const QString& nomPropose = {});
};

class TMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // Creates an image window (not yet filled: it has taken its number).
    // Installed at start-up by the image-window library. A window it returns
    // outside the frame's area is added to it and shown.
    std::function<TMDIChild*()> FabriqueFenetreImage;

    QMdiArea* ZoneMDI() const { return FZoneMDI; }

    // Window numbers: the counter's value, then the counter grows.
    int NouveauNumeroImage();
    int NouveauNumeroVisionneuse();
    int NouveauNumeroPretraitement();
    int NouveauNumeroTrichromie();

    // Document windows in the frame's child order (index 0 first), closing
    // windows left out.
    QList<TMDIChild*> FenetresDocument() const;
    // Those of one kind (every kind for 0), of one number when given, from
    // the last index down to 0: the order of every walk the frame makes.
    QList<TMDIChild*> FenetresDuGenre(int genre, std::optional<int> numero = std::nullopt) const;
    TMDIChild* FenetreActive() const;  // the active document window or nullptr
    bool ActiveEstImage() const;
    bool ActiveEstHistogrammeFit() const;
    bool ActiveEstVisionneuse() const;
    bool ActiveEstPretraitement() const;

    TMDIChild* TrouverImage(int numero) const;
    QString NomFichierImage(int numero) const;
    bool ExisteHistogramme(int numero) const;
    TMDIChild* TrouverHistogramme(int numero) const;
    void FermerHistogrammes(int numero);
    void MontrerHistogrammes(int numero);
    void MarquerImageSelection(int numero);
    void EffacerMarquesSelection();
    void AfficheImageSource_FenetreImage();

    TMDIChild* CreerFenetreImageFit(THistoFit& image);
    TMDIChild* CreerFenetreImageBmp(THistoBmp& image);

    void MajFenetresImagesSuivantPreferences();
    void ActiverEnregistrerSous();
    void ActiverExporter();
    bool ResultatPretraitementEnregistrable() const;
    bool ResultatPretraitementExportable() const;

    // Checks the zoom items whose level equals the text without its last
    // character ("125%" -> 125); any other text leaves every item unchecked.
    void CocherZoom(const QString& texteZoom);

    // Opens each name in a new image window, in order; a missing file is
    // skipped, a file that fails shows its error and the others still open.
    void OuvrirFichiers(const QStringList& noms);
    // The drop rule: only names whose extension (after the last '.' of the
    // name without its folder) is exactly "fit" or "bmp" are opened.
    void DeposerFichiers(const QStringList& noms);

    // Binds an item made by CreerMenuZoom to the frame's handler of its name
    // (any zoom submenu of the program may use it).
    void LierItemZoom(QAction* item);

    // Background colour of the MDI area, a class-library colour value.
    void FixerCouleurFond(int couleur);

    // The frame's dialogs, used by the image window too.
    TDialogueFichier OpnDlgOuvrirImage;
    TDialogueFichier SvDlgEnregistrerImageSousFit;
    TDialogueFichier SvDlgEnregistrerImageSousBmp;
    TDialogueFichier SvDlgEnregistrerHistoriqueSous;

    // Main menu. A submenu's item is the menu's own action (MnItmExporter is
    // MnExporter->menuAction()).
    QMenu *MnFichier, *MnEdition, *MnVisualisation, *MnImage, *MnFiltre, *MnArithmetique, *MnOutils,
        *MnFenetre, *MnAide;
    QMenu *MnExporter, *MnSelection, *MnHistogramme, *MnZoom, *MnModes, *MnDDP, *MnAddition,
        *MnSoustraction, *MnDivision, *MnMultiplication, *MnAjusterNiveau, *MnMiroir, *MnRotation;

    // &Fichier
    QAction *MnItmOuvrir, *MnItmEnregistrer, *MnItmEnregistrerSous, *MnItmFermer, *MnItmToutFermer,
        *MnItmExporter, *MnItmExporterFit, *MnItmExporterBmp, *MnItmExporterJpeg, *MnItmPreferences,
        *MnItmQuitter;
    // &Edition
    QAction *MnItmCouper, *MnItmCopier, *MnItmColler, *MnItmAnnulerRestaurer, *MnItmSelection,
        *MnItmSelection_Aucune, *MnItmSelection_Centre;
    // &Visualisation
    QAction *MnItmHistogramme, *MnItmHistogramme_Afficher, *MnItmHistogramme_Automatique,
        *MnItmHistogramme_Logarithmique, *MnItmHistogramme_Lineaire, *MnItmHistogramme_Exponentiel,
        *MnItmHistogramme_AppliquerDUneImage, *MnItmHistogramme_AppliquerAuxImages, *MnItmZoom,
        *MnItmPositifNegatif, *MnItmMire;
    // &Image
    QAction *MnItmImage, *MnItmDuppliquer, *MnItmStatistiques, *MnItmEnteteFit, *MnItmHistorique,
        *MnItmRedimensionnement, *MnItmBordures, *MnItmModes, *MnItmNiveauxDeGris;
    // Fil&tre
    QAction *MnItmFiltre, *MnItmPasseBas, *MnItmPasseHaut, *MnItmGaussien, *MnItmMasqueFlou,
        *MnItmMediane3x3, *MnItmConvolution, *MnItmDDP, *MnItmDDPNeutre, *MnItmDDPPasseBas,
        *MnItmDDPGaussien;
    // A&rithmétique
    QAction *MnItmArithmetique, *MnItmAddition, *MnItmAdditionImage, *MnItmAdditionConstante,
        *MnItmSoustraction, *MnItmSoustractionImage, *MnItmSoustractionConstante, *MnItmDivision,
        *MnItmDivisionImage, *MnItmDivisionConstante, *MnItmMultiplication, *MnItmMultiplicationImage,
        *MnItmMultiplicationConstante, *MnItmMoyenne, *MnItmAjusterNiveau,
        *MnItmAjusterNiveau_AppliquerDUneImage, *MnItmAjusterNiveau_AppliquerAuxImages,
        *MnItmTranslation, *MnItmAlignementStellaire, *MnItmMiroir, *MnItmMiroirHorizontal,
        *MnItmMiroirVertical, *MnItmRotation, *MnItmRotation90, *MnItmRotation180, *MnItmRotation270;
    // &Outils
    QAction *MnItmVisionneuse, *MnItmPretraitement, *MnItmSeparateurTrichromie, *MnItmTrichromie;
    // Fe&nêtre
    QAction *MnItmCascade, *MnItmMosaique, *MnItmReorganiserIcones, *MnItmToutReduire,
        *MnItmAjusterTaille;
    // &Aide
    QAction *MnItmDocumentation, *MnItmSiteInternet, *MnItmContacterAuteur, *MnItmAPropos;

    // The zoom submenu's twelve items (Moins, the eight levels, Plus, separator, Définir...).
    QList<QAction*> ItemsZoom;
    // Popup of the tool button "Zoom": the eight levels and "Définir...".
    QMenu* PppMnZoom;

    // Tool panel.
    QScrollArea* ScrllBxHautPasseBas;
    QToolButton *TlBttnOuvrir, *TlBttnEnregistrer, *TlBttnDuppliquer, *TlBttnAnnulerRestaurer,
        *TlBttnPositifNegatif, *TlBttnHistogramme, *TlBttnStatistiques, *TlBttnEnteteFit,
        *TlBttnHistorique, *TlBttnZoom, *BtBtnZoom100p100, *BtBtnAjusteTailleFenetre,
        *TlBttnHistogrammeAuto, *TlBttnHistogrammeLog, *TlBttnHistogrammeLin, *TlBttnHistogrammeExp,
        *TlBttnAide;
    QLabel* ImgStelor;
    QLabel* LblVersion;

    // Draws the frame's menus flat.
    TFlatMenu* FlatMenu = nullptr;

signals:
    // The quit was accepted (no image window refused): the run ends.
    void FinDemandee();
    // The tool button "Entête Fit" with a viewer active (its menu item is for
    // FIT image windows only).
    void EnteteFitVisionneuseDemandee();

public slots:
    void UpdateMenuItems();
    void Image_DuppliquerClick();

    // Zoom handlers, shared by every zoom submenu of the program.
    void ZoomMoinsClick();
    void ZoomPlusClick();
    void Zoom25p100Click();
    void Zoom50p100Click();
    void Zoom100p100Click();
    void Zoom125p100Click();
    void Zoom150p100Click();
    void Zoom200p100Click();
    void Zoom300p100Click();
    void Zoom500p100Click();
    void ZoomDefinirClick();

    void MnItmOuvrirClick();
    void MnItmToutFermerClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    // Every file drag over the frame and its windows, seen before the widget
    // under the mouse; true when it was taken.
    bool DepotDeFichiers(QObject* objet, QEvent* event);
    void CreerMenus();
    void CreerPanneauOutils();
    void PlacerLogo();
    void ZoomNiveau(int niveau);
    void OuvrirDansNouvelleFenetre(const QString& nom);
    void MajListeFenetres();
    void ReorganiserIcones();
    void OutilImage(QAction* action);
    TMDIChild* NouvelleFenetreImage();
    void AfficherConseil(const QString& texte);
    void PlacerEnCascade(TMDIChild& fenetre);
    // Fenêtre > Cascade: every window below and to the right of the one
    // behind it, each image window large enough to show its picture.
    void DisposerEnCascade();
    int PasCascade(const QWidget& fenetre) const; // one title bar
    // The hint of the control under the mouse, shown in the status bar.
    void ConseilSousLaSouris(QWidget* controle);

    QMdiArea* FZoneMDI;
    QWidget* FPanneau = nullptr;
    QList<QFrame*> FSeparateurs;
    QList<QAction*> FActionsFenetres;
    bool FPremierAffichage = true;
    bool FDetruit = false;
    // The document window placed last, and where: the next one goes below
    // and to the right of it.
    QPointer<TMDIChild> FDernierePlacee;
    std::optional<QPoint> FPositionCascade;
    // The control whose hint the status bar shows: a change of its hint shows at once.
    QPointer<QWidget> FSousLaSouris;

    int NumeroImageSuivant = 1;
    int NumeroVisionneuseSuivant = 1;
    int NumeroPretraitementSuivant = 1;
    int NumeroTrichromieSuivant = 1;
};

extern TMain* Main;

// Sizes a document window to at most its MDI area's viewport and moves it
// back where it would run past the viewport's right or bottom edge, so that
// its title bar's buttons and its status line stay in sight. A window in no
// area takes the size as it is.
void FixerTailleDansZone(QMdiSubWindow& fenetre, int largeur, int hauteur);

// The program's home page and the author's address (help menu and logo).
extern const char* const AdresseSiteStelor;
extern const char* const AdresseCourrielAuteur;

#pragma once
// The image window: one FIT or BMP image with its one-level undo copy, a
// point or rectangle selection, zoom, history and the filter preview tabs.
#include "Childwin.h"
#include "UBmp.h"
#include "UFiltres.h"
#include "UFit.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QStatusBar;
class QLabel;
class QTabWidget;
class QToolButton;
class TFlatMenu;
class TTraitementImage;
namespace Ui {
class TTraitementImage;
}

// Selection of an image window, in displayed pixels (the display bitmap at
// the current zoom). A point has Largeur = Hauteur = 0.
// Genre: SelectionAucune, SelectionPoint or SelectionRectangle (Childwin.h).
struct TSelectionImage {
    uint8_t Genre = SelectionAucune;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Largeur = 0;
    int32_t Hauteur = 0;
};

// Keyboard and mouse state as the handlers see it.
using TShiftState = unsigned;
enum : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
// Virtual key codes the handlers know.
enum : uint16_t { VK_RETURN = 13, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40 };
enum : int { BoutonGauche = 0, BoutonDroit = 1, BoutonMilieu = 2, BoutonAutre = 3 };

// The picture control: shows the display bitmap at its own size and passes
// mouse events to its window.
class TImageSource : public QWidget {
    Q_OBJECT
public:
    explicit TImageSource(TTraitementImage& fenetre, QWidget* parent);
    QImage Picture; // the display bitmap; drawing on it then update() shows the marks
    void FixerImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TTraitementImage& FFenetre;
};

// A component that adds pages after "Source" (the filter preview tabs). It is
// created with each window by the factory installed at start-up and lives as
// long as the window.
class TOngletsImage {
public:
    virtual ~TOngletsImage() = default;
    // The window is closing for good: keep the values of the pages. Must not
    // throw; a value that does not convert is written as its default.
    virtual void EnregistrerParametres() = 0;
    // The page control changed to page `index` (0 = Source).
    virtual void PageChangee(int index) { (void)index; }
};
using TFabriqueOngletsImage = std::function<std::unique_ptr<TOngletsImage>(TTraitementImage&)>;

class TTraitementImage : public TMDIChild {
    Q_OBJECT
public:
    explicit TTraitementImage(QWidget* parent = nullptr);
    ~TTraitementImage() override;

    // Hooks installed at start-up (see UInstallationImage).
    static void InstallerFabriqueOnglets(TFabriqueOngletsImage fabrique);
    // ---- State (read by the frame, the dialogs and the processing commands)
    THistoFit ImageFit;
    THistoBmp ImageBmp;
    TSelectionImage Selection;
    bool Modifiee = false;
    QString LigneRestauree;
    int32_t Numero = 0;
    QString NomFichier;
    bool Positif = true;
    int32_t TypeImage = 0;
    // What the frame reads.
    int NumeroDocument() const override { return Numero; }
    QString NomFichierDocument() const override { return NomFichier; }
    int TypeImageDocument() const override { return TypeImage; }
    int GenreSelection() const override { return Selection.Genre; }
    QString TexteZoomDocument() const override;

    // ---- Controls
    QTabWidget* PgCtrlPrincipale = nullptr;
    QWidget* TbShtSource = nullptr;
    QScrollArea* ScrllBxSource = nullptr;
    TImageSource* ImgSource = nullptr;
    QPlainTextEdit* RchEdtHistorique = nullptr;
    QToolButton* BtBtnMasquerHistorique = nullptr;
    QStatusBar* SttsBrPrincipale = nullptr;
    QLineEdit* EdtPourcentZoom2 = nullptr;
    QMenu* PppMnImageSource = nullptr;
    TFlatMenu* FlatMenu = nullptr; // draws the window's menus flat
    QMenu* PppMnHistorique = nullptr;
    QMenu* MenuZoomImgSource = nullptr;
    QMenu* MenuExporterImgSource = nullptr;
    QAction* MenuStatistiquesImgSource = nullptr;
    QImage BitmapAffichage; // the display as it was at the last mouse press

    // Status text of the window (its one-panel status bar).
    QString TexteStatut() const;
    void FixerTexteStatut(const QString& texte);
    void FixerCouleurStatut(const QColor& couleur); // invalid colour: back to normal

    // ---- Opening, display, lifecycle
    void OuvrirImage(const QString& nomFichier, bool redemarrerHistorique) override;
    void ChargerImage();
    void AfficherImage(bool dessinerSelection, bool afficherInfo);
    void AfficherInfoImage();
    void AjusteTailleFenetreALImageSource() override;
    void EdtPourcentZoomKeyDown(uint16_t& key, TShiftState etat);
    void ZoomPasAPas(int direction) override; // 1 smaller, 0 larger
    void AfficherPageSource() override;
    void ZoomParTexte(const QString& texte) override;
    // The frame's re-render: skipped when nothing the picture shows changed.
    void AfficherImageSource() override;
    void MarquerSelection(bool marquer) override;
    void FixerDefilementTempsReel(bool suivre) override;
    void FormClose(TActionFermeture& action) override;
    double FacteurZoom() const;
    int32_t EcranVersImage(int32_t v) const;
    int32_t ZoomCourant() const;
    // Asks about unsaved work; true when the window may close.
    bool ConfirmerFermeture();

    // ---- Selection, mouse, keyboard
    void ImgSourceMouseDown(int bouton, TShiftState etat, int x, int y);
    void ImgSourceMouseMove(TShiftState etat, int x, int y);
    void ImgSourceMouseUp(int bouton, TShiftState etat, int x, int y);
    void ScrllBxSourceMouseMove();
    void FormKeyDown(uint16_t& key, TShiftState etat);
    void MenuSelection_AucuneClick();
    void MenuSelection_CentreClick();
    void LireSelection(TSelectionImage& selection) const;
    void FixerSelection(const TSelectionImage& selection, int zoom, bool redessiner);
    void CopierZoneFit(THistoFit& zone);
    void CopierZoneBmp(THistoBmp& zone);
    // True when the selection is a rectangle covering at least one image pixel.
    bool RectangleUtile() const;

    // ---- Commands
    // The common pattern: hourglass, progress text, undo copy, operation,
    // render, modified mark, history line.
    void ExecuterOperation(const QString& progression, const std::function<void()>& operation,
                           const QString& ligneHistorique);
    // Step 3 of the pattern alone (copy the image into the undo copy).
    void CopierDansAnnulation();
    // The undo copies. Right after a load or a fill the undo copy equals the
    // image and is only made when something asks for it here.
    THistoFit& AnnulationFit();
    THistoBmp& AnnulationBmp();
    // Pixels of the image changed outside the pattern: forget cached measures.
    void PixelsModifies();

    void AppliquerPasseBas(int force, bool preservatif);
    void AppliquerPasseHaut(int force, bool preservatif);
    void AppliquerGaussien(bool preservatif, double sigma);
    void AppliquerMasqueFlou(bool preservatif, double sigma, double coefficient);
    void AppliquerConvolution(TNoyau5x5 noyau, bool preservatif);
    void AppliquerDDPNeutre(int niveau, double coefficient);
    void AppliquerDDPPasseBas(int niveau, int force, double coefficient, bool preservatif);
    void AppliquerDDPGaussien(int niveau, bool preservatif, double sigma, double coefficient);
    void AppliquerMediane3x3();
    void InverserPositifNegatif();
    // The header editor on the FIT image; an edit can be undone like a command.
    void AfficherEnteteFit();
    // Brings the image's threshold window to the front, or opens one.
    void AfficherHistogramme();
    // The levels or curve changed here: the open threshold window reloads.
    void ActualiserFenetreHistogramme();

    void MenuAnnulerRestaurerImgSourceClick();
    void DemarrerHistorique();
    void AjouterHistorique(const QString& ligne);
    void AfficherMasquerHistorique();
    QStringList Historique() const;
    void CopierHistorique();
    void EnregistrerHistoriqueSous();

    void EnregistrerImage(const QString& nomFichier);
    // The frame's save dialog of the kind; preremplir: with this image's folder and name.
    QString ChoisirNomImage(int32_t type, bool preremplir);
    void MenuEnregistrerSousImgSourceClick();
    void ExporterFit();
    void ExporterBmp();
    void ExporterJpeg();
    void MenuCopierImgSourceClick();
    // The zone copy rendered at 100 % with levels and curve, negative when
    // the display is: what copy and JPEG export hand on.
    QImage RenduZone();

    void DupliquerImage(TTraitementImage& source);
    void DupliquerDepuis(TMDIChild& source) override;
    void NouvelleImageFit(const THistoFit& image) override;
    // The same, the pixels taken from the image (left without them).
    void PrendreImageFit(THistoFit& image);
    void NouvelleImageBmp(const THistoBmp& image) override;

    // Filter dialogs of the popup menu.
    void MenuPasseBasImgSourceClick();
    void MenuPasseHautImgSourceClick();
    void MenuGaussienImgSourceClick();
    void MenuMasqueFlouImgSourceClick();
    void MenuConvolutionImgSourceClick();

    // Captions of the two popup items that name the selection.
    void MajLibellesSelection();
    void CocherZoom();

    // ---- Processing commands of the frame's menus and the popup
    // Arithmetic with another open image of the same size.
    void AdditionImage();
    void SoustractionImage();
    void DivisionImage();
    void MultiplicationImage();
    void MoyenneImages();
    // Arithmetic with a constant asked in the value dialog.
    void AdditionConstante();
    void SoustractionConstante();
    void DivisionConstante();
    void MultiplicationConstante();
    void Translation();
    void MiroirHorizontal();
    void MiroirVertical();
    void Rotation90();
    void Rotation180();
    void Rotation270();
    void AlignementStellaire();
    void AjusterNiveauDUneImage();
    void AjusterNiveauAuxImages();
    void MenuDDPNeutreImgSourceClick();
    void MenuDDPPasseBasImgSourceClick();
    void MenuDDPGaussienImgSourceClick();
    void ConvertirNiveauxDeGris();
    void DecouperBordures();
    void MenuRedimensionnementClick();
    void AfficherStatistiques();
    // Display-curve presets: no undo copy, no modified mark, no history.
    void HistogrammeAutomatique();
    void HistogrammeLogarithmique();
    void HistogrammeLineaire();
    void HistogrammeExponentiel();
    void MenuHistogramme_AppliquerDUneImageClick();
    void MenuHistogramme_AppliquerAuxImagesClick();
    // The level a DDP dialog proposes: the FIT image's smallest value
    // rounded, 26 for a BMP picture.
    int NiveauMinimal() const;
    // The crop margins of the borders dialog (displayed pixels) in image
    // pixels: the band between the lines at the current zoom.
    void MargesEnPixelsImage(int32_t& haut, int32_t& bas, int32_t& droite, int32_t& gauche) const;

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CreerMenus();
    void InitialiserZoom();
    QString NormaliserTexteZoom(const QString& texte) const;
    void AppliquerZoomSaisi();
    void PlacerHistorique();
    void DessinerSelection();
    void AfficherLigneHistorique(const QString& ligne);
    void RemplirDepuis(int type, const THistoFit* fit, const THistoBmp* bmp, bool positif);
    void PreviensMenus();
    int ModeFitCache();
    int ModeBmpCache();
    // The image was just loaded or filled: it is its own undo copy.
    void AnnulationEgaleImage(bool positif);
    // The pattern for an operation with a FIT and a BMP variant.
    void ExecuterFiltre(const QString& progression, const std::function<void(THistoFit&)>& fit,
                        const std::function<void(THistoBmp&)>& bmp, const QString& ligneHistorique);
    // Runs the variant of the kind on the zone copy at 100 %, freed afterwards.
    void SurZone(const std::function<void(THistoFit&)>& fit, const std::function<void(THistoBmp&)>& bmp);
    // Undo can no longer take away the lines recorded so far.
    void FigerHistorique();
    // The image window chosen in the picker (nullptr: the command stops).
    TTraitementImage* ChoisirImage(const QString& titre);
    // Other image window, sizes checked (message and nullptr when they differ).
    TTraitementImage* ChoisirImageMemeTaille(const QString& titre);
    // titre: the picker's caption, the start of the progress and history texts.
    void OperationImage(const QString& titre, const QString& avis,
                        const std::function<void(const THistoFit&)>& operation);
    void OperationConstante(const QString& question, const QString& titre,
                            const std::function<void(double)>& operation, bool refuserZero);
    void Geometrie(const QString& avis, const QString& progression, const QString& historique,
                   const std::function<void()>& operation);
    void FixerCourbe(int32_t sMin, int32_t sMax, double trft, bool seuils);

    // Read through AnnulationFit / AnnulationBmp, which make them when needed.
    THistoFit ImageFitAnnulation;
    THistoBmp ImageBmpAnnulation;
    std::unique_ptr<Ui::TTraitementImage> FUi;
    std::unique_ptr<TOngletsImage> FOnglets;
    QLabel* FLblStatut = nullptr;
    QStringList FHistorique;
    int FLignesFigees = 0;            // history lines undo may not take away
    bool FAnnulationDifferee = false; // the undo copy equals the image and is not made yet
    bool FPositifAnnulation = true;   // display sense that goes with the BMP undo copy
    int FModeFit = -1, FModeFitAnnulation = -1;
    int FModeBmp = -1, FModeBmpAnnulation = -1;
    // The kind a reload reads, when the name's extension does not say it
    // (an image saved under a name the user chose with another extension).
    int32_t FTypeImpose = tiAutre;
    QList<QAction*> FItemsZoom;
    // What the picture showed at its last rendering.
    struct TEtatAffiche {
        int32_t Type = -1, SMin = 0, SMax = 0, Zoom = 0;
        double TRFT = 0;
        bool Positif = true;
        int32_t Selection[5] = {};
        qint64 CleImage = 0, CleSource = 0;
        const void* Pixels = nullptr;
        uint64_t Generation = 0;
        bool operator==(const TEtatAffiche&) const = default;
    };
    TEtatAffiche EtatAffichage() const;
    TEtatAffiche FEtatAffiche;
    uint64_t FGenerationPixels = 0;
    bool FPrendrePixels = false; // the fill takes the pixels rather than copying them
};

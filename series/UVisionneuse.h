#pragma once
// The file viewer: a list of FIT and BMP files from any folders, the
// selected one shown at 100 % between two threshold sliders, ticks, sorts,
// a slide show, and the list saved to and loaded from a ".vsn" list file.
#include "Childwin.h"
#include "UBmp.h"
#include "UFit.h"
#include "UImages.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;

namespace Ui {
class TVisionneuse;
}

// One line of the list: name without folder, folder with its trailing '/'.
struct TLigneVisionneuse {
    QString Nom;
    QString Repertoire;
    bool Cochee = false;
    QString Chemin() const { return Repertoire + Nom; }
    bool operator==(const TLigneVisionneuse&) const = default;
};

// Everything a list file holds, in its order.
struct TConfigurationVisionneuse {
    int32_t Largeur = 548;
    int32_t Hauteur = 423;
    int32_t ImagesParcourues = 0;
    int32_t PeriodeAnimation = 1000;
    int32_t SensAnimation = 0;
    bool BoucleAnimation = true;
    bool Positif = true;
    int32_t PositionBasFit = 65535;
    int32_t PositionHautFit = 0;
    int32_t PositionBasBmp = 255;
    int32_t PositionHautBmp = 0;
    int32_t Selection = -1;
    QList<TLigneVisionneuse> Lignes;
    bool operator==(const TConfigurationVisionneuse&) const = default;
};

// The list file's text: CR LF after every line, UTF-8.
QByteArray TexteFichierVisionneuse(const TConfigurationVisionneuse& configuration);
// Reads and checks the whole text; raises EStelor with a French text for a
// file that is too short, a value that is not an integer where one is
// expected, or a browse choice or direction out of range.
TConfigurationVisionneuse AnalyserFichierVisionneuse(const QByteArray& contenu);

// "Tri par série": the rank sort's order (each line after every line it
// sorts after by ComparerNomsFichiers of the full paths; equals keep their
// order), reached by a stable sort.
void TrierLignesParSerie(QList<TLigneVisionneuse>& lignes);

// The picture control: the display bitmap at its own size.
class TImageVisualisation : public QWidget {
    Q_OBJECT
public:
    explicit TImageVisualisation(QWidget* parent = nullptr);
    void FixerImage(const QImage& image);
    void Vider();
    const QImage& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QImage FPicture;
};

class TVisionneuse : public TMDIChild {
    Q_OBJECT
public:
    explicit TVisionneuse(QWidget* parent = nullptr);
    ~TVisionneuse() override;

    // Hooks to the tools of other windows; nothing happens while unset.
    // Statistics of the shown file: its name and the record.
    static std::function<void(const QString& nom, const TStatistiquesImage& statistiques)> AfficherStatistiquesHook;
    // The ticked files of one extension handed to a new preprocessing window.
    static std::function<void(const QStringList& chemins)> AjouterBrutesHook;
    // The selection's "Enregistrer" button (the list has lines).
    static std::function<void(TVisionneuse& visionneuse)> EnregistrerSelectionHook;

    // What the frame calls on the active viewer.
    void BasculerPositifNegatif();
    void MnItmStatistiquesClick();
    void MnItmCopierClick();
    void AfficherEnteteFit();
    void FixerDefilementTempsReel(bool suivre) override;
    void FormClose(TActionFermeture& action) override;

    // The list as lines, and what the batch save needs.
    QList<TLigneVisionneuse> Lignes() const;
    QStringList CheminsCoches() const;
    QString RepertoireLigneSelectionnee() const; // empty without a selected line
    int LigneSelectionnee() const;
    // The list and settings as a list file would hold them, and back.
    TConfigurationVisionneuse Configuration() const;
    void AppliquerConfiguration(const TConfigurationVisionneuse& configuration);

    // Commands (also reached by the buttons and popups).
    void AjouterFichiers(const QStringList& chemins);
    void BtBtnOuvrirClick();
    void EffacerListe();
    void EffacerLigne();
    void EffacerLignesDecochees();
    void ToutCocher();
    void ToutDecocher();
    void InverserSelection();
    void TriAlphanumerique();
    void TrierParSerie();
    void DeplacerLigne(bool versLeHaut);
    void OuvrirImageSelectionnee();
    void Pretraitement();
    void EnregistrerConfiguration(const QString& nom);
    void ChargerConfiguration(const QString& nom);
    void BtBtnEnregistrerConfigurationClick();
    void BtBtnChargerConfigurationClick();
    void BtBtnSeuilsAutoClick();
    void SpdBttnPositifNegatifClick();
    // Selects the line (or none for -1) and renders it at once.
    void SelectionnerLigne(int index);
    void ChckLstBxImagesClick();

    // Slide show.
    void SpdBttnAnimerClick();
    void TmrAnimationTimer();
    void AnimerToutes();
    void AnimerCochees();
    void AnimerNonCochees();
    void ArreterAnimation();
    void ChoisirBoutonParcours();
    bool AnimationEnCours() const;

    // A selection the user made is rendered once the events already queued
    // are handled, so that a burst of keys loads only the last line.
    bool RenduEnAttente() const { return FRenduEnAttente; }
    // Files read for display since creation.
    int NombreChargements() const { return FNombreChargements; }

    // Fields, as the window keeps them.
    QStringList Repertoires;
    THistoFit ImageFit;
    THistoBmp ImageBmp;
    int32_t PeriodeAnimation = 1000;
    int32_t ImagesParcourues = 0;
    int32_t SensAnimation = 0;
    bool BoucleAnimation = true;
    int32_t PositionBasFit = 65535;
    int32_t PositionHautFit = 0;
    int32_t PositionBasBmp = 255;
    int32_t PositionHautBmp = 0;
    bool MajActive = true;
    int32_t Numero = 0;

    // Components.
    QListWidget* ChckLstBxImages;
    QLabel* SttcTxtNomImage;
    QLabel* LblMessageListe;
    QLabel* LblMessageImgVisualisation;
    QScrollArea* ScrllBxVisualisation;
    TImageVisualisation* ImgVisualisation;
    QSlider* TrckBrSeuilHaut;
    QSlider* TrckBrSeuilBas;
    QPushButton* BtBtnSeuilsAuto;
    QCheckBox* ChckBxSeuilsAuto;
    QToolButton* SpdBttnPositifNegatif;
    QToolButton *SpdBttnTout, *SpdBttnSelectionnes, *SpdBttnDeselectionnes;
    QSpinBox* UDwnImages;
    QPushButton *BtBtnEffacer, *BtBtnOuvrir, *BtBtnEnregistrerConfiguration, *BtBtnChargerConfiguration,
        *BtBtnEnregistrerSelection, *SpdBttnAnimer;
    QToolButton *BtBtnPretraitement, *BtBtnAide;
    QTimer* TmrAnimation;
    QMenu* PppMnImages;
    QMenu* PppMnImage;
    QAction *MnItmEffacerLigne, *MnItmToutEffacer, *MnItmEffacerDecochees, *MnItmToutCocher, *MnItmToutDecocher,
        *MnItmInverserSelection, *MnItmTriAlphanumerique, *MnItmTriParSerie, *MnItmPretraitement;
    QAction *MnItmOuvrir, *MnItmCopier, *MnItmStatistiques, *MnItmEnteteFit;

protected:
    void resizeEvent(QResizeEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

public:
    // Runs a command of the window (errors shown, never propagated): the
    // slide show waits while it runs, so that no tick falls inside a dialog
    // or error box it opens.
    void Commande(const std::function<void()>& action);

private:
    void Relier(QAction* item, void (TVisionneuse::*operation)());
    void CreerMenus();
    void Disposer();
    bool FichierExiste() const;
    // A line is selected, its file is there (else the view says so) and loaded.
    bool ImagePrete();
    bool EstFit() const;
    QString CheminSelection() const;
    void ConfigurerSeuils(bool fit);
    void InitialiserSeuils();
    void SignalerFichierIntrouvable();
    void AfficherInfosImage();
    void AfficherNombreImages();
    void ActualiserMenuImages();
    void ActiverMaj() { MajActive = true; }
    void DesactiverMaj() { MajActive = false; }
    void ViderVue();
    void TrckBrSeuilChange(bool bas);
    void AppliquerSeuilsImage();
    void MontrerProgression(const QString& texte, bool forcer = false);
    void RemplacerLignes(const QList<TLigneVisionneuse>& lignes);
    void AjouterLigne(const TLigneVisionneuse& ligne);
    TLigneVisionneuse Ligne(int index) const;
    bool EstCochee(int index) const;
    void BasculerCommandesAnimation(bool actives);
    void DemanderRendu();
    void RenduDiffere();
    bool ParcourirAuClavier(int touche);
    void GrandirALImage();

    std::unique_ptr<Ui::TVisionneuse> FUi;
    bool FImageChargee = false;     // the image object of the selected line holds its file
    bool FSelectionParProgramme = false;
    bool FRenduEnAttente = false;
    int FNombreChargements = 0;
    qint64 FDernierAffichageProgression = 0;
};

// The frame's active document window when it is a viewer.
TVisionneuse* VisionneuseActive();

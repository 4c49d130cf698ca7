#pragma once
// The preprocessing window: four lists of files (raw frames, darks, flats,
// offsets) with their directory pools, the previews of the master dark, flat
// and offset, the registration frame drawn on a raw frame, the run's options
// and report, and the stacked result.
#include "Childwin.h"
#include "UBmp.h"
#include "UFit.h"
#include "UMain.h"
#include "UExecutionPretraitement.h"
#include "URegistration.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTextEdit;
class QToolButton;
class QWidget;
class TFlatMenu;
class TImageControle;
namespace Ui {
class TPretraitement;
}

class TPretraitement : public TMDIChild {
    Q_OBJECT
public:
    explicit TPretraitement(QWidget* parent = nullptr);
    ~TPretraitement() override;

    // ---- Controls
    QTabWidget* PgCntrlPrincipale;
    QWidget *TbShtImages, *TbShtMasterDark, *TbShtMasterFlat, *TbShtOffset, *TbShtRegistration, *TbShtExecution,
        *TbShtResultat;
    QFrame* PnlBas;
    QLabel* LblMessage;
    QPushButton* BtnImprimerExecution;
    QToolButton* BtBtnAide;
    // Images
    QPushButton *BtnBrutes, *BtnDarks, *BtnFlats, *BtnOffsets;
    QListWidget *LstBxBrutes, *LstBxDarks, *LstBxFlats, *LstBxOffsets;
    QPushButton *BtnEffacerBrutes, *BtnEffacerDarks, *BtnEffacerFlats, *BtnEffacerOffsets;
    QMenu *PppMnBrutes, *PppMnDarks, *PppMnFlats, *PppMnOffsets;
    QAction *MnItmEffacerLigneBrutes, *MnItmToutEffacerBrutes, *MnItmEffacerLigneDarks, *MnItmToutEffacerDarks,
        *MnItmEffacerLigneFlats, *MnItmToutEffacerFlats, *MnItmEffacerLigneOffsets, *MnItmToutEffacerOffsets;
    // Masters
    QComboBox *CmbBxDarkMedianeMoyenne, *CmbBxFlatMedianeMoyenne, *CmbBxOffsetMedianeMoyenne;
    QToolButton *BtBtnDarkProcess, *BtBtnFlatProcess, *BtBtnOffsetProcess;
    QToolButton *BtBtnDarkEnregistrerSous, *BtBtnFlatEnregistrerSous, *BtBtnOffsetEnregistrerSous;
    QToolButton *BtBtnSeuilsAutoDark, *BtBtnSeuilsAutoFlat, *BtBtnSeuilsAutoOffset;
    QSlider *TrckBrDarkSeuilHaut, *TrckBrDarkSeuilBas, *TrckBrFlatSeuilHaut, *TrckBrFlatSeuilBas,
        *TrckBrOffsetSeuilHaut, *TrckBrOffsetSeuilBas;
    QScrollArea *ScrllBxDark, *ScrllBxFlat, *ScrllBxOffset;
    TImageControle *ImgDark, *ImgFlat, *ImgOffset;
    // Alignement
    QComboBox* CmbBxBrutesRegistration;
    QToolButton* BtBtnSeuilsAutoRegistration;
    QCheckBox* ChckBxSeuilsAutoRegistration;
    QSlider *TrckBrRegistrationSeuilHaut, *TrckBrRegistrationSeuilBas;
    QScrollArea* ScrllBxRegistration;
    TImageControle* ImgRegistration;
    QComboBox* CmbBxRegistration;
    QLineEdit* EdtCoefRegistrationPlanetaire;
    QSpinBox* UpDwnCoefRegistrationPlanetaire;
    QLabel* LblRegistrationSurLePlan;
    QComboBox* CmbBxPlanRegistration;
    QLabel *LblSelection, *LblCoordonneesEtMaxi;
    QFrame* PnlZoomRegistration;
    TImageControle* ImgZoomRegistration;
    // Execution
    QComboBox* CmbBxExecutionMoyenneAddition;
    QCheckBox *ChckBxExecutionAjustementNiveaux, *ChckBxExecutionConserver, *ChckBxCompositer;
    QToolButton* BtBtnExecutionProcess;
    QTextEdit* RchEdtExecution;
    QMenu* PppMnExecution;
    QAction *MnItmCopierExecution, *MnItmEnregistrerSousExecution;
    // Résultat
    QFrame *PnlResultatFit, *PnlResultatBmp;
    QToolButton *BtBtnResultatFitEnregistrerSous, *BtBtnResultatBmpEnregistrerSous, *BtBtnSeuilsAutoResultatFit,
        *BtBtnSeuilsAutoResultatBmp, *BtBtnResultatBmpTrichromieRVB;
    QSlider *TrckBrResultatFitSeuilHaut, *TrckBrResultatFitSeuilBas, *TrckBrResultatBmpSeuilHaut,
        *TrckBrResultatBmpSeuilBas;
    QScrollArea *ScrllBxResultatFit, *ScrllBxResultatBmp;
    TImageControle *ImgResultatFit, *ImgResultatBmp;
    QMenu *PppMnResultatFit, *PppMnResultatBmp;
    QAction *MnItmResultatFitEnregistrerSous, *MnItmResultatFitOuvrir, *MnItmResultatFitCopier,
        *MnItmResultatFitExporterBitmap, *MnItmResultatFitExporterJpeg;
    QAction *MnItmResultatBmpEnregistrerSous, *MnItmResultatBmpOuvrir, *MnItmResultatBmpCopier,
        *MnItmResultatBmpExporterFit, *MnItmResultatBmpExporterJpeg;

    // The form's dialogs.
    TDialogueFichier OpnDlgImages;
    TDialogueFichier SvDlgEnregistrerSousFit;
    TDialogueFichier SvDlgEnregistrerSousBmp;
    TDialogueFichier SvDlgEnregistrerSousExecution;

    TFlatMenu* FlatMenu = nullptr; // draws the window's menus flat

    // ---- Own fields
    QStringList RepertoiresBrutes, RepertoiresDarks, RepertoiresFlats, RepertoiresOffsets;
    THistoFit DarkFit, FlatFit, OffsetFit, RegistrationFit, ResultatFit;
    THistoBmp DarkBmp, FlatBmp, OffsetBmp, RegistrationBmp, ResultatBmp;
    QString FichierResultatBmp;
    bool EvenementsActifs = true;
    bool MasterDarkCalcule = false, MasterFlatCalcule = false, MasterOffsetCalcule = false;
    bool ImageRegistrationChargee = false;
    int32_t DepartX = -1, DepartY = -1;
    QImage ImageAvantCadre;
    TCadre Cadre;
    int32_t IndexBrutesRegistration = -1, IndexPlanRegistration = -1;
    int32_t Numero = 0;

    // ---- What the frame reads
    int NumeroDocument() const override { return Numero; }
    bool ResultatEnregistrable() const override;
    bool ResultatExportable() const;
    void FixerDefilementTempsReel(bool suivre) override;

    // ---- Lists
    // Full path of list entry i (directory + name).
    static QString CheminEntree(const QListWidget* liste, int i);
    static QStringList Chemins(const QListWidget* liste);
    QString PremiereImage() const; // the first listed file that exists, empty when none
    int32_t TypeImages() const;    // 1 FIT, 2 BMP, 0 other or none
    bool ControlerTailles(const QStringList& fichiers);
    void AjusterTailleFenetre(const QString& fichier);
    void PurgerListes();
    void RemplirBrutesRegistration();
    // The raw frame shown for registration and registered on: the selected
    // one, else the first; -1 for an empty list.
    int IndexBruteReference() const;
    void FixerFiltreOuverture();
    void ActiverMenusListes();
    void AjouterFichiers(QListWidget* liste); // the four buttons
    void AjouterBrutes(const QStringList& fichiers);
    void EffacerLigneSelectionnee(QListWidget* liste);
    void ToutEffacer(QListWidget* liste);
    void LstBxBrutesClick();
    void FixerPlagesCurseurs();

    // ---- Masters
    void BtBtnDarkProcessClick();
    void BtBtnFlatProcessClick();
    void BtBtnOffsetProcessClick();
    void BtBtnDarkEnregistrerSousClick();
    void BtBtnFlatEnregistrerSousClick();
    void BtBtnOffsetEnregistrerSousClick();

    // ---- The run, its report and its result
    void BtBtnExecutionProcessClick();
    TReglagesPretraitement ReglagesExecution() const;
    void AfficherResultatFit();
    void AfficherResultatBmp();
    void EnregistrerResultatFit();
    void EnregistrerResultatBmp();
    void OuvrirResultat(bool fit);
    void CopierResultat(bool fit);
    void ExporterResultatFitEnBmp();
    void ExporterResultatBmpEnFit();
    void ExporterResultatJpeg(bool fit);
    void CopierRapport();
    void BtBtnResultatBmpTrichromieRVBClick();
    void ImprimerRapport();
    // The frame's commands while this window is active: the shown panel.
    void EnregistrerResultatSous();
    void Copier();
    void ExporterFit();
    void ExporterBmp();
    void ExporterJpeg();

    // ---- Alignement
    bool CadreDefini() const { return EstCadreDefini(Cadre); }
    void ChargerImageRegistration();
    void CmbBxBrutesRegistrationChange();
    void CmbBxRegistrationChange();
    void CmbBxPlanRegistrationChange();
    void AppliquerSeuilsAutoRegistration();
    void ImgRegistrationMouseDown(Qt::MouseButton bouton, int x, int y);
    void ImgRegistrationMouseMove(int x, int y);
    void ImgRegistrationMouseUp(Qt::MouseButton bouton, int x, int y);
    void NormaliserCadre();
    void TracerCadre();
    void AfficherZoom(bool marquer);
    void TracerCadreEtZoom(bool marquer);
    void ControlerSaturation(bool avertir);
    void VerifierCadre();
    void EffacerCadre();
    bool ExtraireCadreFit(const THistoFit& source, THistoFit& destination) const;
    bool ExtraireCadreBmp(const THistoBmp& source, THistoBmp& destination) const;
    void ApercuPlaneteFit();
    void ApercuPlaneteBmp();
    int32_t CoefRegistrationPlanetaire() const;
    // The shown raw frame rendered again (erasing marks), with the planetary
    // preview when chosen.
    void RendreRegistration();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    // One master tab.
    struct TOngletMaster {
        QListWidget* Liste;
        QComboBox* Combo;
        QSlider* Haut;
        QSlider* Bas;
        TImageControle* Image;
        THistoFit* Fit;
        THistoBmp* Bmp;
        bool* Calcule;
        QString Nom; // "Dark", "Flat", "Offset"
    };
    TOngletMaster Onglet(QListWidget* liste);
    void CalculerMaster(const TOngletMaster& o);
    void EnregistrerMaster(const TOngletMaster& o);
    void SeuilsAutoMaster(const TOngletMaster& o);
    void CurseurMasterChange(const TOngletMaster& o);
    QStringList* Reservoir(QListWidget* liste);
    void ListeVidee(QListWidget* liste);
    void FormCreate();
    void FormShow();
    void FormResize();
    void CreerMenus();
    void Connecter();
    void PlacerCurseurs(QSlider* haut, QSlider* bas, int32_t valeurHaut, int32_t valeurBas);
    void CurseurRegistrationChange();
    void RedessinerRegistration();
    void SelectionnerBrute(int index);
    void ConnecterResultat();
    void AjouterLigneRapport(const QString& texte, const QColor& couleur);
    void AfficherResultat(bool fit);
    bool ResultatFitPresent() const;
    bool ResultatBmpPresent() const;
    int FLignesRapport = 0;

    std::unique_ptr<Ui::TPretraitement> FUi;
    bool FPremierAffichage = true;
    TCadre FCadreTrace; // the rubber band now on the picture
};

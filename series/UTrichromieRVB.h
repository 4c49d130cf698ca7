#pragma once
// The tricolour window: three monochrome planes (FIT or BMP files), each with
// its own display levels, slider depth and offset, composed into one 24-bit
// picture from their 8-bit renderings. The three planes share one code path:
// a plane is an index (red 0, green 1, blue 2) into Plans.
#include "Childwin.h"
#include "UBmp.h"
#include "UFit.h"
#include "UOutils.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QScrollArea;
class QSlider;
class QSpinBox;
class QToolButton;

namespace Ui {
class TTrichromieRVB;
}

// A picture control that paints its QImage as it is (no pixmap conversion),
// at its own size.
class TVueImage : public QWidget {
    Q_OBJECT
public:
    explicit TVueImage(QWidget* parent = nullptr);
    void FixerImage(const QImage& image); // resizes the control to the picture
    const QImage& Image() const { return FImage; }
signals:
    void Clic();

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;

private:
    QImage FImage;
};

class TTrichromieRVB : public TMDIChild {
    Q_OBJECT
public:
    enum : int { PlanRouge = 0, PlanVert = 1, PlanBleu = 2 };

    // One plane: its file, its two image objects (the one of its kind is
    // used), its offsets and its controls.
    struct TPlan {
        int Index = 0;
        TCouleur Couleur = clRouge;
        QString NomFichier;          // empty while the plane has none
        THistoFit ImageFit;
        THistoBmp ImageBmp;
        QImage Rendu;                // the plane's current 8-bit rendering
        double DecalageX = 0;
        double DecalageY = 0;
        TVueImage* ImgMini = nullptr;
        QCheckBox* ChckBx = nullptr;
        QSlider* TrckBrSeuilHaut = nullptr;
        QSlider* TrckBrSeuilBas = nullptr;
        QSpinBox* UpDwnLum = nullptr;
        QSpinBox* UpDwnCont = nullptr;
        QSpinBox* UpDwnNbBits = nullptr;
        QLabel* LblNbBits = nullptr;
        QToolButton* BtBtnHaut = nullptr;
        QToolButton* BtBtnBas = nullptr;
        QToolButton* BtBtnGauche = nullptr;
        QToolButton* BtBtnDroite = nullptr;
        QLabel* SttcTxtH = nullptr;
        QLabel* SttcTxtV = nullptr;
        TVueImage* Img = nullptr;     // the rendering on the plane's page
    };

    explicit TTrichromieRVB(QWidget* parent = nullptr);
    ~TTrichromieRVB() override;

    // Loads one colour BMP file as the three planes (each its own channel).
    void ChargerPlansBmpCouleur(const QString& nom);

    void Composer();
    void AfficherMiniatures();
    void AfficherDecalages();
    void AfficherBoutonsAjuster();
    void ActiverMaj() { MajActive = true; }
    void DesactiverMaj() { MajActive = false; }
    // Width and height of a loaded plane (its image object, never its file);
    // -1 for a plane without a file.
    void LireTailleImage(int plan, int32_t& largeur, int32_t& hauteur) const;
    // True when a picture of this size may join the planes already loaded;
    // otherwise the size message is shown.
    bool ControlerTaille(int32_t largeur, int32_t hauteur);
    void ConfigurerSeuilsRouge() { ConfigurerSeuils(PlanRouge); }
    void ConfigurerSeuilsVert() { ConfigurerSeuils(PlanVert); }
    void ConfigurerSeuilsBleu() { ConfigurerSeuils(PlanBleu); }
    void FixerNbBitsRouge(int bits) { FixerNbBits(PlanRouge, bits); }
    void FixerNbBitsVert(int bits) { FixerNbBits(PlanVert, bits); }
    void FixerNbBitsBleu(int bits) { FixerNbBits(PlanBleu, bits); }
    void ConfigurerSeuils(int plan);
    // Sliders of 0 .. 2^bits - 1.
    void FixerNbBits(int plan, int bits);

    // Handlers, public for the frame and the tests.
    void ImgMiniClick(int plan);
    void ChckBxClick(int plan);
    void TrckBrSeuilChange(int plan, bool haut);
    void UpDwnLumClick(int plan, bool haut);
    void UpDwnContClick(int plan, bool haut);
    void UpDwnNbBitsClick(int plan, bool haut);
    void DeplacerPlan(int plan, int dx, int dy); // -1, 0 or 1 steps of EdtPas
    void BtBtnRazDecalagesClick();
    void BtBtnTrichromieClick();
    void BtBtnEnregistrerClick();
    void AjusterNiveaux(int reference);
    void TrckBrSeuilRVBChange();
    void MnItmOuvrirClick();
    void MnItmCopierClick();
    void MnItmExporterFitClick();
    void MnItmExporterJpegClick();

    bool EstPlanFit(int plan) const;   // by the extension of its file
    bool EstPlanBmp(int plan) const;
    QString FiltreOuverture() const { return FFiltre; }

    std::array<TPlan, 3> Plans;
    THistoBmp ImageRVB;
    QImage RenduRVB;                  // the composite's current rendering
    bool ImageComposee = false;
    bool MajActive = true;
    int Numero = 0;

    TVueImage* ImgRVB = nullptr;
    QMenu* PppMnImgRGBBmp = nullptr;
    std::unique_ptr<Ui::TTrichromieRVB> ui;

private:
    void CreerPlan(int plan, const QString& nomCouleur, const QString& titreMiniature);
    bool ChoisirFichierPlan(int plan);
    void InstallerPlan(int plan, const QString& nom, THistoFit* fit, THistoBmp* bmp);
    void PlacerCurseursPlan(int plan);
    void RendrePlan(int plan);
    QString FFiltre;
};

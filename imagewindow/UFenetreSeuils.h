#pragma once
// What the two display-threshold windows (FIT and BMP) share: the controls of
// their forms, the levels and curve they write straight into the image object
// of an image window, the bit depth of the track bars, brightness, contrast,
// the start / previous toggle and the live re-rendering through the frame.
// The FIT and BMP windows only say how to read and write their image.
#include "Childwin.h"
#include "UOutilsFenetres.h"

#include <QImage>
#include <QString>
#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

class TFenetreSeuils : public TMDIChild {
    Q_OBJECT
public:
    ~TFenetreSeuils() override;

    // ---- Controls
    QFrame *PnlCurseurs = nullptr, *PnlReglages = nullptr;
    QSlider *TrckBrSeuilMaxi = nullptr, *TrckBrSeuilMini = nullptr;
    QLineEdit *EdtSeuilMaxi = nullptr, *EdtSeuilMini = nullptr;
    QSpinBox *UpDwnSeuilMaxi = nullptr, *UpDownSeuilMini = nullptr;
    QLabel* ImgVisuHistogramme = nullptr;
    QPushButton *BtnAuto = nullptr, *BtnPrec = nullptr;
    QCheckBox* ChckBxVisualisation = nullptr;
    QLabel *LblLuminosite = nullptr, *LblContraste = nullptr, *LblNbBits = nullptr, *LblBits = nullptr,
           *LblTransfert = nullptr;
    QSpinBox *UpDwnLuminosite = nullptr, *UpDwnContraste = nullptr, *UpDwnNbBits = nullptr, *UpDwnTransfert = nullptr;
    QToolButton* BtBtnAide = nullptr;

    // ---- State
    double Transfert = 0;
    // While false, track-bar moves only redraw the band.
    bool Maj = false;
    int32_t SeuilMiniDepart = 0, SeuilMaxiDepart = 0;
    double TransfertDepart = 0;
    int32_t SeuilMiniPrec = 0, SeuilMaxiPrec = 0;
    double TransfertPrec = 0;
    int32_t Numero = 0;
    // Step divisor of the track bars and spinners, at least 1.
    int32_t Pas = 60;

    int NumeroDocument() const override { return Numero; }
    void FixerPas(int pas) override;
    // The image window changed the levels or curve itself: reload.
    void Actualiser();
    // True while the window edits a living image.
    virtual bool Liee() const = 0;

    // Bit count of the track bars for the image: 2 more than the first even
    // n (from the highest) below the largest value; 0 when there is none.
    int NombreBitsImage() const;
    void ChargerReglages();
    void FixerNbBits(int bits);
    void AfficherTransfert();
    void Dessiner();
    void ActiverMaj() { Maj = true; }
    void DesactiverMaj() { Maj = false; }
    // The band picture as last drawn.
    const QImage& DessinHistogramme() const { return FDessin; }
    // Step of the track bars' range: max(maximum div Pas, 1).
    int32_t PasCurseurs() const;

    // ---- Handlers (public so that the frame's tests can drive them)
    void TrckBrSeuilChange(QSlider* curseur);
    void EdtSeuilChange(QLineEdit* edit);
    void UpDwnSeuilClick(QLineEdit* edit, TBoutonHautBas bouton);
    void UpDwnLuminositeClick(TBoutonHautBas bouton);
    void UpDwnContrasteClick(TBoutonHautBas bouton);
    void DecalerSeuils(TBoutonHautBas bouton, bool contraste);
    void UpDwnNbBitsClick(TBoutonHautBas bouton);
    void BtnAutoClick();
    void BtnPrecClick();
    void UpDwnTransfertClick(TBoutonHautBas bouton);
    void LblTransfertClick();
    void ChckBxVisualisationClick();
    void FormClose(TActionFermeture& action) override;

    // The image object is about to be freed: every window bound to it lets
    // go of it and goes away without touching it again.
    static void OublierImage(const void* image);

protected:
    TFenetreSeuils(const QString& titre, QWidget* parent);
    // Takes the controls of a form (both forms name them alike) and wires them.
    template <class TUi>
    void PrendreControles(TUi& u, QWidget* contenu);
    // The common binding steps; the derived window has set its image.
    void Lier(int numero);
    bool eventFilter(QObject* objet, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

    // What differs between a FIT image and a BMP picture.
    virtual const void* ImageLiee() const = 0;
    virtual void Oublier() = 0;
    virtual int64_t MaxiImage() const = 0;
    virtual int PremierBitsBalayage() const = 0;
    virtual int BitsMini() const = 0;
    virtual int BitsMaxi() const = 0;
    virtual int32_t SMinImage() const = 0;
    virtual int32_t SMaxImage() const = 0;
    virtual double TransfertImage() const = 0;
    virtual void EcrireSeuils(int32_t bas, int32_t haut) = 0;
    virtual void EcrireTransfert(double transfert) = 0;
    virtual void EcrireNiveauxAutomatiques() = 0;

private:
    void Preparer(QWidget* contenu);
    void RendreImages();
    int32_t Plafond() const;     // 2^b, b from LblNbBits
    int BitsAffiches() const;
    QLineEdit* EditDe(QSlider* curseur) const;
    QSlider* CurseurDe(QLineEdit* edit) const;
    void EcrireReglages(int32_t bas, int32_t haut, double transfert);

    QImage FDessin;
    // The area whose maximising of the window being activated is held off.
};

template <class TUi>
void TFenetreSeuils::PrendreControles(TUi& u, QWidget* contenu)
{
    PnlCurseurs = u.PnlCurseurs;
    PnlReglages = u.PnlReglages;
    TrckBrSeuilMaxi = u.TrckBrSeuilMaxi;
    TrckBrSeuilMini = u.TrckBrSeuilMini;
    EdtSeuilMaxi = u.EdtSeuilMaxi;
    EdtSeuilMini = u.EdtSeuilMini;
    UpDwnSeuilMaxi = u.UpDwnSeuilMaxi;
    UpDownSeuilMini = u.UpDownSeuilMini;
    ImgVisuHistogramme = u.ImgVisuHistogramme;
    BtnAuto = u.BtnAuto;
    BtnPrec = u.BtnPrec;
    ChckBxVisualisation = u.ChckBxVisualisation;
    LblLuminosite = u.LblLuminosite;
    LblContraste = u.LblContraste;
    LblNbBits = u.LblNbBits;
    LblBits = u.LblBits;
    LblTransfert = u.LblTransfert;
    UpDwnLuminosite = u.UpDwnLuminosite;
    UpDwnContraste = u.UpDwnContraste;
    UpDwnNbBits = u.UpDwnNbBits;
    UpDwnTransfert = u.UpDwnTransfert;
    BtBtnAide = u.BtBtnAide;
    Preparer(contenu);
}

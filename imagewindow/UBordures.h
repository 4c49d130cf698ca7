#pragma once
// Four margins to cut off an image, previewed as dotted lines on the picture
// the image window shows.
#include "UTraitementImage.h"

#include <QDialog>
#include <QImage>
#include <cstdint>

class QLineEdit;
class QSpinBox;
namespace Ui {
class TBordures;
}

class TBordures : public QDialog {
    Q_OBJECT
public:
    explicit TBordures(QWidget* parent = nullptr);
    ~TBordures() override;

    // The bitmap the window shows (drawn on, not owned) and the control that
    // shows it (repainted after each drawing; may be null).
    void Initialiser(QImage& bitmapAffiche, const TSelectionImage& selection, QWidget* controle = nullptr);
    void Dessiner();
    // Margins in pixels of the shown bitmap, always the band between the lines.
    void LireBordures(int32_t& haut, int32_t& bas, int32_t& droite, int32_t& gauche);
    void BtnRazClick();
    void BtnDApresSelectionClick();
    void UpDwnClick(QLineEdit* edit, bool haut);

    QLineEdit* EdtBordureHaut = nullptr;
    QLineEdit* EdtBordureGauche = nullptr;
    QLineEdit* EdtBordureDroite = nullptr;
    QLineEdit* EdtBordureBas = nullptr;
    QImage* BitmapAffiche = nullptr;
    QImage BitmapOrigine;
    TSelectionImage Selection;

protected:
    void showEvent(QShowEvent* evenement) override;
    void hideEvent(QHideEvent* evenement) override;

private:
    int32_t Limite(const QLineEdit* edit) const;
    void EditChange(QLineEdit* edit);
    Ui::TBordures* ui;
    QWidget* FControle = nullptr;
};

// Dotted line of one-pixel dots, every second pixel, clipped to the bitmap;
// the dots are light and dark in turn: white and black on an 8-bit bitmap
// (palette ends), red and black on a 24-bit one.
void LignePointillee(QImage& bitmap, int x1, int y1, int x2, int y2);

extern TBordures* Bordures;

#pragma once
// The preferences dialog: edits every setting that has a setter (real-time
// scrolling, threshold fineness, star-detection offset, the frame's colour,
// the sigmas and coefficients of the preview tabs). It reloads everything
// from the settings file at each showing; Ok and Appliquer check every field
// before the first write, write them all, then push the settings to the open
// windows.
#include "UOutils.h"

#include <QDialog>
#include <QImage>
#include <array>
#include <memory>

namespace Ui {
class TPreferences;
}
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;

class TPreferences : public QDialog {
    Q_OBJECT
public:
    explicit TPreferences(QWidget* parent = nullptr);
    ~TPreferences() override;

    void ChargerPreferences();
    void AfficherCouleurFond();
    void DessinerApercusGaussien();
    void DessinerApercusMasqueFlou();

    // The colour the colour dialog holds (written on Ok / Appliquer).
    TCouleur CouleurDialogue() const { return FCouleurFond; }

    // Controls, for the frame's tests and screenshots.
    QTabWidget* PgCntrlPrincipale() const;
    QLineEdit* EdtReglageSeuils() const;
    QLineEdit* EdtOffsetDetectionEtoiles() const;
    QLabel* ImgCouleurFondApplication() const;
    const std::array<QLineEdit*, 5>& EdtSigmaGauss() const { return FEdtSigmaGauss; }
    const std::array<QLineEdit*, 5>& EdtSigmaMF() const { return FEdtSigmaMF; }
    const std::array<QLineEdit*, 5>& EdtCoefMF() const { return FEdtCoefMF; }
    // The previews' bitmaps: gaussian i (0..4); unsharp coefficient c, sigma s (0..4).
    const QImage& ApercuGaussien(int i) const { return FBitmapGauss[i]; }
    const QImage& ApercuMasqueFlou(int c, int s) const { return FBitmapMF[c][s]; }
    const QImage& BitmapCouleurFond() const { return FBitmapCouleur; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void BtnOkClick();
    void BtnAppliquerClick();
    void BtnReinitPreferencesClick();
    void ImgCouleurFondApplicationClick();
    // Checks every field, then writes them all and pushes the settings.
    void EcrirePreferences();
    void DessinerApercuGaussien(int i);
    void DessinerApercuMF(int c, int s);
    void DessinerApercusSigmaMF(int s);
    void DessinerApercusCoefMF(int c);

    std::unique_ptr<Ui::TPreferences> FUi;
    std::array<QLineEdit*, 5> FEdtSigmaGauss{}, FEdtSigmaMF{}, FEdtCoefMF{};
    std::array<QLabel*, 5> FImgGauss{};
    std::array<std::array<QLabel*, 5>, 5> FImgMF{};
    std::array<QImage, 5> FBitmapGauss;
    std::array<std::array<QImage, 5>, 5> FBitmapMF;
    QImage FBitmapCouleur;
    TCouleur FCouleurFond = clAppWorkSpace;
};

extern TPreferences* Preferences;

// The threshold-step ladder 60, 120, 180, 240, 500 on the edit's value; a
// value off the ladder counts as 60.
void PasReglageSeuils(QLineEdit* edit, bool monter);
// One step of 0,1 on a sigma (minimum 0,2) or coefficient (minimum 0) edit;
// true when the value moved.
bool PasSigmaPreference(QLineEdit* edit, bool monter);
bool PasCoefficientPreference(QLineEdit* edit, bool monter);

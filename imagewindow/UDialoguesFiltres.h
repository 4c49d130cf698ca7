#pragma once
// What the seven filter parameter dialogs share: their window, OK and
// Annuler, the focus on the first parameter at each showing, and the kinds
// of parameter fields with their key filters, steppers and OK repairs.
#include "UOutilsFenetres.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

class TDialogueFiltre : public QDialog {
    Q_OBJECT
public:
    explicit TDialogueFiltre(QWidget* parent = nullptr);

protected:
    // Called once the form is set up: OK runs the repairs in the order the
    // fields were prepared, then accepts; `premier` takes the focus each
    // time the dialog shows.
    void Relier(QPushButton* ok, QPushButton* annuler, QWidget* premier);

    // Sigma: one decimal, steps of 0.1 down to 0.2; empty or below 0.2 -> "0,2".
    void PreparerSigma(QLineEdit* edit, QSpinBox* hautBas, const QString& defaut);
    // Unsharp-mask coefficient "2,5": steps of 0.1 down to 0; empty or negative -> "0,0".
    void PreparerCoefficientMF(QLineEdit* edit, QSpinBox* hautBas);
    // DDP coefficient "5,0": the stepper restarts an empty edit from "5,0"; OK turns it into "0"
    // and refuses a negative one.
    void PreparerCoefficientDDP(QLineEdit* edit, QSpinBox* hautBas);
    // DDP level: digits only; OK brings it into 1..65535.
    void PreparerNiveau(QLineEdit* edit);
    // Force track bar 1..5, its position shown in the label.
    static void PreparerForce(QSlider* force, QLabel* valeur);

    void showEvent(QShowEvent* evenement) override;

private:
    // A one-decimal edit with its stepper and its OK repair.
    void PreparerReel(QLineEdit* edit, QSpinBox* hautBas, const QString& defaut,
                      std::function<void(TBoutonHautBas)> pas, std::function<void()> reparation);

    QWidget* FPremier = nullptr;
    std::vector<std::function<void()>> FReparations;
};

// The steppers of a sigma edit (empty or below 0.2 -> "0,2", then steps of
// 0.1 down to 0.2) and of a coefficient edit (empty or negative -> "0,0",
// then steps of 0.1 down to 0); true when the step changed the value.
bool PasSigma(QLineEdit* edit, TBoutonHautBas bouton);
bool PasCoefficient(QLineEdit* edit, TBoutonHautBas bouton);

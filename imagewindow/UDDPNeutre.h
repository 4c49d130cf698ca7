#pragma once
// Parameters of the neutral DDP: level and coefficient.
#include <QDialog>

class QLineEdit;

namespace Ui {
class TDDPNeutre;
}

class TDDPNeutre : public QDialog {
    Q_OBJECT
public:
    explicit TDDPNeutre(QWidget* parent = nullptr);
    ~TDDPNeutre() override;

    // The caller proposes a level before showing the dialog.
    void FixerNiveau(int niveau);
    int LireNiveau() const;
    double LireCoefficient() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TDDPNeutre* ui;
};

extern TDDPNeutre* DDPNeutre;

// OK repair of a DDP level, shared by the three DDP dialogs: empty -> "0",
// then 0 -> "1", then above 65535 -> "65535", so a level passed on lies in
// 1..65535.
void ReparerNiveauDDP(QLineEdit* edit);

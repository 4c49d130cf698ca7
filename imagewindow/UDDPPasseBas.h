#pragma once
// Parameters of the low-pass DDP: level, force, coefficient, star protection.
#include <QDialog>

namespace Ui {
class TDDPPasseBas;
}

class TDDPPasseBas : public QDialog {
    Q_OBJECT
public:
    explicit TDDPPasseBas(QWidget* parent = nullptr);
    ~TDDPPasseBas() override;

    void FixerNiveau(int niveau);
    int LireNiveau() const;
    int LireForce() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TDDPPasseBas* ui;
};

extern TDDPPasseBas* DDPPasseBas;

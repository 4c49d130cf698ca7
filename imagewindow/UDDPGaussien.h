#pragma once
// Parameters of the gaussian DDP: level, sigma, coefficient, star protection.
#include <QDialog>

namespace Ui {
class TDDPGaussien;
}

class TDDPGaussien : public QDialog {
    Q_OBJECT
public:
    explicit TDDPGaussien(QWidget* parent = nullptr);
    ~TDDPGaussien() override;

    void FixerNiveau(int niveau);
    int LireNiveau() const;
    double LireSigma() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TDDPGaussien* ui;
};

extern TDDPGaussien* DDPGaussien;

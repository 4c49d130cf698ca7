#pragma once
// Parameters of the gaussian DDP: level, sigma, coefficient, star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TDDPGaussien;
}

class TDDPGaussien : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TDDPGaussien(QWidget* parent = nullptr);
    ~TDDPGaussien() override;

    // The caller proposes a level before showing the dialog.
    void FixerNiveau(int niveau);
    int LireNiveau() const;
    double LireSigma() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

private:
    Ui::TDDPGaussien* ui;
};

extern TDDPGaussien* DDPGaussien;

#pragma once
// Parameters of the low-pass DDP: level, force, coefficient, star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TDDPPasseBas;
}

class TDDPPasseBas : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TDDPPasseBas(QWidget* parent = nullptr);
    ~TDDPPasseBas() override;

    // The caller proposes a level before showing the dialog.
    void FixerNiveau(int niveau);
    int LireNiveau() const;
    int LireForce() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

private:
    Ui::TDDPPasseBas* ui;
};

extern TDDPPasseBas* DDPPasseBas;

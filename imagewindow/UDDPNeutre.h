#pragma once
// Parameters of the neutral DDP: level and coefficient.
#include "UDialoguesFiltres.h"

namespace Ui {
class TDDPNeutre;
}

class TDDPNeutre : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TDDPNeutre(QWidget* parent = nullptr);
    ~TDDPNeutre() override;

    // The caller proposes a level before showing the dialog.
    void FixerNiveau(int niveau);
    int LireNiveau() const;
    double LireCoefficient() const;

private:
    Ui::TDDPNeutre* ui;
};

extern TDDPNeutre* DDPNeutre;

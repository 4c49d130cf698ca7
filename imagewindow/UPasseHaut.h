#pragma once
// Parameters of the high-pass filter: force 1..5 and star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TPasseHaut;
}

class TPasseHaut : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TPasseHaut(QWidget* parent = nullptr);
    ~TPasseHaut() override;

    int LireForce() const;
    bool LirePreservatif() const;

private:
    Ui::TPasseHaut* ui;
};

extern TPasseHaut* PasseHaut;

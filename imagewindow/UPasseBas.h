#pragma once
// Parameters of the low-pass filter: force 1..5 and star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TPasseBas;
}

class TPasseBas : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TPasseBas(QWidget* parent = nullptr);
    ~TPasseBas() override;

    int LireForce() const;
    bool LirePreservatif() const;

private:
    Ui::TPasseBas* ui;
};

extern TPasseBas* PasseBas;

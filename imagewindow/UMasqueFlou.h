#pragma once
// Parameters of the unsharp mask: sigma, coefficient, star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TMasqueFlou;
}

class TMasqueFlou : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TMasqueFlou(QWidget* parent = nullptr);
    ~TMasqueFlou() override;

    double LireSigma() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

private:
    Ui::TMasqueFlou* ui;
};

extern TMasqueFlou* MasqueFlou;

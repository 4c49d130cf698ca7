#pragma once
// Parameters of the gaussian filter: sigma and star protection.
#include "UDialoguesFiltres.h"

namespace Ui {
class TGaussien;
}

class TGaussien : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TGaussien(QWidget* parent = nullptr);
    ~TGaussien() override;

    double LireSigma() const;
    bool LirePreservatif() const;

private:
    Ui::TGaussien* ui;
};

extern TGaussien* Gaussien;

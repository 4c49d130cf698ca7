#include "UDDPNeutre.h"

#include "ui_UDDPNeutre.h"

#include "UOutils.h"

TDDPNeutre* DDPNeutre = nullptr;

TDDPNeutre::TDDPNeutre(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TDDPNeutre)
{
    ui->setupUi(this);
    PreparerNiveau(ui->EdtNiveau);
    PreparerCoefficientDDP(ui->EdtCoefficient, ui->UpDwnCoef);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->EdtNiveau);
}

TDDPNeutre::~TDDPNeutre() { delete ui; }

void TDDPNeutre::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPNeutre::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
double TDDPNeutre::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }

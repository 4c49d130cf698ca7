#include "UDDPPasseBas.h"

#include "ui_UDDPPasseBas.h"

#include "UOutils.h"

TDDPPasseBas* DDPPasseBas = nullptr;

TDDPPasseBas::TDDPPasseBas(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TDDPPasseBas)
{
    ui->setupUi(this);
    PreparerNiveau(ui->EdtNiveau);
    PreparerCoefficientDDP(ui->EdtCoefficient, ui->UpDwnCoef);
    PreparerForce(ui->TrckBrForce, ui->LblValeurForce);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->EdtNiveau);
}

TDDPPasseBas::~TDDPPasseBas() { delete ui; }

void TDDPPasseBas::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPPasseBas::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
int TDDPPasseBas::LireForce() const { return ui->TrckBrForce->value(); }
double TDDPPasseBas::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
bool TDDPPasseBas::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

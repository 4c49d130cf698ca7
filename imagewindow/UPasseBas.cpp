#include "UPasseBas.h"

#include "ui_UPasseBas.h"

#include "UOutils.h"

TPasseBas* PasseBas = nullptr;

TPasseBas::TPasseBas(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TPasseBas)
{
    ui->setupUi(this);
    PreparerForce(ui->TrckBrForce, ui->LblValeurForce);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->TrckBrForce);
}

TPasseBas::~TPasseBas() { delete ui; }

int TPasseBas::LireForce() const { return ui->TrckBrForce->value(); }
bool TPasseBas::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

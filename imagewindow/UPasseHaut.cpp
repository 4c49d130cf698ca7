#include "UPasseHaut.h"

#include "ui_UPasseHaut.h"

#include "UOutils.h"

TPasseHaut* PasseHaut = nullptr;

TPasseHaut::TPasseHaut(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TPasseHaut)
{
    ui->setupUi(this);
    PreparerForce(ui->TrckBrForce, ui->LblValeurForce);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->TrckBrForce);
}

TPasseHaut::~TPasseHaut() { delete ui; }

int TPasseHaut::LireForce() const { return ui->TrckBrForce->value(); }
bool TPasseHaut::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

#include "UMasqueFlou.h"

#include "ui_UMasqueFlou.h"

#include "UOutils.h"

TMasqueFlou* MasqueFlou = nullptr;

TMasqueFlou::TMasqueFlou(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TMasqueFlou)
{
    ui->setupUi(this);
    PreparerSigma(ui->EdtSigma, ui->UpDwnSigma, QStringLiteral("1,2"));
    PreparerCoefficientMF(ui->EdtCoefficient, ui->UpDwnCoefficient);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->EdtSigma);
}

TMasqueFlou::~TMasqueFlou() { delete ui; }

double TMasqueFlou::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
double TMasqueFlou::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
bool TMasqueFlou::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

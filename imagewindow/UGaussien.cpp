#include "UGaussien.h"

#include "ui_UGaussien.h"

#include "UOutils.h"

TGaussien* Gaussien = nullptr;

TGaussien::TGaussien(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TGaussien)
{
    ui->setupUi(this);
    PreparerSigma(ui->EdtSigma, ui->UpDwnSigma, QStringLiteral("0,7"));
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->EdtSigma);
}

TGaussien::~TGaussien() { delete ui; }

double TGaussien::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
bool TGaussien::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

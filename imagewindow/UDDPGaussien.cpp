#include "UDDPGaussien.h"

#include "ui_UDDPGaussien.h"

#include "UOutils.h"

TDDPGaussien* DDPGaussien = nullptr;

TDDPGaussien::TDDPGaussien(QWidget* parent)
    : TDialogueFiltre(parent)
    , ui(new Ui::TDDPGaussien)
{
    ui->setupUi(this);
    // OK repairs the level, then the sigma, then the coefficient.
    PreparerNiveau(ui->EdtNiveau);
    PreparerSigma(ui->EdtSigma, ui->UpDwnSigma, QStringLiteral("0,7"));
    PreparerCoefficientDDP(ui->EdtCoefficient, ui->UpDwnCoef);
    Relier(ui->BtnOK, ui->BtnAnnuler, ui->EdtNiveau);
}

TDDPGaussien::~TDDPGaussien() { delete ui; }

void TDDPGaussien::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPGaussien::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
double TDDPGaussien::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
double TDDPGaussien::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
bool TDDPGaussien::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

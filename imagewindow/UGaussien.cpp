#include "UGaussien.h"

#include "ui_UGaussien.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

TGaussien* Gaussien = nullptr;

TGaussien::TGaussien(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TGaussien)
{
    ui->setupUi(this);
    ui->EdtSigma->setText(QStringLiteral("0,7"));
    InstallerFiltreSaisie(ui->EdtSigma, TGenreSaisie::Reel, 1);
    RelierHautBas(ui->UpDwnSigma, [this](TBoutonHautBas bouton) {
        EditSigmaMinimum(ui->EdtSigma);
        IncrementerEditReel(ui->EdtSigma, bouton, 1, 0.1, 0.2);
    });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TGaussien::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TGaussien::~TGaussien() { delete ui; }

double TGaussien::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
bool TGaussien::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

void TGaussien::BtnOKClick()
{
    EditSigmaMinimum(ui->EdtSigma);
    accept();
}

void TGaussien::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->EdtSigma->setFocus();
}

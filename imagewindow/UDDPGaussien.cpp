#include "UDDPGaussien.h"

#include "ui_UDDPGaussien.h"

#include "UDDPNeutre.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

TDDPGaussien* DDPGaussien = nullptr;

TDDPGaussien::TDDPGaussien(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TDDPGaussien)
{
    ui->setupUi(this);
    ui->EdtCoefficient->setText(QStringLiteral("5,0"));
    InstallerFiltreSaisie(ui->EdtNiveau, TGenreSaisie::Entier);
    InstallerFiltreSaisie(ui->EdtCoefficient, TGenreSaisie::Reel, 1);
    RelierHautBas(ui->UpDwnCoef, [this](TBoutonHautBas bouton) {
        if (ui->EdtCoefficient->text().isEmpty())
            ui->EdtCoefficient->setText(QStringLiteral("5,0"));
        IncrementerEditReel(ui->EdtCoefficient, bouton, 1, 0.1, 0.0);
    });
    ui->EdtSigma->setText(QStringLiteral("0,7"));
    InstallerFiltreSaisie(ui->EdtSigma, TGenreSaisie::Reel, 1);
    RelierHautBas(ui->UpDwnSigma, [this](TBoutonHautBas bouton) {
        EditSigmaMinimum(ui->EdtSigma);
        IncrementerEditReel(ui->EdtSigma, bouton, 1, 0.1, 0.2);
    });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TDDPGaussien::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TDDPGaussien::~TDDPGaussien() { delete ui; }

void TDDPGaussien::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPGaussien::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
double TDDPGaussien::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
double TDDPGaussien::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
bool TDDPGaussien::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

void TDDPGaussien::BtnOKClick()
{
    ReparerNiveauDDP(ui->EdtNiveau);
    EditSigmaMinimum(ui->EdtSigma);
    if (ui->EdtCoefficient->text().isEmpty())
        ui->EdtCoefficient->setText(QStringLiteral("0"));
    accept();
}

void TDDPGaussien::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->EdtNiveau->setFocus();
}

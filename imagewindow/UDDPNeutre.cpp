#include "UDDPNeutre.h"

#include "ui_UDDPNeutre.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QLineEdit>

TDDPNeutre* DDPNeutre = nullptr;

void ReparerNiveauDDP(QLineEdit* edit)
{
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    if (ConvertirReel(edit->text()) == 0)
        edit->setText(QStringLiteral("1"));
    if (ConvertirReel(edit->text()) > 65535)
        edit->setText(QStringLiteral("65535"));
}

TDDPNeutre::TDDPNeutre(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TDDPNeutre)
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
    connect(ui->BtnOK, &QPushButton::clicked, this, &TDDPNeutre::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TDDPNeutre::~TDDPNeutre() { delete ui; }

void TDDPNeutre::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPNeutre::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
double TDDPNeutre::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }

void TDDPNeutre::BtnOKClick()
{
    ReparerNiveauDDP(ui->EdtNiveau);
    if (ui->EdtCoefficient->text().isEmpty())
        ui->EdtCoefficient->setText(QStringLiteral("0"));
    accept();
}

void TDDPNeutre::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->EdtNiveau->setFocus();
}

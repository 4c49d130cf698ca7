#include "UDDPPasseBas.h"

#include "ui_UDDPPasseBas.h"

#include "UDDPNeutre.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

TDDPPasseBas* DDPPasseBas = nullptr;

TDDPPasseBas::TDDPPasseBas(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TDDPPasseBas)
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
    connect(ui->TrckBrForce, &QSlider::valueChanged, this,
            [this](int position) { ui->LblValeurForce->setText(EntierEnTexte(position)); });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TDDPPasseBas::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TDDPPasseBas::~TDDPPasseBas() { delete ui; }

void TDDPPasseBas::FixerNiveau(int niveau) { ui->EdtNiveau->setText(EntierEnTexte(niveau)); }
int TDDPPasseBas::LireNiveau() const { return ConvertirEntier(ui->EdtNiveau->text()); }
double TDDPPasseBas::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
int TDDPPasseBas::LireForce() const { return ui->TrckBrForce->value(); }
bool TDDPPasseBas::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

void TDDPPasseBas::BtnOKClick()
{
    ReparerNiveauDDP(ui->EdtNiveau);
    if (ui->EdtCoefficient->text().isEmpty())
        ui->EdtCoefficient->setText(QStringLiteral("0"));
    accept();
}

void TDDPPasseBas::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->EdtNiveau->setFocus();
}

#include "UMasqueFlou.h"

#include "ui_UMasqueFlou.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

TMasqueFlou* MasqueFlou = nullptr;

TMasqueFlou::TMasqueFlou(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TMasqueFlou)
{
    ui->setupUi(this);
    ui->EdtSigma->setText(QStringLiteral("1,2"));
    ui->EdtCoefficient->setText(QStringLiteral("2,5"));
    InstallerFiltreSaisie(ui->EdtSigma, TGenreSaisie::Reel, 1);
    InstallerFiltreSaisie(ui->EdtCoefficient, TGenreSaisie::Reel, 1);
    RelierHautBas(ui->UpDwnSigma, [this](TBoutonHautBas bouton) {
        EditSigmaMinimum(ui->EdtSigma);
        IncrementerEditReel(ui->EdtSigma, bouton, 1, 0.1, 0.2);
    });
    RelierHautBas(ui->UpDwnCoefficient, [this](TBoutonHautBas bouton) {
        EditCoefficientPositif(ui->EdtCoefficient);
        IncrementerEditReel(ui->EdtCoefficient, bouton, 1, 0.1, 0.0);
    });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TMasqueFlou::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TMasqueFlou::~TMasqueFlou() { delete ui; }

double TMasqueFlou::LireSigma() const { return ConvertirReel(ui->EdtSigma->text()); }
double TMasqueFlou::LireCoefficient() const { return ConvertirReel(ui->EdtCoefficient->text()); }
bool TMasqueFlou::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

void TMasqueFlou::BtnOKClick()
{
    EditSigmaMinimum(ui->EdtSigma);
    EditCoefficientPositif(ui->EdtCoefficient);
    accept();
}

void TMasqueFlou::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->EdtSigma->setFocus();
}

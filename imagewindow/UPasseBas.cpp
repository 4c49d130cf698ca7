#include "UPasseBas.h"

#include "ui_UPasseBas.h"

#include "UOutils.h"

TPasseBas* PasseBas = nullptr;

TPasseBas::TPasseBas(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TPasseBas)
{
    ui->setupUi(this);
    connect(ui->TrckBrForce, &QSlider::valueChanged, this,
            [this](int position) { ui->LblValeurForce->setText(EntierEnTexte(position)); });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TPasseBas::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TPasseBas::~TPasseBas() { delete ui; }

int TPasseBas::LireForce() const { return ui->TrckBrForce->value(); }
bool TPasseBas::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

// Nothing to repair: the track bar cannot leave 1..5.
void TPasseBas::BtnOKClick() { accept(); }

void TPasseBas::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->TrckBrForce->setFocus();
}

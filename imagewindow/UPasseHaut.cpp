#include "UPasseHaut.h"

#include "ui_UPasseHaut.h"

#include "UOutils.h"

TPasseHaut* PasseHaut = nullptr;

TPasseHaut::TPasseHaut(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TPasseHaut)
{
    ui->setupUi(this);
    connect(ui->TrckBrForce, &QSlider::valueChanged, this,
            [this](int position) { ui->LblValeurForce->setText(EntierEnTexte(position)); });
    connect(ui->BtnOK, &QPushButton::clicked, this, &TPasseHaut::BtnOKClick);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TPasseHaut::~TPasseHaut() { delete ui; }

int TPasseHaut::LireForce() const { return ui->TrckBrForce->value(); }
bool TPasseHaut::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

// Nothing to repair: the track bar cannot leave 1..5.
void TPasseHaut::BtnOKClick() { accept(); }

void TPasseHaut::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->TrckBrForce->setFocus();
}

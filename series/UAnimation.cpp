#include "UAnimation.h"

#include "ui_UAnimation.h"

#include "PApplication.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QGuiApplication>
#include <QScreen>

TAnimation* Animation = nullptr;

namespace {
const QString PeriodeParDefaut = QStringLiteral("1000");
}

TAnimation::TAnimation(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui::TAnimation)
{
    ui->setupUi(this);
    setFixedSize(size());
    InstallerFiltreSaisie(ui->EdtFrequence, TGenreSaisie::Entier);
    RelierHautBas(ui->UpDwnFrequence, [this](TBoutonHautBas bouton) {
        ExecuterCommande([&] { UpDwnFrequenceClick(bouton == TBoutonHautBas::Suivant); });
    });
    connect(ui->BtnOK, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnOKClick(); }); });
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    ui->EdtFrequence->setText(PeriodeParDefaut);
    ui->CmbBxSens->setCurrentIndex(0);
    ui->ChckBxBoucle->setChecked(true);
}

TAnimation::~TAnimation() { delete ui; }

void TAnimation::FixerFrequence(int32_t periode) { ui->EdtFrequence->setText(EntierEnTexte(periode)); }
void TAnimation::FixerSens(int sens) { ui->CmbBxSens->setCurrentIndex(sens); }
void TAnimation::FixerBoucle(bool boucle) { ui->ChckBxBoucle->setChecked(boucle); }
int32_t TAnimation::LireFrequence() const { return ConvertirEntier(ui->EdtFrequence->text()); }
int TAnimation::LireImages() const { return ui->CmbBxImages->currentIndex(); }
int TAnimation::LireSens() const { return ui->CmbBxSens->currentIndex(); }
bool TAnimation::LireBoucle() const { return ui->ChckBxBoucle->isChecked(); }

void TAnimation::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    if (QScreen* ecran = screen() ? screen() : QGuiApplication::primaryScreen())
        move(ecran->availableGeometry().center() - rect().center());
    ui->EdtFrequence->setFocus();
}

void TAnimation::UpDwnFrequenceClick(bool haut)
{
    if (ui->EdtFrequence->text().isEmpty())
        ui->EdtFrequence->setText(PeriodeParDefaut);
    IncrementerEditEntier(ui->EdtFrequence, haut ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 500, 0,
                          2147483647);
}

void TAnimation::BtnOKClick()
{
    if (ui->EdtFrequence->text().isEmpty())
        ui->EdtFrequence->setText(PeriodeParDefaut);
    accept();
}

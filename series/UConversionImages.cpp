#include "UConversionImages.h"

#include "ui_UConversionImages.h"

#include "PApplication.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

TConversionImages* ConversionImages = nullptr;

TConversionImages::TConversionImages(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TConversionImages>())
{
    ui->setupUi(this);
    InstallerFiltreSaisie(ui->EdtQualite, TGenreSaisie::Entier);
    RelierHautBas(ui->UpDwnQualite, [this](TBoutonHautBas bouton) {
        ExecuterCommande([this, bouton] {
            if (ui->EdtQualite->text().isEmpty())
                ui->EdtQualite->setText(QStringLiteral("0"));
            IncrementerEditEntier(ui->EdtQualite, bouton, 1, 0, 100);
        });
    });
    connect(ui->CmbBxFormat, &QComboBox::currentIndexChanged, this,
            [this] { ExecuterCommande([this] { CmbBxFormatChange(); }); });
    connect(ui->BtnOk, &QPushButton::clicked, this, [this] { ExecuterCommande([this] { BtnOkClick(); }); });
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    CmbBxFormatChange();
}

TConversionImages::~TConversionImages() = default;

int TConversionImages::LireFormat() const { return ui->CmbBxFormat->currentIndex(); }
int TConversionImages::LireCouleurs() const { return ui->CmbBxCouleurs->currentIndex(); }
int TConversionImages::LireQualite() const { return TexteEnEntierDefaut(ui->EdtQualite->text(), 100); }
QString TConversionImages::TexteFormat() const { return ui->CmbBxFormat->currentText(); }

void TConversionImages::CmbBxFormatChange()
{
    ui->CmbBxCouleurs->setEnabled(LireFormat() == FormatFit);
    ui->EdtQualite->setEnabled(LireFormat() == FormatJpeg);
    ui->UpDwnQualite->setEnabled(LireFormat() == FormatJpeg);
}

void TConversionImages::BtnOkClick()
{
    const auto qualite = TexteEnEntier(ui->EdtQualite->text());
    if (!qualite || *qualite > 100)
        ui->EdtQualite->setText(QStringLiteral("100"));
    accept();
}

void TConversionImages::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnOk->setFocus();
}

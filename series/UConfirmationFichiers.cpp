#include "UConfirmationFichiers.h"

#include "ui_UConfirmationFichiers.h"

#include "UOutilsFenetres.h"

#include <QTreeWidgetItem>

TConfirmationFichiers* ConfirmationFichiers = nullptr;

TConfirmationFichiers::TConfirmationFichiers(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TConfirmationFichiers>())
{
    ui->setupUi(this);
    connect(ui->BtnConfirmer, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TConfirmationFichiers::~TConfirmationFichiers() = default;

void TConfirmationFichiers::Preparer(const QString& message, const QList<std::pair<QString, QString>>& fichiers)
{
    ui->LblMessage->setText(message);
    ui->LstVwFichiers->clear();
    for (const auto& [nom, dossier] : fichiers)
        ui->LstVwFichiers->addTopLevelItem(new QTreeWidgetItem(QStringList{nom, dossier}));
    AjusterColonneAuContenu(ui->LstVwFichiers, 0);
}

QStringList TConfirmationFichiers::FichiersListes() const
{
    QStringList noms;
    for (int i = 0; i < ui->LstVwFichiers->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ui->LstVwFichiers->topLevelItem(i);
        noms << item->text(1) + item->text(0);
    }
    return noms;
}

void TConfirmationFichiers::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ui->BtnConfirmer->setFocus();
}

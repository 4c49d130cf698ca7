#include "UAbandonBmp.h"

#include "PDialogues.h"
#include "ui_UAbandonBmp.h"

#include <QStyle>

TAbandonBmp* AbandonBmp = nullptr;

TAbandonBmp::TAbandonBmp(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TAbandonBmp>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("AbandonBmp"));
    FUi->ImgNon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    // OK is both the default and the cancel button: Enter and Escape close.
    connect(FUi->BtnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TAbandonBmp::~TAbandonBmp()
{
    if (AbandonBmp == this)
        AbandonBmp = nullptr;
}

void TAbandonBmp::FixerFonction(const QString& nom) { FUi->LblFonction->setText(nom); }
QString TAbandonBmp::Fonction() const { return FUi->LblFonction->text(); }

void TAbandonBmp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FUi->BtnOK->setFocus();
}

void AvertirFonctionBmp(const QString& nomOperation)
{
    // Created on first use when the start-up did not (tools run alone).
    if (!AbandonBmp)
        AbandonBmp = new TAbandonBmp;
    AbandonBmp->FixerFonction(nomOperation);
    Dialogues::ExecuterModal(*AbandonBmp);
}

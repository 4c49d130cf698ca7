#include "UZoom.h"

#include "PApplication.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "ui_UZoom.h"

TZoom* Zoom = nullptr;

namespace {
constexpr int ZoomMinimum = 5;
constexpr int ZoomMaximum = 800;
} // namespace

TZoom::TZoom(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TZoom>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("Zoom"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(186, 100);
    FUi->LblPourcent->setText(QStringLiteral("% (") + QString::number(ZoomMinimum) + QStringLiteral("-") +
                              QString::number(ZoomMaximum) + QStringLiteral(")"));
    // At most 4 digits: OK can always read the number.
    FUi->EdtZoom->setMaxLength(4);
    InstallerFiltreSaisie(FUi->EdtZoom, TGenreSaisie::Entier);
    connect(FUi->BtnOK, &QPushButton::clicked, this, Commande([this] { BtnOKClick(); }));
    connect(FUi->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    FUi->BtnAnnuler->setAutoDefault(false);
    FUi->BtnAide->setAutoRaise(true);
}

TZoom::~TZoom()
{
    if (Zoom == this)
        Zoom = nullptr;
}

QLineEdit* TZoom::EdtZoom() const { return FUi->EdtZoom; }

int TZoom::LireZoom() const { return TexteEnEntierDefaut(FUi->EdtZoom->text(), 100); }

void TZoom::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FUi->EdtZoom->setFocus();
    FUi->EdtZoom->selectAll();
}

void TZoom::BtnOKClick()
{
    QLineEdit* edit = FUi->EdtZoom;
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("100"));
    // A pasted text that is not a number reads as the default.
    const int valeur = TexteEnEntierDefaut(edit->text(), 100);
    if (valeur < ZoomMinimum)
        edit->setText(QString::number(ZoomMinimum));
    else if (valeur > ZoomMaximum)
        edit->setText(QString::number(ZoomMaximum));
    else if (!EstTexteEntier(edit->text()))
        edit->setText(QString::number(valeur));
    accept();
}

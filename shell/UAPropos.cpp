#include "UAPropos.h"

#include "UAccueil.h"
#include "ui_UAPropos.h"

#include <QEvent>

TAPropos* APropos = nullptr;

TAPropos::TAPropos(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TAPropos>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("APropos"));
    PreparerBoiteStelor(*this, FUi->ImgLogo, FUi->LblVersion, FUi->LblDroits, FUi->RchEdtPresentation,
                        FUi->RchEdtLicence, FUi->BtnOK, this);
}

TAPropos::~TAPropos()
{
    if (APropos == this)
        APropos = nullptr;
}

bool TAPropos::eventFilter(QObject* objet, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(objet, event);
}

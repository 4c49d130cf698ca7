#include "UAPropos.h"

#include "UAccueil.h"
#include "ui_UAPropos.h"

TAPropos* APropos = nullptr;

TAPropos::TAPropos(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TAPropos>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("APropos"));
    PreparerBoiteStelor(*this, FUi->ImgLogo, FUi->LblVersion, FUi->LblDroits, FUi->RchEdtPresentation,
                        FUi->RchEdtLicence, FUi->BtnOK);
}

TAPropos::~TAPropos()
{
    if (APropos == this)
        APropos = nullptr;
}

#include "UMire.h"

#include "UOutilsFenetres.h"
#include "ui_UMire.h"

#include <QPixmap>

TMire* Mire = nullptr;

// 15 (not 16) for the second patch and 205 (not 213) for the fourteenth.
const int TMire::Niveaux[NombrePatches] = {0, 15, 32, 48, 65, 81, 98, 114, 131, 147, 164, 180, 197, 205, 221, 238, 255};

TMire::TMire(QWidget* parent) : QDialog(parent), FUi(std::make_unique<Ui::TMire>())
{
    FUi->setupUi(this);
    setObjectName(QStringLiteral("Mire"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // The buttons lie below the visible client area: Enter still reaches OK.
    setFixedSize(712, 120);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    QFont petite = FUi->LblZero->font();
    petite.setPointSize(7);
    FUi->LblZero->setFont(petite);
    FUi->Lbl255->setFont(petite);
    const QPixmap modele(FUi->Img1->size());
    QList<QWidget*> clics = {this};
    for (int i = 1; i <= NombrePatches; ++i) {
        QPixmap patch = modele;
        const int n = Niveaux[i - 1];
        patch.fill(QColor(n, n, n));
        Patch(i)->setPixmap(patch);
        clics << Patch(i);
    }
    // A click on the background or on any patch closes the chart.
    FermerAuClic(*this, clics);
    connect(FUi->BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(FUi->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TMire::~TMire()
{
    if (Mire == this)
        Mire = nullptr;
}

QLabel* TMire::Patch(int i) const
{
    return findChild<QLabel*>(QStringLiteral("Img%1").arg(i));
}

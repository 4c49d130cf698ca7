#include "USelectionTraitementImage.h"

#include "ui_USelectionTraitementImage.h"

#include "PApplication.h"
#include "UMain.h"
#include "UOutils.h"

#include <QListWidget>
#include <QMdiArea>

TSelectionTraitementImage* SelectionTraitementImage = nullptr;

TSelectionTraitementImage::TSelectionTraitementImage(QWidget* parent)
    : QDialog(parent), ui(new Ui::TSelectionTraitementImage)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    LstBxTraitementsImages = ui->LstBxTraitementsImages;
    connect(ui->BtnSelectionner, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(LstBxTraitementsImages, &QListWidget::itemClicked, this,
            [this] { ExecuterCommande([this] { LstBxClick(); }); });
    connect(LstBxTraitementsImages, &QListWidget::itemDoubleClicked, this, [this] {
        DoubleClic = true;
        reject();
    });
}

TSelectionTraitementImage::~TSelectionTraitementImage() { delete ui; }

void TSelectionTraitementImage::PreparerSelection(const QString& titre, int type)
{
    FenetreActive = Main ? Main->FenetreActive() : nullptr;
    DoubleClic = false;
    setWindowTitle(titre);
    RemplirListe(type);
}

void TSelectionTraitementImage::RemplirListe(int type)
{
    LstBxTraitementsImages->clear();
    if (!Main)
        return;
    for (TMDIChild* f : Main->FenetresDuGenre(GenreImage)) {
        if (type != 0 && f->TypeImageDocument() != type)
            continue;
        const QString fichier = f->NomFichierDocument();
        QString nom = fichier.isEmpty() ? QStringLiteral("*image non enregistrée*") : NomFichierSansChemin(fichier);
        if (f == FenetreActive)
            nom += QStringLiteral(" [Self]");
        LstBxTraitementsImages->addItem(QStringLiteral("#") + EntierEnTexte(f->NumeroDocument()) + QLatin1Char(' ') +
                                        nom);
    }
}

int TSelectionTraitementImage::ImageSelectionnee() const
{
    const QList<QListWidgetItem*> choisies = LstBxTraitementsImages->selectedItems();
    if (choisies.isEmpty())
        return 0;
    const QString ligne = choisies.first()->text();
    const int blanc = ligne.indexOf(QLatin1Char(' '));
    return TexteEnEntierDefaut(ligne.mid(1, blanc < 0 ? -1 : blanc - 1), 0);
}

void TSelectionTraitementImage::LstBxClick()
{
    const int numero = ImageSelectionnee();
    if (numero == 0 || !Main)
        return;
    Main->EffacerMarquesSelection();
    Main->MarquerImageSelection(numero);
}

void TSelectionTraitementImage::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    LstBxTraitementsImages->setFocus();
    DoubleClic = false;
}

void TSelectionTraitementImage::hideEvent(QHideEvent* evenement)
{
    QDialog::hideEvent(evenement);
    // No mark is left behind, and the window that asked comes back to the front.
    if (Main && ImageSelectionnee() != 0)
        Main->EffacerMarquesSelection();
    if (FenetreActive) {
        FenetreActive->show();
        FenetreActive->raise();
        if (QMdiArea* zone = FenetreActive->mdiArea())
            zone->setActiveSubWindow(FenetreActive);
    }
}

void TSelectionTraitementImage::resizeEvent(QResizeEvent* evenement)
{
    QDialog::resizeEvent(evenement);
    LstBxTraitementsImages->resize(LstBxTraitementsImages->width(), std::max(20, height() - 89));
    ui->PnlBas->move(0, height() - ui->PnlBas->height());
}

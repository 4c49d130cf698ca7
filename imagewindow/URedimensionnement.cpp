#include "URedimensionnement.h"

#include "ui_URedimensionnement.h"

#include "PApplication.h"
#include "UImages.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QToolButton>
#include <algorithm>

TRedimensionnement* Redimensionnement = nullptr;

TRedimensionnement::TRedimensionnement(QWidget* parent) : QDialog(parent), ui(new Ui::TRedimensionnement)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    EdtNouvelleFacteur = ui->EdtNouvelleFacteur;
    LblOriginalLargeur = ui->LblOriginalLargeur;
    LblOriginalHauteur = ui->LblOriginalHauteur;
    LblNouvelLargeur = ui->LblNouvelLargeur;
    LblNouvelHauteur = ui->LblNouvelHauteur;
    for (QLabel* l : {LblOriginalLargeur, LblOriginalHauteur, LblNouvelLargeur, LblNouvelHauteur})
        l->setWordWrap(false);
    EdtNouvelleFacteur->setText(QStringLiteral("1,000"));
    InstallerFiltreSaisie(EdtNouvelleFacteur, TGenreSaisie::Reel, 3);
    connect(EdtNouvelleFacteur, &QLineEdit::textChanged, this, [this] { ExecuterCommande([this] { CalculerDimensions(); }); });
    RelierHautBas(ui->UpDwnNouvelleFacteur, [this](TBoutonHautBas b) {
        ExecuterCommande([&] { UpDwnNouvelleFacteurClick(b == TBoutonHautBas::Suivant); });
    });
    const auto rapide = [this](QToolButton* bouton, const char* texte) {
        connect(bouton, &QToolButton::clicked, this, [this, texte] {
            EdtNouvelleFacteur->setText(QString::fromLatin1(texte));
            EdtNouvelleFacteur->setFocus();
        });
    };
    rapide(ui->SpdBttn0Point5, "0,500");
    rapide(ui->SpdBttn0Point75, "0,750");
    rapide(ui->SpdBttn1Point5, "1,500");
    rapide(ui->SpdBttn2, "2,000");
    connect(ui->BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TRedimensionnement::~TRedimensionnement() { delete ui; }

void TRedimensionnement::InitialiserDimensions(int32_t largeur, int32_t hauteur)
{
    FLargeur = largeur;
    FHauteur = hauteur;
    LblOriginalLargeur->setText(EntierEnTexte(largeur));
    LblOriginalHauteur->setText(EntierEnTexte(hauteur));
    CalculerDimensions();
}

void TRedimensionnement::CalculerDimensions()
{
    // While typing, "," or "1e" are not numbers yet: the labels keep their values.
    const QString texte = EdtNouvelleFacteur->text();
    if (!EstTexteReel(texte))
        return;
    const std::optional<double> f = TexteEnReel(texte);
    if (!f)
        return;
    int32_t l = 0, h = 0;
    DimensionsRedimensionnees(FLargeur, FHauteur, *f, l, h);
    LblNouvelLargeur->setText(EntierEnTexte(std::max(l, 0)));
    LblNouvelHauteur->setText(EntierEnTexte(std::max(h, 0)));
}

double TRedimensionnement::FacteurRedimensionnement()
{
    const QString texte = EdtNouvelleFacteur->text();
    if (EstTexteReel(texte))
        EdtNouvelleFacteur->setText(ReelEnTexte(std::max(0.05, ConvertirReel(texte)), 3));
    else
        EdtNouvelleFacteur->setText(QStringLiteral("1,000"));
    return ConvertirReel(EdtNouvelleFacteur->text());
}

void TRedimensionnement::UpDwnNouvelleFacteurClick(bool haut)
{
    if (!EstTexteReel(EdtNouvelleFacteur->text()))
        return;
    IncrementerEditReel(EdtNouvelleFacteur, haut ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 3, 0.1, 0.05);
    // A step down from 0,1 would pass the lower bound.
    if (ConvertirReel(EdtNouvelleFacteur->text()) < 0.05)
        EdtNouvelleFacteur->setText(QStringLiteral("0,050"));
}

void TRedimensionnement::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    EdtNouvelleFacteur->setFocus();
}

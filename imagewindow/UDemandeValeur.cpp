#include "UDemandeValeur.h"

#include "ui_UDemandeValeur.h"

#include "PApplication.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <cmath>

TDemandeValeur* DemandeValeur = nullptr;

namespace {
constexpr int LargeurForme = 197;
}

TDemandeValeur::TDemandeValeur(QWidget* parent) : QDialog(parent), ui(new Ui::TDemandeValeur)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    EdtValeur = ui->EdtValeur;
    EdtValeur->setText(QStringLiteral("0,00"));
    InstallerFiltreSaisie(EdtValeur, TGenreSaisie::ReelSigne, 2);
    RelierHautBas(ui->UpDwnValeur, [this](TBoutonHautBas b) {
        ExecuterCommande([&] { UpDwnValeurClick(b == TBoutonHautBas::Suivant); });
    });
    connect(ui->BtnOK, &QPushButton::clicked, this, [this] {
        if (ExecuterCommande([this] { BtnOKClick(); }))
            accept();
    });
    connect(ui->BtnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

TDemandeValeur::~TDemandeValeur() { delete ui; }

void TDemandeValeur::PreparerDemande(const QString& titre, double minimum, double maximum)
{
    setWindowTitle(titre);
    // The caption is the question itself: it must be read whole.
    AjusterLargeurALegende(*this, LargeurForme);
    Minimum = minimum;
    Maximum = maximum;
}

double TDemandeValeur::ValeurDemandee() const { return ConvertirReel(EdtValeur->text()); }

void TDemandeValeur::UpDwnValeurClick(bool haut)
{
    if (EdtValeur->text().isEmpty())
        EdtValeur->setText(QStringLiteral("0,00"));
    const double v = ConvertirReelSature(EdtValeur->text());
    if (v < Minimum)
        EdtValeur->setText(ReelEnTexte(Minimum, 2));
    else if (std::isinf(v)) // more digits than a number holds: the bound, as OK would
        EdtValeur->setText(ReelEnTexte(Maximum, 2));
    IncrementerEditReel(EdtValeur, haut ? TBoutonHautBas::Suivant : TBoutonHautBas::Precedent, 2, 1, Minimum);
}

void TDemandeValeur::BtnOKClick()
{
    if (EdtValeur->text().isEmpty())
        EdtValeur->setText(QStringLiteral("0,00"));
    // However many digits the number has, it is brought to the bounds.
    const double v = ConvertirReelSature(EdtValeur->text());
    if (v < Minimum)
        EdtValeur->setText(ReelEnTexte(Minimum, 2));
    else if (v > Maximum)
        EdtValeur->setText(ReelEnTexte(Maximum, 2));
}

void TDemandeValeur::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    EdtValeur->setFocus();
}

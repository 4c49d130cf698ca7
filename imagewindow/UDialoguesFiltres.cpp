#include "UDialoguesFiltres.h"

#include "PApplication.h"
#include "PErreurs.h"
#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace {
// Empty -> "0", then 0 (or less) -> "1", then above 65535, however many
// digits, -> "65535": a level passed on lies in 1..65535.
void ReparerNiveauDDP(QLineEdit* edit)
{
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    if (ConvertirReelSature(edit->text()) < 1)
        edit->setText(QStringLiteral("1"));
    if (ConvertirReelSature(edit->text()) > 65535)
        edit->setText(QStringLiteral("65535"));
}

// Empty -> "0"; a negative coefficient is refused.
void ReparerCoefficientDDP(QLineEdit* edit)
{
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    if (ConvertirReel(edit->text()) < 0) {
        edit->setFocus();
        edit->selectAll();
        LeverErreur(QStringLiteral("Le coefficient '%1' est négatif : il doit être positif ou nul.")
                        .arg(TexteCite(edit->text())));
    }
}
} // namespace

TDialogueFiltre::TDialogueFiltre(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
}

void TDialogueFiltre::Relier(QPushButton* ok, QPushButton* annuler, QWidget* premier)
{
    FPremier = premier;
    // A tool window's border does not resize.
    setFixedSize(size());
    // A field that cannot be repaired shows its error; the dialog stays open.
    connect(ok, &QPushButton::clicked, this, Commande([this] {
        for (const auto& reparer : FReparations)
            reparer();
        accept();
    }));
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TDialogueFiltre::PreparerReel(QLineEdit* edit, QSpinBox* hautBas, const QString& defaut,
                                   std::function<void(TBoutonHautBas)> pas, std::function<void()> reparation)
{
    edit->setText(defaut);
    InstallerFiltreSaisie(edit, TGenreSaisie::Reel, 1);
    RelierHautBas(hautBas, std::move(pas));
    FReparations.push_back(std::move(reparation));
}

void TDialogueFiltre::PreparerSigma(QLineEdit* edit, QSpinBox* hautBas, const QString& defaut)
{
    PreparerReel(
        edit, hautBas, defaut, [edit](TBoutonHautBas b) { PasSigma(edit, b); }, [edit] { EditSigmaMinimum(edit); });
}

void TDialogueFiltre::PreparerCoefficientMF(QLineEdit* edit, QSpinBox* hautBas)
{
    PreparerReel(
        edit, hautBas, QStringLiteral("2,5"), [edit](TBoutonHautBas b) { PasCoefficient(edit, b); },
        [edit] { EditCoefficientPositif(edit); });
}

void TDialogueFiltre::PreparerCoefficientDDP(QLineEdit* edit, QSpinBox* hautBas)
{
    // Its key filter admits no minus sign: emptiness is mended, to the
    // default before a step and to "0" on OK.
    PreparerReel(
        edit, hautBas, QStringLiteral("5,0"),
        [edit](TBoutonHautBas b) {
            if (edit->text().isEmpty())
                edit->setText(QStringLiteral("5,0"));
            IncrementerEditReel(edit, b, 1, 0.1, 0.0);
        },
        [edit] { ReparerCoefficientDDP(edit); });
}

void TDialogueFiltre::PreparerNiveau(QLineEdit* edit)
{
    InstallerFiltreSaisie(edit, TGenreSaisie::Entier);
    FReparations.push_back([edit] { ReparerNiveauDDP(edit); });
}

void TDialogueFiltre::PreparerForce(QSlider* force, QLabel* valeur)
{
    force->setValue(1);
    valeur->setText(EntierEnTexte(force->value()));
    connect(force, &QSlider::valueChanged, valeur, [valeur](int position) { valeur->setText(EntierEnTexte(position)); });
}

void TDialogueFiltre::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    if (FPremier)
        FPremier->setFocus();
}

bool PasSigma(QLineEdit* edit, TBoutonHautBas bouton)
{
    EditSigmaMinimum(edit);
    return IncrementerEditReel(edit, bouton, 1, 0.1, 0.2);
}

bool PasCoefficient(QLineEdit* edit, TBoutonHautBas bouton)
{
    EditCoefficientPositif(edit);
    return IncrementerEditReel(edit, bouton, 1, 0.1, 0.0);
}

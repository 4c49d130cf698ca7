#include "UConvolution.h"

#include "ui_UConvolution.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

TConvolution* Convolution = nullptr;

namespace {
const double SigmaPresetGaussien = 1.2;
const int ForcePresets = 3;
const int CoefficientMaximal = 65535;
} // namespace

TConvolution::TConvolution(QWidget* parent) : TDialogueFiltre(parent), ui(new Ui::TConvolution)
{
    ui->setupUi(this);
    for (int ligne = 1; ligne <= 5; ++ligne)
        for (int colonne = 1; colonne <= 5; ++colonne) {
            auto* edit = findChild<QLineEdit*>(QStringLiteral("EdtCoef%1%2").arg(ligne).arg(colonne));
            FCoefficients[(ligne - 1) * 5 + (colonne - 1)] = edit;
            InstallerFiltreSaisie(edit, TGenreSaisie::ReelSigne, 1);
            connect(edit, &QLineEdit::textChanged, this, [this, edit] { ControlerCoefficient(edit); });
        }
    connect(ui->BtnNeutre, &QPushButton::clicked, this, [this] { PresetNeutre(); });
    connect(ui->BtBtnHorizontal, &QToolButton::clicked, this, [this] { PresetHorizontal(); });
    connect(ui->BtBtnVertical, &QToolButton::clicked, this, [this] { PresetVertical(); });
    connect(ui->BtBtnDiagonalHaut, &QToolButton::clicked, this, [this] { PresetDiagonalHaut(); });
    connect(ui->BtBtnDiagonalBas, &QToolButton::clicked, this, [this] { PresetDiagonalBas(); });
    connect(ui->BtnPasseBas, &QPushButton::clicked, this, [this] { PresetPasseBas(); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { PresetPasseHaut(); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { PresetGaussien(); });
    Relier(ui->BtnAppliquer, ui->BtnAnnuler, ui->EdtCoef33);
    PresetNeutre();
}

TConvolution::~TConvolution() { delete ui; }

QLineEdit* TConvolution::Coefficient(int ligne, int colonne) const
{
    return FCoefficients[(ligne - 1) * 5 + (colonne - 1)];
}

TNoyau5x5 TConvolution::LireNoyau() const
{
    TNoyau5x5 noyau{};
    for (size_t i = 0; i < noyau.size(); ++i)
        noyau[i] = ConvertirReel(FCoefficients[i]->text());
    return noyau;
}

bool TConvolution::LirePreservatif() const { return ui->ChckBxPreservatif->isChecked(); }

void TConvolution::ControlerCoefficient(QLineEdit* edit)
{
    // A partial entry ("," or "-,") is not a number yet: it stays black.
    const std::optional<double> valeur = TexteEnReel(edit->text());
    MettreEnEvidence(edit, valeur && *valeur != 0);
}

void TConvolution::CompleterCoefficients()
{
    for (QLineEdit* edit : FCoefficients) {
        EditEntierVide(edit);
        // A weight too big to hold (500 digits, 1E999) is brought to the
        // pixel range; any other number is the user's to keep, and a text
        // that is no number is left for the reading to refuse.
        const std::optional<double> v = TexteEnReelSature(edit->text());
        if (v && std::isinf(*v))
            edit->setText(EntierEnTexte(*v < 0 ? -CoefficientMaximal : CoefficientMaximal));
    }
}

void TConvolution::accept()
{
    CompleterCoefficients();
    TDialogueFiltre::accept();
}

void TConvolution::reject()
{
    CompleterCoefficients();
    TDialogueFiltre::reject();
}

void TConvolution::Effacer()
{
    for (QLineEdit* edit : FCoefficients)
        edit->setText(QStringLiteral("0"));
}

void TConvolution::Ecrire(std::initializer_list<int> cellules)
{
    Effacer();
    for (int cellule : cellules)
        Coefficient(cellule / 10, cellule % 10)->setText(QStringLiteral("1"));
}

void TConvolution::PresetNeutre() { Ecrire({33}); }
void TConvolution::PresetHorizontal() { Ecrire({32, 33, 34}); }
void TConvolution::PresetVertical() { Ecrire({23, 33, 43}); }
void TConvolution::PresetDiagonalHaut() { Ecrire({42, 33, 24}); }
void TConvolution::PresetDiagonalBas() { Ecrire({22, 33, 44}); }

void TConvolution::EcrireCentre3x3(const TNoyau3x3& noyau)
{
    Effacer();
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            Coefficient(i + 1, j + 1)->setText(ReelEnTexte(CoefficientNoyau3x3(noyau, i, j), 0));
}

void TConvolution::PresetPasseBas()
{
    TNoyau3x3 noyau{};
    NoyauPasseBas(ForcePresets, noyau);
    EcrireCentre3x3(noyau);
}

void TConvolution::PresetPasseHaut()
{
    TNoyau3x3 noyau{};
    NoyauPasseHaut(ForcePresets, noyau);
    EcrireCentre3x3(noyau);
}

void TConvolution::PresetGaussien()
{
    TNoyau5x5 noyau{};
    NoyauGaussien(noyau, SigmaPresetGaussien);
    Effacer();
    for (size_t i = 0; i < noyau.size(); ++i)
        FCoefficients[i]->setText(ReelEnTexte(noyau[i], 1));
}

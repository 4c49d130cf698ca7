#pragma once
// The 5 x 5 convolution kernel editor: the kernel is nothing but the 25 edit
// texts, kept from one showing to the next; the caller reads it after OK.
#include "UDialoguesFiltres.h"
#include "UFiltres.h"

#include <array>

class QLineEdit;
namespace Ui {
class TConvolution;
}

class TConvolution : public TDialogueFiltre {
    Q_OBJECT
public:
    explicit TConvolution(QWidget* parent = nullptr);
    ~TConvolution() override;

    // The 25 texts in row order; a cell that is not a number raises the
    // conversion error.
    TNoyau5x5 LireNoyau() const;
    bool LirePreservatif() const;

    // The edit of row `ligne`, column `colonne` (1..5, 1 = top / left).
    QLineEdit* Coefficient(int ligne, int colonne) const;

    void ControlerCoefficient(QLineEdit* edit);
    // Empty and "-" cells become "0", numbers beyond -65535..65535 the bound.
    void CompleterCoefficients();
    void Effacer();
    void PresetNeutre();
    void PresetHorizontal();
    void PresetVertical();
    void PresetDiagonalHaut();
    void PresetDiagonalBas();
    void PresetPasseBas();
    void PresetPasseHaut();
    void PresetGaussien();

public slots:
    // Appliquer and Annuler (and Escape) both complete the cells first.
    void accept() override;
    void reject() override;

private:
    void Ecrire(std::initializer_list<int> cellules);
    void EcrireCentre3x3(const TNoyau3x3& noyau);

    Ui::TConvolution* ui;
    std::array<QLineEdit*, 25> FCoefficients{};
};

extern TConvolution* Convolution;

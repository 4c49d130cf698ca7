#pragma once
// Asks for a resize factor and shows the new size.
#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
namespace Ui {
class TRedimensionnement;
}

class TRedimensionnement : public QDialog {
    Q_OBJECT
public:
    explicit TRedimensionnement(QWidget* parent = nullptr);
    ~TRedimensionnement() override;

    void InitialiserDimensions(int32_t largeur, int32_t hauteur);
    // A factor text that is not yet a number leaves the new size as shown.
    void CalculerDimensions();
    // The factor repaired (at least 0,05, three decimals; "1,000" for a text
    // that is no number) and returned.
    double FacteurRedimensionnement();
    void UpDwnNouvelleFacteurClick(bool haut);

    QLineEdit* EdtNouvelleFacteur = nullptr;
    QLabel* LblOriginalLargeur = nullptr;
    QLabel* LblOriginalHauteur = nullptr;
    QLabel* LblNouvelLargeur = nullptr;
    QLabel* LblNouvelHauteur = nullptr;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    Ui::TRedimensionnement* ui;
    int32_t FLargeur = 0;
    int32_t FHauteur = 0;
};

extern TRedimensionnement* Redimensionnement;

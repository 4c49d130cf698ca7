#pragma once
// Asks for one number between a minimum and a maximum (two decimals).
#include <QDialog>
#include <QString>

class QLineEdit;
namespace Ui {
class TDemandeValeur;
}

class TDemandeValeur : public QDialog {
    Q_OBJECT
public:
    explicit TDemandeValeur(QWidget* parent = nullptr);
    ~TDemandeValeur() override;

    // The value typed at the last use stays.
    void PreparerDemande(const QString& titre, double minimum, double maximum);
    double ValeurDemandee() const;

    void UpDwnValeurClick(bool haut);
    // The repairs of OK: empty -> "0,00", then within the bounds.
    void BtnOKClick();

    QLineEdit* EdtValeur = nullptr;
    double Minimum = -65535;
    double Maximum = 65535;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    Ui::TDemandeValeur* ui;
};

extern TDemandeValeur* DemandeValeur;

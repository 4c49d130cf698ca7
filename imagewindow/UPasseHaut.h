#pragma once
// Parameters of the high-pass filter: force 1..5 and star protection.
#include <QDialog>

namespace Ui {
class TPasseHaut;
}

class TPasseHaut : public QDialog {
    Q_OBJECT
public:
    explicit TPasseHaut(QWidget* parent = nullptr);
    ~TPasseHaut() override;

    int LireForce() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TPasseHaut* ui;
};

extern TPasseHaut* PasseHaut;

#pragma once
// Parameters of the low-pass filter: force 1..5 and star protection.
#include <QDialog>

namespace Ui {
class TPasseBas;
}

class TPasseBas : public QDialog {
    Q_OBJECT
public:
    explicit TPasseBas(QWidget* parent = nullptr);
    ~TPasseBas() override;

    int LireForce() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TPasseBas* ui;
};

extern TPasseBas* PasseBas;

#pragma once
// Parameters of the unsharp mask: sigma, coefficient, star protection.
#include <QDialog>

namespace Ui {
class TMasqueFlou;
}

class TMasqueFlou : public QDialog {
    Q_OBJECT
public:
    explicit TMasqueFlou(QWidget* parent = nullptr);
    ~TMasqueFlou() override;

    double LireSigma() const;
    double LireCoefficient() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TMasqueFlou* ui;
};

extern TMasqueFlou* MasqueFlou;

#pragma once
// Parameters of the gaussian filter: sigma and star protection.
#include <QDialog>

namespace Ui {
class TGaussien;
}

class TGaussien : public QDialog {
    Q_OBJECT
public:
    explicit TGaussien(QWidget* parent = nullptr);
    ~TGaussien() override;

    double LireSigma() const;
    bool LirePreservatif() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    Ui::TGaussien* ui;
};

extern TGaussien* Gaussien;

#pragma once
// The zoom dialog: a percent from 5 to 800, corrected when OK is pressed.
#include <QDialog>
#include <memory>

namespace Ui {
class TZoom;
}
class QLineEdit;

class TZoom : public QDialog {
    Q_OBJECT
public:
    explicit TZoom(QWidget* parent = nullptr);
    ~TZoom() override;

    int LireZoom() const;
    QLineEdit* EdtZoom() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BtnOKClick();
    std::unique_ptr<Ui::TZoom> FUi;
};

extern TZoom* Zoom;

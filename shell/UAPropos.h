#pragma once
// The about box: the splash's content, closed by a click or its button.
#include <QDialog>
#include <memory>

namespace Ui {
class TAPropos;
}

class TAPropos : public QDialog {
    Q_OBJECT
public:
    explicit TAPropos(QWidget* parent = nullptr);
    ~TAPropos() override;

private:
    std::unique_ptr<Ui::TAPropos> FUi;
};

extern TAPropos* APropos;

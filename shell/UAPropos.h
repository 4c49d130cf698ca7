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

protected:
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    std::unique_ptr<Ui::TAPropos> FUi;
};

extern TAPropos* APropos;

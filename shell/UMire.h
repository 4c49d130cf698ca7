#pragma once
// The grey-level test chart: seventeen patches from black to white.
#include <QColor>
#include <QDialog>
#include <memory>

namespace Ui {
class TMire;
}
class QLabel;

class TMire : public QDialog {
    Q_OBJECT
public:
    explicit TMire(QWidget* parent = nullptr);
    ~TMire() override;

    static constexpr int NombrePatches = 17;
    static const int Niveaux[NombrePatches];
    QLabel* Patch(int i) const; // 1..17

private:
    std::unique_ptr<Ui::TMire> FUi;
};

extern TMire* Mire;

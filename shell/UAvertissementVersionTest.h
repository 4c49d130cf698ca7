#pragma once
// The beta notice: created at start-up, shown by no command.
#include <QDialog>
#include <memory>

namespace Ui {
class TAvertissementVersionTest;
}

class TAvertissementVersionTest : public QDialog {
    Q_OBJECT
public:
    explicit TAvertissementVersionTest(QWidget* parent = nullptr);
    ~TAvertissementVersionTest() override;
    QString Texte() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    std::unique_ptr<Ui::TAvertissementVersionTest> FUi;
};

extern TAvertissementVersionTest* AvertissementVersionTest;

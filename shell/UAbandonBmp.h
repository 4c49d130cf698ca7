#pragma once
// The notice for an operation that BMP pictures do not support.
#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TAbandonBmp;
}

class TAbandonBmp : public QDialog {
    Q_OBJECT
public:
    explicit TAbandonBmp(QWidget* parent = nullptr);
    ~TAbandonBmp() override;

    void FixerFonction(const QString& nom);
    QString Fonction() const;

    // Escape closes with OK too: OK is also the cancel button.
    void reject() override { accept(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TAbandonBmp> FUi;
};

extern TAbandonBmp* AbandonBmp;

// Names the operation in the notice and shows it modally.
void AvertirFonctionBmp(const QString& nomOperation);

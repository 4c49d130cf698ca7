#pragma once
// Settings of the viewer's slide show: period, lines visited, direction,
// loop. Created once at start-up; the viewer writes its settings in before
// showing it and reads them back on OK.
#include <QDialog>
#include <cstdint>

namespace Ui {
class TAnimation;
}

class TAnimation : public QDialog {
    Q_OBJECT
public:
    explicit TAnimation(QWidget* parent = nullptr);
    ~TAnimation() override;

    void FixerFrequence(int32_t periode);
    void FixerSens(int sens);
    void FixerBoucle(bool boucle);
    // Raises the conversion error for a period that is not a 32-bit integer.
    int32_t LireFrequence() const;
    int LireImages() const;
    int LireSens() const;
    bool LireBoucle() const;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void UpDwnFrequenceClick(bool haut);
    void BtnOKClick();

    Ui::TAnimation* ui;
};

extern TAnimation* Animation;

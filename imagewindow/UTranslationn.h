#pragma once
// Asks for a shift in x and y, previewed on the active image window: the
// axis marker and, with a point selected, a cross where that point goes.
#include <QDialog>
#include <QImage>

class QLineEdit;
class TTraitementImage;
namespace Ui {
class TTranslationn;
}

// Largest shift either way.
constexpr double TranslationMaximale = 2147483647.0;

class TTranslationn : public QDialog {
    Q_OBJECT
public:
    explicit TTranslationn(QWidget* parent = nullptr);
    ~TTranslationn() override;

    double TranslationX() const;
    double TranslationY() const;
    void Previsualiser();
    void UpDwnClick(QLineEdit* edit, QLineEdit* autre, bool haut);
    void BtnZeroZeroClick();
    // The shift as the preview takes it: a partial entry ("", "-", ",",
    // "-,") counts as 0.
    static double ValeurPartielle(const QString& texte);

    QLineEdit* Edtx = nullptr;
    QLineEdit* Edty = nullptr;
    QImage BitmapOrigine;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    TTraitementImage* Fenetre() const;
    void Borner(QLineEdit* edit);
    Ui::TTranslationn* ui;
};

extern TTranslationn* Translationn;

#pragma once
// Picks another open image window for a command that needs a second image.
#include <QDialog>
#include <QPointer>
#include <QString>

class QListWidget;
class TMDIChild;
namespace Ui {
class TSelectionTraitementImage;
}

class TSelectionTraitementImage : public QDialog {
    Q_OBJECT
public:
    explicit TSelectionTraitementImage(QWidget* parent = nullptr);
    ~TSelectionTraitementImage() override;

    // type: 0 every image window, 1 FIT, 2 BMP.
    void PreparerSelection(const QString& titre, int type);
    void RemplirListe(int type);
    // Number of the window of the chosen line; 0 when none is chosen.
    int ImageSelectionnee() const;

    QListWidget* LstBxTraitementsImages = nullptr;
    QPointer<TMDIChild> FenetreActive;
    bool DoubleClic = false;

protected:
    void showEvent(QShowEvent* evenement) override;
    void hideEvent(QHideEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;

private:
    void LstBxClick();
    Ui::TSelectionTraitementImage* ui;
};

extern TSelectionTraitementImage* SelectionTraitementImage;

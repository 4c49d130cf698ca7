#pragma once
// The splash box shown at start-up: it closes itself about 5 seconds after
// its creation, or at the first click.
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <memory>

namespace Ui {
class TAccueil;
}
class QTimer;
class QLabel;
class QTextBrowser;
class QPushButton;

class TAccueil : public QDialog {
    Q_OBJECT
public:
    explicit TAccueil(QWidget* parent = nullptr);
    ~TAccueil() override;

    QTimer* TmrAccueil;
    QLabel* LblVersion() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int resultat) override;

private:
    std::unique_ptr<Ui::TAccueil> FUi;
};

extern TAccueil* Accueil;

// Shared by the splash and the about box.
QPixmap LogoStelor(int largeur, int hauteur);
// Every window's icon.
QIcon IconeStelor();
extern const char* const TexteDroitsStelor;
// Fills the common parts of the two boxes and makes a click on the panel, the
// logo or either label close them.
void PreparerBoiteStelor(QDialog& boite, QLabel* logo, QLabel* version, QLabel* droits, QTextBrowser* presentation,
                         QTextBrowser* licence, QPushButton* ok);

#pragma once
// Editor of a FIT image's header: one card per line; OK writes the cards back.
#include "UFit.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

namespace Ui {
class TEnteteFit;
}

// Told once the header of the image has been changed by OK, with the history
// line to record: the owner marks its image modified.
using TRappelEnteteModifiee = std::function<void(const QString& ligneHistorique)>;

class TEnteteFit : public QDialog {
    Q_OBJECT
public:
    explicit TEnteteFit(QWidget* parent = nullptr);
    ~TEnteteFit() override;

    // Binds the dialog to an image (not owned) and loads its cards.
    void Initialiser(int numero, THistoFit& image, TRappelEnteteModifiee rappel = {});

    // The cards the editor's lines would give, as OK writes them: normalised,
    // one END last (added when missing), NAXIS1 and NAXIS2 from the image's
    // real size, a typed card with characters FITS cannot hold in the form it
    // will be written in. Throws EStelor, naming the card and why, for a
    // header that would not survive a save and a read (DefautEnteteFit), and
    // for a card typed that another program would read otherwise or that
    // repeats a keyword. avis receives, in order, what OK tells the user
    // before it closes: the cards whose characters change, END added.
    QStringList CartesEditees(QStringList* avis = nullptr) const;

    // The text sent to the printer: the caption line, then every line.
    QString TexteImpression() const;

    THistoFit* Image = nullptr;
    int Numero = 0;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void BtnOKClick();
    void BtnImprimerClick();

    Ui::TEnteteFit* ui;
    TRappelEnteteModifiee FRappel;
};

extern TEnteteFit* EnteteFit;

// History line of a header edit.
QString LigneHistoriqueEnteteFit();

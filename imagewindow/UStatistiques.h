#pragma once
// The statistics of an image or of its selection, as text, printable.
#include "UImages.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QTextEdit;
namespace Ui {
class TStatistiques;
}

// The nine lines the dialog shows, labels padded to 17 characters; a
// measure that is not a finite number is written as 0.
QStringList LignesStatistiques(const TStatistiquesImage& stats);

class TStatistiques : public QDialog {
    Q_OBJECT
public:
    explicit TStatistiques(QWidget* parent = nullptr);
    ~TStatistiques() override;

    // numero 0: the caption takes `nom` (the file viewer); otherwise the
    // name of image window `numero`.
    void Afficher(int numero, const QString& nom, const TStatistiquesImage& stats);
    QString Texte() const;
    // The caption line, then the text: on the default printer, or into a
    // PDF file chosen in a save dialog when the system has no printer.
    void BtnImprimerClick();

    QTextEdit* RchEdtStatistiques = nullptr;

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    Ui::TStatistiques* ui;
};

extern TStatistiques* Statistiques;

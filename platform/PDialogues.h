#pragma once
// The one seam through which every modal interaction passes: message boxes,
// modal dialogs, file, colour and folder dialogs. A test installs a
// responder that answers without blocking; every request it answers is
// recorded.
#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

// Modal results as the class library numbers them.
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class TGenreDemande {
    Information,   // OK box
    Question,      // Yes/No box
    Avertissement, // OK box with a warning icon
    Erreur,        // the "Stelor" error box (stop icon)
    Modal,         // a form shown modally
    OuvrirFichiers,
    EnregistrerFichier,
    Couleur,
    Dossier,
};

struct TDemandeDialogue {
    TGenreDemande Genre;
    QString Titre;
    QString Texte;         // message text; for file dialogs the filter
    QString Dossier;       // starting folder or proposed file name
    QDialog* Dialogue = nullptr; // Modal only; valid during the call
    QString NomObjet;      // objectName() of the modal dialog
};

struct TReponseDialogue {
    int Resultat = mrCancel;  // modal result; for questions mrYes or mrNo
    QStringList Fichiers;     // file dialogs; empty = cancelled
    QColor Couleur;           // colour dialog; invalid = cancelled
};

namespace Dialogues {

using TRepondeur = std::function<TReponseDialogue(const TDemandeDialogue&)>;

// While a responder is installed nothing is shown; every request goes to it.
void InstallerRepondeur(TRepondeur repondeur);
void RetirerRepondeur();
TRepondeur RepondeurCourant();
bool RepondeurInstalle();
// Requests answered by a responder since the last call to ViderJournal; the
// dialogs shown for real are not recorded.
const std::vector<TDemandeDialogue>& Journal();
void ViderJournal();

// Message boxes captioned with the application title "Stelor".
void Information(const QString& texte);
void Avertissement(const QString& texte);
bool Question(const QString& texte);            // true for Yes
int QuestionOuiNon(const QString& texte);       // mrYes or mrNo
void Erreur(const QString& texte);

// Shows a form modally and returns its modal result (mrOk when accepted).
int ExecuterModal(QDialog& dialogue);

QStringList ChoisirFichiersOuverture(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& dossier = {}, bool multiple = true);
// The name confirmed in the dialog. A name typed without an extension gets the
// filter's before the dialog asks whether to replace an existing file, so the
// caller writes exactly the file the question named.
QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre, const QString& filtre,
                                     const QString& nomPropose = {});
QColor ChoisirCouleur(QWidget* parent, const QColor& initiale);
QString ChoisirDossier(QWidget* parent, const QString& titre, const QString& dossier = {});

} // namespace Dialogues

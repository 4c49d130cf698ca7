#pragma once
// The shared routines that need widgets: numeric edit-box key filters,
// up/down steppers and fix-ups, emphasis, menu enabling, the zoom submenu,
// the message box, the home page and the mail to the author.
#include <QFont>
#include <QChar>
#include <QList>
#include <QObject>
#include <QString>
#include <QValidator>
#include <functional>

class QAction;
class QComboBox;
class QDialog;
class QLineEdit;
class QListWidget;
class QMenu;
class QSpinBox;
class QTreeWidget;
class QWidget;

// Key filters: the key is passed by reference and set to QChar() when it is
// dropped; backspace is '\b'. They look at the whole text, not at the caret.
void FiltrerToucheEntier(QLineEdit* edit, QChar& touche);
void FiltrerToucheReel(QLineEdit* edit, int decimales, QChar& touche);
void FiltrerToucheReelSigne(QLineEdit* edit, int decimales, QChar& touche);

// The same filters as an event filter on any QLineEdit. Shortcuts, the
// navigation keys, Delete, Tab, Enter and Escape are left alone.
enum class TGenreSaisie { Entier, Reel, ReelSigne };

class TFiltreSaisie : public QObject {
    Q_OBJECT
public:
    TFiltreSaisie(QLineEdit* edit, TGenreSaisie genre, int decimales = 0);
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    QLineEdit* FEdit;
    TGenreSaisie FGenre;
    int FDecimales;
};

// What no typed key can bring in does not come in by the clipboard or a
// drop either: a pasted text is taken whole or refused whole, by the text
// it leaves: the characters the key filter accepts ('.' becoming ','), at
// most one ',' and one '-', and at most the field's decimals.
class TValidateurSaisie : public QValidator {
    Q_OBJECT
public:
    TValidateurSaisie(TGenreSaisie genre, int decimales, QObject* parent);
    State validate(QString& texte, int& position) const override;

private:
    TGenreSaisie FGenre;
    int FDecimales;
};

// Installs a key filter and a validator owned by the edit.
TFiltreSaisie* InstallerFiltreSaisie(QLineEdit* edit, TGenreSaisie genre, int decimales = 0);

// Up/down steppers: Suivant is the up button, Precedent the down one. They
// return true when they set the text; a text that does not convert raises
// the conversion error.
enum class TBoutonHautBas { Suivant, Precedent };
bool IncrementerEditReel(QLineEdit* edit, TBoutonHautBas bouton, int decimales, double pas, double minimum);
bool IncrementerEditEntier(QLineEdit* edit, TBoutonHautBas bouton, int32_t pas, int32_t minimum, int32_t maximum);

// Makes a spin box a bare up-down: range 0..5000 at 2500, and each click
// only reports its direction.
void RelierHautBas(QSpinBox* hautBas, std::function<void(TBoutonHautBas)> action);

// Fix-ups when an edit box loses the focus.
void EditSigmaMinimum(QLineEdit* edit);       // empty or below 0.2 -> "0,2"
void EditCoefficientPositif(QLineEdit* edit); // empty or negative -> "0,0"
void EditEntierVide(QLineEdit* edit);         // empty or "-" -> "0"

// A click on any of the widgets closes the dialog as its Close would
// (rejected): splash, about box, test chart.
void FermerAuClic(QDialog& boite, const QList<QWidget*>& controles);

// Gives the window the form's width, or more when its caption would not fit
// in the title bar beside the icon and the border buttons.
void AjusterLargeurALegende(QWidget& fenetre, int largeurForme);

// Bold red when the flag is set, regular black otherwise.
void MettreEnEvidence(QWidget* controle, bool evidence);
// The list's column as wide as its texts, and two letters more: contents
// alone would put each name against the column beside it.
void AjusterColonneAuContenu(QTreeWidget* liste, int colonne);

// Every top-level item of a menu bar or menu.
void DesactiverMenu(QWidget* menu);
void ActiverMenu(QWidget* menu);

// Adds the 12 items of the zoom submenu to the parent, which owns them:
// "Moins", "25%" ... "500%", "Plus", a separator and "Définir...". Each item
// holds its tag (the percent, or 0) as data and is named after its handler
// (ZoomMoins, Zoom25p100 ... Zoom500p100, ZoomPlus, ZoomDefinir) for the
// frame to bind. Returns the items in their order.
QList<QAction*> CreerMenuZoom(QMenu* parent);
// Drops the reference only: the items go with the menu that owns them.
void DetruireMenuZoom(QList<QAction*>& liste);

// Colour of the plane chosen in a list of the three planes (red, green,
// blue): 255, 32768, $FF0000; black when none of them is selected.
int32_t CouleurIndex(const QComboBox* liste);
int32_t CouleurIndex(const QListWidget* liste);

// The simple message box with one OK button.
void AfficherMessage(const QString& texte);

// Through the desktop's own handler; false when nothing could open it.
bool OuvrirAdresseInternet(const QString& adresse);
// Opens a new message in the user's mail program (a mailto: address).
bool EnvoyerCourriel(const QString& nomDestinataire, const QString& adresseDestinataire, const QString& sujet,
                     const QString& corps);
QString AdresseCourriel(const QString& adresseDestinataire, const QString& sujet, const QString& corps);

// The fixed-pitch font of the text boxes that show cards and figures, 11
// screen pixels high.
QFont PoliceChasseFixe();

#pragma once
// Routes help requests to the window they concern: F1 pressed anywhere in
// a window that carries a help context (or in one of its controls) reaches
// that window's help handler as the help command HELP_CONTEXT with its
// context number; F1 elsewhere goes on to the frame's "Documentation". A
// held F1 counts once: its repeats reach nothing.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

// The application help commands.
enum : int { HELP_CONTEXT = 1, HELP_CONTENTS = 3, HELP_SETPOPUP_POS = 13, HELP_KEY = 257 };

// A window's help handler: (command, data, var callHelp) -> handled.
using TGestionnaireAide = std::function<bool(int, intptr_t, bool&)>;

// Gives the widget its help context and handler (the handler goes with the widget).
void InstallerGestionnaireAide(QWidget* fenetre, int contexte, TGestionnaireAide gestionnaire);
int ContexteAide(const QWidget* fenetre);

// Sends an application help command (HELP_CONTEXT, HELP_CONTENTS or
// HELP_KEY) to the handler of the first widget, from `depart` up its parents
// and on into the active document of a document area, that carries one (for
// HELP_CONTEXT, one with a non-zero context, whose context is then the data).
// True when a handler took the request; false sends it on to the frame's own
// help. (The pop-up position command of the Windows help manager is not
// sent: the handler would take its point for a context number.)
bool DemanderAide(QWidget* depart, int commande, intptr_t donnee);
// HELP_CONTEXT as above; true when a widget with a context was found.
bool DemanderAideContexte(QWidget* depart);

// The application-wide filter; installed once at start-up, removed at the end.
class TOnHelpFix : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    quint64 FFinF1 = 0; // instant of the last release of F1
};
void InstallerOnHelpFix();
void RetirerOnHelpFix();

#include "OnHelpFix.h"

#include "PApplication.h"
#include "UHelp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace {

class TPorteurAide : public QObject {
public:
    TPorteurAide(QWidget* fenetre, int contexte, TGestionnaireAide gestionnaire)
        : QObject(fenetre), Contexte(contexte), Gestionnaire(std::move(gestionnaire))
    {
        setObjectName(QStringLiteral("PorteurAide"));
    }
    int Contexte;
    TGestionnaireAide Gestionnaire;
};

TPorteurAide* Porteur(const QWidget* w)
{
    return w ? w->findChild<TPorteurAide*>(QStringLiteral("PorteurAide"), Qt::FindDirectChildrenOnly) : nullptr;
}

// The first carrier of a handler from `depart` up its parents (with a context
// when one is asked for). On the document area the walk goes on in the active
// document, which lies below the area: every widget is visited once, so the
// walk ends even when that document carries nothing.
TPorteurAide* PorteurDepuis(QWidget* depart, bool avecContexte)
{
    QSet<const QWidget*> vus;
    QWidget* w = depart;
    while (w && !vus.contains(w)) {
        vus.insert(w);
        if (TPorteurAide* p = Porteur(w); p && (!avecContexte || p->Contexte != 0))
            return p;
        auto* zone = qobject_cast<QMdiArea*>(w);
        QWidget* document = zone ? zone->activeSubWindow() : nullptr;
        w = document && !vus.contains(document) ? document : w->parentWidget();
    }
    return nullptr;
}

bool EstF1(QEvent* event)
{
    const auto* touche = static_cast<QKeyEvent*>(event);
    return touche->key() == Qt::Key_F1 && (touche->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

QPointer<TOnHelpFix> Filtre;

} // namespace

void InstallerGestionnaireAide(QWidget* fenetre, int contexte, TGestionnaireAide gestionnaire)
{
    delete Porteur(fenetre);
    new TPorteurAide(fenetre, contexte, std::move(gestionnaire));
}

int ContexteAide(const QWidget* fenetre)
{
    const TPorteurAide* p = Porteur(fenetre);
    return p ? p->Contexte : 0;
}

namespace {

// The carrier's handler with the command; true when it took the request.
bool Envoyer(TPorteurAide& p, int commande, intptr_t donnee)
{
    if (!p.Gestionnaire)
        return false;
    bool appelerAide = true;
    bool traitee = false;
    ExecuterCommande([&] { traitee = p.Gestionnaire(commande, donnee, appelerAide); });
    return traitee || !appelerAide;
}

} // namespace

bool DemanderAide(QWidget* depart, int commande, intptr_t donnee)
{
    TPorteurAide* p = PorteurDepuis(depart, commande == HELP_CONTEXT);
    return p && Envoyer(*p, commande, commande == HELP_CONTEXT ? p->Contexte : donnee);
}

bool DemanderAideContexte(QWidget* depart)
{
    TPorteurAide* p = PorteurDepuis(depart, true);
    if (p)
        Envoyer(*p, HELP_CONTEXT, p->Contexte);
    return p != nullptr;
}

bool TOnHelpFix::eventFilter(QObject* objet, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) ||
        !objet->isWidgetType() || !EstF1(event))
        return QObject::eventFilter(objet, event);
    // A held key repeats: one press, one viewer. X11 sends each repeat as a
    // release and a press of the same instant, which Qt does not always mark
    // as a repeat (an event without an instant, 0, is never taken for one).
    // The repeats are kept from the frame's F1 shortcut as well.
    const auto* touche = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyRelease) {
        FFinF1 = touche->timestamp();
        return QObject::eventFilter(objet, event);
    }
    if (touche->isAutoRepeat() || (touche->timestamp() != 0 && touche->timestamp() == FFinF1)) {
        event->accept();
        return true;
    }
    auto* depart = static_cast<QWidget*>(objet);
    if (!PorteurDepuis(depart, false))
        return QObject::eventFilter(objet, event);
    // The window takes the key from the frame's F1 shortcut, then answers it:
    // its topic, or the contents when it has no context of its own.
    event->accept();
    if (type == QEvent::KeyPress && !DemanderAideContexte(depart) && !DemanderAide(depart, HELP_CONTENTS, 0))
        ExecuterCommande(AfficherAide);
    return true;
}

void InstallerOnHelpFix()
{
    if (Filtre || !qApp)
        return;
    Filtre = new TOnHelpFix(qApp);
    qApp->installEventFilter(Filtre);
}

void RetirerOnHelpFix()
{
    if (!Filtre)
        return;
    qApp->removeEventFilter(Filtre);
    delete Filtre;
}

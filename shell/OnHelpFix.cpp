#include "OnHelpFix.h"

#include "PApplication.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
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

TPorteurAide* PorteurDepuis(QWidget* depart)
{
    for (QWidget* w = depart; w; w = w->parentWidget()) {
        if (TPorteurAide* p = Porteur(w); p && p->Contexte != 0)
            return p;
        // The focus on the document area itself: the active document's help.
        if (auto* zone = qobject_cast<QMdiArea*>(w); zone && zone->activeSubWindow())
            return PorteurDepuis(zone->activeSubWindow());
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

bool DemanderAideContexte(QWidget* depart)
{
    TPorteurAide* p = PorteurDepuis(depart);
    if (!p)
        return false;
    bool appelerAide = true;
    if (p->Gestionnaire)
        ExecuterCommande([&] { p->Gestionnaire(HELP_CONTEXT, p->Contexte, appelerAide); });
    return true;
}

bool TOnHelpFix::eventFilter(QObject* objet, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !objet->isWidgetType() || !EstF1(event))
        return QObject::eventFilter(objet, event);
    auto* depart = static_cast<QWidget*>(objet);
    if (!PorteurDepuis(depart))
        return QObject::eventFilter(objet, event);
    // The window takes the key from the frame's F1 shortcut, then answers it.
    event->accept();
    if (type == QEvent::KeyPress)
        DemanderAideContexte(depart);
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

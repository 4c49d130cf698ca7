#include "Childwin.h"

#include "PErreurs.h"
#include "UMain.h"

#include <QCloseEvent>
#include <QMenu>

TMDIChild::TMDIChild(int genre, QWidget* parent) : QMdiSubWindow(parent), FTag(genre)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Enfant MDI"));
    // The frame's "Fermer" owns Ctrl+W: the same key on the system menu's
    // close item would make both silent.
    if (QMenu* systeme = systemMenu())
        for (QAction* a : systeme->actions()) {
            QList<QKeySequence> touches = a->shortcuts();
            if (touches.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W)) > 0)
                a->setShortcuts(touches);
        }
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::FormClose(TActionFermeture& action)
{
    action = TActionFermeture::Liberer;
}

void TMDIChild::closeEvent(QCloseEvent* event)
{
    TActionFermeture action = TActionFermeture::Liberer;
    FormClose(action);
    switch (action) {
    case TActionFermeture::Aucune:
        event->ignore();
        return;
    case TActionFermeture::Cacher:
        event->ignore();
        hide();
        return;
    case TActionFermeture::Reduire:
        event->ignore();
        showMinimized();
        return;
    case TActionFermeture::Liberer:
        break;
    }
    // Left out of the frame's list from now on: the window is freed later in
    // the event loop and the menus must already follow the list without it.
    FEnFermeture = true;
    QMdiSubWindow::closeEvent(event);
    if (!event->isAccepted()) {
        FEnFermeture = false; // its content refused: it stays a document
        return;
    }
    if (Main)
        Main->UpdateMenuItems();
}

namespace {
[[noreturn]] void PasDImage() { LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image.")); }
} // namespace

void TMDIChild::OuvrirImage(const QString&, bool) { PasDImage(); }
void TMDIChild::NouvelleImageFit(const THistoFit&) { PasDImage(); }
void TMDIChild::NouvelleImageBmp(const THistoBmp&) { PasDImage(); }
void TMDIChild::DupliquerDepuis(TMDIChild&) { PasDImage(); }

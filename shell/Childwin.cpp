#include "Childwin.h"

#include "PErreurs.h"
#include "UMain.h"

#include <QCloseEvent>

TMDIChild::TMDIChild(int genre, QWidget* parent) : QMdiSubWindow(parent), FTag(genre)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Enfant MDI"));
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
    FEnFermeture = true;
    QMdiSubWindow::closeEvent(event);
    // The window is freed later in the event loop; the menus must already
    // follow the list without it.
    if (Main)
        Main->UpdateMenuItems();
}

void TMDIChild::OuvrirImage(const QString&, bool)
{
    LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
}

void TMDIChild::NouvelleImageFit(const THistoFit&)
{
    LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
}

void TMDIChild::NouvelleImageBmp(const THistoBmp&)
{
    LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
}

void TMDIChild::DupliquerDepuis(TMDIChild&)
{
    LeverErreur(QStringLiteral("Cette fenêtre n'affiche pas d'image."));
}

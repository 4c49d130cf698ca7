#include "PCurseur.h"

#include <QCursor>
#include <QGuiApplication>

TSablier::TSablier()
{
    if (qGuiApp)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TSablier::~TSablier()
{
    if (qGuiApp)
        QGuiApplication::restoreOverrideCursor();
}

#include "UInstallationTrichromie.h"

#include "PApplication.h"
#include "UMain.h"
#include "UTrichromieRVB.h"

#include <QAction>
#include <QMdiArea>

TTrichromieRVB* CreerFenetreTrichromie(TMain& cadre)
{
    auto* f = new TTrichromieRVB;
    cadre.ZoneMDI()->addSubWindow(f);
    f->show();
    cadre.UpdateMenuItems();
    return f;
}

void InstallerTrichromie(TMain& cadre)
{
    QObject::connect(cadre.MnItmTrichromie, &QAction::triggered, &cadre,
                     [&cadre] { ExecuterCommande([&cadre] { CreerFenetreTrichromie(cadre); }); });
}

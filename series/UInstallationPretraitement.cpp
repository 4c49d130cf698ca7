#include "UInstallationPretraitement.h"

#include "PApplication.h"
#include "UMain.h"
#include "UPretraitement.h"

#include <QAction>
#include <QMdiArea>

TPretraitement* CreerFenetrePretraitement(TMain& cadre)
{
    auto* f = new TPretraitement();
    cadre.ZoneMDI()->addSubWindow(f);
    f->show();
    cadre.UpdateMenuItems();
    return f;
}

void InstallerPretraitement(TMain& cadre)
{
    QObject::connect(cadre.MnItmPretraitement, &QAction::triggered, &cadre,
                     [&cadre] { ExecuterCommande([&cadre] { CreerFenetrePretraitement(cadre); }); });
}

#include "UInstallationVisionneuse.h"

#include "PApplication.h"
#include "UMain.h"
#include "UVisionneuse.h"

#include <QAction>
#include <QMdiArea>

namespace {

// Connects a frame item to an operation of the active viewer.
void Lier(TMain& cadre, QAction* item, void (TVisionneuse::*operation)())
{
    QObject::connect(item, &QAction::triggered, &cadre, [operation] {
        if (TVisionneuse* v = VisionneuseActive())
            v->Commande([v, operation] { (v->*operation)(); });
    });
}

} // namespace

void InstallerVisionneuse(TMain& cadre)
{
    QObject::connect(cadre.MnItmVisionneuse, &QAction::triggered, &cadre, [&cadre] {
        ExecuterCommande([&cadre] {
            auto* v = new TVisionneuse;
            cadre.ZoneMDI()->addSubWindow(v);
            v->show();
            cadre.UpdateMenuItems();
        });
    });
    Lier(cadre, cadre.MnItmCopier, &TVisionneuse::MnItmCopierClick);
    Lier(cadre, cadre.MnItmPositifNegatif, &TVisionneuse::BasculerPositifNegatif);
    // The tool button "Statistiques" triggers this item for a viewer too.
    Lier(cadre, cadre.MnItmStatistiques, &TVisionneuse::MnItmStatistiquesClick);
    QObject::connect(&cadre, &TMain::EnteteFitVisionneuseDemandee, &cadre, [] {
        if (TVisionneuse* v = VisionneuseActive())
            v->Commande([v] { v->AfficherEnteteFit(); });
    });
}

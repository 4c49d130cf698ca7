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

namespace {

TPretraitement* PretraitementActif(const TMain& cadre)
{
    TMDIChild* f = cadre.FenetreActive();
    return f && f->Tag() == GenrePretraitement ? dynamic_cast<TPretraitement*>(f) : nullptr;
}

// A frame item reaching the active preprocessing window's operation.
void Lier(TMain& cadre, QAction* item, void (TPretraitement::*operation)())
{
    QObject::connect(item, &QAction::triggered, &cadre, [&cadre, operation] {
        ExecuterCommande([&cadre, operation] {
            if (TPretraitement* f = PretraitementActif(cadre))
                (f->*operation)();
        });
    });
}

} // namespace

void InstallerPretraitement(TMain& cadre)
{
    QObject::connect(cadre.MnItmPretraitement, &QAction::triggered, &cadre,
                     [&cadre] { ExecuterCommande([&cadre] { CreerFenetrePretraitement(cadre); }); });
    Lier(cadre, cadre.MnItmEnregistrerSous, &TPretraitement::EnregistrerResultatSous);
    Lier(cadre, cadre.MnItmCopier, &TPretraitement::Copier);
    Lier(cadre, cadre.MnItmExporterFit, &TPretraitement::ExporterFit);
    Lier(cadre, cadre.MnItmExporterBmp, &TPretraitement::ExporterBmp);
    Lier(cadre, cadre.MnItmExporterJpeg, &TPretraitement::ExporterJpeg);
}

#include "UInstallationVisionneuse.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "UEnregistrementSelection.h"
#include "UInstallationPretraitement.h"
#include "UMain.h"
#include "UPretraitement.h"
#include "UStatistiques.h"
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
    // What the viewer hands to the other tools.
    TVisionneuse::AfficherStatistiquesHook = [](const QString& nom, const TStatistiquesImage& statistiques) {
        if (!Statistiques)
            return;
        Statistiques->Afficher(0, nom, statistiques);
        Dialogues::ExecuterModal(*Statistiques);
    };
    TVisionneuse::AjouterBrutesHook = [&cadre](const QStringList& chemins) {
        CreerFenetrePretraitement(cadre)->AjouterBrutes(chemins);
    };
    TVisionneuse::EnregistrerSelectionHook = [](TVisionneuse& v) {
        if (!EnregistrementSelection)
            return;
        QList<TFichierSelection> liste;
        for (const TLigneVisionneuse& l : v.Lignes())
            liste.append({l.Nom, l.Repertoire, l.Cochee});
        EnregistrementSelection->Initialiser(liste, v.RepertoireLigneSelectionnee());
        Dialogues::ExecuterModal(*EnregistrementSelection);
    };
    QObject::connect(&cadre, &TMain::EnteteFitVisionneuseDemandee, &cadre, [] {
        if (TVisionneuse* v = VisionneuseActive())
            v->Commande([v] { v->AfficherEnteteFit(); });
    });
}

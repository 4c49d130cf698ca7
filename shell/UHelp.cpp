#include "UHelp.h"

#include "UOutils.h"
#include "UOutilsFenetres.h"
#include "hh.h"

#include <QFileInfo>

namespace {
QString FichierChoisi;
}

QString FichierAide()
{
    return FichierChoisi.isEmpty() ? RepertoireApplication() + QStringLiteral("Stelor.chm") : FichierChoisi;
}

void FixerFichierAide(const QString& nom) { FichierChoisi = nom; }

bool VerifierAide()
{
    if (!QFileInfo(FichierAide()).isFile()) {
        AfficherMessage(QStringLiteral(
            "Le fichier d'aide 'Stelor.chm' n'est pas présent dans le répertoire de l'application."));
        return false;
    }
    // A viewer removed since it was found is looked for again.
    if (HHCtrlCharge() && !QFileInfo(ProgrammeHHCtrl()).isExecutable())
        LibererHHCtrl();
    ChargerHHCtrl();
    if (HHCtrlCharge())
        return true;
    // The Windows help engine does not exist here: name what to install.
    AfficherMessage(QStringLiteral("Aucun lecteur d'aide n'est installé : installez xchm (paquet « xchm ») "
                                   "pour lire l'aide de Stelor."));
    return false;
}

void AfficherAide()
{
    if (VerifierAide())
        HtmlHelpA(0, FichierAide(), HH_DISPLAY_TOC, 0);
}

bool AfficherAideContexte(int /*commande*/, intptr_t donnee, bool& appelerAide)
{
    if (!VerifierAide())
        return false;
    appelerAide = false;
    HtmlHelpA(0, FichierAide(), HH_HELP_CONTEXT, donnee);
    return true;
}

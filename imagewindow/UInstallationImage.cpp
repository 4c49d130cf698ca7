#include "UInstallationImage.h"

#include "PDialogues.h"
#include "UGaussien.h"
#include "UMain.h"
#include "UMasqueFlou.h"
#include "UOngletsFiltres.h"
#include "UPasseBas.h"
#include "UPasseHaut.h"
#include "UTraitementImage.h"

#include <QAction>
#include <QMdiArea>

TTraitementImage* FenetreImageActive(const TMain& cadre)
{
    TMDIChild* f = cadre.FenetreActive();
    return f && f->Tag() == GenreImage ? dynamic_cast<TTraitementImage*>(f) : nullptr;
}

namespace {

// Connects a frame item to an operation of the active image window.
void Lier(TMain& cadre, QAction* item, bool pageSource, void (TTraitementImage::*operation)())
{
    QObject::connect(item, &QAction::triggered, &cadre, [&cadre, pageSource, operation] {
        TTraitementImage* f = FenetreImageActive(cadre);
        if (!f)
            return;
        if (pageSource)
            f->AfficherPageSource();
        (f->*operation)();
    });
}

// The frame's filter pattern: dialog, then on OK page Source and the operation.
template <class TDialogue, class F>
void LierFiltre(TMain& cadre, QAction* item, TDialogue* const& dialogue, F appliquer)
{
    QObject::connect(item, &QAction::triggered, &cadre, [&cadre, &dialogue, appliquer] {
        if (!FenetreImageActive(cadre) || !dialogue)
            return;
        if (Dialogues::ExecuterModal(*dialogue) != mrOk)
            return;
        // The dialog may have changed the active window's state; ask again.
        TTraitementImage* f = FenetreImageActive(cadre);
        if (!f)
            return;
        f->AfficherPageSource();
        appliquer(*f, *dialogue);
    });
}

} // namespace

void InstallerFenetresImage(TMain& cadre)
{
    // Each image window gets the four filter preview pages after "Source".
    TTraitementImage::InstallerFabriqueOnglets(CreerOngletsFiltres);
    cadre.FabriqueFenetreImage = [&cadre]() -> TMDIChild* {
        auto* f = new TTraitementImage();
        cadre.ZoneMDI()->addSubWindow(f);
        f->show();
        return f;
    };

    Lier(cadre, cadre.MnItmEnregistrer, false, &TTraitementImage::MenuEnregistrerSousImgSourceClick);
    // "Enregistrer sous..." is the frame's own dialog of the image kind, not preset.
    QObject::connect(cadre.MnItmEnregistrerSous, &QAction::triggered, &cadre, [&cadre] {
        TTraitementImage* f = FenetreImageActive(cadre);
        if (!f || f->TypeImage == 0)
            return;
        TDialogueFichier& d = f->TypeImage == 1 ? cadre.SvDlgEnregistrerImageSousFit : cadre.SvDlgEnregistrerImageSousBmp;
        const QString nom = d.ExecuterEnregistrement(&cadre);
        if (!nom.isEmpty())
            f->EnregistrerImage(nom);
    });
    Lier(cadre, cadre.MnItmExporterFit, false, &TTraitementImage::ExporterFit);
    Lier(cadre, cadre.MnItmExporterBmp, false, &TTraitementImage::ExporterBmp);
    Lier(cadre, cadre.MnItmExporterJpeg, false, &TTraitementImage::ExporterJpeg);
    Lier(cadre, cadre.MnItmCopier, false, &TTraitementImage::MenuCopierImgSourceClick);
    Lier(cadre, cadre.MnItmAnnulerRestaurer, true, &TTraitementImage::MenuAnnulerRestaurerImgSourceClick);
    Lier(cadre, cadre.MnItmSelection_Aucune, true, &TTraitementImage::MenuSelection_AucuneClick);
    Lier(cadre, cadre.MnItmSelection_Centre, true, &TTraitementImage::MenuSelection_CentreClick);
    Lier(cadre, cadre.MnItmHistorique, true, &TTraitementImage::AfficherMasquerHistorique);
    Lier(cadre, cadre.MnItmMediane3x3, true, &TTraitementImage::AppliquerMediane3x3);
    // Positif/Négatif: an image window, or the image window of the active
    // threshold window.
    QObject::connect(cadre.MnItmPositifNegatif, &QAction::triggered, &cadre, [&cadre] {
        TMDIChild* active = cadre.FenetreActive();
        if (!active)
            return;
        if (active->Tag() == GenreImage) {
            if (auto* f = dynamic_cast<TTraitementImage*>(active)) {
                f->AfficherPageSource();
                f->InverserPositifNegatif();
            }
        } else if (active->Tag() == GenreHistogramme) {
            if (auto* f = dynamic_cast<TTraitementImage*>(cadre.TrouverImage(active->NumeroDocument())))
                f->InverserPositifNegatif();
        }
    });

    LierFiltre(cadre, cadre.MnItmPasseBas, PasseBas, [](TTraitementImage& f, TPasseBas& d) {
        f.AppliquerPasseBas(d.LireForce(), d.LirePreservatif());
    });
    LierFiltre(cadre, cadre.MnItmPasseHaut, PasseHaut, [](TTraitementImage& f, TPasseHaut& d) {
        f.AppliquerPasseHaut(d.LireForce(), d.LirePreservatif());
    });
    LierFiltre(cadre, cadre.MnItmGaussien, Gaussien, [](TTraitementImage& f, TGaussien& d) {
        f.AppliquerGaussien(d.LirePreservatif(), d.LireSigma());
    });
    LierFiltre(cadre, cadre.MnItmMasqueFlou, MasqueFlou, [](TTraitementImage& f, TMasqueFlou& d) {
        f.AppliquerMasqueFlou(d.LirePreservatif(), d.LireSigma(), d.LireCoefficient());
    });
}

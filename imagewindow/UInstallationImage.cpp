#include "UInstallationImage.h"

#include "PApplication.h"
#include "PDialogues.h"
#include "UConvolution.h"
#include "UMain.h"
#include "UOngletsFiltres.h"
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
    QObject::connect(item, &QAction::triggered, &cadre, Commande([&cadre, pageSource, operation] {
        TTraitementImage* f = FenetreImageActive(cadre);
        if (!f)
            return;
        if (pageSource)
            f->AfficherPageSource();
        (f->*operation)();
    }));
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
    QObject::connect(cadre.MnItmEnregistrerSous, &QAction::triggered, &cadre, Commande([&cadre] {
        TTraitementImage* f = FenetreImageActive(cadre);
        if (!f || f->TypeImage == 0)
            return;
        const QString nom = f->ChoisirNomImage(f->TypeImage, false);
        if (!nom.isEmpty())
            f->EnregistrerImage(nom);
    }));
    Lier(cadre, cadre.MnItmExporterFit, false, &TTraitementImage::ExporterFit);
    Lier(cadre, cadre.MnItmExporterBmp, false, &TTraitementImage::ExporterBmp);
    Lier(cadre, cadre.MnItmExporterJpeg, false, &TTraitementImage::ExporterJpeg);
    Lier(cadre, cadre.MnItmCopier, false, &TTraitementImage::MenuCopierImgSourceClick);
    Lier(cadre, cadre.MnItmAnnulerRestaurer, true, &TTraitementImage::MenuAnnulerRestaurerImgSourceClick);
    Lier(cadre, cadre.MnItmSelection_Aucune, true, &TTraitementImage::MenuSelection_AucuneClick);
    Lier(cadre, cadre.MnItmSelection_Centre, true, &TTraitementImage::MenuSelection_CentreClick);
    Lier(cadre, cadre.MnItmHistorique, true, &TTraitementImage::AfficherMasquerHistorique);
    Lier(cadre, cadre.MnItmMediane3x3, true, &TTraitementImage::AppliquerMediane3x3);
    // The tool button "Entête Fit" triggers this item for an image window.
    Lier(cadre, cadre.MnItmEnteteFit, false, &TTraitementImage::AfficherEnteteFit);
    // Positif/Négatif: an image window, or the image window of the active
    // threshold window.
    QObject::connect(cadre.MnItmPositifNegatif, &QAction::triggered, &cadre, Commande([&cadre] {
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
    }));

    // The frame's filter pattern is the window's own: dialog, then on OK page
    // Source and the operation.
    Lier(cadre, cadre.MnItmPasseBas, false, &TTraitementImage::MenuPasseBasImgSourceClick);
    Lier(cadre, cadre.MnItmPasseHaut, false, &TTraitementImage::MenuPasseHautImgSourceClick);
    Lier(cadre, cadre.MnItmGaussien, false, &TTraitementImage::MenuGaussienImgSourceClick);
    Lier(cadre, cadre.MnItmMasqueFlou, false, &TTraitementImage::MenuMasqueFlouImgSourceClick);

    // Filtre > Convolution: the kernel editor, then on OK page Source and the
    // convolution; a cell that is not a number ends the command there.
    QObject::connect(cadre.MnItmConvolution, &QAction::triggered, &cadre, [&cadre] {
        ExecuterCommande([&cadre] {
            TTraitementImage* f = FenetreImageActive(cadre);
            if (!f || !Convolution || Dialogues::ExecuterModal(*Convolution) != mrOk)
                return;
            f->AfficherPageSource();
            const TNoyau5x5 noyau = Convolution->LireNoyau();
            f->AppliquerConvolution(noyau, Convolution->LirePreservatif());
        });
    });
    // Visualisation > Histogramme > Afficher (F2): the image's threshold window.
    QObject::connect(cadre.MnItmHistogramme_Afficher, &QAction::triggered, &cadre, [&cadre] {
        ExecuterCommande([&cadre] {
            if (TTraitementImage* f = FenetreImageActive(cadre)) {
                f->AfficherPageSource();
                f->AfficherHistogramme();
            }
        });
    });
    // Processing commands. Those without a dialog of their own show page
    // Source first, except the arithmetic ones, which leave the page as it
    // is; the others show it when their dialog returns OK.
    using T = TTraitementImage;
    Lier(cadre, cadre.MnItmHistogramme_Automatique, true, &T::HistogrammeAutomatique);
    Lier(cadre, cadre.MnItmHistogramme_Logarithmique, true, &T::HistogrammeLogarithmique);
    Lier(cadre, cadre.MnItmHistogramme_Lineaire, true, &T::HistogrammeLineaire);
    Lier(cadre, cadre.MnItmHistogramme_Exponentiel, true, &T::HistogrammeExponentiel);
    Lier(cadre, cadre.MnItmHistogramme_AppliquerDUneImage, false, &T::MenuHistogramme_AppliquerDUneImageClick);
    Lier(cadre, cadre.MnItmHistogramme_AppliquerAuxImages, false, &T::MenuHistogramme_AppliquerAuxImagesClick);
    Lier(cadre, cadre.MnItmStatistiques, false, &T::AfficherStatistiques);
    Lier(cadre, cadre.MnItmRedimensionnement, false, &T::MenuRedimensionnementClick);
    Lier(cadre, cadre.MnItmBordures, true, &T::DecouperBordures);
    Lier(cadre, cadre.MnItmNiveauxDeGris, true, &T::ConvertirNiveauxDeGris);
    Lier(cadre, cadre.MnItmDDPNeutre, false, &T::MenuDDPNeutreImgSourceClick);
    Lier(cadre, cadre.MnItmDDPPasseBas, false, &T::MenuDDPPasseBasImgSourceClick);
    Lier(cadre, cadre.MnItmDDPGaussien, false, &T::MenuDDPGaussienImgSourceClick);
    Lier(cadre, cadre.MnItmAdditionImage, false, &T::AdditionImage);
    Lier(cadre, cadre.MnItmAdditionConstante, false, &T::AdditionConstante);
    Lier(cadre, cadre.MnItmSoustractionImage, false, &T::SoustractionImage);
    Lier(cadre, cadre.MnItmSoustractionConstante, false, &T::SoustractionConstante);
    Lier(cadre, cadre.MnItmDivisionImage, false, &T::DivisionImage);
    Lier(cadre, cadre.MnItmDivisionConstante, false, &T::DivisionConstante);
    Lier(cadre, cadre.MnItmMultiplicationImage, false, &T::MultiplicationImage);
    Lier(cadre, cadre.MnItmMultiplicationConstante, false, &T::MultiplicationConstante);
    Lier(cadre, cadre.MnItmMoyenne, false, &T::MoyenneImages);
    Lier(cadre, cadre.MnItmAjusterNiveau_AppliquerDUneImage, false, &T::AjusterNiveauDUneImage);
    Lier(cadre, cadre.MnItmAjusterNiveau_AppliquerAuxImages, false, &T::AjusterNiveauAuxImages);
    Lier(cadre, cadre.MnItmTranslation, false, &T::Translation);
    Lier(cadre, cadre.MnItmAlignementStellaire, false, &T::AlignementStellaire);
    Lier(cadre, cadre.MnItmMiroirHorizontal, false, &T::MiroirHorizontal);
    Lier(cadre, cadre.MnItmMiroirVertical, false, &T::MiroirVertical);
    Lier(cadre, cadre.MnItmRotation90, false, &T::Rotation90);
    Lier(cadre, cadre.MnItmRotation180, false, &T::Rotation180);
    Lier(cadre, cadre.MnItmRotation270, false, &T::Rotation270);
}

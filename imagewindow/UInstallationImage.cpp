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

// The same, the command run through the error seam.
void LierCommande(TMain& cadre, QAction* item, bool pageSource, void (TTraitementImage::*operation)())
{
    QObject::connect(item, &QAction::triggered, &cadre, [&cadre, pageSource, operation] {
        ExecuterCommande([&] {
            TTraitementImage* f = FenetreImageActive(cadre);
            if (!f)
                return;
            if (pageSource)
                f->AfficherPageSource();
            (f->*operation)();
        });
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
    // Source first; the others do when their dialog returns OK.
    using T = TTraitementImage;
    LierCommande(cadre, cadre.MnItmHistogramme_Automatique, true, &T::HistogrammeAutomatique);
    LierCommande(cadre, cadre.MnItmHistogramme_Logarithmique, true, &T::HistogrammeLogarithmique);
    LierCommande(cadre, cadre.MnItmHistogramme_Lineaire, true, &T::HistogrammeLineaire);
    LierCommande(cadre, cadre.MnItmHistogramme_Exponentiel, true, &T::HistogrammeExponentiel);
    LierCommande(cadre, cadre.MnItmHistogramme_AppliquerDUneImage, false, &T::MenuHistogramme_AppliquerDUneImageClick);
    LierCommande(cadre, cadre.MnItmHistogramme_AppliquerAuxImages, false, &T::MenuHistogramme_AppliquerAuxImagesClick);
    LierCommande(cadre, cadre.MnItmStatistiques, false, &T::AfficherStatistiques);
    LierCommande(cadre, cadre.MnItmRedimensionnement, false, &T::MenuRedimensionnementClick);
    LierCommande(cadre, cadre.MnItmBordures, true, &T::DecouperBordures);
    LierCommande(cadre, cadre.MnItmNiveauxDeGris, true, &T::ConvertirNiveauxDeGris);
    LierCommande(cadre, cadre.MnItmDDPNeutre, false, &T::MenuDDPNeutreImgSourceClick);
    LierCommande(cadre, cadre.MnItmDDPPasseBas, false, &T::MenuDDPPasseBasImgSourceClick);
    LierCommande(cadre, cadre.MnItmDDPGaussien, false, &T::MenuDDPGaussienImgSourceClick);
    LierCommande(cadre, cadre.MnItmAdditionImage, false, &T::AdditionImage);
    LierCommande(cadre, cadre.MnItmAdditionConstante, false, &T::AdditionConstante);
    LierCommande(cadre, cadre.MnItmSoustractionImage, false, &T::SoustractionImage);
    LierCommande(cadre, cadre.MnItmSoustractionConstante, false, &T::SoustractionConstante);
    LierCommande(cadre, cadre.MnItmDivisionImage, false, &T::DivisionImage);
    LierCommande(cadre, cadre.MnItmDivisionConstante, false, &T::DivisionConstante);
    LierCommande(cadre, cadre.MnItmMultiplicationImage, false, &T::MultiplicationImage);
    LierCommande(cadre, cadre.MnItmMultiplicationConstante, false, &T::MultiplicationConstante);
    LierCommande(cadre, cadre.MnItmMoyenne, false, &T::MoyenneImages);
    LierCommande(cadre, cadre.MnItmAjusterNiveau_AppliquerDUneImage, false, &T::AjusterNiveauDUneImage);
    LierCommande(cadre, cadre.MnItmAjusterNiveau_AppliquerAuxImages, true, &T::AjusterNiveauAuxImages);
    LierCommande(cadre, cadre.MnItmTranslation, false, &T::Translation);
    LierCommande(cadre, cadre.MnItmAlignementStellaire, false, &T::AlignementStellaire);
    LierCommande(cadre, cadre.MnItmMiroirHorizontal, true, &T::MiroirHorizontal);
    LierCommande(cadre, cadre.MnItmMiroirVertical, true, &T::MiroirVertical);
    LierCommande(cadre, cadre.MnItmRotation90, true, &T::Rotation90);
    LierCommande(cadre, cadre.MnItmRotation180, true, &T::Rotation180);
    LierCommande(cadre, cadre.MnItmRotation270, true, &T::Rotation270);
}

#include "OnHelpFix.h"
#include "PApplication.h"
#include "UAPropos.h"
#include "UAbandonBmp.h"
#include "UAccueil.h"
#include "UAvertissementVersionTest.h"
#include "UBordures.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UConvolution.h"
#include "UDDPGaussien.h"
#include "UDDPNeutre.h"
#include "UDDPPasseBas.h"
#include "UAnimation.h"
#include "UDemandeValeur.h"
#include "UEnregistrementSelection.h"
#include "UEnteteFit.h"
#include "UExportationJpeg.h"
#include "UGaussien.h"
#include "UInstallationImage.h"
#include "UInstallationPretraitement.h"
#include "UInstallationTrichromie.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UMasqueFlou.h"
#include "UMire.h"
#include "UPasseBas.h"
#include "UPasseHaut.h"
#include "UPreferences.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UStatistiques.h"
#include "UTranslationn.h"
#include "UZoom.h"
#include "hh.h"
#include "hh_funcs.h"

#include <QDialog>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    // Without a display the xcb plugin aborts: say so plainly instead.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "Stelor : aucun affichage graphique (DISPLAY n'est pas défini).\n");
        return 1;
    }
    TApplication app(argc, argv);
    // The help support: paths, debug log, the viewer, help routing.
    InitialiserHHFuncs(QCoreApplication::arguments());
    ChargerHHCtrl();
    InstallerOnHelpFix();

    // The long-lived forms, created once in this order, the frame first; all
    // stay hidden but the frame. Each sets its global pointer here. A form
    // not listed yet takes its place in this order when it exists.
    Main = new TMain;
    QObject::connect(Main, &TMain::FinDemandee, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    std::vector<std::unique_ptr<QDialog>> formes;
    auto creer = [&formes](auto*& global, auto* forme) {
        global = forme;
        formes.emplace_back(forme);
    };
    creer(AvertissementVersionTest, new TAvertissementVersionTest);
    creer(Accueil, new TAccueil);
    creer(APropos, new TAPropos);
    creer(MasqueFlou, new TMasqueFlou);
    creer(Preferences, new TPreferences);
    creer(Gaussien, new TGaussien);
    creer(PasseBas, new TPasseBas);
    creer(PasseHaut, new TPasseHaut);
    creer(Convolution, new TConvolution);
    creer(DDPPasseBas, new TDDPPasseBas);
    creer(DDPGaussien, new TDDPGaussien);
    creer(EnteteFit, new TEnteteFit);
    creer(Mire, new TMire);
    creer(ExportationJpeg, new TExportationJpeg);
    creer(Bordures, new TBordures);
    creer(Statistiques, new TStatistiques);
    creer(DDPNeutre, new TDDPNeutre);
    creer(Animation, new TAnimation);
    creer(EnregistrementSelection, new TEnregistrementSelection);
    creer(ConfirmationFichiers, new TConfirmationFichiers);
    creer(ConversionImages, new TConversionImages);
    creer(SelectionTraitementImage, new TSelectionTraitementImage);
    creer(DemandeValeur, new TDemandeValeur);
    creer(Zoom, new TZoom);
    creer(AbandonBmp, new TAbandonBmp);
    creer(Translationn, new TTranslationn);
    creer(Redimensionnement, new TRedimensionnement);

    // The image windows and the frame's commands that reach them.
    InstallerFenetresImage(*Main);
    InstallerPretraitement(*Main);
    InstallerTrichromie(*Main);
    InstallerVisionneuse(*Main);

    // Without a window manager a maximised window keeps its size: give it the
    // screen first.
    if (QScreen* ecran = QGuiApplication::primaryScreen())
        Main->setGeometry(ecran->availableGeometry());
    Main->showMaximized();
    const int code = app.exec();

    // The frame goes first, with its document windows, while every dialog
    // they might still reach exists; then the dialogs, last created first.
    delete Main;
    while (!formes.empty())
        formes.pop_back();
    RetirerOnHelpFix();
    TerminerHHFuncs();
    LibererHHCtrl();
    return code;
}

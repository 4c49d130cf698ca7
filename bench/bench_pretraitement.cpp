// A drag over the Alignement picture of a 4096 x 4096 raw frame: one mouse
// move (rubber band and zoom, events processed until the picture is painted)
// against one copy of the displayed bitmap, measured in the same run.
#include "UControleImage.h"
#include "UEcritureFit.h"
#include "UFit.h"
#include "UPretraitement.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QFile>
#include <QMdiArea>
#include <QMouseEvent>
#include <QScrollArea>

#include <QTabWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>

namespace {

const int Cote = 4096;
const int Depart = 2000; // where the drag starts, near a star

QString FichierEssai()
{
    static QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("brute.fit"));
    if (QFile::exists(nom))
        return nom;
    THistoFit image;
    CreerHistoFit(image);
    InitialiserImageFit(image, Cote, Cote, 0);
    std::mt19937 alea(14);
    std::normal_distribution<double> bruit(800.0, 30.0);
    for (double& p : image.Pixels)
        p = bruit(alea);
    for (int x = -6; x <= 6; ++x)
        for (int y = -6; y <= 6; ++y)
            image.Pixel(Depart + 20 + x, Depart + 20 + y) += 20000.0 / (1 + x * x + y * y);
    image.Max = 65535;
    EnregistrerFit(image, nom);
    return nom;
}

// The window on screen with the raw frame shown and the drag's start in view.
struct TBanc {
    QMdiArea Zone;
    TPretraitement* F;
    TBanc()
    {
        Zone.resize(1400, 1000);
        F = new TPretraitement();
        Zone.addSubWindow(F);
        Zone.show();
        F->show();
        F->AjouterBrutes({FichierEssai()});
        F->resize(1300, 900); // the hand-over fitted the window to the picture
        F->PgCntrlPrincipale->setCurrentWidget(F->TbShtRegistration);
        F->ScrllBxRegistration->ensureVisible(Depart + 100, Depart + 100, 200, 200);
        QApplication::processEvents();
    }
    void Envoyer(QEvent::Type genre, QPoint p, Qt::MouseButton bouton, Qt::MouseButtons boutons)
    {
        QMouseEvent e(genre, p, F->ImgRegistration->mapToGlobal(p), bouton, boutons, Qt::NoModifier);
        QApplication::sendEvent(F->ImgRegistration, &e);
    }
};

TBanc& Banc()
{
    static TBanc* banc = new TBanc;
    return *banc;
}

void BM_CopieBitmapAffiche(benchmark::State& etat)
{
    const QImage& affiche = Banc().F->ImgRegistration->Picture;
    for (auto _ : etat) {
        QImage copie = affiche.copy();
        benchmark::DoNotOptimize(copie.constBits());
    }
}
BENCHMARK(BM_CopieBitmapAffiche)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Argument: side of the frame being drawn, in image pixels.
void BM_DeplacementSourisCadre(benchmark::State& etat)
{
    TBanc& b = Banc();
    const int cote = static_cast<int>(etat.range(0));
    b.Envoyer(QEvent::MouseButtonPress, QPoint(Depart, Depart), Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    int pas = 0;
    for (auto _ : etat) {
        const int d = cote + (pas++ % 2);
        const long avant = b.F->ImgRegistration->NombrePeintures();
        b.Envoyer(QEvent::MouseMove, QPoint(Depart + d, Depart + d), Qt::NoButton, Qt::LeftButton);
        while (b.F->ImgRegistration->NombrePeintures() == avant)
            QApplication::processEvents();
    }
    b.Envoyer(QEvent::MouseButtonRelease, QPoint(Depart + cote, Depart + cote), Qt::LeftButton, Qt::NoButton);
    // The last move drew a frame of that side or one more.
    if (b.F->ImgZoomRegistration->width() < 4 * cote || b.F->ImgZoomRegistration->width() > 4 * (cote + 1))
        etat.SkipWithError("le zoom n'a pas la taille du cadre");
}
BENCHMARK(BM_DeplacementSourisCadre)->Arg(40)->Arg(128)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

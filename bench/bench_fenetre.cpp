// Opening a 4096 x 4096 FIT file into an image window (read, automatic
// levels, render, summary) against the bare read, a zoom change, a threshold
// step and a history line.
#include "UFenetreSeuils.h"
#include "UFit.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UParametres.h"
#include "UTraitementImage.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QSlider>
#include <QTemporaryDir>
#include "CielEssai.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <random>

namespace {

const int Cote = 4096;

// A sky: background near 800 with noise and a few bright stars, in a file
// without the program's cards, so that the levels come from the histogram.
QString FichierEssai()
{
    return CielEssai(Cote, 0);
}

void BM_LectureNue(benchmark::State& etat)
{
    const QString nom = FichierEssai();
    for (auto _ : etat) {
        THistoFit image;
        CreerHistoFit(image);
        LireFichierFit(image, nom);
        benchmark::DoNotOptimize(image.Pixels.data());
        DetruireHistoFit(image);
    }
}
BENCHMARK(BM_LectureNue)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the user waits for: the window shows the picture and its summary.
// Argument 1: the undo copy is made too (a window makes it when first asked).
void BM_OuvertureFenetre(benchmark::State& etat)
{
    const QString nom = FichierEssai();
    for (auto _ : etat) {
        auto* f = new TTraitementImage();
        f->OuvrirImage(nom, true);
        if (etat.range(0) != 0)
            benchmark::DoNotOptimize(f->AnnulationFit().Pixels.data());
        benchmark::DoNotOptimize(f->ImgSource->Picture.constBits());
        etat.PauseTiming();
        delete f;
        etat.ResumeTiming();
    }
}
BENCHMARK(BM_OuvertureFenetre)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A zoom change renders again from the pixels in place.
void BM_ChangementZoom(benchmark::State& etat)
{
    auto* f = new TTraitementImage();
    f->OuvrirImage(FichierEssai(), true);
    bool moitie = false;
    for (auto _ : etat) {
        moitie = !moitie;
        f->ZoomParTexte(moitie ? QStringLiteral("50%") : QStringLiteral("25%"));
        benchmark::DoNotOptimize(f->ImgSource->Picture.constBits());
    }
    delete f;
}
BENCHMARK(BM_ChangementZoom)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Three image windows open in the frame, a threshold window on the first
// with Visualisation ticked: one track-bar step against one bare rendering of
// the bound image, measured in turn in the same run. "ratio" is the step's
// time over the bare rendering's; the other two windows, whose display did
// not change, are not rendered again.
void BM_PasCurseurSeuils(benchmark::State& etat)
{
    QTemporaryDir dossier;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    auto* cadre = new TMain;
    InstallerFenetresImage(*cadre);
    cadre->resize(1600, 1000);
    cadre->show();
    const QString nom = FichierEssai();
    cadre->OuvrirFichiers({nom, nom, nom});
    auto* f = dynamic_cast<TTraitementImage*>(cadre->TrouverImage(1));
    if (!f || cadre->FenetresDuGenre(GenreImage).size() != 3)
        std::abort();
    f->AfficherHistogramme();
    auto* s = dynamic_cast<TFenetreSeuils*>(cadre->TrouverHistogramme(1));
    if (!s || !s->ChckBxVisualisation->isChecked())
        std::abort();
    QSlider* curseur = s->TrckBrSeuilMaxi;
    const int pas = curseur->singleStep();
    using Horloge = std::chrono::steady_clock;
    double totalPas = 0, totalRendu = 0;
    bool monte = false;
    for (auto _ : etat) {
        monte = !monte;
        const auto t0 = Horloge::now();
        curseur->setValue(curseur->value() + (monte ? pas : -pas));
        const auto t1 = Horloge::now();
        etat.PauseTiming();
        const auto t2 = Horloge::now();
        QImage rendu = RendreFit(f->ImageFit, true);
        benchmark::DoNotOptimize(rendu.constBits());
        const auto t3 = Horloge::now();
        etat.ResumeTiming();
        totalPas += std::chrono::duration<double>(t1 - t0).count();
        totalRendu += std::chrono::duration<double>(t3 - t2).count();
    }
    etat.counters["rendu_nu_ms"] = 1000 * totalRendu / static_cast<double>(etat.iterations());
    etat.counters["ratio"] = totalPas / totalRendu;
    for (TMDIChild* fenetre : cadre->FenetresDuGenre(GenreImage))
        dynamic_cast<TTraitementImage*>(fenetre)->Modifiee = false;
    delete cadre;
}
BENCHMARK(BM_PasCurseurSeuils)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One operation's line in a history of N lines, then F9 taking it away: the
// text shown changes by that line only, whatever N.
void BM_LigneHistorique(benchmark::State& etat)
{
    THistoFit image;
    CreerHistoFit(image);
    InitialiserImageFit(image, 16, 16, 0);
    auto* f = new TTraitementImage();
    f->NouvelleImageFit(image);
    f->show();
    f->AfficherMasquerHistorique();
    for (int64_t i = 1; i < etat.range(0); ++i)
        f->AjouterHistorique(QStringLiteral("Filtre gaussien sigma 0,7 préservatif"));
    for (auto _ : etat) {
        f->AjouterHistorique(QStringLiteral("Filtre passe bas force 2"));
        f->MenuAnnulerRestaurerImgSourceClick();
    }
    f->Modifiee = false;
    delete f;
    DetruireHistoFit(image);
}
BENCHMARK(BM_LigneHistorique)->Arg(500)->Arg(9000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

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

// Processing commands on a 4096 x 4096 image opened from a file, each run
// through its window as the menu runs it (undo copy, operation, render,
// history), against OpenCV on the same pixels (one thread, a fresh output
// per iteration). Prints the ratios to their limits at the end.
#include "PDialogues.h"
#include "UFit.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UTraitementImage.h"
#include "UTranslationn.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include "CielEssai.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#ifdef STELOR_AVEC_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

const int Cote = 4096;

// A sky near 800 with noise and a few stars; `graine` makes the second file differ.
QString FichierEssai(int graine)
{
    return CielEssai(Cote, graine);
}

// The frame with two windows opened from the files; the dialogs are answered
// as the user would (OK with the values of the benchmark).
struct TPoste {
    TMain* Cadre = nullptr;
    TTraitementImage* F1 = nullptr;
    TTraitementImage* F2 = nullptr;
    QString Facteur = QStringLiteral("2");

    TPoste()
    {
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        if (!SelectionTraitementImage)
            SelectionTraitementImage = new TSelectionTraitementImage;
        if (!Translationn)
            Translationn = new TTranslationn;
        if (!Redimensionnement)
            Redimensionnement = new TRedimensionnement;
        Dialogues::InstallerRepondeur([this](const TDemandeDialogue& d) {
            TReponseDialogue r;
            r.Resultat = d.Genre == TGenreDemande::Question ? mrYes : mrOk;
            if (d.Dialogue == SelectionTraitementImage) {
                QListWidget* l = SelectionTraitementImage->LstBxTraitementsImages;
                for (int i = 0; i < l->count(); ++i)
                    l->item(i)->setSelected(l->item(i)->text().startsWith(QStringLiteral("#%1 ").arg(F2->Numero)));
            } else if (d.Dialogue == Translationn) {
                Translationn->Edtx->setText(QStringLiteral("2,5"));
                Translationn->Edty->setText(QStringLiteral("-1,5"));
            } else if (d.Dialogue == Redimensionnement) {
                Redimensionnement->EdtNouvelleFacteur->setText(Facteur);
            }
            return r;
        });
        Cadre->OuvrirFichiers({FichierEssai(1), FichierEssai(2)});
        const QList<TMDIChild*> f = Cadre->FenetresDuGenre(GenreImage);
        F2 = dynamic_cast<TTraitementImage*>(f.at(0));
        F1 = dynamic_cast<TTraitementImage*>(f.at(1));
    }
    ~TPoste()
    {
        for (TMDIChild* f : Cadre->FenetresDocument())
            if (auto* i = dynamic_cast<TTraitementImage*>(f))
                i->Modifiee = false;
        delete Cadre;
        Dialogues::RetirerRepondeur();
    }
    // The history would grow without end: each run starts it again.
    void Purger() { F1->DemarrerHistorique(); }
};

TPoste* PostePartage = nullptr;

TPoste& Poste()
{
    if (!PostePartage)
        PostePartage = new TPoste;
    return *PostePartage;
}

void BM_Stelor_Rotation90(benchmark::State& etat)
{
    TPoste& p = Poste();
    for (auto _ : etat) {
        p.F1->Rotation90();
        benchmark::DoNotOptimize(p.F1->ImgSource->Picture.constBits());
        etat.PauseTiming();
        p.Purger();
        etat.ResumeTiming();
    }
}

void BM_Stelor_Translation(benchmark::State& etat)
{
    TPoste& p = Poste();
    for (auto _ : etat) {
        p.F1->Translation();
        benchmark::DoNotOptimize(p.F1->ImgSource->Picture.constBits());
        etat.PauseTiming();
        p.F1->MenuAnnulerRestaurerImgSourceClick(); // back to the picture, not to a black one
        p.Purger();
        etat.ResumeTiming();
    }
}

void BM_Stelor_Redimensionnement(benchmark::State& etat)
{
    TPoste& p = Poste();
    for (auto _ : etat) {
        p.F1->MenuRedimensionnementClick();
        etat.PauseTiming();
        TMDIChild* nouvelle = p.Cadre->FenetresDuGenre(GenreImage).at(0);
        if (auto* t = dynamic_cast<TTraitementImage*>(nouvelle); t && t != p.F1 && t != p.F2) {
            t->Modifiee = false;
            delete t;
        } else {
            etat.SkipWithError("pas de nouvelle fenêtre");
        }
        p.Cadre->ZoneMDI()->setActiveSubWindow(p.F1);
        etat.ResumeTiming();
    }
}

void BM_Stelor_AdditionImage(benchmark::State& etat)
{
    TPoste& p = Poste();
    for (auto _ : etat) {
        p.F1->AdditionImage();
        benchmark::DoNotOptimize(p.F1->ImgSource->Picture.constBits());
        etat.PauseTiming();
        p.F1->MenuAnnulerRestaurerImgSourceClick();
        p.Purger();
        etat.ResumeTiming();
    }
}

void BM_Stelor_DivisionImage(benchmark::State& etat)
{
    TPoste& p = Poste();
    for (auto _ : etat) {
        p.F1->DivisionImage();
        benchmark::DoNotOptimize(p.F1->ImgSource->Picture.constBits());
        etat.PauseTiming();
        p.F1->MenuAnnulerRestaurerImgSourceClick();
        p.Purger();
        etat.ResumeTiming();
    }
}

BENCHMARK(BM_Stelor_Rotation90)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stelor_Translation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stelor_Redimensionnement)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stelor_AdditionImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Stelor_DivisionImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef STELOR_AVEC_OPENCV
// The same pixels as the windows hold (doubles, one plane).
struct TMats {
    cv::Mat A, B;
    TMats()
    {
        cv::setNumThreads(1);
        TPoste& p = Poste();
        A = cv::Mat(Cote, Cote, CV_64F, p.F1->ImageFit.Pixels.data()).clone();
        B = cv::Mat(Cote, Cote, CV_64F, p.F2->ImageFit.Pixels.data()).clone();
    }
};

TMats& Mats()
{
    static TMats m;
    return m;
}

void BM_OpenCV_Rotation90(benchmark::State& etat)
{
    TMats& m = Mats();
    for (auto _ : etat) {
        cv::Mat r;
        cv::rotate(m.A, r, cv::ROTATE_90_CLOCKWISE);
        benchmark::DoNotOptimize(r.data);
    }
}

void BM_OpenCV_Translation(benchmark::State& etat)
{
    TMats& m = Mats();
    const cv::Mat t = (cv::Mat_<double>(2, 3) << 1, 0, 2.5, 0, 1, -1.5);
    for (auto _ : etat) {
        cv::Mat r;
        cv::warpAffine(m.A, r, t, m.A.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
        benchmark::DoNotOptimize(r.data);
    }
}

void BM_OpenCV_Redimensionnement(benchmark::State& etat)
{
    TMats& m = Mats();
    for (auto _ : etat) {
        cv::Mat r;
        cv::resize(m.A, r, cv::Size(2 * Cote, 2 * Cote), 0, 0, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(r.data);
    }
}

void BM_OpenCV_AdditionImage(benchmark::State& etat)
{
    TMats& m = Mats();
    for (auto _ : etat) {
        cv::Mat r;
        cv::add(m.A, m.B, r);
        cv::min(r, 65535.0, r);
        benchmark::DoNotOptimize(r.data);
    }
}

void BM_OpenCV_DivisionImage(benchmark::State& etat)
{
    TMats& m = Mats();
    const double k = cv::mean(m.B)[0];
    for (auto _ : etat) {
        cv::Mat r;
        cv::divide(m.A, m.B, r, k);
        benchmark::DoNotOptimize(r.data);
    }
}

BENCHMARK(BM_OpenCV_Rotation90)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCV_Translation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCV_Redimensionnement)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCV_AdditionImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenCV_DivisionImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

// Keeps the time of each run for the ratios.
class TRapporteur : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Temps;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                Temps[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRapporteur rapporteur;
    benchmark::RunSpecifiedBenchmarks(&rapporteur);
    struct Rapport {
        const char* nom;
        double limite;
    };
    std::printf("\nRatios Stelor / OpenCV (limite) :\n");
    for (const Rapport& r : {Rapport{"Rotation90", 2.5}, Rapport{"Translation", 2.5}, Rapport{"Redimensionnement", 2.5},
                             Rapport{"AdditionImage", 3.0}, Rapport{"DivisionImage", 3.0}}) {
        const auto s = rapporteur.Temps.find(std::string("BM_Stelor_") + r.nom);
        const auto o = rapporteur.Temps.find(std::string("BM_OpenCV_") + r.nom);
        if (s == rapporteur.Temps.end() || o == rapporteur.Temps.end() || o->second <= 0) {
            std::printf("  %-18s non mesuré (OpenCV absent ou filtré)\n", r.nom);
            continue;
        }
        const double ratio = s->second / o->second;
        std::printf("  %-18s %6.2f (limite %.1f) %s\n", r.nom, ratio, r.limite, ratio <= r.limite ? "ok" : "DÉPASSÉ");
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    delete PostePartage;
    return 0;
}

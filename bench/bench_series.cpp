// The series tools against the core steps they call. Composing three
// 4096 x 4096 planes with offsets through the tricolour window against the
// bare steps (three bitmap copies, the shifts, CompositionRVB, the render);
// a plane slider against the render of that one plane; a batch of 100
// 2048 x 2048 FIT files to JPEG through the dialog against the same
// conversions called directly. The ratios are printed at the end.
#include "PDialogues.h"
#include "UArithmetique.h"
#include "UBmp.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UEcritureFit.h"
#include "UEnregistrementSelection.h"
#include "UFiltresBmp.h"
#include "UFit.h"
#include "UJpeg.h"
#include "UParametres.h"
#include "UTrichromieRVB.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

namespace {

QTemporaryDir* Dossier = nullptr;

// A sky of the given side: noise near 800, a few bright stars.
QString FichierCiel(int cote, const QString& nom)
{
    const QString chemin = Dossier->filePath(nom);
    if (QFile::exists(chemin))
        return chemin;
    THistoFit image;
    CreerHistoFit(image);
    InitialiserImageFit(image, cote, cote, 0);
    std::mt19937 alea(cote);
    std::normal_distribution<double> bruit(800.0, 30.0);
    for (double& v : image.Pixels)
        v = std::max(0.0, bruit(alea));
    for (size_t i = 0; i < image.Pixels.size(); i += 9973)
        image.Pixels[i] = 40000;
    image.Min = 0;
    image.Max = 40000;
    FixerSeuilsFit(image, 600, 1200, false, true);
    EnregistrerFit(image, chemin);
    return chemin;
}

// The window with three 4096 x 4096 FIT planes chosen as a user does, and
// offsets of 1,5 (red, right) and 2 (blue, up).
TTrichromieRVB* FenetreChargee()
{
    static TTrichromieRVB* f = [] {
        const QString nom = FichierCiel(4096, QStringLiteral("plan4096.fit"));
        Dialogues::InstallerRepondeur([nom](const TDemandeDialogue& d) {
            TReponseDialogue r;
            r.Resultat = mrOk;
            if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = QStringList{nom};
            return r;
        });
        auto* fenetre = new TTrichromieRVB;
        for (int p = 0; p < 3; ++p)
            fenetre->ImgMiniClick(p);
        fenetre->Plans[0].DecalageX = 1.5;
        fenetre->Plans[2].DecalageY = -2;
        return fenetre;
    }();
    return f;
}

void BM_CompositionFenetre(benchmark::State& etat)
{
    TTrichromieRVB* f = FenetreChargee();
    for (auto _ : etat) {
        f->Composer();
        benchmark::DoNotOptimize(f->RenduRVB.constBits());
    }
}
BENCHMARK(BM_CompositionFenetre)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CompositionEtapesNues(benchmark::State& etat)
{
    TTrichromieRVB* f = FenetreChargee();
    const QImage rendus[3] = {f->Plans[0].Rendu, f->Plans[1].Rendu, f->Plans[2].Rendu};
    THistoBmp composite;
    CreerHistoBmp(composite);
    for (auto _ : etat) {
        QImage b[3];
        for (int p = 0; p < 3; ++p)
            CopierBitmap(rendus[p], b[p]);
        TranslationXBitmap(b[0], 1.5);
        TranslationYBitmap(b[2], -2);
        CompositionRVB(b[0], b[1], b[2], composite);
        FixerSeuilsBmp(composite, 0, 255, false, true);
        benchmark::DoNotOptimize(BitmapBmp(composite).constBits());
    }
}
BENCHMARK(BM_CompositionEtapesNues)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A slider move renders its plane and nothing else.
void BM_CurseurPlanFenetre(benchmark::State& etat)
{
    TTrichromieRVB* f = FenetreChargee();
    bool bascule = false;
    for (auto _ : etat) {
        bascule = !bascule;
        f->Plans[1].TrckBrSeuilHaut->setValue(bascule ? 1500 : 1400);
        benchmark::DoNotOptimize(f->Plans[1].Rendu.constBits());
    }
}
BENCHMARK(BM_CurseurPlanFenetre)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CurseurPlanNu(benchmark::State& etat)
{
    TTrichromieRVB* f = FenetreChargee();
    THistoFit& plan = f->Plans[1].ImageFit;
    bool bascule = false;
    for (auto _ : etat) {
        bascule = !bascule;
        plan.SMax = bascule ? 1500 : 1400;
        QImage rendu = RendreFit(plan, true);
        benchmark::DoNotOptimize(rendu.constBits());
    }
}
BENCHMARK(BM_CurseurPlanNu)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ---------------------------------------------------------------------------

const int NombreLot = 100;

QList<TFichierSelection> ListeLot()
{
    const QString nom = FichierCiel(2048, QStringLiteral("lot2048.fit"));
    QList<TFichierSelection> liste;
    for (int i = 0; i < NombreLot; ++i)
        liste << TFichierSelection{NomFichierSansChemin(nom), CheminFichier(nom), true};
    return liste;
}

void BM_LotJpegDialogue(benchmark::State& etat)
{
    const QList<TFichierSelection> liste = ListeLot();
    const QString sortie = Dossier->filePath(QStringLiteral("dialogue"));
    QDir().mkpath(sortie);
    Dialogues::InstallerRepondeur([](const TDemandeDialogue& d) {
        TReponseDialogue r;
        r.Resultat = d.Genre == TGenreDemande::Modal && d.NomObjet == QLatin1String("TConversionImages") ? mrOk : mrOk;
        return r;
    });
    ConversionImages->findChild<QComboBox*>(QStringLiteral("CmbBxFormat"))->setCurrentIndex(TConversionImages::FormatJpeg);
    ConversionImages->findChild<QLineEdit*>(QStringLiteral("EdtQualite"))->setText(QStringLiteral("90"));
    TEnregistrementSelection dialogue;
    dialogue.Initialiser(liste, sortie);
    dialogue.show();
    dialogue.findChild<QLineEdit*>(QStringLiteral("EdtEntete"))->setText(QStringLiteral("img"));
    dialogue.findChild<QCheckBox*>(QStringLiteral("ChckBxConversion"))->click();
    for (auto _ : etat) {
        dialogue.BtnOKClick();
        etat.PauseTiming();
        if (dialogue.NombreErreurs() != 0)
            std::abort();
        dialogue.hide();
        dialogue.show();
        etat.ResumeTiming();
    }
}
BENCHMARK(BM_LotJpegDialogue)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LotJpegDirect(benchmark::State& etat)
{
    const QList<TFichierSelection> liste = ListeLot();
    const QString sortie = Dossier->filePath(QStringLiteral("direct"));
    QDir().mkpath(sortie);
    for (auto _ : etat) {
        int k = 1;
        for (const TFichierSelection& f : liste) {
            THistoFit image;
            CreerHistoFit(image);
            ChargerFit(image, f.Dossier + f.Nom);
            EnregistrerJpeg(BitmapFit(image), 90, sortie + QStringLiteral("/img%1.jpg").arg(k++));
        }
    }
}
BENCHMARK(BM_LotJpegDirect)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps the mean real time of each run, for the ratios.
class TRapporteur : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Temps;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.iterations > 0)
                Temps[r.benchmark_name()] = r.real_accumulated_time / static_cast<double>(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

void Ratio(const TRapporteur& r, const char* texte, const std::string& a, const std::string& b, double limite)
{
    const auto ia = r.Temps.find(a), ib = r.Temps.find(b);
    if (ia == r.Temps.end() || ib == r.Temps.end() || ib->second <= 0)
        return;
    const double ratio = ia->second / ib->second;
    std::printf("%s : %.3f (limite %.2f) %s\n", texte, ratio, limite, ratio <= limite ? "tenue" : "DEPASSEE");
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dossier;
    Dossier = &dossier;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    ConversionImages = new TConversionImages;
    ConfirmationFichiers = new TConfirmationFichiers;
    benchmark::Initialize(&argc, argv);
    TRapporteur rapporteur;
    benchmark::RunSpecifiedBenchmarks(&rapporteur);
    benchmark::Shutdown();
    Ratio(rapporteur, "Composition fenetre / etapes nues", "BM_CompositionFenetre/min_time:3.000",
          "BM_CompositionEtapesNues/min_time:3.000", 1.5);
    Ratio(rapporteur, "Curseur d'un plan / rendu de ce plan", "BM_CurseurPlanFenetre/min_time:3.000",
          "BM_CurseurPlanNu/min_time:3.000", 1.5);
    Ratio(rapporteur, "Lot Jpeg dialogue / conversions directes", "BM_LotJpegDialogue/iterations:3",
          "BM_LotJpegDirect/iterations:3", 1.2);
    Dialogues::RetirerRepondeur();
    return 0;
}

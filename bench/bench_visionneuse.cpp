// The viewer on 1,000 names (links to a few generated files): adding them and
// the series sort against a bare list control filled and sorted; a Down key
// to the picture shown against the bare read, render and summary; a burst
// of 50 keys against one; stopping a 1 ms slide show.
#include "PDialogues.h"
#include "UAnimation.h"
#include "UEcritureFit.h"
#include "UFit.h"
#include "UOutils.h"
#include "UVisionneuse.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>

namespace {

const int N = 1000;

QTemporaryDir& Dossier()
{
    static QTemporaryDir d;
    return d;
}

// A side x side sky with a few stars, without the program's level cards.
QString Generer(int cote)
{
    const QString nom = Dossier().filePath(QStringLiteral("ciel_%1.fit").arg(cote));
    if (QFile::exists(nom))
        return nom;
    THistoFit im;
    CreerHistoFit(im);
    InitialiserImageFit(im, cote, cote, 0);
    std::mt19937 alea(cote);
    std::normal_distribution<double> bruit(800.0, 30.0);
    for (int x = 0; x < cote; ++x)
        for (int y = 0; y < cote; ++y)
            FixerPixelFit(im, x, y, (x * 131 + y * 7) % 9973 == 0 ? 40000 : bruit(alea));
    EnregistrerFit(im, nom);
    return nom;
}

// n links to the file, named "serie_<i>.fit" in a folder of their own, in
// a shuffled order.
QStringList Liens(int cote, int n)
{
    const QString source = Generer(cote);
    QDir d(Dossier().path());
    const QString sous = QStringLiteral("liens_%1").arg(cote);
    d.mkpath(sous);
    QStringList noms;
    for (int i = 0; i < n; ++i) {
        const QString nom = d.filePath(sous + QStringLiteral("/serie_%1.fit").arg(i));
        if (!QFile::exists(nom))
            QFile::link(source, nom);
        noms << nom;
    }
    std::shuffle(noms.begin(), noms.end(), std::mt19937(7));
    return noms;
}

// Reference: a bare list control filled with the names, and the names sorted.
void BM_ReferenceListeNue(benchmark::State& etat)
{
    const QStringList chemins = Liens(16, N);
    for (auto _ : etat) {
        QListWidget liste;
        for (const QString& c : chemins)
            liste.addItem(NomFichierSansChemin(c));
        QStringList tries = chemins;
        std::stable_sort(tries.begin(), tries.end(),
                         [](const QString& a, const QString& b) { return ComparerNomsFichiers(b, a); });
        benchmark::DoNotOptimize(tries.data());
    }
}
BENCHMARK(BM_ReferenceListeNue)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_AjoutAListeNonVide(benchmark::State& etat)
{
    const QStringList chemins = Liens(16, N);
    for (auto _ : etat) {
        etat.PauseTiming();
        auto v = std::make_unique<TVisionneuse>();
        v->AjouterFichiers({chemins.front()});
        etat.ResumeTiming();
        v->AjouterFichiers(chemins);
        benchmark::DoNotOptimize(v->ChckLstBxImages->count());
        etat.PauseTiming();
        v.reset();
        etat.ResumeTiming();
    }
}
BENCHMARK(BM_AjoutAListeNonVide)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_TriParSerie(benchmark::State& etat)
{
    const QStringList chemins = Liens(16, N);
    TVisionneuse v;
    TConfigurationVisionneuse c;
    for (const QString& ch : chemins)
        c.Lignes << TLigneVisionneuse{NomFichierSansChemin(ch), CheminFichier(ch), false};
    for (auto _ : etat) {
        etat.PauseTiming();
        v.AppliquerConfiguration(c);
        etat.ResumeTiming();
        v.TrierParSerie();
        benchmark::DoNotOptimize(v.ChckLstBxImages->count());
    }
}
BENCHMARK(BM_TriParSerie)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Reference: what showing one file costs at least.
void BM_LectureRenduNus(benchmark::State& etat)
{
    const QString nom = Generer(static_cast<int>(etat.range(0)));
    QImage montree;
    for (auto _ : etat) {
        THistoFit im;
        CreerHistoFit(im, [&montree](const QImage& i) { montree = i; });
        LireFichierFit(im, nom);
        FixerSeuilsFit(im, 700, 900, false, true);
        AfficherFit(im, true);
        benchmark::DoNotOptimize(TexteInfoFit(im).size());
        DetruireHistoFit(im);
    }
}
BENCHMARK(BM_LectureRenduNus)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)->MinTime(2.0);

std::unique_ptr<TVisionneuse> Visionneuse(int cote, int n)
{
    auto v = std::make_unique<TVisionneuse>();
    TConfigurationVisionneuse c;
    for (const QString& ch : Liens(cote, n))
        c.Lignes << TLigneVisionneuse{NomFichierSansChemin(ch), CheminFichier(ch), false};
    c.Selection = -1;
    v->AppliquerConfiguration(c);
    v->show();
    return v;
}

void Attendre(TVisionneuse& v)
{
    while (v.RenduEnAttente())
        QCoreApplication::processEvents();
}

using Horloge = std::chrono::steady_clock;

double Millisecondes(Horloge::time_point debut)
{
    return std::chrono::duration<double, std::milli>(Horloge::now() - debut).count();
}

// One bare read, render and summary of the file, in milliseconds.
double LectureNue(const QString& nom)
{
    const auto debut = Horloge::now();
    QImage montree;
    THistoFit im;
    CreerHistoFit(im, [&montree](const QImage& i) { montree = i; });
    LireFichierFit(im, nom);
    FixerSeuilsFit(im, 700, 900, false, true);
    AfficherFit(im, true);
    benchmark::DoNotOptimize(TexteInfoFit(im).size());
    DetruireHistoFit(im);
    return Millisecondes(debut);
}

// A Down key at line k until the next line's picture is shown; each
// iteration also times the bare read, render and summary, so that the
// counter "rapport" (key / bare) does not depend on the machine's load.
void BM_ToucheBas2048(benchmark::State& etat)
{
    auto v = Visionneuse(2048, N);
    const QString nom = Generer(2048);
    const int k = static_cast<int>(etat.range(0));
    double touche = 0, nue = 0;
    for (auto _ : etat) {
        etat.PauseTiming();
        v->SelectionnerLigne(k);
        nue += LectureNue(nom);
        etat.ResumeTiming();
        const auto debut = Horloge::now();
        QKeyEvent bas(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(v->ChckLstBxImages, &bas);
        Attendre(*v);
        touche += Millisecondes(debut);
    }
    if (v->LigneSelectionnee() != k + 1 || v->SttcTxtNomImage->text() != v->Lignes()[k + 1].Chemin())
        etat.SkipWithError("la touche n'a pas montré la ligne suivante");
    etat.counters["nue_ms"] = nue / static_cast<double>(etat.iterations());
    etat.counters["rapport"] = touche / nue;
}
BENCHMARK(BM_ToucheBas2048)->Arg(10)->Arg(990)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 50 Down keys posted at once on 4096 x 4096 files, until the last line is
// shown; "rapport": against one key, timed in the same iteration.
void BM_RafaleTouches4096(benchmark::State& etat)
{
    auto v = Visionneuse(4096, 60);
    double rafale = 0, une = 0;
    auto poster = [&](int touches) {
        const auto debut = Horloge::now();
        for (int t = 0; t < touches; ++t)
            QCoreApplication::postEvent(v->ChckLstBxImages, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
        const int cible = v->LigneSelectionnee() + touches;
        while (v->LigneSelectionnee() != cible || v->RenduEnAttente())
            QCoreApplication::processEvents();
        return Millisecondes(debut);
    };
    for (auto _ : etat) {
        etat.PauseTiming();
        v->SelectionnerLigne(0);
        une += poster(1);
        v->SelectionnerLigne(0);
        etat.ResumeTiming();
        rafale += poster(50);
    }
    etat.counters["une_touche_ms"] = une / static_cast<double>(etat.iterations());
    etat.counters["rapport"] = rafale / une;
}
BENCHMARK(BM_RafaleTouches4096)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// "Animer" clicked while a 1 ms slide show of 4096 x 4096 files plays, until
// it has stopped; "rapport": against one bare read of such a file.
void BM_ArretAnimation4096(benchmark::State& etat)
{
    auto v = Visionneuse(4096, 20);
    const QString nom = Generer(4096);
    Dialogues::InstallerRepondeur([](const TDemandeDialogue& d) {
        if (d.Dialogue)
            d.Dialogue->findChild<QComboBox*>(QStringLiteral("CmbBxImages"))->setCurrentIndex(0);
        Animation->FixerFrequence(1);
        Animation->FixerBoucle(true);
        return TReponseDialogue{mrOk, {}, {}};
    });
    double arret = 0, nue = 0;
    for (auto _ : etat) {
        etat.PauseTiming();
        nue += LectureNue(nom);
        v->SelectionnerLigne(0);
        v->SpdBttnAnimer->click();
        if (!v->AnimationEnCours()) {
            etat.SkipWithError("l'animation n'a pas démarré");
            break;
        }
        while (v->LigneSelectionnee() < 2)
            QCoreApplication::processEvents();
        etat.ResumeTiming();
        const auto debut = Horloge::now();
        QMetaObject::invokeMethod(v->SpdBttnAnimer, &QAbstractButton::click, Qt::QueuedConnection);
        while (v->AnimationEnCours())
            QCoreApplication::processEvents();
        arret += Millisecondes(debut);
    }
    Dialogues::RetirerRepondeur();
    etat.counters["rapport"] = arret / nue;
}
BENCHMARK(BM_ArretAnimation4096)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Animation = new TAnimation;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete Animation;
    return 0;
}

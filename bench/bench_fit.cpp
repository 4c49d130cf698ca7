// Speed of the FIT image at 4000 x 4000, 4096 x 4096 and 4104 x 4104 16-bit:
// loading against cfitsio's fits_read_img into doubles, with the same buffer
// policy for both (a fresh block per load, or one block reused), on a file
// written by Stelor (levels in its STL_ cards) and on one written by cfitsio
// without them (levels from the histogram); rendering with the logarithmic
// curve; a memcpy of the pixel block as the memory yardstick. As in the
// program with windows open, the process holds two other blocks of 128 MB,
// and the reused block is measured at several placements (a block of
// another size allocated before it moves it); the slowest placement counts.
// Each measure is repeated (6 times unless --benchmark_repetitions says
// otherwise), the repetitions of all measures shuffled together, and the
// closing ratios come from the medians of this run, each with its goal.
// Last, the first load of 15 fresh processes (the program run again with
// --une-lecture=<file>): the slowest against the median
// (--sans-premieres-lectures leaves it out). STELOR_PARTS=n caps the
// threads of loads and renderings, to compare.
//
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTELOR_TESTS=OFF
//   cmake --build build/release --target bench_fit && build/release/bench/bench_fit
#include "UEcritureFit.h"
#include "UFit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef STELOR_AVEC_CFITSIO
#include <fitsio.h>
#endif

namespace {

constexpr int kCotes[] = {4000, 4096, 4104};
// Sizes of the block allocated before the reused one, one per placement:
// beyond what the allocator takes from its heap, each moving the pixel
// block by a different amount modulo 2 MB.
constexpr size_t kMo = size_t(1) << 20;
constexpr size_t kDecalages[] = {0, 40 * kMo + 4096, 41 * kMo + 36 * 1024, 43 * kMo + 132 * 1024};

// The files of every size, made once in a folder of a unique name.
struct TFichiers {
    QTemporaryDir Dossier{QDir::tempPath() + QStringLiteral("/bench_fit_XXXXXX")};
    std::map<int, QString> Stelor;  // written by EnregistrerFit: STL_ cards
    std::map<int, QString> Cfitsio; // written by cfitsio: no STL_ card
};
TFichiers* gFichiers = nullptr;

// A sky: background about 900 with noise, a gradient and stars up to 65535.
void Ciel(THistoFit& im, int cote)
{
    CreerHistoFit(im);
    CreerImageFitRemplie(im, cote, cote, 0);
    std::mt19937 alea(42);
    std::normal_distribution<double> bruit(0, 30);
    for (int x = 0; x < cote; ++x) {
        double* c = im.Colonne(x);
        for (int y = 0; y < cote; ++y)
            c[y] = std::clamp(std::nearbyint(900 + 0.05 * x + bruit(alea)), 0.0, 65535.0);
    }
    std::uniform_int_distribution<int> pos(8, cote - 9);
    for (int s = 0; s < 3000; ++s) {
        const int cx = pos(alea), cy = pos(alea);
        for (int dx = -4; dx <= 4; ++dx)
            for (int dy = -4; dy <= 4; ++dy)
                im.Pixel(cx + dx, cy + dy) = std::min(
                    65535.0, std::nearbyint(im.Pixel(cx + dx, cy + dy) + 64000 * std::exp(-(dx * dx + dy * dy) / 4.0)));
    }
    im.Max = 65535;
    im.Min = 0;
}

#ifdef STELOR_AVEC_CFITSIO
bool EcrireCfitsio(const THistoFit& im, const QString& nom)
{
    const long l = im.XMax + 1, h = im.YMax + 1;
    std::vector<unsigned short> d(static_cast<size_t>(l) * h);
    for (long r = 0; r < h; ++r)
        for (long x = 0; x < l; ++x)
            d[static_cast<size_t>(r * l + x)] = static_cast<unsigned short>(im.Pixel(x, h - 1 - r));
    fitsfile* f = nullptr;
    int status = 0;
    long naxes[2] = {l, h};
    fits_create_file(&f, ("!" + QFile::encodeName(nom)).constData(), &status);
    fits_create_img(f, USHORT_IMG, 2, naxes, &status);
    fits_write_img(f, TUSHORT, 1, static_cast<LONGLONG>(d.size()), d.data(), &status);
    fits_close_file(f, &status);
    return status == 0;
}

bool LireCfitsio(const QByteArray& nom, double* d, size_t n)
{
    fitsfile* f = nullptr;
    int status = 0, anynul = 0;
    double nul = 0;
    fits_open_file(&f, nom.constData(), READONLY, &status);
    fits_read_img(f, TDOUBLE, 1, static_cast<LONGLONG>(n), &nul, d, &anynul, &status);
    fits_close_file(f, &status);
    return status == 0;
}
#endif

const QString& Fichier(int cote, bool stelor) { return stelor ? gFichiers->Stelor[cote] : gFichiers->Cfitsio[cote]; }

size_t Pixels(int cote) { return static_cast<size_t>(cote) * cote; }

// Loads into a new object each time: its block is allocated by the load.
void StelorNeuf(benchmark::State& etat, int cote, bool stelor)
{
    const QString nom = Fichier(cote, stelor);
    for (auto _ : etat) {
        THistoFit im;
        CreerHistoFit(im);
        LireFichierFit(im, nom);
        benchmark::DoNotOptimize(im.Pixels.data());
    }
}

// Loads into the same object, as a viewer does: its block is reused, at
// the placement that a block of the given size, allocated first, gives it.
void StelorReutilise(benchmark::State& etat, int cote, bool stelor, size_t decalage)
{
    const QString nom = Fichier(cote, stelor);
    const std::unique_ptr<char[]> avant(decalage ? new char[decalage] : nullptr);
    benchmark::DoNotOptimize(avant.get());
    THistoFit im;
    CreerHistoFit(im);
    LireFichierFit(im, nom);
    for (auto _ : etat) {
        LireFichierFit(im, nom);
        benchmark::DoNotOptimize(im.Pixels.data());
    }
}

#ifdef STELOR_AVEC_CFITSIO
void CfitsioNeuf(benchmark::State& etat, int cote, bool stelor)
{
    const QByteArray nom = QFile::encodeName(Fichier(cote, stelor));
    for (auto _ : etat) {
        std::vector<double> d(Pixels(cote)); // as a fresh THistoFit block
        if (!LireCfitsio(nom, d.data(), d.size()))
            etat.SkipWithError("cfitsio");
        benchmark::DoNotOptimize(d.data());
    }
}

void CfitsioReutilise(benchmark::State& etat, int cote, bool stelor)
{
    const QByteArray nom = QFile::encodeName(Fichier(cote, stelor));
    std::vector<double> d(Pixels(cote));
    LireCfitsio(nom, d.data(), d.size());
    for (auto _ : etat) {
        if (!LireCfitsio(nom, d.data(), d.size()))
            etat.SkipWithError("cfitsio");
        benchmark::DoNotOptimize(d.data());
    }
}
#endif

void RenduLog(benchmark::State& etat, int cote)
{
    THistoFit im;
    CreerHistoFit(im);
    LireFichierFit(im, Fichier(cote, false));
    im.TRFT = 3.5;
    BitmapFit(im); // the display bitmap exists, as in a window
    for (auto _ : etat)
        benchmark::DoNotOptimize(BitmapFit(im).constBits());
}

void Memcpy(benchmark::State& etat, int cote)
{
    const std::vector<double> src(Pixels(cote), 1.0);
    std::vector<double> dst(Pixels(cote), 2.0);
    for (auto _ : etat) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(double));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

std::string Nom(const char* quoi, int cote, const char* fichier = nullptr, int placement = -1)
{
    return std::string(quoi) + "/" + std::to_string(cote) + (fichier ? std::string("/") + fichier : std::string()) +
           (placement >= 0 ? "/placement" + std::to_string(placement) : std::string());
}

// Wall-clock time (the loads and renderings may use several threads), in ms.
void Mesure(benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->UseRealTime(); }

void Enregistrer()
{
    for (int cote : kCotes) {
        for (bool stelor : {true, false}) {
            const char* f = stelor ? "stelor" : "cfitsio";
            for (int p = 0; p < int(std::size(kDecalages)); ++p)
                Mesure(benchmark::RegisterBenchmark(Nom("StelorReutilise", cote, f, p).c_str(), StelorReutilise, cote,
                                                    stelor, kDecalages[p]));
            Mesure(benchmark::RegisterBenchmark(Nom("StelorNeuf", cote, f).c_str(), StelorNeuf, cote, stelor));
#ifdef STELOR_AVEC_CFITSIO
            Mesure(benchmark::RegisterBenchmark(Nom("CfitsioReutilise", cote, f).c_str(), CfitsioReutilise, cote, stelor));
            Mesure(benchmark::RegisterBenchmark(Nom("CfitsioNeuf", cote, f).c_str(), CfitsioNeuf, cote, stelor));
#endif
        }
        Mesure(benchmark::RegisterBenchmark(Nom("RenduLog", cote).c_str(), RenduLog, cote));
        Mesure(benchmark::RegisterBenchmark(Nom("Memcpy", cote).c_str(), Memcpy, cote));
    }
}

// Keeps the median of each benchmark (ms) for the closing ratios.
class TRapport : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Medianes;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                Medianes[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

// One first load in this fresh process: prints its time in ms.
int UneLecture(const char* nom)
{
    const auto debut = std::chrono::steady_clock::now();
    THistoFit im;
    CreerHistoFit(im);
    LireFichierFit(im, QString::fromLocal8Bit(nom));
    const std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - debut;
    std::printf("%.3f\n", d.count());
    return im.Pixels.empty() ? 1 : 0;
}

// The first load of each of n fresh processes, on both 4096 files: the
// slowest against the median.
void PremieresLectures(const char* programme, int n)
{
    for (bool stelor : {true, false}) {
        std::vector<double> temps;
        // One more process first, not counted: the first after a quiet spell
        // waited for idle processors to wake, whatever the program did.
        for (int i = -1; i < n; ++i) {
            QProcess p;
            p.start(QString::fromLocal8Bit(programme), {QStringLiteral("--une-lecture=") + Fichier(4096, stelor)});
            if (!p.waitForFinished(60000) || p.exitCode() != 0)
                return;
            if (i >= 0)
                temps.push_back(p.readAllStandardOutput().trimmed().toDouble());
        }
        std::sort(temps.begin(), temps.end());
        const double mediane = temps[temps.size() / 2], pire = temps.back();
        std::printf("%-78s %5.2f  (%.1f / %.1f ms)  objectif <= 1.5 %s\n",
                    (std::string("4096 première lecture de ") + std::to_string(n) + " processus neufs, fichier " +
                     (stelor ? "Stelor" : "cfitsio") + " : la plus lente / médiane")
                        .c_str(),
                    pire / mediane, pire, mediane, pire / mediane <= 1.5 ? "" : "  ** au-dessus **");
    }
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strncmp(argv[1], "--une-lecture=", 14) == 0)
        return UneLecture(argv[1] + 14);
    // At least 5 repetitions, medians only, unless the command line asks.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=6", agregats = "--benchmark_report_aggregates_only=true";
    // Repetitions of every measure shuffled together: a machine whose load
    // changes during the run weighs on every ratio alike.
    std::string melange = "--benchmark_enable_random_interleaving=true";
    bool avecRepetitions = false, sansPremieres = false;
    for (int i = 1; i < argc; ++i) {
        avecRepetitions |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
        sansPremieres |= std::strcmp(argv[i], "--sans-premieres-lectures") == 0;
    }
    if (!avecRepetitions)
        args.push_back(repetitions.data());
    args.push_back(agregats.data());
    args.push_back(melange.data());
    args.erase(std::remove_if(args.begin(), args.end(),
                              [](const char* a) { return std::strcmp(a, "--sans-premieres-lectures") == 0; }),
               args.end());
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());

    TFichiers fichiers;
    gFichiers = &fichiers;
    for (int cote : kCotes) {
        THistoFit im;
        Ciel(im, cote);
        fichiers.Stelor[cote] = fichiers.Dossier.filePath(QStringLiteral("stelor%1.fit").arg(cote));
        fichiers.Cfitsio[cote] = fichiers.Dossier.filePath(QStringLiteral("cfitsio%1.fit").arg(cote));
        EnregistrerFit(im, fichiers.Stelor[cote]);
#ifdef STELOR_AVEC_CFITSIO
        if (!EcrireCfitsio(im, fichiers.Cfitsio[cote]))
            return 1;
#else
        EnregistrerFit(im, fichiers.Cfitsio[cote]);
#endif
    }
    // Two other images' blocks, written, as windows hold them.
    const std::vector<std::vector<double>> autres(2, std::vector<double>(Pixels(4096), 1.0));
    benchmark::DoNotOptimize(autres.data());
    Enregistrer();
    TRapport rapport;
    benchmark::RunSpecifiedBenchmarks(&rapport);

    const auto t = [&](const std::string& n) { return rapport.Medianes.count(n) ? rapport.Medianes[n] : 0.0; };
    // The reused block at its slowest placement (0 when one is missing).
    const auto reutilise = [&](int cote, const char* f) {
        double pire = 0;
        for (int p = 0; p < int(std::size(kDecalages)); ++p) {
            const double v = t(Nom("StelorReutilise", cote, f, p));
            if (v <= 0)
                return 0.0;
            pire = std::max(pire, v);
        }
        return pire;
    };
    const auto ratio = [&](const std::string& texte, double a, double b, double objectif) {
        if (a > 0 && b > 0)
            std::printf("%-78s %5.2f  (%.1f / %.1f ms)  objectif <= %.1f %s\n", texte.c_str(), a / b, a, b, objectif,
                        a / b <= objectif ? "" : "  ** au-dessus **");
    };
    std::printf("\nRapports des médianes (bloc réutilisé : le placement le plus lent) :\n");
    for (int cote : kCotes) {
        const std::string c = std::to_string(cote);
        for (const char* f : {"stelor", "cfitsio"}) {
            const std::string s = std::string(f) == "stelor" ? "fichier Stelor (cartes STL_)" : "fichier cfitsio (sans cartes)";
            ratio(c + " chargement, " + s + ", bloc réutilisé / cfitsio", reutilise(cote, f),
                  t(Nom("CfitsioReutilise", cote, f)), 1.0);
            ratio(c + " chargement, " + s + ", bloc neuf / cfitsio (vecteur neuf)", t(Nom("StelorNeuf", cote, f)),
                  t(Nom("CfitsioNeuf", cote, f)), 1.0);
        }
        ratio(c + " chargement (fichier cfitsio, bloc réutilisé) / memcpy du bloc", reutilise(cote, "cfitsio"),
              t(Nom("Memcpy", cote)), 1.3);
        const double cf = t(Nom("CfitsioReutilise", cote, "cfitsio")), mc = t(Nom("Memcpy", cote));
        if (cf > 0 && mc > 0)
            std::printf("%-78s %5.2f  (%.1f / %.1f ms)  référence\n", (c + " cfitsio lui-même / memcpy du bloc").c_str(),
                        cf / mc, cf, mc);
        ratio(c + " rendu log / memcpy du bloc", t(Nom("RenduLog", cote)), t(Nom("Memcpy", cote)), 1.0);
    }
    // Per pixel, 4096 against its neighbours.
    const auto parPixel = [&](const std::string& n, int cote) {
        return (n == "RenduLog" ? t(Nom("RenduLog", cote)) : reutilise(cote, "cfitsio")) / Pixels(cote);
    };
    for (const char* n : {"StelorReutilise", "RenduLog"})
        for (int voisin : {4000, 4104}) {
            const double a = parPixel(n, 4096), b = parPixel(n, voisin);
            if (a > 0 && b > 0)
                std::printf("%-78s %5.2f  objectif <= 1.1 %s\n",
                            (std::string(n) + " par pixel, 4096 / " + std::to_string(voisin)).c_str(), a / b,
                            a / b <= 1.1 ? "" : "  ** au-dessus **");
        }
    if (!sansPremieres)
        PremieresLectures(argv[0], 15);
    benchmark::Shutdown();
    return 0;
}

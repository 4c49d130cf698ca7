// Combination of long lists of large FIT files: median, mean and sum of
// 25 files of 2048 x 2048.
//   bench_images                    the Google Benchmark timings
//   bench_images --memoire-mediane  one median only, for /usr/bin/time -v
#include "UArithmetique.h"
#include "UFit.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int Cote = 2048;
constexpr int Fichiers = 25;

// Writes the file row by row so that making the list costs no image in memory.
void EcrireFichierFit(const QString& nom, int graine)
{
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    QStringList entete;
    CreerEnteteFit(Cote, Cote, 16, 0, 65535, 0, entete);
    QByteArray cartes;
    for (const QString& c : entete) cartes += c.toLatin1().leftJustified(80, ' ', true);
    f.write(cartes.leftJustified(2880 * ((entete.size() + 35) / 36), ' '));
    QByteArray ligne(2 * Cote, 0);
    uint32_t etat = 2463534242u + static_cast<uint32_t>(graine) * 7919u;
    for (int r = 0; r < Cote; ++r) {
        for (int x = 0; x < Cote; ++x) {
            etat ^= etat << 13;
            etat ^= etat >> 17;
            etat ^= etat << 5;
            const uint16_t v = static_cast<uint16_t>(1000 + (etat % 20000));
            ligne[2 * x] = static_cast<char>(v >> 8);
            ligne[2 * x + 1] = static_cast<char>(v & 0xFF);
        }
        f.write(ligne);
    }
}

struct TListe {
    QTemporaryDir Dossier;
    QStringList Noms;
    TListe()
    {
        for (int i = 0; i < Fichiers; ++i) {
            Noms << Dossier.filePath(QStringLiteral("image%1.fit").arg(i));
            EcrireFichierFit(Noms.back(), i);
        }
    }
};

TListe& Liste()
{
    static TListe liste;
    return liste;
}

// One combination of the whole list into a fresh result per iteration.
template <class Operation>
void BM_Combinaison(benchmark::State& etat, Operation operation)
{
    const QStringList& noms = Liste().Noms;
    for (auto _ : etat) {
        THistoFit r;
        CreerHistoFit(r);
        operation(noms, r);
        benchmark::DoNotOptimize(r.Pixels.data());
    }
}

BENCHMARK_CAPTURE(BM_Combinaison, MedianeListeFit, [](const QStringList& l, THistoFit& r) { MedianeListeFit(l, r); })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Combinaison, MoyenneListeFit,
                  [](const QStringList& l, THistoFit& r) {
                      MoyenneListeFit(l, r, [](const QString&) {}, QStringLiteral("Compositage..."));
                  })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Combinaison, SommeListeFit,
                  [](const QStringList& l, THistoFit& r) { SommeListeFit(l, r, nullptr, QString()); })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

long PicMemoireKo()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--memoire-mediane") == 0) {
        const QStringList& noms = Liste().Noms;
        const long avant = PicMemoireKo();
        THistoFit r;
        CreerHistoFit(r);
        MedianeListeFit(noms, r);
        const double image = static_cast<double>(Cote) * Cote * sizeof(double) / 1024.0;
        std::printf("median of %d files %dx%d: peak RSS %ld KiB (before %ld KiB), one image %.0f KiB, ratio %.2f\n",
                    Fichiers, Cote, Cote, PicMemoireKo(), avant, image, PicMemoireKo() / image);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Speed of the FIT image on a 4096 x 4096 16-bit file: reading against
// cfitsio's fits_read_img into doubles, and rendering with the logarithmic
// curve against a plain memcpy of the pixel block. Prints the two ratios.
//
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTELOR_TESTS=OFF
//   cmake --build build-rel --target bench_fit && build-rel/bench/bench_fit
#include "UFit.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <random>
#include <unistd.h>

#ifdef STELOR_AVEC_CFITSIO
#include <fitsio.h>
#endif

namespace {

constexpr int kCote = 4096;

struct TDonnees {
    QTemporaryDir Dossier;
    QString Nom;
    THistoFit Image;
    std::vector<double> Copie;
    std::vector<double> Tampon;

    TDonnees()
    {
        // A sky: background about 900 with noise, a gradient and stars up to
        // 65535 (so the file is written with BZERO 32768).
        CreerHistoFit(Image);
        CreerImageFitRemplie(Image, kCote, kCote, 0);
        std::mt19937 alea(42);
        std::normal_distribution<double> bruit(0, 30);
        for (int x = 0; x < kCote; ++x)
            for (int y = 0; y < kCote; ++y)
                Image.Pixel(x, y) = std::clamp(900 + 0.05 * x + bruit(alea), 0.0, 65535.0);
        std::uniform_int_distribution<int> pos(8, kCote - 9);
        for (int s = 0; s < 3000; ++s) {
            const int cx = pos(alea), cy = pos(alea);
            for (int dx = -4; dx <= 4; ++dx)
                for (int dy = -4; dy <= 4; ++dy)
                    Image.Pixel(cx + dx, cy + dy) =
                        std::min(65535.0, Image.Pixel(cx + dx, cy + dy) + 64000 * std::exp(-(dx * dx + dy * dy) / 4.0));
        }
        Image.Max = 65535;
        Image.Min = 0;
        Nom = Dossier.filePath("bench4096.fit");
        EnregistrerFit(Image, Nom);
        LireFichierFit(Image, Nom);
        Copie.resize(Image.Pixels.size());
        Tampon.resize(Image.Pixels.size());
    }
};

TDonnees* gDonnees = nullptr;

void LireFichierFitStelor(benchmark::State& etat)
{
    THistoFit im;
    CreerHistoFit(im);
    LireFichierFit(im, gDonnees->Nom); // the object a viewer keeps loading into
    for (auto _ : etat) {
        LireFichierFit(im, gDonnees->Nom);
        benchmark::DoNotOptimize(im.Pixels.data());
    }
    etat.SetBytesProcessed(etat.iterations() * int64_t(kCote) * kCote * 2);
}
BENCHMARK(LireFichierFitStelor)->Unit(benchmark::kMillisecond)->UseRealTime();

// A first load: a new object, its pixel block allocated by the load.
void LireFichierFitNeuf(benchmark::State& etat)
{
    for (auto _ : etat) {
        THistoFit im;
        CreerHistoFit(im);
        LireFichierFit(im, gDonnees->Nom);
        benchmark::DoNotOptimize(im.Pixels.data());
    }
}
BENCHMARK(LireFichierFitNeuf)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef STELOR_AVEC_CFITSIO
bool LireCfitsio(const QByteArray& nom, std::vector<double>& d)
{
    fitsfile* f = nullptr;
    int status = 0, anynul = 0;
    double nul = 0;
    fits_open_file(&f, nom.constData(), READONLY, &status);
    fits_read_img(f, TDOUBLE, 1, LONGLONG(d.size()), &nul, d.data(), &anynul, &status);
    fits_close_file(f, &status);
    return status == 0;
}

void LireCfitsioDoublesNeuf(benchmark::State& etat)
{
    const QByteArray nom = QFile::encodeName(gDonnees->Nom);
    for (auto _ : etat) {
        std::vector<double> d(size_t(kCote) * kCote);
        if (!LireCfitsio(nom, d))
            etat.SkipWithError("cfitsio");
        benchmark::DoNotOptimize(d.data());
    }
}
BENCHMARK(LireCfitsioDoublesNeuf)->Unit(benchmark::kMillisecond)->UseRealTime();

// Into a block kept from one read to the next, as LireFichierFitStelor.
void LireCfitsioDoubles(benchmark::State& etat)
{
    const QByteArray nom = QFile::encodeName(gDonnees->Nom);
    std::vector<double>& d = gDonnees->Tampon;
    for (auto _ : etat) {
        if (!LireCfitsio(nom, d))
            etat.SkipWithError("cfitsio");
        benchmark::DoNotOptimize(d.data());
    }
    etat.SetBytesProcessed(etat.iterations() * int64_t(kCote) * kCote * 2);
}
BENCHMARK(LireCfitsioDoubles)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void RenduLogarithmique(benchmark::State& etat)
{
    THistoFit& im = gDonnees->Image;
    im.SMin = SeuilMiniAutoFit(im);
    im.SMax = SeuilMaxiAutoFit(im);
    im.TRFT = 3.5;
    im.Zoom = 100;
    BitmapFit(im); // the display bitmap exists, as in a window
    for (auto _ : etat) {
        benchmark::DoNotOptimize(BitmapFit(im).constBits());
    }
}
BENCHMARK(RenduLogarithmique)->Unit(benchmark::kMillisecond)->UseRealTime();

void CopiePixelsMemcpy(benchmark::State& etat)
{
    const std::vector<double>& src = gDonnees->Image.Pixels;
    std::vector<double>& dst = gDonnees->Copie;
    for (auto _ : etat) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(double));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    etat.SetBytesProcessed(etat.iterations() * int64_t(src.size() * sizeof(double)));
}
BENCHMARK(CopiePixelsMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the time per iteration of each benchmark for the closing ratios.
class TRapport : public benchmark::ConsoleReporter {
public:
    TRapport() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
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
    benchmark::Initialize(&argc, argv);
    TDonnees donnees;
    gDonnees = &donnees;
    TRapport rapport;
    benchmark::RunSpecifiedBenchmarks(&rapport);
    const auto t = [&](const char* n) { return rapport.Temps.count(n) ? rapport.Temps[n] : 0.0; };
    std::printf("\n");
    if (t("LireFichierFitStelor") > 0 && t("LireCfitsioDoubles") > 0)
        std::printf("Lecture 4096x4096 : LireFichierFit / cfitsio fits_read_img (doubles) = %.2f (%.1f ms / %.1f ms, "
                    "objectif <= 1)\n",
                    t("LireFichierFitStelor") / t("LireCfitsioDoubles"), t("LireFichierFitStelor"),
                    t("LireCfitsioDoubles"));
    if (t("LireFichierFitNeuf") > 0 && t("LireCfitsioDoublesNeuf") > 0)
        std::printf("Première lecture (bloc de pixels neuf des deux côtés) : rapport = %.2f (%.1f ms / %.1f ms)\n",
                    t("LireFichierFitNeuf") / t("LireCfitsioDoublesNeuf"), t("LireFichierFitNeuf"),
                    t("LireCfitsioDoublesNeuf"));
    if (t("RenduLogarithmique") > 0 && t("CopiePixelsMemcpy") > 0)
        std::printf("Rendu log 4096x4096 : rendu / memcpy du bloc de pixels = %.2f (%.1f ms / %.1f ms, "
                    "objectif <= 2)\n",
                    t("RenduLogarithmique") / t("CopiePixelsMemcpy"), t("RenduLogarithmique"),
                    t("CopiePixelsMemcpy"));
    benchmark::Shutdown();
    return 0;
}

// FIT filters on a 4096 x 4096 image, in nanoseconds per pixel, beside a
// plain copy of the pixel block.
#include "UFiltres.h"
#include "UFit.h"
#include "UOutils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

constexpr int Cote = 4096;

THistoFit& ImageTest()
{
    static THistoFit image = [] {
        THistoFit im;
        CreerHistoFit(im);
        im.XMax = im.YMax = Cote - 1;
        im.Pixels.resize(static_cast<size_t>(Cote) * Cote);
        std::mt19937 gen(1);
        for (double& p : im.Pixels)
            p = gen() % 65536;
        im.Min = 0;
        im.Max = 65535;
        return im;
    }();
    return image;
}

void ParPixel(benchmark::State& state)
{
    state.counters["par_pixel"] = benchmark::Counter(static_cast<double>(state.iterations()) * Cote * Cote,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CopiePixels(benchmark::State& state)
{
    const THistoFit& im = ImageTest();
    std::vector<double> copie(im.Pixels.size());
    for (auto _ : state) {
        std::memcpy(copie.data(), im.Pixels.data(), im.Pixels.size() * sizeof(double));
        benchmark::DoNotOptimize(copie.data());
        benchmark::ClobberMemory();
    }
    ParPixel(state);
}

void BM_Convolution5x5(benchmark::State& state)
{
    TNoyau5x5 k;
    for (int i = 0; i < 25; ++i)
        k[i] = 1 + (i * 7) % 5 - (i == 12 ? 0 : 0.5);
    for (auto _ : state)
        FiltreConvolutionFit(ImageTest(), k, false);
    ParPixel(state);
}

void BM_Gaussien(benchmark::State& state)
{
    for (auto _ : state)
        FiltreGaussienFit(ImageTest(), false, 1.2);
    ParPixel(state);
}

// Threshold from the settings: 1000 when no settings file is open.
void BM_GaussienPreservatif(benchmark::State& state)
{
    for (auto _ : state)
        FiltreGaussienFit(ImageTest(), true, 1.2);
    ParPixel(state);
}

void BM_Mediane3x3(benchmark::State& state)
{
    for (auto _ : state)
        FiltreMediane3x3Fit(ImageTest());
    ParPixel(state);
}

// The textbook loop (row outer, one pixel at a time, clamped reads), for scale.
void BM_Convolution5x5PixelParPixel(benchmark::State& state)
{
    TNoyau5x5 k;
    NoyauGaussien(k, 1.2);
    THistoFit& im = ImageTest();
    std::vector<double> c(im.Pixels.size());
    for (auto _ : state) {
        c = im.Pixels;
        const double d = ValeurNonNulle(SommeNoyau(k.data(), 5), 1);
        for (int y = 0; y < Cote; ++y)
            for (int x = 0; x < Cote; ++x) {
                double s = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        s += CoefficientNoyau(k.data(), 5, dy + 3, dx + 3) *
                             c[static_cast<size_t>(std::clamp(x + dx, 0, Cote - 1)) * Cote +
                               std::clamp(y + dy, 0, Cote - 1)];
                im.Pixel(x, y) = BornerReel(s / d, 0, 65535);
            }
    }
    ParPixel(state);
}

} // namespace

BENCHMARK(BM_CopiePixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolution5x5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gaussien)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussienPreservatif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mediane3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convolution5x5PixelParPixel)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();

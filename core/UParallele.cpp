#include "UParallele.h"

#include <QThreadPool>
#include <algorithm>
#include <latch>
#include <vector>

namespace {
// Past a few threads the loops that use this wait on memory, not on work.
constexpr int kPartsMax = 8;
} // namespace

int NombrePartsParallele(int64_t n, int64_t grain, int64_t minimum)
{
    const int64_t fils = std::clamp(QThreadPool::globalInstance()->maxThreadCount(), 1, kPartsMax);
    const int64_t parMinimum = n / std::max<int64_t>({minimum, grain, 1});
    return static_cast<int>(std::clamp<int64_t>(parMinimum, 1, fils));
}

void ExecuterEnParallele(int64_t n, int64_t grain, int64_t minimum,
                         const std::function<void(int64_t, int64_t, int)>& f)
{
    const int parts = NombrePartsParallele(n, grain, minimum);
    grain = std::max<int64_t>(grain, 1);
    const int64_t blocs = (n + grain - 1) / grain;
    std::vector<int64_t> bornes(static_cast<size_t>(parts) + 1);
    for (int p = 0; p <= parts; ++p)
        bornes[p] = std::min(n, blocs * p / parts * grain);
    if (parts == 1) {
        f(0, n, 0);
        return;
    }
    std::latch fin(parts - 1);
    std::vector<int> enPlace;
    for (int p = 1; p < parts; ++p) {
        const auto tache = [&, p] {
            f(bornes[p], bornes[p + 1], p);
            fin.count_down();
        };
        if (!QThreadPool::globalInstance()->tryStart(tache))
            enPlace.push_back(p);
    }
    f(bornes[0], bornes[1], 0);
    for (int p : enPlace) {
        f(bornes[p], bornes[p + 1], p);
        fin.count_down();
    }
    fin.wait();
}

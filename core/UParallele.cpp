#include "UParallele.h"

#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <exception>
#include <latch>
#include <vector>

namespace {
// Past a few threads the loops that use this wait on memory, not on work.
constexpr int kPartsMax = 8;
} // namespace


// At most this many parts; STELOR_PARTS (1 to 8) lowers it, for measuring.
int PartsMax()
{
    static const int n = [] {
        bool ok = false;
        const int v = qEnvironmentVariableIntValue("STELOR_PARTS", &ok);
        return ok ? std::clamp(v, 1, kPartsMax) : kPartsMax;
    }();
    return n;
}

int NombrePartsParallele(int64_t n, int64_t grain, int64_t minimum)
{
    const int64_t fils = std::clamp(QThreadPool::globalInstance()->maxThreadCount(), 1, PartsMax());
    const int64_t parMinimum = n / std::max<int64_t>({minimum, grain, 1});
    return static_cast<int>(std::clamp<int64_t>(parMinimum, 1, fils));
}

void ExecuterEnParallele(int64_t n, int64_t grain, int64_t minimum,
                         const std::function<void(int64_t, int64_t, int)>& f, const std::function<void()>& pendant)
{
    const int fils = NombrePartsParallele(n, grain, minimum);
    if (fils == 1) {
        f(0, n, 0);
        if (pendant)
            pendant();
        return;
    }
    // Pieces smaller than a thread's share, taken in turn by whichever
    // thread is free: a thread the system holds back delays one piece, not
    // a whole share.
    grain = std::max<int64_t>(grain, 1);
    const int64_t blocs = (n + grain - 1) / grain;
    const int64_t morceaux = std::min<int64_t>(blocs, int64_t(fils) * 4);
    std::atomic<int64_t> suivant{0};
    const auto travailler = [&](int fil) {
        for (int64_t m; (m = suivant.fetch_add(1, std::memory_order_relaxed)) < morceaux;)
            f(std::min(n, blocs * m / morceaux * grain), std::min(n, blocs * (m + 1) / morceaux * grain), fil);
    };
    std::latch fin(fils - 1);
    for (int fil = 1; fil < fils; ++fil) {
        const auto tache = [&, fil] {
            travailler(fil);
            fin.count_down();
        };
        if (!QThreadPool::globalInstance()->tryStart(tache))
            fin.count_down(); // its pieces go to the others
    }
    std::exception_ptr erreur;
    if (pendant) {
        try {
            pendant();
        } catch (...) {
            erreur = std::current_exception();
        }
    }
    travailler(0);
    fin.wait();
    if (erreur)
        std::rethrow_exception(erreur);
}

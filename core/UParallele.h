#pragma once
// Splits a loop over several threads of the shared pool and the calling
// thread; returns once every piece is done. The pieces are taken in turn by
// the threads that run, so a call never waits for a busy pool. The pieces
// must not throw.
#include <cstdint>
#include <functional>

// Number of threads for n items cut in multiples of grain, each share of at
// least minimum items (1 when n is small).
int NombrePartsParallele(int64_t n, int64_t grain, int64_t minimum);
// Runs f(debut, fin, fil) over pieces of [0, n) whose bounds are multiples
// of grain (the last piece ends at n); fil (0 .. NombrePartsParallele - 1)
// names the thread that runs the piece, so that each may keep its own
// counts. With pendant, the calling thread first runs pendant (other work,
// such as reading what comes next) and then takes pieces; an error it
// raises is passed on once the pieces are done.
void ExecuterEnParallele(int64_t n, int64_t grain, int64_t minimum,
                         const std::function<void(int64_t debut, int64_t fin, int part)>& f,
                         const std::function<void()>& pendant = {});

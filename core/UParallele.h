#pragma once
// Splits a loop over several threads of the shared pool, the calling thread
// taking the first part; returns once every part is done. A part the pool
// cannot take at once runs on the calling thread, so a call never waits for
// a busy pool. The parts must not throw.
#include <cstdint>
#include <functional>

// Number of parts for n items cut in multiples of grain, each of at least
// minimum items (1 when n is small).
int NombrePartsParallele(int64_t n, int64_t grain, int64_t minimum);
// Runs f(debut, fin, part) over consecutive parts of [0, n) whose bounds are
// multiples of grain (the last part ends at n), as NombrePartsParallele cuts
// them.
void ExecuterEnParallele(int64_t n, int64_t grain, int64_t minimum,
                         const std::function<void(int64_t debut, int64_t fin, int part)>& f);

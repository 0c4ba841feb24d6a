#pragma once
// Which force kernel a simulation's steps run with, and how the fast one
// runs: its controls and counters. The fast kernel's worker threads and
// scratch lanes are the process's resources, not state: they hold nothing
// from one step to the next, so every simulation may use them in turn.

#include <optional>

namespace corvane {

enum class ForceKernel {
    Reference,  // the literal serial pair loops: the definition of the numbers
    Fast,       // receiver-parallel and vectorised, bit-identical to Reference
};

// The fast kernel's paths, each needing what the ones before it need.
// Avx512Newton is the AVX-512 path with its quotients from the reciprocal's
// estimate on the multiply units; the square roots stay on the divider.
enum class SimdLevel { Scalar, Avx2, Avx512, Avx512Newton };
constexpr SimdLevel kEverySimdLevel[] = {SimdLevel::Scalar, SimdLevel::Avx2, SimdLevel::Avx512,
                                         SimdLevel::Avx512Newton};
// Whether `path` needs no more than `limit` needs (a processor supporting
// `limit` runs it).
constexpr bool pathWithin(SimdLevel path, SimdLevel limit) {
    return static_cast<int>(path) <= static_cast<int>(limit);
}

struct KernelState {
    ForceKernel kernel = ForceKernel::Fast;  // the kernel stepSimulation uses; Fast
    int requestedThreads = 0;                // threads the fast kernel may use; 0: automatic
    // The vector path, capped to what the processor has; none: the one
    // measured fastest on this processor. None.
    std::optional<SimdLevel> simdPath;
    int lastThreads = 1;                     // threads the last fast step was given; 1
    SimdLevel lastPath = SimdLevel::Scalar;  // path the last fast step took; Scalar
    long long stepsTaken = 0;                // fast steps so far; 0
    long long threadStepsTaken = 0;          // threads that took part in them, summed; 0
};

}  // namespace corvane

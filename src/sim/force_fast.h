#pragma once
// The fast force kernel: receiver-parallel and vectorised, bit-identical to
// the reference pair loops. Its controls and figures, for the step, the
// companion's bench and the tests.

#include "sim/kernel_state.h"

namespace corvane {

// The velocity changes of one step, all from the current positions.
void computeForcesFast();

// Pair terms of one step as N-body codes count them, each mutual pair once
// per side: F x (halo and disk bodies) + F x (F - 1) for F free stars.
double pairTermsPerStep(int freeStars, int pullingBodies);

// Threads the fast kernel uses; 0 lets each step take what its work pays
// for, up to every core (and at most OMP_NUM_THREADS when that is set).
void setKernelThreads(int threads);
// The vector width the fast kernel runs with on this processor: "avx512",
// "avx2" or "scalar".
const char* fastKernelSimd();

// The widest level this processor (and its operating system) supports.
SimdLevel supportedSimdLevel();
// Caps the level the fast kernel runs with, so that every path can be
// checked on one machine; the kernel never exceeds the supported level.
void limitSimdLevel(SimdLevel ceiling);
// The level the fast kernel runs with now.
SimdLevel activeSimdLevel();
const char* simdLevelName(SimdLevel level);

// The most threads the fast kernel runs with: the set count, or else every
// core this process may use, at most OMP_NUM_THREADS when the user sets it.
// Without a set count each step takes as many of them as its work pays for.
int resolvedKernelThreads();
// The threads the last step of the fast kernel was given. A worker the
// system has not run by the time the calling thread has finished the step's
// work stays out of it.
int lastKernelThreads();
// Fast steps so far, and the threads that took part in them, summed.
struct KernelThreadCount {
    long long steps;
    long long threadSteps;
};
KernelThreadCount kernelThreadCount();
// Starts the fast kernel's threads now rather than in its first step, so
// that a timed run measures steps only.
void startKernelThreads();

// The divider's ceiling in pair terms per second: one double square root and
// one double division per term, at the active vector width, measured for
// about `seconds` on `threads` threads at once (the pool's).
double measureDividerCeiling(int threads, double seconds);

}  // namespace corvane

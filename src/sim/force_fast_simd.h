#pragma once
// The vector paths of the fast force kernel and the choice between them.
// Each vector path lives in its own source file compiled for its instruction
// set, so one binary runs on any x86-64 processor and uses what it has.

#include "sim/bodies.h"

namespace corvane {

enum class SimdLevel { Scalar, Avx2, Avx512 };

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

namespace fastkernel {

// Receivers are shared out in tiles of this many free stars: whole 64-byte
// cache lines of each lane array, so threads never write to a shared line,
// and whole blocks of every vector path (24 lanes with AVX-512, 8 with AVX2).
constexpr int kTileLanes = 48;
static_assert(kTileLanes % 16 == 0, "a tile is whole cache lines of floats");

// Free-star lanes in structure-of-arrays form, indexed by free-star number
// (body index - diskEnd), 64-byte aligned and padded to whole tiles.
struct ReceiverLanes {
    float* x;
    float* y;
    float* z;
    float* vx;
    float* vy;
    float* vz;
};

// What a tile needs from the step, read only: the body table, every body's
// two coefficients widened to double once per step, and the parameters.
struct StepTerms {
    const Body* bodies;
    const double* farCoeff;
    const double* nearCoeff;
    int diskEnd;
    int bodyCount;
    bool holeEnabled;
    bool mutualEnabled;
    float holeFar;
    float holeNear;
    double softRadius;
};

// Adds every force term of the free stars of tiles [firstTile, endTile) to
// their lane velocities, in the receiver-ordered sequence.
void freeStarTilesAvx512(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                         int endTile);
void freeStarTilesAvx2(const StepTerms& terms, const ReceiverLanes& lanes, int firstTile,
                       int endTile);

// Independent chains of the divider's probe: enough that their latency
// hides behind the throughput.
constexpr int kProbeChains = 12;

// `rounds` x kProbeChains square roots and divisions on full registers.
float probeDividerAvx512(long rounds);
float probeDividerAvx2(long rounds);

}  // namespace fastkernel
}  // namespace corvane

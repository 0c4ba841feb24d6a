#include <omp.h>

#include "sim/bodies.h"
#include "sim/force_fast_simd.h"
#include "sim/force_terms.h"
#include "sim/params.h"
#include "sim/step.h"

// Receiver-ordered force phase. Every velocity sum is a fixed sequence per
// receiver: for free star i, the mutual terms of the free stars below i in
// increasing order, then the black hole, then the halo and disk bodies in
// order, then the mutual terms of the free stars above i. Receivers are
// therefore independent of one another: threads split them into tiles, and
// the vector paths give each lane one receiver. Each mutual pair is evaluated
// once per side, which costs twice the divisions of the reference and still
// wins by far.

namespace corvane {
namespace {

using fastkernel::kTileLanes;
using fastkernel::ReceiverLanes;
using fastkernel::StepTerms;

int requestedThreads = 0;
SimdLevel simdCeiling = SimdLevel::Avx512;

// The free stars' lanes, sized once for a full table so that a step
// allocates nothing. Each tile is one cache line of each array.
constexpr int kLaneCapacity = (MaxBodies + kTileLanes - 1) / kTileLanes * kTileLanes;
struct alignas(64) LaneStorage {
    float x[kLaneCapacity];
    float y[kLaneCapacity];
    float z[kLaneCapacity];
    float vx[kLaneCapacity];
    float vy[kLaneCapacity];
    float vz[kLaneCapacity];
};
static_assert(kLaneCapacity * sizeof(float) % 64 == 0, "every lane array starts a cache line");
LaneStorage laneStorage;

// Every body's coefficients as doubles, widened once per step rather than
// once per receiver block.
struct alignas(64) CoefficientStorage {
    double farCoeff[MaxBodies];
    double nearCoeff[MaxBodies];
};
static_assert(MaxBodies * sizeof(double) % 64 == 0, "both arrays start a cache line");
CoefficientStorage coefficients;

const ReceiverLanes kLanes{laneStorage.x,  laneStorage.y,  laneStorage.z,
                           laneStorage.vx, laneStorage.vy, laneStorage.vz};

SimdLevel detectSimdLevel() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
    return SimdLevel::Scalar;
}

StepTerms currentTerms() {
    const SimParams& p = gParams;
    return StepTerms{gBodyTable.bodies, coefficients.farCoeff, coefficients.nearCoeff, p.diskEnd,
                     p.bodyCount,       p.holeEnabled != 0,    mutualEnabled == 1,     p.holeFar,
                     p.holeNear,        p.softRadius};
}

// Copies the free stars of tiles [firstTile, endTile) into their lanes; the
// lanes after the last star are zero.
void fillLanes(const StepTerms& t, int firstTile, int endTile) {
    const int freeCount = t.bodyCount - t.diskEnd;
    for (int f = firstTile * kTileLanes; f < endTile * kTileLanes; ++f) {
        const bool star = f < freeCount;
        const Body& b = t.bodies[star ? t.diskEnd + f : 0];
        laneStorage.x[f] = star ? b.x : 0.0f;
        laneStorage.y[f] = star ? b.y : 0.0f;
        laneStorage.z[f] = star ? b.z : 0.0f;
        laneStorage.vx[f] = star ? b.vx : 0.0f;
        laneStorage.vy[f] = star ? b.vy : 0.0f;
        laneStorage.vz[f] = star ? b.vz : 0.0f;
    }
}

// Widens the coefficients of this thread's share of the bodies; shares are
// whole cache lines of eight doubles.
void widenCoefficients(const StepTerms& t, int thread, int threads) {
    const int lines = (t.bodyCount + 7) / 8;
    const int begin = lines * thread / threads * 8;
    const int lineEnd = lines * (thread + 1) / threads * 8;
    const int end = lineEnd < t.bodyCount ? lineEnd : t.bodyCount;
    for (int j = begin; j < end; ++j) {
        coefficients.farCoeff[j] = t.bodies[j].farCoeff;
        coefficients.nearCoeff[j] = t.bodies[j].nearCoeff;
    }
}

// One receiver at a time with the scalar terms, on a private copy of it.
void freeStarTilesScalar(const StepTerms& t, int firstTile, int endTile) {
    const double softRadius = t.softRadius;
    const int freeCount = t.bodyCount - t.diskEnd;
    const int end = endTile * kTileLanes < freeCount ? endTile * kTileLanes : freeCount;
    for (int f = firstTile * kTileLanes; f < end; ++f) {
        const int q = t.diskEnd + f;
        Body receiver = t.bodies[q];
        if (t.mutualEnabled) {
            for (int s = t.diskEnd; s < q; ++s)
                addMutualTermFrom(receiver, t.bodies[s], softRadius);
        }
        if (t.holeEnabled) addBlackHoleTerm(receiver, t.holeFar, t.holeNear, softRadius);
        for (int b = 0; b < t.diskEnd; ++b) addOneWayTerm(receiver, t.bodies[b], softRadius);
        if (t.mutualEnabled) {
            for (int s = q + 1; s < t.bodyCount; ++s) {
                addMutualTermFrom(receiver, t.bodies[s], softRadius);
            }
        }
        laneStorage.vx[f] = receiver.vx;
        laneStorage.vy[f] = receiver.vy;
        laneStorage.vz[f] = receiver.vz;
    }
}

void freeStarTiles(SimdLevel level, const StepTerms& t, int firstTile, int endTile) {
    switch (level) {
        case SimdLevel::Avx512:
            fastkernel::freeStarTilesAvx512(t, kLanes, firstTile, endTile);
            break;
        case SimdLevel::Avx2:
            fastkernel::freeStarTilesAvx2(t, kLanes, firstTile, endTile);
            break;
        case SimdLevel::Scalar:
            freeStarTilesScalar(t, firstTile, endTile);
            break;
    }
}

// Disk bodies feel the black hole only. Chunks start at even indices, so
// threads write whole cache lines of the table (two bodies each).
constexpr int kDiskChunk = 64;

void addHoleToDiskChunk(const StepTerms& t, int haloCount, int chunk) {
    const int chunkBegin = (haloCount & ~1) + chunk * kDiskChunk;
    const int begin = chunkBegin > haloCount ? chunkBegin : haloCount;
    const int end = chunkBegin + kDiskChunk < t.diskEnd ? chunkBegin + kDiskChunk : t.diskEnd;
    for (int d = begin; d < end; ++d) {
        addBlackHoleTerm(gBodyTable.bodies[d], t.holeFar, t.holeNear, t.softRadius);
    }
}

void copyVelocitiesBack(const StepTerms& t) {
    Body* bodies = gBodyTable.bodies;
    for (int f = 0; f < t.bodyCount - t.diskEnd; ++f) {
        Body& b = bodies[t.diskEnd + f];
        b.vx = laneStorage.vx[f];
        b.vy = laneStorage.vy[f];
        b.vz = laneStorage.vz[f];
    }
}

}  // namespace

SimdLevel supportedSimdLevel() {
    static const SimdLevel level = detectSimdLevel();
    return level;
}

void limitSimdLevel(SimdLevel ceiling) {
    simdCeiling = ceiling;
}

SimdLevel activeSimdLevel() {
    const SimdLevel supported = supportedSimdLevel();
    return static_cast<int>(simdCeiling) < static_cast<int>(supported) ? simdCeiling : supported;
}

const char* simdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return "avx512";
        case SimdLevel::Avx2:
            return "avx2";
        case SimdLevel::Scalar:
            break;
    }
    return "scalar";
}

void setKernelThreads(int threads) {
    requestedThreads = threads < 0 ? 0 : threads;
}
int kernelThreads() {
    return requestedThreads;
}
int resolvedKernelThreads() {
    return requestedThreads > 0 ? requestedThreads : omp_get_num_procs();
}
const char* fastKernelSimd() {
    return simdLevelName(activeSimdLevel());
}

void startKernelThreads() {
#pragma omp parallel num_threads(resolvedKernelThreads())
    {}
}

void computeForcesFast() {
    const StepTerms terms = currentTerms();
    const int haloCount = gParams.haloCount;
    const int freeCount = terms.bodyCount - terms.diskEnd;
    const int tiles = (freeCount + kTileLanes - 1) / kTileLanes;
    const int diskChunks =
        terms.holeEnabled ? (terms.diskEnd - (haloCount & ~1) + kDiskChunk - 1) / kDiskChunk : 0;
    const SimdLevel level = activeSimdLevel();

#pragma omp parallel num_threads(resolvedKernelThreads())
    {
        if (level != SimdLevel::Scalar) {
            widenCoefficients(terms, omp_get_thread_num(), omp_get_num_threads());
#pragma omp barrier
        }
        // Every tile costs the same, but a core that the system lends to
        // something else for a moment falls behind: tiles handed out one at a
        // time let the other threads take up its share.
#pragma omp for schedule(dynamic, 1) nowait
        for (int tile = 0; tile < tiles; ++tile) {
            fillLanes(terms, tile, tile + 1);
            freeStarTiles(level, terms, tile, tile + 1);
        }
#pragma omp for schedule(static) nowait
        for (int chunk = 0; chunk < diskChunks; ++chunk)
            addHoleToDiskChunk(terms, haloCount, chunk);
    }
    copyVelocitiesBack(terms);
}

}  // namespace corvane

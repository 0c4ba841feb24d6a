#include <sched.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "sim/force_fast.h"

#include "core/clock.h"
#include "sim/force_fast_path.h"
#include "sim/force_fast_pool.h"
#include "sim/force_fast_simd.h"
#include "sim/force_terms.h"
#include "sim/simulation.h"

// Receiver-ordered force phase. Every velocity sum is a fixed sequence per
// receiver: for free star i, the mutual terms of the free stars below i in
// increasing order, then the black hole, then the halo and disk bodies in
// order, then the mutual terms of the free stars above i. Receivers are
// therefore independent of one another: threads split them into tiles, and
// the vector paths give each lane one receiver. Each mutual pair is evaluated
// once per side, which costs twice the divisions of the reference and still
// wins by far. A step gets only as many threads as its work pays for: waking
// a sleeping thread costs tens of microseconds, more than a small galaxy's
// whole step.

namespace corvane {

namespace {

using fastkernel::kTileLanes;
using fastkernel::ReceiverLanes;
using fastkernel::StepTerms;

// Whether the Newton path's quotients take every far pair of this step: a
// soft radius of zero or more (so that a far pair has r > 0), coordinates
// within 2^60 (so that r x r^2 stays below 2^186 and r^2 a finite float),
// and pulling bodies with a finite coefficient other than zero. Otherwise
// the step takes its quotients from the divider. One pass over the bodies,
// next to a step's millions of terms.
bool newtonQuotientsServe(const StepTerms& t) {
    if (!(t.softRadius >= 0)) return false;
    constexpr float kCoordinateLimit = 0x1p60f;
    for (int j = 0; j < t.bodyCount; ++j) {
        const Body& b = t.bodies[j];
        if (!(std::fabs(b.x) <= kCoordinateLimit && std::fabs(b.y) <= kCoordinateLimit &&
              std::fabs(b.z) <= kCoordinateLimit))
            return false;
    }
    for (int j = 0; j < t.diskEnd; ++j) {
        if (t.farCoeff[j] == 0 || !std::isfinite(t.farCoeff[j])) return false;
    }
    return true;
}

// Pair terms a step needs for each thread it gets. A small step given a
// second thread waits for a worker that started its tile late, and on a
// busy machine that costs more than the thread gives; a large one loses
// nothing (the measurements: README, Speed). This many terms take about
// half a millisecond on one core, many times a wake-up on an idle one.
constexpr long kTermsPerThread = 250000;

fastkernel::WorkerPool workerPool;

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
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("fma"))
        return SimdLevel::Avx512Newton;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
    return SimdLevel::Scalar;
}

StepTerms currentTerms(Simulation& sim) {
    const SimParams& p = sim.params;
    return StepTerms{sim.table.bodies,
                     coefficients.farCoeff,
                     coefficients.nearCoeff,
                     p.diskEnd,
                     p.bodyCount,
                     p.holeEnabled != 0,
                     p.holeFar,
                     p.holeNear,
                     p.softRadius};
}

// Widens every body's coefficients once per step: a broadcast from a double
// is one load, a broadcast from a float also a conversion per source.
void widenCoefficients(const StepTerms& t) {
    for (int j = 0; j < t.bodyCount; ++j) {
        coefficients.farCoeff[j] = t.bodies[j].farCoeff;
        coefficients.nearCoeff[j] = t.bodies[j].nearCoeff;
    }
}

// One receiver at a time with the scalar terms, on a private copy of it.
void freeStarTilesScalar(const StepTerms& t, const ReceiverLanes& lanes, int firstTile,
                         int endTile) {
    const double softRadius = t.softRadius;
    const int freeCount = t.bodyCount - t.diskEnd;
    const int end = endTile * kTileLanes < freeCount ? endTile * kTileLanes : freeCount;
    for (int f = firstTile * kTileLanes; f < end; ++f) {
        const int q = t.diskEnd + f;
        Body receiver = t.bodies[q];
        for (int s = t.diskEnd; s < q; ++s)
            addMutualTermFromBelow(receiver, t.bodies[s], softRadius);
        if (t.holeEnabled) addBlackHoleTerm(receiver, t.holeFar, t.holeNear, softRadius);
        for (int b = 0; b < t.diskEnd; ++b) addOneWayTerm(receiver, t.bodies[b], softRadius);
        for (int s = q + 1; s < t.bodyCount; ++s) {
            addMutualTermFromAbove(receiver, t.bodies[s], softRadius);
        }
        lanes.vx[f] = receiver.vx;
        lanes.vy[f] = receiver.vy;
        lanes.vz[f] = receiver.vz;
    }
}

// Disk bodies feel the black hole only. Chunks start at even indices, so
// threads write whole cache lines of the table (two bodies each).
constexpr int kDiskChunk = 64;

void addHoleToDiskChunk(Body* bodies, const StepTerms& t, int haloCount, int chunk) {
    const int chunkBegin = (haloCount & ~1) + chunk * kDiskChunk;
    const int begin = chunkBegin > haloCount ? chunkBegin : haloCount;
    const int end = chunkBegin + kDiskChunk < t.diskEnd ? chunkBegin + kDiskChunk : t.diskEnd;
    for (int d = begin; d < end; ++d) {
        addBlackHoleTerm(bodies[d], t.holeFar, t.holeNear, t.softRadius);
    }
}

void copyVelocitiesBack(Body* bodies, const StepTerms& t) {
    for (int f = 0; f < t.bodyCount - t.diskEnd; ++f) {
        Body& b = bodies[t.diskEnd + f];
        b.vx = laneStorage.vx[f];
        b.vy = laneStorage.vy[f];
        b.vz = laneStorage.vz[f];
    }
}

// The cores this process may run on.
int availableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

// The user's OMP_NUM_THREADS (its first entry), or 0 when unset or invalid.
int threadLimitFromEnvironment() {
    const char* text = std::getenv("OMP_NUM_THREADS");
    if (!text) return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || (*end != '\0' && *end != ',') || value < 1) return 0;
    return value < 1024 ? static_cast<int>(value) : 1024;
}

int automaticThreadLimit() {
    static const int limit = [] {
        const int cores = availableCores();
        const int user = threadLimitFromEnvironment();
        return user > 0 && user < cores ? user : cores;
    }();
    return limit;
}

// The terms of one step: the pairs, and the black hole's on every body.
long termsPerStep(const StepTerms& t) {
    return static_cast<long>(pairTermsPerStep(t.bodyCount - t.diskEnd, t.diskEnd)) + t.bodyCount;
}

int threadsForStep(const KernelState& kernel, const StepTerms& t, int tiles) {
    if (kernel.requestedThreads > 0) return kernel.requestedThreads;
    const long paid = termsPerStep(t) / kTermsPerThread;
    int threads = paid < automaticThreadLimit() ? static_cast<int>(paid) : automaticThreadLimit();
    if (threads > tiles) threads = tiles;
    return threads > 1 ? threads : 1;
}

// One step's shared work: tiles, then disk chunks, handed out one at a time,
// so that a core lent elsewhere does not hold up the step, and a worker that
// wakes late finds nothing left.
struct StepJob {
    Body* bodies;  // the table the terms read, written here
    StepTerms terms;
    SimdLevel level;
    int haloCount;
    int tiles;
    int diskChunks;
    std::atomic<int> nextTile{0};
    std::atomic<int> nextChunk{0};
};

void runStepShare(void* context, int, int) {
    StepJob& job = *static_cast<StepJob*>(context);
    for (int tile = job.nextTile.fetch_add(1, std::memory_order_relaxed); tile < job.tiles;
         tile = job.nextTile.fetch_add(1, std::memory_order_relaxed)) {
        fastkernel::fillLanes(job.terms, kLanes, tile, tile + 1);
        fastkernel::pathTiles(job.level, job.terms, kLanes, tile, tile + 1);
    }
    for (int chunk = job.nextChunk.fetch_add(1, std::memory_order_relaxed); chunk < job.diskChunks;
         chunk = job.nextChunk.fetch_add(1, std::memory_order_relaxed)) {
        addHoleToDiskChunk(job.bodies, job.terms, job.haloCount, chunk);
    }
}

float probeDividerScalar(long rounds) {
    double x[fastkernel::kProbeChains];
    for (int i = 0; i < fastkernel::kProbeChains; ++i) x[i] = 1.0e4 + i;
    for (long round = 0; round < rounds; ++round) {
        for (double& chain : x) chain = 1.0e6 / std::sqrt(chain);
    }
    double sum = 0;
    for (double chain : x) sum += chain;
    return static_cast<float>(sum);
}

// Lanes x chains x rounds of the probe at `level`, and how long they took.
struct ProbeRun {
    SimdLevel level;
    long rounds;
    double seconds[1024];
    float kept[1024];
};

float probeDivider(SimdLevel level, long rounds) {
    switch (level) {
        case SimdLevel::Avx512Newton:  // the divider's ceiling at its width, which it passes
        case SimdLevel::Avx512:
            return fastkernel::probeDividerAvx512(rounds);
        case SimdLevel::Avx2:
            return fastkernel::probeDividerAvx2(rounds);
        case SimdLevel::Scalar:
            break;
    }
    return probeDividerScalar(rounds);
}

int laneCount(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512Newton:
        case SimdLevel::Avx512:
            return 8;
        case SimdLevel::Avx2:
            return 4;
        case SimdLevel::Scalar:
            break;
    }
    return 1;
}

void runProbeShare(void* context, int thread, int) {
    ProbeRun& run = *static_cast<ProbeRun*>(context);
    const auto start = std::chrono::steady_clock::now();
    run.kept[thread] = probeDivider(run.level, run.rounds);
    run.seconds[thread] = secondsSince(start);
}

}  // namespace

double pairTermsPerStep(int freeStars, int pullingBodies) {
    const double free = freeStars;
    return free * pullingBodies + free * (free - 1);
}

double measureDividerCeiling(SimdLevel level, int threads, double seconds) {
    threads = threads < 1 ? 1 : threads > 1024 ? 1024 : threads;
    static ProbeRun run;
    run.level = level;
    // Rounds for about a tenth of the time on one thread, then the whole.
    run.rounds = 1000;
    const auto start = std::chrono::steady_clock::now();
    probeDivider(run.level, run.rounds);
    const double calibration = secondsSince(start);
    if (calibration > 0) run.rounds = static_cast<long>(run.rounds * seconds / calibration) + 1;
    workerPool.runAll(threads, runProbeShare, &run);
    double pairsPerSecond = 0;
    const double pairsPerThread =
        static_cast<double>(run.rounds) * fastkernel::kProbeChains * laneCount(run.level);
    for (int t = 0; t < threads; ++t) {
        if (run.seconds[t] > 0) pairsPerSecond += pairsPerThread / run.seconds[t];
    }
    return pairsPerSecond;
}

SimdLevel supportedSimdLevel() {
    static const SimdLevel level = detectSimdLevel();
    return level;
}

SimdLevel fastestSimdLevel() {
    static const SimdLevel level = fastkernel::measureFastestPath(supportedSimdLevel());
    return level;
}

SimdLevel activeSimdLevel(const KernelState& kernel) {
    if (!kernel.simdPath) return fastestSimdLevel();
    const SimdLevel supported = supportedSimdLevel();
    return pathWithin(*kernel.simdPath, supported) ? *kernel.simdPath : supported;
}

const char* simdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512Newton:
            return "avx512-newton";
        case SimdLevel::Avx512:
            return "avx512";
        case SimdLevel::Avx2:
            return "avx2";
        case SimdLevel::Scalar:
            break;
    }
    return "scalar";
}

int resolvedKernelThreads(const KernelState& kernel) {
    return kernel.requestedThreads > 0 ? kernel.requestedThreads : automaticThreadLimit();
}

void startKernelThreads(const KernelState& kernel) {
    fastestSimdLevel();
    workerPool.reserve(resolvedKernelThreads(kernel));
}

void computeForcesFast(Simulation& sim) {
    const int haloCount = sim.params.haloCount;
    KernelState& kernel = sim.kernel;
    StepJob job{sim.table.bodies, currentTerms(sim), activeSimdLevel(kernel), haloCount, 0, 0};
    const StepTerms& terms = job.terms;
    const int freeCount = terms.bodyCount - terms.diskEnd;
    job.tiles = (freeCount + kTileLanes - 1) / kTileLanes;
    job.diskChunks =
        terms.holeEnabled ? (terms.diskEnd - (haloCount & ~1) + kDiskChunk - 1) / kDiskChunk : 0;
    if (job.level != SimdLevel::Scalar) widenCoefficients(terms);
    if (job.level == SimdLevel::Avx512Newton && !newtonQuotientsServe(terms))
        job.level = SimdLevel::Avx512;
    kernel.lastPath = job.level;
    kernel.lastThreads = threadsForStep(kernel, terms, job.tiles);
    kernel.threadStepsTaken += workerPool.runJoining(kernel.lastThreads, runStepShare, &job);
    ++kernel.stepsTaken;
    copyVelocitiesBack(job.bodies, terms);
}

void fastkernel::fillLanes(const StepTerms& t, const ReceiverLanes& lanes, int firstTile,
                           int endTile) {
    const int freeCount = t.bodyCount - t.diskEnd;
    for (int f = firstTile * kTileLanes; f < endTile * kTileLanes; ++f) {
        const bool star = f < freeCount;
        const Body& b = t.bodies[star ? t.diskEnd + f : 0];
        lanes.x[f] = star ? b.x : 0.0f;
        lanes.y[f] = star ? b.y : 0.0f;
        lanes.z[f] = star ? b.z : 0.0f;
        lanes.vx[f] = star ? b.vx : 0.0f;
        lanes.vy[f] = star ? b.vy : 0.0f;
        lanes.vz[f] = star ? b.vz : 0.0f;
    }
}

void fastkernel::pathTiles(SimdLevel level, const StepTerms& terms, const ReceiverLanes& lanes,
                           int firstTile, int endTile) {
    switch (level) {
        case SimdLevel::Avx512Newton:
            freeStarTilesAvx512Newton(terms, lanes, firstTile, endTile);
            break;
        case SimdLevel::Avx512:
            freeStarTilesAvx512(terms, lanes, firstTile, endTile);
            break;
        case SimdLevel::Avx2:
            freeStarTilesAvx2(terms, lanes, firstTile, endTile);
            break;
        case SimdLevel::Scalar:
            freeStarTilesScalar(terms, lanes, firstTile, endTile);
            break;
    }
}

}  // namespace corvane

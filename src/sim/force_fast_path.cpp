#include "sim/force_fast_path.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <vector>

#include "core/clock.h"
#include "core/random.h"
#include "sim/force_fast_simd.h"

namespace corvane::fastkernel {
namespace {

// One tile of free stars pulled by this many bodies: about 0.3 ms a round,
// long enough that the clock's resolution does not matter, short enough
// that all rounds take a few milliseconds.
constexpr int kPullingBodies = 4096;
constexpr int kRounds = 6;  // per path, alternately, after one round to warm up

// Bodies spread through a cube far wider than the soft radius, as in a
// galaxy, where nearly every pair is a far one; every path takes them.
struct Workload {
    std::vector<Body> bodies;
    std::vector<double> farCoeff;
    std::vector<double> nearCoeff;
    StepTerms terms{};

    Workload() : bodies(kPullingBodies + kTileLanes) {
        RandomState random;
        seedRandom(random, 1);
        const auto coordinate = [&] {
            return static_cast<float>(nextRandom(random) % 20001) - 1e4f;
        };
        for (Body& b : bodies)
            b = Body{coordinate(), coordinate(), coordinate(), -1e-6f, 0, 0, 0, 1e-3f};
        for (const Body& b : bodies) {
            farCoeff.push_back(b.farCoeff);
            nearCoeff.push_back(b.nearCoeff);
        }
        terms = StepTerms{bodies.data(),
                          farCoeff.data(),
                          nearCoeff.data(),
                          kPullingBodies,
                          static_cast<int>(bodies.size()),
                          false,
                          0.0f,
                          0.0f,
                          1.0};
    }
};

struct alignas(64) TileLanes {
    float x[kTileLanes], y[kTileLanes], z[kTileLanes];
    float vx[kTileLanes], vy[kTileLanes], vz[kTileLanes];
};

double timeTile(SimdLevel level, const Workload& work, TileLanes& lanes) {
    const ReceiverLanes receivers{lanes.x, lanes.y, lanes.z, lanes.vx, lanes.vy, lanes.vz};
    fillLanes(work.terms, receivers, 0, 1);
    const auto start = std::chrono::steady_clock::now();
    pathTiles(level, work.terms, receivers, 0, 1);
    return secondsSince(start);
}

}  // namespace

SimdLevel fastestPath(std::span<const PathTiming> timings) {
    const PathTiming* best = nullptr;
    for (auto level = std::rbegin(kEverySimdLevel); level != std::rend(kEverySimdLevel); ++level) {
        for (const PathTiming& path : timings) {
            if (path.level == *level &&
                (!best || path.seconds < best->seconds * (1.0 - kEarlierPathMargin)))
                best = &path;
        }
    }
    return best ? best->level : SimdLevel::Scalar;
}

SimdLevel measureFastestPath(SimdLevel supported) {
    std::vector<PathTiming> timings;
    for (SimdLevel level : kEverySimdLevel) {
        if (level != SimdLevel::Scalar && pathWithin(level, supported))
            timings.push_back({level, 0});
    }
    if (timings.size() < 2) return supported;
    const Workload work;
    TileLanes lanes;
    for (PathTiming& path : timings) path.seconds = timeTile(path.level, work, lanes);
    for (int round = 0; round < kRounds; ++round) {
        for (PathTiming& path : timings)
            path.seconds = std::min(path.seconds, timeTile(path.level, work, lanes));
    }
    return fastestPath(timings);
}

}  // namespace corvane::fastkernel

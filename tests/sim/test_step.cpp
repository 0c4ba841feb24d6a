// The time step: the fast kernel's bits against the reference's on every
// vector path with any threads, and what a step does with the bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "sim/display.h"
#include "sim/force_fast.h"
#include "sim/params.h"
#include "sim/step.h"
#include "world_fixture.h"

namespace corvane {
namespace {

std::vector<Body> bodiesOf(const Simulation& sim) {
    return std::vector<Body>(sim.table.bodies, sim.table.bodies + sim.params.bodyCount);
}

// Bit for bit, except that any NaN equals any NaN: which NaN a sum of two NaNs
// gives depends on the order of its operands.
::testing::AssertionResult sameBits(const std::vector<Body>& a, const std::vector<Body>& b) {
    const float* fa = reinterpret_cast<const float*>(a.data());
    const float* fb = reinterpret_cast<const float*>(b.data());
    for (size_t i = 0; i < a.size() * 8; ++i) {
        if (!(std::isnan(fa[i]) && std::isnan(fb[i])) && std::memcmp(&fa[i], &fb[i], 4) != 0)
            return ::testing::AssertionFailure() << "body " << i / 8 << " field " << i % 8;
    }
    return ::testing::AssertionSuccess();
}

class StepTest : public WorldTest {
  protected:
    std::vector<Body> bodiesNow() const { return bodiesOf(sim); }

    // Populations [0, halo), [halo, halo + disk), then the free stars, at the
    // panel's 100 m per dot and 1.0e5 s per step: softRadius 1000 m, a body of
    // 1.0e5 kg gets farCoeff 66.73, the black hole of 1.0e10 kg holeFar 6.673e6.
    void useUnits(int halo, int disk, int free, bool hole) {
        selections.selectByPrefix(kComboBlackHole, hole ? "1.0e10" : "0");
        readParams(sim, selectedTexts(selections));
        sim.params.haloCount = halo;
        sim.params.diskEnd = halo + disk;
        sim.params.bodyCount = halo + disk + free;
    }

    void placeAtRest(int i, float x, float y, float z, float mass = 1.0e5f) {
        sim.body(i) = Body{x, y, z, 0, 0, 0, 0, 0};
        sim.bodyMass(i) = mass;
        deriveCoefficients(sim, i);
    }
};

class FastKernel : public StepTest, public ::testing::WithParamInterface<SimdLevel> {
  protected:
    void SetUp() override {
        StepTest::SetUp();
        if (!pathWithin(GetParam(), supportedSimdLevel()))
            GTEST_SKIP() << "this processor lacks " << simdLevelName(GetParam());
        sim.kernel.simdPath = GetParam();
    }
    // A galaxy made by Run, crowded in a small view so that near and far pairs
    // mix within every vector, cut to the given populations.
    void useGalaxy(int halo, int disk, int free, const char* hole, const char* mass,
                   unsigned seed) {
        useView(100, 80);
        ASSERT_TRUE(make({100, 80, seed, {"200", "50", "20", hole, mass}}));
        sim.params.haloCount = halo;
        sim.params.diskEnd = halo + disk;
        sim.params.bodyCount = halo + disk + free;
    }
    // The velocities both kernels give from the present positions.
    ::testing::AssertionResult kernelsAgree(int threads) {
        const std::vector<Body> start = bodiesNow();
        computeForcesReference(sim);
        const std::vector<Body> reference = bodiesNow();
        std::copy(start.begin(), start.end(), sim.table.bodies);
        sim.kernel.requestedThreads = threads;
        computeForcesFast(sim);
        ::testing::AssertionResult same = sameBits(reference, bodiesNow());
        std::copy(start.begin(), start.end(), sim.table.bodies);
        return same << " with " << sim.params.haloCount << " halo, " << sim.params.diskEnd
                    << " disk end, " << sim.params.bodyCount << " bodies, hole "
                    << sim.params.holeEnabled << ", " << threads << " threads";
    }
};

// The star with the higher index gets -(factor x coefficient) x d with
// d = higher - lower: where d has a zero component, a velocity of -0 stays -0
// there for it and becomes +0 for the lower star (-0 + +0); massless stars too.
TEST_P(FastKernel, KeepsTheReferenceSignsOfZeroForTwoStarsOnOneRow) {
    useUnits(0, 0, 2, false);
    for (auto computeForces : {computeForcesReference, computeForcesFast}) {
        for (float mass : {1.0e5f, 0.0f}) {
            placeAtRest(0, 0.0f, 5.0f, -3.0f, mass);
            placeAtRest(1, 2000.0f, 5.0f, -3.0f, mass);
            for (int i : {0, 1}) sim.body(i).vx = sim.body(i).vy = sim.body(i).vz = -0.0f;
            computeForces(sim);
            for (float v : {sim.body(0).vx, sim.body(0).vy, sim.body(0).vz})
                EXPECT_FALSE(std::signbit(v));
            for (float v : {sim.body(1).vx, sim.body(1).vy, sim.body(1).vz})
                EXPECT_TRUE(std::signbit(v));
        }
    }
}

// Galaxies of every count around the vector widths, the blocks and the tiles
// the threads share: with a black hole, without, and still (massless stars:
// every k is a zero, and only the signs of the zeros tell the kernels apart).
TEST_P(FastKernel, MatchesTheReferenceOnGalaxiesOfEveryCountWithAnyThreads) {
    EXPECT_EQ(activeSimdLevel(sim.kernel), GetParam());
    const int haloAndDisk[][2] = {{0, 0}, {4, 6}, {13, 29}};
    const char* holeAndMass[][2] = {{"1.0e10", "1.0e5"}, {"0", "1.0e5"}, {"0", "0"}};
    for (int free = 0; free <= 193; free += free < 100 ? 1 : 93) {
        for (const auto& [halo, disk] : haloAndDisk) {
            for (const auto& [hole, mass] : holeAndMass) {
                useGalaxy(halo, disk, free, hole, mass, free + 1);
                for (int threads : {1, 2, 3}) EXPECT_TRUE(kernelsAgree(threads)) << mass;
                // Massless pullers leave the Newton path's steps to the divider.
                if (std::string(mass) != "0") {
                    EXPECT_EQ(sim.kernel.lastPath, GetParam()) << hole;
                }
            }
        }
    }
}

// Bodies on one another, exactly softRadius apart, on negative zeros, within
// a vector and tiles apart, among massless stars so that a term at the edge
// shows, and a black hole whose two sides differ in their last bits there;
// then bodies off the finite numbers.
TEST_P(FastKernel, MatchesTheReferenceOnBorderlineAndNonFinitePositions) {
    useGalaxy(2, 3, 140, "1.0e10", "0", 1);
    sim.params.holeNear = 6.673e-6f;
    const std::tuple<int, float, float, float> spots[] = {
        {0, 3000, 0, 0},      {1, 0, 0, 0},      {2, -1000, 0, 0}, {3, 1000, 0, 0},
        {5, 0, 0, 0},         {6, 1000, 0, 0},   {7, 1000, 0, 0},  {8, 600, 800, 0},
        {9, -0.0f, 0, -0.0f}, {30, 1000, 0, 0},  {44, 0, 0, 1000}, {120, 1000, 0, 0},
        {131, 0, 0, 0},       {144, 0, 0, 1000},
    };
    for (const auto& [i, x, y, z] : spots) placeAtRest(i, x, y, z, 1.0e5f * (1 + i % 3));
    sim.body(5).vx = sim.body(9).vy = -0.0f;
    for (int threads : {1, 2}) EXPECT_TRUE(kernelsAgree(threads));

    useGalaxy(4, 6, 30, "1.0e10", "1.0e5", 1);
    sim.body(3).x = INFINITY;   // halo
    sim.body(8).z = -INFINITY;  // disk
    sim.body(12).x = NAN;       // free stars
    sim.body(21).y = INFINITY;
    EXPECT_TRUE(kernelsAgree(2));
}

// A halo body and one or two free stars, each case alone: a puller of mass
// -0 on a star at -0 velocity (its terms are -0 and keep the sign), a star
// past 2^64 (r^2 beyond the floats: k = 0), and a soft radius below zero with
// stars 1e-30 apart (r^2 rounds to 0 and that pair is a far one: k = inf).
// The Newton path leaves each of these steps to the divider.
TEST_P(FastKernel, MatchesTheReferenceOnSignedMasslessPullersHugeDistancesAndNegativeRadii) {
    struct Case {
        float haloMass;
        int freeStars;
        float secondStarX, softRadius;
    };
    const Case cases[] = {
        {-0.0f, 1, 0, 1.0f}, {1.0e5f, 2, 3.0e38f, 1.0f}, {1.0e5f, 2, 1.0e-30f, -1.0f}};
    for (const Case& c : cases) {
        useUnits(1, 0, c.freeStars, false);
        placeAtRest(0, 500.0f, 0, 0, c.haloMass);
        placeAtRest(1, 0, 0, 0);
        placeAtRest(2, c.secondStarX, 0, 0);
        for (int i : {1, 2}) sim.body(i).vx = sim.body(i).vy = sim.body(i).vz = -0.0f;
        sim.params.softRadius = c.softRadius;
        EXPECT_TRUE(kernelsAgree(1)) << c.haloMass << " " << c.secondStarX << " " << c.softRadius;
        EXPECT_EQ(sim.kernel.lastPath,
                  GetParam() == SimdLevel::Avx512Newton ? SimdLevel::Avx512 : GetParam());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, FastKernel, ::testing::ValuesIn(kEverySimdLevel),
                         [](const auto& info) {
                             std::string name = simdLevelName(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

using Step = StepTest;

// A halo body, a disk body and a free star: a skipped frame does nothing;
// while dragging they are shown in their colours and nothing moves; a step
// pulls the disk body toward the black hole but never the halo body, erases
// each, moves it by its new velocity and plots it again.
TEST_F(Step, SkipsShowsOrMovesTheBodies) {
    useUnits(1, 1, 1, true);
    placeAtRest(0, 1000.0f, 2000.0f, 0.0f);
    placeAtRest(1, 10000.0f, 0.0f, 0.0f);
    placeAtRest(2, 5000.0f, -1000.0f, 0.0f);
    sim.body(1).vy = sim.body(2).vy = 250.0f;
    const std::vector<Body> before = bodiesNow();
    sim.skipFrame = 1;
    EXPECT_FALSE(step()) << "the skip flag took the step";
    EXPECT_EQ(surface.litPixelCount(), 0);
    view.dragging = 1;
    EXPECT_TRUE(step());
    EXPECT_EQ(sim.frameCount, 1);
    EXPECT_TRUE(sameBits(before, bodiesNow()));
    EXPECT_EQ(std::tuple(surface.pixel(410, 320), surface.pixel(500, 300), surface.pixel(450, 290),
                         surface.litPixelCount()),
              std::tuple(kHaloColour, kDiskColour, kStarColour, 3));

    view.dragging = 0;
    EXPECT_TRUE(step());
    EXPECT_NEAR(sim.body(1).vx, -6.673e6f / 1.0e8f, 1e-6f);  // the black hole, before the move
    EXPECT_EQ(
        std::tuple(sim.body(1).x, sim.body(1).y, surface.pixel(499, 302), surface.litPixelCount()),
        std::tuple(static_cast<float>(10000.0 + sim.body(1).vx), 250.0f, kDiskColour, 3));
    EXPECT_EQ(std::memcmp(&sim.body(0), &before[0], sizeof(Body)), 0);  // the halo body stays
}

// Halo bodies on either side of the box walls: the view is 800 x 600, so the
// box is |sx| < 500, |sy| < 400 and |sz| < 500 dots. A respawned body keeps
// its mass and coefficients and is drawn by the next step.
TEST_F(Step, RespawnsBodiesOnOrBeyondTheBoxWallAndKeepsThoseInside) {
    const std::tuple<float, float, float, bool> cases[] = {
        {50000, 0, 0, true},   {49950, 0, 0, false},  {-50000, 0, 0, true},
        {-49950, 0, 0, false}, {0, 40000, 0, true},   {0, -39950, 0, false},
        {0, 0, 50000, true},   {0, 0, -49950, false}, {NAN, 0, 0, true},
    };
    useUnits(9, 0, 0, false);
    for (int i = 0; i < 9; ++i)
        placeAtRest(i, std::get<0>(cases[i]), std::get<1>(cases[i]), std::get<2>(cases[i]),
                    1e3f * i);
    const std::vector<Body> before = bodiesNow();
    step();
    for (int i = 0; i < 9; ++i) {
        const Body& b = sim.body(i);
        const bool moved = b.x != before[i].x || b.y != before[i].y || b.z != before[i].z;
        EXPECT_EQ(moved, std::get<3>(cases[i])) << "case " << i;
        EXPECT_TRUE(std::isfinite(b.x) && b.farCoeff == before[i].farCoeff &&
                    b.nearCoeff == before[i].nearCoeff && sim.bodyMass(i) == 1e3f * i)
            << "case " << i;
    }
    EXPECT_EQ(surface.litPixelCount(), 1);  // the one inside the view
    step();
    EXPECT_EQ(surface.litPixelCount(), 6);
}

}  // namespace
}  // namespace corvane

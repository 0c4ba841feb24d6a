#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "core/random.h"
#include "sim/force_fast.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/step.h"
#include "sim_fixture.h"

namespace corvane {
namespace {

// ---- The figures of single terms, with either kernel ----

class ForceTerms : public SimTest, public ::testing::WithParamInterface<ForceKernel> {
  protected:
    void computeForces() {
        if (GetParam() == ForceKernel::Reference) {
            computeForcesReference();
        } else {
            computeForcesFast();
        }
    }
};

TEST_P(ForceTerms, TwoFreeStarsFarApartAttractEachOther) {
    useUnits();
    usePopulations(0, 0, 2);
    placeAt(0, 0.0f, 0.0f, 0.0f, 1.0e5f);
    placeAt(1, 2000.0f, 0.0f, 0.0f, 1.0e5f);
    ASSERT_NEAR(body(0).farCoeff, 66.73f, 1e-3f);
    computeForces();
    EXPECT_NEAR(body(0).vx, 1.668e-5f, 1e-8f);
    EXPECT_EQ(body(1).vx, -body(0).vx);  // equal masses: equal and opposite
    EXPECT_EQ(body(0).vy, 0.0f);
    EXPECT_EQ(body(1).vz, 0.0f);
}

TEST_P(ForceTerms, TwoFreeStarsInsideTheSoftRadiusPushEachOtherAway) {
    useUnits();
    usePopulations(0, 0, 2);
    placeAt(0, 0.0f, 0.0f, 0.0f, 1.0e5f);
    placeAt(1, 500.0f, 0.0f, 0.0f, 1.0e5f);
    ASSERT_NEAR(body(0).nearCoeff, -6.673e-11f, 1e-14f);
    computeForces();
    EXPECT_NEAR(body(0).vx, -1.668e-5f, 1e-8f);
    EXPECT_NEAR(body(1).vx, 1.668e-5f, 1e-8f);
}

TEST_P(ForceTerms, StarsExactlyTheSoftRadiusApartOrOnOnePointExchangeNothing) {
    useUnits();
    usePopulations(0, 0, 2);
    placeAt(0, 0.0f, 0.0f, 0.0f, 1.0e5f);
    placeAt(1, 600.0f, 800.0f, 0.0f, 1.0e5f);  // exactly 1000 m apart
    body(0).vx = 3.0f;
    body(1).vy = -2.0f;
    computeForces();
    EXPECT_EQ(body(0).vx, 3.0f);
    EXPECT_EQ(body(0).vy, 0.0f);
    EXPECT_EQ(body(1).vx, 0.0f);
    EXPECT_EQ(body(1).vy, -2.0f);

    placeAt(1, 0.0f, 0.0f, 0.0f, 1.0e5f);  // on one point
    computeForces();
    EXPECT_EQ(body(0).vx, 3.0f);
    EXPECT_EQ(body(1).vy, -2.0f);
}

// The star with the higher index gets -(factor x coefficient) x d with
// d = higher - lower: where d has a zero component, a velocity of -0 stays -0
// there for it and becomes +0 for the lower star (-0 + +0).
TEST_P(ForceTerms, TwoStarsOnOneRowKeepTheReferenceSignsOfZero) {
    useUnits();
    usePopulations(0, 0, 2);
    for (float mass : {1.0e5f, 0.0f}) {
        placeAt(0, 0.0f, 5.0f, -3.0f, mass);
        placeAt(1, 2000.0f, 5.0f, -3.0f, mass);
        for (int i : {0, 1}) body(i).vx = body(i).vy = body(i).vz = -0.0f;
        computeForces();
        EXPECT_FALSE(std::signbit(body(0).vy)) << mass;
        EXPECT_FALSE(std::signbit(body(0).vz)) << mass;
        EXPECT_TRUE(std::signbit(body(1).vy)) << mass;
        EXPECT_TRUE(std::signbit(body(1).vz)) << mass;
        EXPECT_FALSE(std::signbit(body(0).vx)) << mass;  // +k x 2000, or +0
        EXPECT_TRUE(std::signbit(body(1).vx)) << mass;   // -k x 2000, or -0
    }
}

TEST_P(ForceTerms, BlackHolePullsDiskBodiesInsideAndOutsideTheSoftRadius) {
    useUnits();
    useBlackHole();
    usePopulations(0, 2, 0);
    placeAt(0, 2000.0f, 0.0f, 0.0f, 1.0e5f);
    placeAt(1, 500.0f, 0.0f, 0.0f, 1.0e5f);
    computeForces();
    EXPECT_NEAR(body(0).vx, -1.668f, 1e-3f);
    EXPECT_NEAR(body(1).vx, -1.668f, 1e-3f);
}

TEST_P(ForceTerms, WithoutBlackHoleDiskBodiesAndHaloKeepTheirVelocity) {
    useUnits();
    usePopulations(1, 1, 0);
    placeAt(0, 2000.0f, 0.0f, 0.0f, 1.0e5f);
    placeAt(1, 500.0f, 0.0f, 0.0f, 1.0e5f);
    body(1).vy = 7.0f;
    computeForces();
    EXPECT_EQ(body(0).vx, 0.0f);
    EXPECT_EQ(body(1).vx, 0.0f);
    EXPECT_EQ(body(1).vy, 7.0f);
}

TEST_P(ForceTerms, HaloAndDiskBodiesPullFreeStarsOneWay) {
    useUnits();
    useBlackHole();
    usePopulations(1, 1, 1);
    placeAt(0, 2000.0f, 0.0f, 0.0f, 1.0e5f);  // halo
    placeAt(1, 0.0f, 1.0e6f, 0.0f, 1.0e5f);   // disk, far from the star
    placeAt(2, 0.0f, 0.0f, 0.0f, 1.0e5f);     // free star on the black hole
    computeForces();
    EXPECT_NEAR(body(2).vx, 1.668e-5f, 1e-8f);    // the halo body only:
    EXPECT_NEAR(body(2).vy, 6.673e-11f, 1e-13f);  // the disk body is 1000 km away
    EXPECT_EQ(body(0).vx, 0.0f);                  // the halo body is not pulled back
    EXPECT_NEAR(body(1).vy, -6.673e-6f, 1e-9f);   // the disk body feels the black hole only
    EXPECT_EQ(body(1).vx, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(BothKernels, ForceTerms,
                         ::testing::Values(ForceKernel::Reference, ForceKernel::Fast),
                         [](const auto& info) {
                             return info.param == ForceKernel::Reference ? "Reference" : "Fast";
                         });

// ---- The fast kernel gives the reference's bits ----

class FastKernelPath : public SimTest, public ::testing::WithParamInterface<SimdLevel> {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        if (static_cast<int>(GetParam()) > static_cast<int>(supportedSimdLevel())) {
            GTEST_SKIP() << "this processor lacks " << simdLevelName(GetParam());
        }
        limitSimdLevel(GetParam());
    }

    // Bodies at random, every fourth close to the one before it so that
    // near and far pairs mix within a vector; halo bodies at rest.
    static void scatterBodies(unsigned seed, int halo, int disk, int free, bool hole) {
        useUnits();
        usePopulations(halo, disk, free);
        if (hole) useBlackHole();
        std::mt19937 generator(seed);
        std::uniform_real_distribution<float> across(-40000.0f, 40000.0f);
        std::uniform_real_distribution<float> depth(-5000.0f, 5000.0f);
        std::uniform_real_distribution<float> close(-700.0f, 700.0f);
        std::uniform_real_distribution<float> speed(-20.0f, 20.0f);
        std::uniform_real_distribution<float> mass(1.0e3f, 1.0e6f);
        for (int i = 0; i < gParams.bodyCount; ++i) {
            if (i % 4 == 3) {
                const Body& before = body(i - 1);
                placeAt(i, before.x + close(generator), before.y + close(generator),
                        before.z + close(generator), mass(generator));
            } else {
                placeAt(i, across(generator), across(generator), depth(generator), mass(generator));
            }
            const bool moves = i >= halo;
            body(i).vx = moves ? speed(generator) : 0.0f;
            body(i).vy = moves ? speed(generator) : 0.0f;
            body(i).vz = moves ? speed(generator) : 0.0f;
        }
    }

    // The velocities both kernels give from the present positions.
    static ::testing::AssertionResult kernelsAgree(int threads, bool anyNaNAlike = false) {
        const std::vector<Body> start = bodiesNow();
        computeForcesReference();
        const std::vector<Body> reference = bodiesNow();
        restoreBodies(start);
        setKernelThreads(threads);
        computeForcesFast();
        const std::vector<Body> fast = bodiesNow();
        restoreBodies(start);
        return anyNaNAlike ? sameBitsOrBothNaN(reference, fast) : sameBits(reference, fast);
    }

    // A galaxy made as Run makes it, with a fixed seed.
    void makeRunGalaxy(const char* free, const char* disk, const char* halo) {
        ASSERT_TRUE(
            makeGalaxy({gView.viewWidth, gView.viewHeight, 7, {free, disk, halo, "1.0e10"}}));
    }

    struct StepResult {
        std::vector<Body> bodies;
        std::uint64_t random;
        std::vector<Colour> pixels;
    };

    StepResult stepWith(ForceKernel kernel, int steps) {
        setForceKernel(kernel);
        for (int i = 0; i < steps; ++i) stepSimulation();
        return StepResult{bodiesNow(), gRandom.state, surface.pixels()};
    }
};

TEST_P(FastKernelPath, MatchesTheReferenceOnSmallGalaxies) {
    const int freeCounts[] = {0, 1, 2, 3, 7, 17, 100};
    const int haloAndDisk[][2] = {{0, 0}, {4, 6}, {13, 29}};
    unsigned seed = 1;
    for (int free : freeCounts) {
        for (const auto& hd : haloAndDisk) {
            for (bool hole : {false, true}) {
                scatterBodies(seed++, hd[0], hd[1], free, hole);
                for (int threads : {1, 2, 3}) {
                    EXPECT_TRUE(kernelsAgree(threads))
                        << free << " free, " << hd[0] << " halo, " << hd[1] << " disk, hole "
                        << hole << ", " << threads << " threads";
                }
            }
        }
    }
}

// Counts around the vector widths, the blocks and the tiles the threads share.
TEST_P(FastKernelPath, MatchesTheReferenceAroundEveryVectorAndTileEdge) {
    for (int free = 4; free <= 100; ++free) {
        scatterBodies(1000u + free, 3, 5, free, true);
        EXPECT_TRUE(kernelsAgree(2)) << free << " free stars";
    }
    scatterBodies(7, 3, 5, 193, true);
    EXPECT_TRUE(kernelsAgree(3)) << "193 free stars";
}

TEST_P(FastKernelPath, MatchesTheReferenceOnCoincidentAndBorderlinePositions) {
    scatterBodies(99, 2, 3, 140, true);
    placeAt(0, 3000.0f, 0.0f, 0.0f, 1.0e5f);    // halo
    placeAt(1, 0.0f, 0.0f, 0.0f, 1.0e5f);       // halo on the black hole and on star 5
    placeAt(2, -1000.0f, 0.0f, 0.0f, 1.0e5f);   // disk exactly softRadius from star 5
    placeAt(3, 1000.0f, 0.0f, 0.0f, 1.0e5f);    // disk exactly softRadius from the hole
    placeAt(5, 0.0f, 0.0f, 0.0f, 1.0e5f);       // free star at the origin
    placeAt(6, 1000.0f, 0.0f, 0.0f, 2.0e5f);    // softRadius from star 5
    placeAt(7, 1000.0f, 0.0f, 0.0f, 3.0e5f);    // on star 6
    placeAt(8, 600.0f, 800.0f, 0.0f, 1.0e5f);   // softRadius from star 5, off the axes
    placeAt(9, -0.0f, 0.0f, -0.0f, 1.0e5f);     // negative zeros on star 5
    placeAt(30, 1000.0f, 0.0f, 0.0f, 1.0e5f);   // in another vector, on star 6
    placeAt(44, 0.0f, 0.0f, 1000.0f, 1.0e5f);   // softRadius from star 5
    placeAt(120, 1000.0f, 0.0f, 0.0f, 1.0e5f);  // tiles away, on star 6
    placeAt(131, 0.0f, 0.0f, 0.0f, 1.0e5f);     // tiles away, on star 5
    placeAt(144, 0.0f, 0.0f, 1000.0f, 1.0e5f);  // the last star, softRadius from star 5
    body(5).vx = -0.0f;
    body(9).vy = -0.0f;
    for (int threads : {1, 2}) EXPECT_TRUE(kernelsAgree(threads)) << threads << " threads";
}

// Galaxies where nothing pulls: star mass 0 and no black hole, so every k is
// a zero and only the signs of the zeros tell the kernels apart; small views
// put many stars on shared rows and columns.
TEST_P(FastKernelPath, MatchesTheReferenceOnStillGalaxies) {
    const int views[][2] = {{5, 5}, {7, 3}, {16, 9}};
    for (const char* free : {"5", "10", "30", "50", "200"}) {
        for (const auto& view : views) {
            for (unsigned seed = 1; seed <= 6; ++seed) {
                useView(view[0], view[1]);
                ASSERT_TRUE(
                    makeGalaxy({view[0],
                                view[1],
                                seed,
                                {free, seed % 2 ? "0" : "10", seed % 3 ? "0" : "5", "0", "0"}}));
                for (int threads : {1, 2, 3}) {
                    ASSERT_TRUE(kernelsAgree(threads))
                        << free << " free, view " << view[0] << "x" << view[1] << ", seed " << seed
                        << ", " << threads << " threads";
                }
            }
        }
    }
}

TEST_P(FastKernelPath, MatchesTheReferenceWithNonFiniteCoordinates) {
    scatterBodies(5, 4, 6, 30, true);
    body(3).x = std::numeric_limits<float>::infinity();    // halo
    body(8).z = -std::numeric_limits<float>::infinity();   // disk
    body(12).x = std::numeric_limits<float>::quiet_NaN();  // free star
    body(21).y = std::numeric_limits<float>::infinity();   // free star
    EXPECT_TRUE(kernelsAgree(2, true));

    // A whole step respawns every body that became non-finite, through the
    // same draws of the generator, and then every bit agrees.
    const std::vector<Body> start = bodiesNow();
    seedRandom(11);
    const StepResult reference = stepWith(ForceKernel::Reference, 1);
    restoreBodies(start);
    seedRandom(11);
    const StepResult fast = stepWith(ForceKernel::Fast, 1);
    EXPECT_EQ(reference.random, fast.random);
    EXPECT_TRUE(sameBits(reference.bodies, fast.bodies));
    for (const Body& b : fast.bodies) ASSERT_TRUE(std::isfinite(b.x) && std::isfinite(b.vx));
}

TEST_P(FastKernelPath, MatchesTheReferenceOverStepsOfAGalaxyMadeByRun) {
    makeRunGalaxy("100", "50", "30");
    const std::vector<Body> start = bodiesNow();
    const StepResult reference = stepWith(ForceKernel::Reference, 5);
    makeRunGalaxy("100", "50", "30");
    ASSERT_TRUE(sameBits(start, bodiesNow()));
    const StepResult fast = stepWith(ForceKernel::Fast, 5);
    EXPECT_TRUE(sameBits(reference.bodies, fast.bodies));
    EXPECT_EQ(reference.random, fast.random);
    EXPECT_TRUE(reference.pixels == fast.pixels);
}

TEST_P(FastKernelPath, GivesTheSameBitsWithAnyNumberOfThreads) {
    std::vector<Body> oneThread;
    for (int threads : {1, 2, 3, 4}) {
        makeRunGalaxy("200", "100", "100");
        setKernelThreads(threads);
        const StepResult result = stepWith(ForceKernel::Fast, 3);
        if (threads == 1) {
            oneThread = result.bodies;
        } else {
            EXPECT_TRUE(sameBits(oneThread, result.bodies)) << threads << " threads";
        }
    }
}

TEST_P(FastKernelPath, ReportsThePathItRuns) {
    EXPECT_STREQ(fastKernelSimd(), simdLevelName(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(EveryPath, FastKernelPath,
                         ::testing::Values(SimdLevel::Scalar, SimdLevel::Avx2, SimdLevel::Avx512),
                         [](const auto& info) { return std::string(simdLevelName(info.param)); });

}  // namespace
}  // namespace corvane

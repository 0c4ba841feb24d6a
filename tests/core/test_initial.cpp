#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "core/random.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/rotation.h"
#include "world_fixture.h"

namespace corvane {
namespace {

class Placement : public WorldTest {
  protected:
    // Makes a galaxy of the given counts from `seed` with the other settings
    // at the panel defaults except those already selected.
    void makeGalaxy(std::string_view free, std::string_view disk, std::string_view halo,
                    std::uint32_t seed) {
        ASSERT_TRUE(
            corvane::makeGalaxy({gView.viewWidth, gView.viewHeight, seed, {free, disk, halo}}));
    }
    double dots(float metres) const { return metres / static_cast<double>(gParams.scale); }
    double radiusDots(const Body& b) const {
        return std::sqrt(dots(b.x) * dots(b.x) + dots(b.y) * dots(b.y) + dots(b.z) * dots(b.z));
    }
};

TEST_F(Placement, EveryBodyLiesInTheBoxAndTheAcceptanceRadius) {
    select(kComboBlackHole, "1.0e10");
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        makeGalaxy("100", "100", "100", seed);
        for (int i = 0; i < gParams.bodyCount; ++i) {
            const Body& b = body(i);
            // 80 % of 800 x 600 is x in [-320, 319] and y in [-240, 239], plus
            // the index fraction below one dot.
            ASSERT_GE(dots(b.x), -320.0 - 1e-3) << i;
            ASSERT_LT(dots(b.x), 320.0 + 1e-3) << i;
            ASSERT_GE(dots(b.y), -240.0 - 1e-3) << i;
            ASSERT_LT(dots(b.y), 240.0) << i;
            ASSERT_LE(radiusDots(b), 240.0 + 1.0) << i;  // 0.8 x 0.5 x 600
            ASSERT_GE(radiusDots(b), std::sqrt(2.0) - 1e-6) << i;
        }
    }
}

TEST_F(Placement, HaloAtRestDiskOnExactCircularOrbitsFreeStarsNearlyCircular) {
    select(kComboBlackHole, "1.0e10");
    makeGalaxy("200", "200", "200", 42);
    const double mu =
        static_cast<double>(gravConst) * gParams.blackHoleMass * gParams.timeStep * gParams.scale;
    for (int i = 0; i < gParams.bodyCount; ++i) {
        const Body& b = body(i);
        const double r = std::sqrt(double(b.x) * b.x + double(b.y) * b.y + double(b.z) * b.z);
        const double speed = std::hypot(b.vx, b.vy);
        if (i < gParams.haloCount) {
            ASSERT_EQ(b.vx, 0.0f);
            ASSERT_EQ(b.vy, 0.0f);
            ASSERT_EQ(b.vz, 0.0f);
        } else if (i < gParams.diskEnd) {
            ASSERT_EQ(b.z, 0.0f);
            ASSERT_EQ(b.vz, 0.0f);
            ASSERT_NEAR(speed, std::sqrt(mu / r), 1e-5 * speed) << i;
            ASSERT_NEAR(b.x * double(b.vx) + b.y * double(b.vy), 0.0, 1e-5 * r * speed) << i;
            ASSERT_GT(b.x * double(b.vy) - b.y * double(b.vx), 0.0);  // clockwise on the screen
        } else {
            // The orbit lies in the screen plane; a bulge star's own depth
            // makes r larger than its planar distance.
            const double circular = std::sqrt(mu / r) * std::hypot(b.x, b.y) / r;
            ASSERT_GE(speed, 0.9901 * circular * (1 - 1e-6)) << i;
            ASSERT_LE(speed, 1.01 * circular * (1 + 1e-6)) << i;
        }
    }
}

TEST_F(Placement, CandidateCoordinatesUseTheFloatBoxFraction) {
    // With centreX 400 a coordinate is k - 400 x (double)0.8f = k - 320.0000047...
    select(kComboScale, "1");
    select(kComboFreeStars, "0");
    select(kComboDisk, "5");
    readParams();
    gParams.bodyCount = 1;  // index 0 of 1: no index fraction
    gParams.haloCount = 0;
    gParams.diskEnd = 1;
    const double offset = 400.0 * static_cast<double>(0.8f);
    int fractional = 0;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        seedRandom(seed);
        placeBody(0);
        const double k = std::round(body(0).x + offset);
        ASSERT_EQ(body(0).x, static_cast<float>(k - offset));
        fractional += body(0).x != std::round(body(0).x);
    }
    EXPECT_GT(fractional, 0);
}

TEST_F(Placement, SmallViewBoxAndRadii) {
    // A 100 x 100 view: acceptance radius 40 dots.
    useView(100, 100);
    select(kComboScale, "1");
    makeGalaxy("0", "5000", "0", 3);
    for (int i = 0; i < gParams.bodyCount; ++i) ASSERT_LE(radiusDots(body(i)), 40.0 + 1.0);

    // A tall view 100 wide: the box is 80 dots wide, from -40 to +39 before
    // the index fraction, and the radius (400 dots) rejects none of it.
    useView(100, 1000);
    makeGalaxy("0", "5000", "0", 3);
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i < gParams.bodyCount; ++i) {
        const double candidate = body(i).x - static_cast<double>(i) / gParams.bodyCount;
        lowest = std::min(lowest, candidate);
        highest = std::max(highest, candidate);
    }
    EXPECT_NEAR(lowest, -40.0, 1e-3);
    EXPECT_NEAR(highest, 39.0, 1e-3);
}

TEST_F(Placement, LayoutsGiveTheirDepths) {
    select(kComboLayout, "銀河状");
    makeGalaxy("2000", "0", "0", 5);
    int bulgeStars = 0;
    for (int i = 0; i < gParams.bodyCount; ++i) {
        const Body& b = body(i);
        const double planar = std::hypot(dots(b.x), dots(b.y));
        if (planar >= 600 / 8 + 1) {
            ASSERT_EQ(b.z, 0.0f) << i;
        }
        ASSERT_GE(dots(b.z), -300 / 8);
        ASSERT_LT(dots(b.z), 600 / 8 - 300 / 8);
        bulgeStars += b.z != 0.0f;
    }
    EXPECT_GT(bulgeStars, 0);

    select(kComboLayout, "円盤厚");
    makeGalaxy("2000", "0", "0", 5);
    std::set<float> depths;
    for (int i = 0; i < gParams.bodyCount; ++i) depths.insert(static_cast<float>(dots(body(i).z)));
    EXPECT_EQ(depths.size(), 30u);
    EXPECT_EQ(*depths.begin(), -15.0f);
    EXPECT_EQ(*depths.rbegin(), 14.0f);

    // Layout 3 draws a free star's depth along the width, a halo body's
    // along the height: in an 800 x 200 view only free stars go deeper than 80 dots.
    useView(800, 200);
    select(kComboLayout, "球");
    makeGalaxy("2000", "0", "2000", 5);
    double haloDeepest = 0, starDeepest = 0;
    for (int i = 0; i < gParams.bodyCount; ++i) {
        double& deepest = i < gParams.haloCount ? haloDeepest : starDeepest;
        deepest = std::max(deepest, std::fabs(dots(body(i).z)));
    }
    EXPECT_LE(haloDeepest, 80.0 + 1e-3);
    EXPECT_GT(starDeepest, 80.0);
}

TEST_F(Placement, MassModes) {
    select(kComboStarMass, "1");
    makeGalaxy("2000", "0", "0", 9);
    std::set<float> masses;
    for (int i = 0; i < gParams.bodyCount; ++i) masses.insert(bodyMass(i));
    EXPECT_EQ(masses, (std::set<float>{10.0f, 100.0f, 1000.0f, 10000.0f, 100000.0f}));

    select(kComboMassMode, "均等");
    makeGalaxy("2000", "0", "0", 9);
    for (int i = 0; i < gParams.bodyCount; ++i) ASSERT_EQ(bodyMass(i), 1.0f);

    select(kComboMassMode, "ｆ／１");
    makeGalaxy("5000", "5000", "5000", 9);
    masses.clear();
    for (int i = 0; i < gParams.bodyCount; ++i) masses.insert(bodyMass(i));
    EXPECT_EQ(masses, (std::set<float>{100.0f, 1000.0f, 10000.0f, 1000000.0f}));
}

TEST_F(Placement, SameSeedSameGalaxyBitForBit) {
    select(kComboBlackHole, "1.0e10");
    makeGalaxy("500", "300", "200", 77);
    std::vector<Body> first(gBodyTable.bodies, gBodyTable.bodies + gParams.bodyCount);
    std::vector<float> firstMasses(gBodyTable.bodyMasses,
                                   gBodyTable.bodyMasses + gParams.bodyCount);
    makeGalaxy("500", "300", "200", 77);
    EXPECT_EQ(std::memcmp(first.data(), gBodyTable.bodies, first.size() * sizeof(Body)), 0);
    EXPECT_EQ(
        std::memcmp(firstMasses.data(), gBodyTable.bodyMasses, firstMasses.size() * sizeof(float)),
        0);
    makeGalaxy("500", "300", "200", 78);
    EXPECT_NE(std::memcmp(first.data(), gBodyTable.bodies, first.size() * sizeof(Body)), 0);
}

TEST_F(Placement, NewBodiesTakeTheAccumulatedViewTurn) {
    select(kComboBlackHole, "1.0e10");
    makeGalaxy("10", "10", "10", 4);
    gView.yawAngle = 0.5f;
    gView.pitchAngle = -0.25f;
    seedRandom(8);
    placeBody(25);
    const Body turned = body(25);

    gView.yawAngle = 0.0f;
    gView.pitchAngle = 0.0f;
    seedRandom(8);
    placeBody(25);
    EXPECT_NE(body(25).z, turned.z);
    rotateBody(25, 0.5f, -0.25f);
    const Body& b = body(25);
    EXPECT_EQ(b.x, turned.x);
    EXPECT_EQ(b.y, turned.y);
    EXPECT_EQ(b.z, turned.z);
    EXPECT_EQ(b.vx, turned.vx);
    EXPECT_EQ(b.vy, turned.vy);
    EXPECT_EQ(b.vz, turned.vz);
}

TEST_F(Placement, ResetShowsACountdownThenTheGalaxy) {
    makeGalaxy("30", "0", "0", 1);
    EXPECT_EQ(surface.textCount(), 30);
    EXPECT_EQ(surface.lastText(), " 0 \u3000");
    EXPECT_GE(surface.fillCount(), 1);
    EXPECT_GT(surface.litPixelCount(), 0);
    EXPECT_LE(surface.litPixelCount(), 30);

    makeGalaxy("0", "0", "0", 1);
    EXPECT_EQ(surface.textCount(), 30);  // no countdown for no bodies
    EXPECT_EQ(surface.litPixelCount(), 0);
}

TEST_F(Placement, ABodyOnTheCentreGetsNoSpeedAndKeepsItsDraws) {
    useView(1, 1);
    select(kComboBlackHole, "1.0e10");
    select(kComboLayout, "円盤薄");
    readParams();
    gParams.bodyCount = 1;
    gParams.haloCount = gParams.diskEnd = 0;
    seedRandom(11);
    placeBody(0);
    EXPECT_EQ(body(0).vx, 0.0f);
    EXPECT_EQ(body(0).vy, 0.0f);
    EXPECT_TRUE(std::isfinite(body(0).x));
    // No coordinate draws in a 1 x 1 view, but both velocity-change draws.
    const std::uint64_t after = gRandom.state;
    seedRandom(11);
    nextRandom();
    nextRandom();
    EXPECT_EQ(after, gRandom.state);
}

}  // namespace
}  // namespace corvane

// Parameters read from the selections, the projection of a body, the view's
// turn and the placement of a new galaxy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "core/random.h"
#include "sim/display.h"
#include "sim/initial.h"
#include "sim/params.h"
#include "sim/rotation.h"
#include "world_fixture.h"

namespace corvane {
namespace {

using World = WorldTest;

// Counts truncate and stay within 0 .. 5000, the populations follow one
// another, mode texts that match nothing keep their values, and the black
// hole pulls as hard on both sides of the near-zone radius of the scale just
// read (10 km at 1000), whatever the radius was before.
TEST_F(World, ReadsTheParameters) {
    const std::pair<const char*, int> counts[] = {{"2.9", 2}, {"", 0}, {"-5", 0}, {"1e300", 5000}};
    for (const auto& [text, count] : counts) EXPECT_EQ(countFromText(text), count) << text;
    select(kComboDisk, "100");
    select(kComboHalo, "50");
    select(kComboBlackHole, "1.0e10");
    select(kComboScale, "1000");
    sim.params.softRadius = 1000.0f;
    sim.params.layoutMode = 2;
    sim.params.massMode = 2;
    selections.setSelectedIndex(kComboLayout, -1);  // nothing chosen reads ""
    readParams(sim, selectedTexts(selections));
    EXPECT_EQ(std::tuple(sim.params.haloCount, sim.params.diskEnd, sim.params.bodyCount,
                         sim.params.holeEnabled, sim.params.layoutMode, sim.params.massMode),
              std::tuple(50, 150, 180, 2, 2, 0));
    EXPECT_NEAR(sim.params.holeNear, sim.params.holeFar / 1e16, sim.params.holeNear * 1e-6);
    select(kComboFreeStars, "5000");
    EXPECT_EQ(sim.paramTexts[kComboFreeStars], "30");  // only a read changes them
    deriveCoefficients(sim, 0);
    EXPECT_EQ(sim.params.softRadius, 10000.0f);
}

// A 640 x 480 view, centre (320, 240), at 100 m per dot: the pixel is
// truncated toward zero, dropped off the view, far or not finite; in stereo
// a pair 40 - z / divisor dots either side, a divisor of 0 taken as 15.
TEST_F(World, ProjectsABody) {
    useView(640, 480);
    sim.params.scale = 100.0f;
    sim.params.bodyCount = 3;
    const struct {
        float x, y, z;
        int stereo, divisor, lit, column[2], row;
    } cases[] = {
        // clang-format off
        {1000, -2000, 0, 0, 15, 1, {330}, 220}, {1000, -2000, 1500, 1, 15, 2, {291, 369}, 220},
        {1000, -2000, 1500, 1, 0, 2, {291, 369}, 220}, {-32070, 0, 0, 0, 15, 1, {0}, 240},
        {-32120, 0, 0, 0, 15, 0, {}, 0}, {3.0e38f, 0, 0, 0, 15, 0, {}, 0},
        {NAN, 0, 0, 0, 15, 0, {}, 0}, {-INFINITY, 0, 0, 1, 15, 0, {}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        surface.fillBlack();
        sim.body(2) = Body{c.x, c.y, c.z, 0, 0, 0, 0, 0};
        view.stereoOn = c.stereo;
        view.depthDivisor = c.divisor;
        showBody(sim, view, surface, 2, kStarColour);
        EXPECT_EQ(surface.litPixelCount(), c.lit) << c.x;
        for (int i = 0; i < c.lit; ++i) EXPECT_EQ(surface.pixel(c.column[i], c.row), kStarColour);
    }
}

// 200 pixels a radian: right turns about the vertical axis, down about the
// horizontal one, yaw before pitch, each body erased and plotted again; the
// totals wrap once at a full turn, so one event of 15 rad stays above 2 pi.
TEST_F(World, DraggingTurnsEveryBody) {
    sim.params.bodyCount = 3;
    sim.params.scale = 100.0f;
    sim.body(0) = Body{1000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    sim.body(1) = Body{0.0f, 2000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    sim.body(2) = Body{-700.5f, 1234.25f, 333.0f, 0.0f, 1.5f, -2.25f, 0.125f, 0.0f};
    const std::vector<Body> before(sim.table.bodies, sim.table.bodies + 3);
    dragRotate(sim, view, 0, 0);
    EXPECT_EQ(std::memcmp(before.data(), sim.table.bodies, 3 * sizeof(Body)), 0);
    EXPECT_EQ(surface.pixel(410, 300), kStarColour);
    dragRotate(sim, view, 100, 0);  // 0.5 rad of yaw
    EXPECT_NEAR(sim.body(0).x, 1000.0 * std::cos(0.5), 1e-3);
    EXPECT_NEAR(sim.body(0).z, 1000.0 * std::sin(0.5), 1e-3);
    EXPECT_NEAR(sim.body(2).x, -700.5 * std::cos(0.5) - 333.0 * std::sin(0.5), 1e-3);
    EXPECT_EQ(surface.pixel(410, 300), 0u);
    EXPECT_EQ(surface.litPixelCount(), 3);
    dragRotate(sim, view, 100, 40);  // 0.2 rad of pitch
    EXPECT_NEAR(sim.body(1).y, 2000.0 * std::cos(0.2), 1e-3);
    EXPECT_NEAR(sim.body(1).z, 2000.0 * std::sin(0.2), 1e-3);
    EXPECT_NEAR(sim.body(0).y, -1000.0 * std::sin(0.5) * std::sin(0.2), 1e-3);  // its depth pitches
    EXPECT_FLOAT_EQ(view.yawAngle, 0.5f);
    EXPECT_FLOAT_EQ(view.pitchAngle, 0.2f);
    EXPECT_EQ(std::pair(view.lastMouseX, view.lastMouseY), std::pair(100, 40));
    EXPECT_NE(sim.body(2).vx, before[2].vx);  // velocities turn too
    const Body turned = sim.body(2);
    sim.body(2) = before[2];
    rotateBody(sim, 2, 0.5f, 0.2f);
    EXPECT_EQ(std::memcmp(&turned, &sim.body(2), sizeof(Body)), 0);

    const float fullTurn = static_cast<float>(2.0 * kPi);
    view.yawAngle = fullTurn - 0.5f;
    view.pitchAngle = -fullTurn + 0.2f;
    dragRotate(sim, view, 200, 0);  // +0.5 rad of yaw and -0.2 of pitch reach 2 pi and -2 pi
    EXPECT_NEAR(view.yawAngle, 0.0f, 1e-6);
    EXPECT_NEAR(view.pitchAngle, 0.0f, 1e-6);
    dragRotate(sim, view, 3200, 0);
    EXPECT_NEAR(view.yawAngle, 15.0 - 2.0 * kPi, 1e-5);
}

// Galaxies of every population, in views wide, small and tall: each body in
// the middle 80 % of the view (plus its index fraction below a dot), within
// 0.4 x the height of the centre and at least sqrt 2 dots from it; halo bodies
// at rest, disk bodies on exact circular orbits clockwise on the screen in the
// screen plane, free stars within 1 % of the circular speed.
TEST_F(World, NewGalaxiesKeepThePlacementInvariants) {
    const int views[][2] = {{800, 600}, {100, 100}, {100, 1000}};
    for (const auto& [width, height] : views) {
        for (std::uint32_t seed = 1; seed <= 6; ++seed) {
            useView(width, height);
            const char* layout = seed % 2 ? "銀河状" : "球";
            ASSERT_TRUE(make(
                {width, height, seed, {"100", "100", "100", "1.0e10", "", "", "", "", layout}}));
            const double s = sim.params.scale, radius = 0.4 * height;
            const double mu =
                gravConst * double(sim.params.blackHoleMass) * sim.params.timeStep * s;
            for (int i = 0; i < sim.params.bodyCount; ++i) {
                const Body& b = sim.body(i);
                const double r =
                    std::sqrt(double(b.x) * b.x + double(b.y) * b.y + double(b.z) * b.z);
                const double planar = std::hypot(b.x, b.y), speed = std::hypot(b.vx, b.vy);
                ASSERT_TRUE(b.x / s >= -0.4 * width - 1e-3 && b.x / s < 0.4 * width + 1e-3) << i;
                ASSERT_TRUE(b.y / s >= -radius - 1e-3 && b.y / s < radius) << i;
                ASSERT_TRUE(r / s <= radius + 1.0 && r / s >= std::sqrt(2.0) - 1e-6) << i;
                if (i < sim.params.haloCount) {
                    ASSERT_TRUE(b.vx == 0.0f && b.vy == 0.0f && b.vz == 0.0f) << i;
                } else if (i < sim.params.diskEnd) {
                    ASSERT_TRUE(b.z == 0.0f && b.vz == 0.0f) << i;
                    ASSERT_NEAR(speed, std::sqrt(mu / r), 1e-5 * speed) << i;
                    ASSERT_NEAR(b.x * double(b.vx) + b.y * double(b.vy), 0.0, 1e-5 * r * speed);
                    ASSERT_GT(b.x * double(b.vy) - b.y * double(b.vx), 0.0) << i;
                } else {
                    const double circular = std::sqrt(mu / r) * planar / r;
                    ASSERT_GE(speed, 0.9901 * circular * (1 - 1e-6)) << i;
                    ASSERT_LE(speed, 1.01 * circular * (1 + 1e-6)) << i;
                }
            }
        }
    }
}

// A countdown while the bodies are placed, none for no bodies; a view turned
// so far turns each new body with it; a body on the centre of a 1 x 1 view
// gets no speed and still uses both velocity-change draws.
TEST_F(World, PlacementShowsACountdownFollowsTheTurnAndSparesTheCentre) {
    ASSERT_TRUE(make({800, 600, 1, {"30", "0", "0", "1.0e10"}}));
    EXPECT_EQ(surface.textCount(), 30);
    EXPECT_EQ(surface.lastText(), " 0 \u3000");
    EXPECT_GT(surface.litPixelCount(), 0);
    ASSERT_TRUE(make({800, 600, 1, {"0"}}));
    EXPECT_EQ(surface.textCount(), 30);
    EXPECT_EQ(surface.litPixelCount(), 0);

    sim.params.bodyCount = 30;
    view.yawAngle = 0.5f;
    view.pitchAngle = -0.25f;
    seedRandom(sim.random, 8);
    placeBody(sim, view, 25);
    const Body turned = sim.body(25);
    view.yawAngle = view.pitchAngle = 0.0f;
    seedRandom(sim.random, 8);
    placeBody(sim, view, 25);
    rotateBody(sim, 25, 0.5f, -0.25f);
    EXPECT_EQ(std::memcmp(&turned, &sim.body(25), sizeof(Body)), 0);

    useView(1, 1);
    sim.params.bodyCount = 1;
    seedRandom(sim.random, 11);
    placeBody(sim, view, 0);
    EXPECT_TRUE(sim.body(0).vx == 0.0f && sim.body(0).vy == 0.0f && std::isfinite(sim.body(0).x));
    const std::uint64_t after = sim.random.state;
    seedRandom(sim.random, 11);
    nextRandom(sim.random);
    nextRandom(sim.random);
    EXPECT_EQ(after, sim.random.state);
}

}  // namespace
}  // namespace corvane

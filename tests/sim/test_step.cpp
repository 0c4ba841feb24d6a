#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "core/random.h"
#include "sim/display.h"
#include "sim/galaxy_maker.h"
#include "sim/initial.h"
#include "sim/step.h"
#include "sim_fixture.h"

namespace corvane {
namespace {

class Step : public SimTest {
  protected:
    // One body of each population on the screen, all moving.
    void threeMovingBodies() {
        useUnits();
        usePopulations(1, 1, 1);
        placeAt(0, 1000.0f, 2000.0f, 0.0f, 1.0e5f);
        placeAt(1, -3000.0f, 0.0f, 0.0f, 1.0e5f);
        placeAt(2, 5000.0f, -1000.0f, 0.0f, 1.0e5f);
        for (int i = 1; i < 3; ++i) body(i).vy = 300.0f;
    }
};

TEST_F(Step, SkipFrameOnlyClearsTheFlag) {
    threeMovingBodies();
    redrawAll(surface);
    gRun.skipFrame = 1;
    gRun.frameCount = 5;
    const std::vector<Body> before = bodiesNow();
    const std::vector<Colour> picture = surface.pixels();
    stepSimulation();
    EXPECT_EQ(gRun.skipFrame, 0);
    EXPECT_EQ(gRun.frameCount, 5);
    EXPECT_TRUE(sameBits(before, bodiesNow()));
    EXPECT_TRUE(picture == surface.pixels());
}

TEST_F(Step, WhileDraggingEveryBodyIsPlottedInItsColourAndNothingMoves) {
    threeMovingBodies();
    gRun.dragging = 1;
    const std::vector<Body> before = bodiesNow();
    stepSimulation();
    EXPECT_EQ(gRun.frameCount, 1);
    EXPECT_TRUE(sameBits(before, bodiesNow()));
    EXPECT_EQ(surface.pixel(410, 320), kHaloColour);
    EXPECT_EQ(surface.pixel(370, 300), kDiskColour);
    EXPECT_EQ(surface.pixel(450, 290), kStarColour);
    EXPECT_EQ(surface.litPixelCount(), 3);
}

TEST_F(Step, WithoutBodiesOnlyTheStepIsCounted) {
    usePopulations(0, 0, 0);
    stepSimulation();
    EXPECT_EQ(gRun.frameCount, 1);
    EXPECT_EQ(surface.litPixelCount(), 0);
    EXPECT_EQ(surface.fillCount(), 0);
}

TEST_F(Step, ABodyIsErasedMovedByItsNewVelocityAndPlottedAgain) {
    useUnits();
    useBlackHole();
    usePopulations(0, 1, 0);
    placeAt(0, 10000.0f, 0.0f, 0.0f, 1.0e5f);
    body(0).vy = 250.0f;
    showBody(surface, 0, kStarColour);
    ASSERT_EQ(surface.pixel(500, 300), kDiskColour);

    stepSimulation();
    const Body& b = body(0);
    EXPECT_NEAR(b.vx, -6.673e6f / 1.0e8f, 1e-6f);  // the black hole, before the move
    EXPECT_EQ(b.x, static_cast<float>(10000.0 + b.vx));
    EXPECT_EQ(b.y, 250.0f);
    EXPECT_EQ(surface.pixel(500, 300), 0u);
    EXPECT_EQ(surface.pixel(499, 302), kDiskColour);
    EXPECT_EQ(surface.litPixelCount(), 1);
}

// Halo bodies at rest on either side of the box walls: the view is 800 x 600,
// so the box is |sx| < 500, |sy| < 400 and |sz| < 500 dots.
TEST_F(Step, BodiesOnOrBeyondTheBoxWallAreRespawnedAndThoseInsideStay) {
    struct Case {
        float x, y, z;
        bool respawned;
    };
    const Case cases[] = {
        {50000.0f, 0.0f, 0.0f, true},
        {49950.0f, 0.0f, 0.0f, false},
        {-50000.0f, 0.0f, 0.0f, true},
        {-49950.0f, 0.0f, 0.0f, false},
        {0.0f, 40000.0f, 0.0f, true},
        {0.0f, -39950.0f, 0.0f, false},
        {0.0f, 0.0f, 50000.0f, true},
        {0.0f, 0.0f, -49950.0f, false},
        {std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f, true},
    };
    const int count = static_cast<int>(std::size(cases));
    useUnits();
    usePopulations(count, 0, 0);
    for (int i = 0; i < count; ++i) placeAt(i, cases[i].x, cases[i].y, cases[i].z, 1.0e5f);
    stepSimulation();
    for (int i = 0; i < count; ++i) {
        const Body& b = body(i);
        const bool moved = !(b.x == cases[i].x && b.y == cases[i].y && b.z == cases[i].z);
        EXPECT_EQ(moved, cases[i].respawned) << "case " << i;
        EXPECT_TRUE(std::isfinite(b.x)) << "case " << i;
    }
}

TEST_F(Step, ARespawnedBodyKeepsMassAndCoefficientsAndIsDrawnByTheNextStep) {
    useUnits();
    usePopulations(0, 0, 1);
    placeAt(0, 50000.0f, 0.0f, 0.0f, 123456.0f);
    const Body before = body(0);
    stepSimulation();
    const Body after = body(0);
    ASSERT_NE(after.x, before.x);
    EXPECT_EQ(bodyMass(0), 123456.0f);
    EXPECT_EQ(after.farCoeff, before.farCoeff);
    EXPECT_EQ(after.nearCoeff, before.nearCoeff);
    EXPECT_EQ(surface.litPixelCount(), 0);

    stepSimulation();
    EXPECT_EQ(surface.litPixelCount(), 1);
}

TEST_F(Step, HaloBodiesNeverMove) {
    ASSERT_TRUE(
        makeGalaxy({gView.viewWidth, gView.viewHeight, 3, {"100", "100", "100", "1.0e10"}}));
    const std::vector<Body> start = bodiesNow();
    for (int step = 0; step < 20; ++step) stepSimulation();
    for (int i = 0; i < gParams.haloCount; ++i) {
        ASSERT_EQ(body(i).x, start[i].x) << "halo body " << i;
        ASSERT_EQ(body(i).y, start[i].y) << "halo body " << i;
        ASSERT_EQ(body(i).z, start[i].z) << "halo body " << i;
    }
    // The rest of the galaxy did move.
    EXPECT_NE(body(gParams.bodyCount - 1).x, start[gParams.bodyCount - 1].x);
}

// A disk body given the circular speed sqrt(holeFar / R) goes round the
// black hole and stays within a narrow band around R.
TEST_F(Step, DiskBodiesOnCircularOrbitsKeepTheirRadius) {
    useUnits();
    useBlackHole();
    const double radii[] = {10000.0, 15000.0, 20000.0, 25000.0};
    const int count = static_cast<int>(std::size(radii));
    usePopulations(0, count, 0);
    for (int i = 0; i < count; ++i) {
        const double angle = 0.7 * i;
        placeAt(i, static_cast<float>(radii[i] * std::cos(angle)),
                static_cast<float>(radii[i] * std::sin(angle)), 0.0f, 1.0e5f);
        const double speed = std::sqrt(gParams.holeFar / radii[i]);
        body(i).vx = static_cast<float>(-speed * std::sin(angle));
        body(i).vy = static_cast<float>(speed * std::cos(angle));
    }
    double farthestFromStart = 0.0;
    const float startX = body(0).x;
    const float startY = body(0).y;
    for (int step = 0; step < 3000; ++step) {
        stepSimulation();
        for (int i = 0; i < count; ++i) {
            const double r = std::hypot(body(i).x, body(i).y);
            ASSERT_NEAR(r / radii[i], 1.0, 0.01) << "body " << i << " at step " << step;
        }
        const double travelled = std::hypot(body(0).x - startX, body(0).y - startY);
        farthestFromStart = std::max(farthestFromStart, travelled);
    }
    EXPECT_GT(farthestFromStart, 1.9 * radii[0]);  // the inner body went round
}

}  // namespace
}  // namespace corvane

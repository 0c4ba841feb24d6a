#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "sim/params.h"
#include "sim/rotation.h"
#include "world_fixture.h"

namespace corvane {
namespace {

class Rotation : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        gParams.bodyCount = 3;
        body(0) = Body{1000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        body(1) = Body{0.0f, 2000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        body(2) = Body{-700.5f, 1234.25f, 333.0f, 0.0f, 1.5f, -2.25f, 0.125f, 0.0f};
    }
};

TEST_F(Rotation, DraggingRightTurnsAboutTheVerticalAxis) {
    gView.lastMouseX = 10;
    gView.lastMouseY = 10;
    dragRotate(110, 10);  // 100 pixels right: 0.5 rad of yaw
    EXPECT_NEAR(body(0).x, 1000.0 * std::cos(0.5), 1e-3);
    EXPECT_EQ(body(0).y, 0.0f);
    EXPECT_NEAR(body(0).z, 1000.0 * std::sin(0.5), 1e-3);
    EXPECT_FLOAT_EQ(gView.yawAngle, 0.5f);
    EXPECT_EQ(gView.pitchAngle, 0.0f);
    EXPECT_EQ(gView.lastMouseX, 110);
    EXPECT_EQ(gView.lastMouseY, 10);
}

TEST_F(Rotation, DraggingDownTurnsAboutTheHorizontalAxis) {
    dragRotate(0, 40);  // 0.2 rad of pitch
    EXPECT_NEAR(body(1).x, 0.0, 1e-9);
    EXPECT_NEAR(body(1).y, 2000.0 * std::cos(0.2), 1e-3);
    EXPECT_NEAR(body(1).z, 2000.0 * std::sin(0.2), 1e-3);
}

TEST_F(Rotation, YawComesBeforePitch) {
    Body yawFirst = body(0);
    rotateBody(0, 0.5f, 0.5f);
    yawFirst = body(0);
    body(0) = Body{1000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    rotateBody(0, 0.0f, 0.5f);
    rotateBody(0, 0.5f, 0.0f);  // pitch first, then yaw: another place
    EXPECT_GT(std::fabs(yawFirst.y - body(0).y), 1.0f);
}

TEST_F(Rotation, NoMovementChangesNothing) {
    std::vector<Body> before(gBodyTable.bodies, gBodyTable.bodies + 3);
    gView.lastMouseX = 50;
    gView.lastMouseY = 60;
    dragRotate(50, 60);
    EXPECT_EQ(std::memcmp(before.data(), gBodyTable.bodies, 3 * sizeof(Body)), 0);
    EXPECT_EQ(body(2).vx, 1.5f);
}

TEST_F(Rotation, ZeroVelocityStaysZero) {
    dragRotate(37, -12);
    EXPECT_EQ(body(0).vx, 0.0f);
    EXPECT_EQ(body(0).vy, 0.0f);
    EXPECT_EQ(body(0).vz, 0.0f);
}

TEST_F(Rotation, TotalsWrapOnceAtAFullTurn) {
    const float fullTurn = static_cast<float>(2.0 * kPi);
    gView.yawAngle = fullTurn - 0.5f;
    dragRotate(100, 0);  // +0.5 rad reaches 2 pi: wraps to about 0
    EXPECT_NEAR(gView.yawAngle, 0.0f, 1e-6);

    gView.lastMouseX = 0;
    gView.yawAngle = 0.0f;
    gView.pitchAngle = -fullTurn + 0.5f;
    gView.lastMouseY = 100;
    dragRotate(0, 0);  // -0.5 rad of pitch reaches -2 pi
    EXPECT_NEAR(gView.pitchAngle, 0.0f, 1e-6);

    // One event of 3000 pixels is 15 rad: a single wrap leaves it above 2 pi.
    gView.lastMouseX = 0;
    gView.yawAngle = 0.0f;
    dragRotate(3000, 0);
    EXPECT_NEAR(gView.yawAngle, 15.0 - 2.0 * kPi, 1e-5);
}

TEST_F(Rotation, ErasesAndReplotsEveryBody) {
    gParams.bodyCount = 1;
    gParams.scale = 100.0f;
    setViewGeometry(800, 600);
    surface.setPixel(410, 300, 0x123456);  // where body 0 is drawn now
    dragRotate(0, 0);
    EXPECT_EQ(surface.pixel(410, 300), gView.starColour);

    gView.lastMouseX = 0;
    dragRotate(314, 0);  // about half a turn: the body moves to the left side
    EXPECT_EQ(surface.pixel(410, 300), 0u);
    EXPECT_EQ(surface.litPixelCount(), 1);
}

TEST_F(Rotation, WithNoBodiesOnlyTheTotalsMove) {
    gParams.bodyCount = 0;
    std::vector<Body> before(gBodyTable.bodies, gBodyTable.bodies + 3);
    dragRotate(20, 40);
    EXPECT_EQ(std::memcmp(before.data(), gBodyTable.bodies, 3 * sizeof(Body)), 0);
    EXPECT_FLOAT_EQ(gView.yawAngle, 0.1f);
    EXPECT_FLOAT_EQ(gView.pitchAngle, 0.2f);
    EXPECT_EQ(gView.lastMouseY, 40);
}

}  // namespace
}  // namespace corvane

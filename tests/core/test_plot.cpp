#include <gtest/gtest.h>

#include "sim/display.h"
#include "sim/params.h"
#include "world_fixture.h"

namespace corvane {
namespace {

class Plot : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        useView(640, 480);  // centre (320, 240)
        gParams.scale = 100.0f;
        gParams.haloCount = 1;
        gParams.diskEnd = 2;
        gParams.bodyCount = 3;
        for (int i = 0; i < 3; ++i) body(i) = Body{1000.0f, -2000.0f, 0.0f, 0, 0, 0, 0, 0};
    }
};

TEST_F(Plot, MonoProjection) {
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.pixel(330, 220), kStarColour);
    EXPECT_EQ(surface.litPixelCount(), 1);
}

TEST_F(Plot, StereoPair) {
    gView.stereoOn = 1;
    body(2).z = 1500.0f;  // zs 15, divisor 15: shift 1 toward the mono position
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.pixel(291, 220), kStarColour);
    EXPECT_EQ(surface.pixel(369, 220), kStarColour);
    EXPECT_EQ(surface.litPixelCount(), 2);
}

TEST_F(Plot, ZeroDepthDivisorIsTakenAsTheDefault) {
    gView.stereoOn = 1;
    gView.depthDivisor = 0;
    body(2).z = 1500.0f;
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.pixel(291, 220), kStarColour);
    EXPECT_EQ(surface.pixel(369, 220), kStarColour);
}

TEST_F(Plot, PopulationColoursAndErasing) {
    body(0).x = 0.0f;      // halo at column 320
    body(1).x = 10000.0f;  // disk at column 420
    showBody(surface, 0, 0x0000FF);
    showBody(surface, 1, 0x0000FF);
    showBody(surface, 2, 0x0000FF);
    EXPECT_EQ(surface.pixel(320, 220), kHaloColour);
    EXPECT_EQ(surface.pixel(420, 220), kDiskColour);
    EXPECT_EQ(surface.pixel(330, 220), 0x0000FFu);
    for (int i = 0; i < 3; ++i) showBody(surface, i, 0);
    EXPECT_EQ(surface.litPixelCount(), 0);
}

TEST_F(Plot, TruncatesTowardZeroAndClips) {
    body(2) = Body{-32070.0f, 0.0f, 0.0f, 0, 0, 0, 0, 0};  // column -0.7
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.pixel(0, 240), kStarColour);
    body(2).x = -32120.0f;  // column -1.2
    surface.fillBlack();
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.litPixelCount(), 0);
}

TEST_F(Plot, FarOrNonFiniteBodiesDrawNothing) {
    body(2).x = 3.0e38f;
    showBody(surface, 2, kStarColour);
    body(2).x = std::numeric_limits<float>::quiet_NaN();
    showBody(surface, 2, kStarColour);
    body(2).x = -std::numeric_limits<float>::infinity();
    showBody(surface, 2, kStarColour);
    EXPECT_EQ(surface.litPixelCount(), 0);
}

TEST_F(Plot, RedrawAllClearsAndPlotsEveryBody) {
    surface.setPixel(5, 5, 0xFFFFFF);
    redrawAll(surface);
    EXPECT_EQ(surface.pixel(5, 5), 0u);
    EXPECT_EQ(surface.pixel(330, 220), kStarColour);  // the highest index wins the pixel

    gParams.bodyCount = 0;
    redrawAll(surface);
    EXPECT_EQ(surface.litPixelCount(), 0);
}

}  // namespace
}  // namespace corvane

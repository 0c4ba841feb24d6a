#include <gtest/gtest.h>

#include "sim/params.h"
#include "world_fixture.h"

namespace corvane {
namespace {

using Params = WorldTest;

TEST_F(Params, PopulationRangesForMixedCounts) {
    select(kComboFreeStars, "30");
    select(kComboDisk, "100");
    select(kComboHalo, "50");
    readParams();
    EXPECT_EQ(gParams.haloCount, 50);
    EXPECT_EQ(gParams.diskEnd, 150);
    EXPECT_EQ(gParams.bodyCount, 180);
}

TEST_F(Params, AllCountsZero) {
    select(kComboFreeStars, "0");
    readParams();
    EXPECT_EQ(gParams.bodyCount, 0);
    EXPECT_EQ(gParams.diskEnd, 0);
    EXPECT_EQ(gParams.haloCount, 0);
}

TEST_F(Params, CountTextsTruncateAndEmptyGivesZero) {
    EXPECT_EQ(countFromText("2.9"), 2);
    EXPECT_EQ(countFromText(""), 0);
    EXPECT_EQ(countFromText("abc"), 0);
    EXPECT_EQ(countFromText("-5"), 0);
    EXPECT_EQ(countFromText("1e300"), 5000);  // never beyond the largest list entry
    EXPECT_EQ(realFromText("1.0e5"), 1.0e5f);
    EXPECT_EQ(realFromText("inf"), 0.0f);
}

TEST_F(Params, DerivedConstantsOfTheBlackHole) {
    select(kComboBlackHole, "1.0e10");
    readParams();  // speed 1.0e5, scale 100 by default
    EXPECT_EQ(gParams.holeEnabled, 2);
    EXPECT_NEAR(gParams.forceFactor, 6.673e-4, 1e-9);
    EXPECT_NEAR(gParams.holeFar, 6.673e6, 1.0);
    EXPECT_NEAR(gParams.holeNear, 6.673e-6, 1e-11);
    // The same strength on both sides of the near-zone radius.
    const double radius = softRadiusDots * gParams.scale;
    EXPECT_NEAR(gParams.holeFar / (radius * radius), gParams.holeNear * radius * radius, 1e-6);

    select(kComboBlackHole, "0");
    readParams();
    EXPECT_EQ(gParams.holeEnabled, 0);
    EXPECT_EQ(gParams.holeFar, 0.0f);
    EXPECT_EQ(gParams.holeNear, 0.0f);
}

TEST_F(Params, HoleNearFollowsTheNewScale) {
    // The near-zone radius left by the previous scale must not leak into
    // holeNear: with scale 1000 the radius is 10 000 m.
    gParams.softRadius = 1000.0f;
    select(kComboBlackHole, "1.0e10");
    select(kComboScale, "1000");
    readParams();
    const double radius = 10000.0;
    EXPECT_NEAR(gParams.holeNear, gParams.holeFar / (radius * radius * radius * radius),
                gParams.holeNear * 1e-6);
}

TEST_F(Params, CoefficientsOfOneBody) {
    readParams();
    bodyMass(3) = 1.0e5f;
    deriveCoefficients(3);
    EXPECT_NEAR(body(3).farCoeff, 66.73, 1e-3);
    EXPECT_NEAR(body(3).nearCoeff, -6.673e-11, 1e-15);
    EXPECT_EQ(gParams.softRadius, 1000.0f);
}

TEST_F(Params, UnmatchedModeTextsKeepTheirValues) {
    gParams.massMode = 2;
    gParams.layoutMode = 3;
    SelectionModel blank;  // a selection with nothing chosen reads ""
    blank.setSelectedIndex(kComboMassMode, -1);
    blank.setSelectedIndex(kComboLayout, -1);
    setPanelCombos(&blank);
    readParams();
    EXPECT_EQ(gParams.massMode, 2);
    EXPECT_EQ(gParams.layoutMode, 3);

    select(kComboMassMode, "均等");
    select(kComboLayout, "球");
    readParams();
    EXPECT_EQ(gParams.massMode, 1);
    EXPECT_EQ(gParams.layoutMode, 3);
}

TEST_F(Params, RemembersTheTextsItRead) {
    readParams();
    EXPECT_EQ(gParamTexts[kComboFreeStars], "30");
    EXPECT_EQ(gParamTexts[kComboMassMode], "オリジナル");
    select(kComboFreeStars, "5000");
    EXPECT_EQ(gParamTexts[kComboFreeStars], "30");  // only a read changes them
}

}  // namespace
}  // namespace corvane

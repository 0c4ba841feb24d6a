#include <gtest/gtest.h>

#include "cli_options.h"
#include "core/state.h"

namespace corvane::cli {
namespace {

TEST(CliOptions, ViewSizes) {
    ViewSize view = parseViewSize("640x480");
    EXPECT_EQ(view.width, 640);
    EXPECT_EQ(view.height, 480);
    EXPECT_EQ(parseViewSize("1X16384").height, 16384);
    for (const char* wrong : {"", "800", "x600", "800x", "0x600", "800x0", "-8x600", "+8x600",
                              "8 x600", "800x600x2", "16385x10", "99999999999x10", "axb"}) {
        EXPECT_THROW(parseViewSize(wrong), UsageError) << wrong;
    }
    applyViewSize({801, 601});
    EXPECT_EQ(gView.viewWidth, 801);
    EXPECT_EQ(gView.centreX, 400);
    EXPECT_EQ(gView.centreY, 300);
}

TEST(CliOptions, WholeNumbers) {
    EXPECT_EQ(parseUnsigned("--seed", "0"), 0u);
    EXPECT_EQ(parseUnsigned("--seed", "4294967295"), 4294967295u);
    for (const char* wrong : {"", "-1", "+1", " 1", "1.5", "4294967296", "12abc"}) {
        EXPECT_THROW(parseUnsigned("--seed", wrong), UsageError) << wrong;
    }
    try {
        parseUnsigned("--steps", "many");
        FAIL();
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("--steps"), std::string::npos);
    }
}

TEST(CliOptions, SelectionsByPrefixAndEnglishName) {
    EXPECT_EQ(selectionOptionIndex("--free"), kComboFreeStars);
    EXPECT_EQ(selectionOptionIndex("--layout"), kComboLayout);
    EXPECT_EQ(selectionOptionIndex("--seed"), -1);
    SelectionModel model;
    applySelection(model, kComboFreeStars, "10");
    EXPECT_EQ(model.selectedText(kComboFreeStars), "10");
    applySelection(model, kComboBlackHole, "1.0E1");
    EXPECT_EQ(model.selectedText(kComboBlackHole), "1.0e10");
    applySelection(model, kComboMassMode, "F1");
    EXPECT_EQ(model.selectedText(kComboMassMode), "ｆ／１");
    applySelection(model, kComboMassMode, "均");
    EXPECT_EQ(model.selectedText(kComboMassMode), "均等");
    applySelection(model, kComboLayout, "sphere");
    EXPECT_EQ(model.selectedText(kComboLayout), "球");
    applySelection(model, kComboLayout, "thick");
    EXPECT_EQ(model.selectedText(kComboLayout), "円盤厚");
    EXPECT_THROW(applySelection(model, kComboHalo, "7"), UsageError);
    EXPECT_THROW(applySelection(model, kComboHalo, ""), UsageError);
    EXPECT_THROW(applySelection(model, kComboScale, "0"), UsageError);
    EXPECT_THROW(applySelection(model, kComboLayout, "galaxies"), UsageError);
    EXPECT_EQ(model.selectedText(kComboHalo), "0") << "a failed option changes nothing";
}

}  // namespace
}  // namespace corvane::cli

#include <gtest/gtest.h>

#include "settings/panel_data.h"
#include "settings/selections.h"

namespace corvane {
namespace {

TEST(Selections, StartAtThePanelDefaults) {
    SelectionModel model;
    const char* expected[kComboCount] = {"30",    "0",   "0",          "0",     "1.0e5",
                                         "1.0e5", "100", "オリジナル", "銀河状"};
    for (int k = 0; k < kComboCount; ++k) EXPECT_EQ(model.selectedText(k), expected[k]) << k;
}

TEST(Selections, PrefixSelectsTheFirstEntryFromTheTop) {
    SelectionModel model;
    EXPECT_TRUE(model.selectByPrefix(kComboFreeStars, "10"));
    EXPECT_EQ(model.selectedText(kComboFreeStars), "10");  // not "100"
    EXPECT_TRUE(model.selectByPrefix(kComboFreeStars, "1"));
    EXPECT_EQ(model.selectedText(kComboFreeStars), "10");
    EXPECT_TRUE(model.selectByPrefix(kComboBlackHole, "1.0e1"));
    EXPECT_EQ(model.selectedText(kComboBlackHole), "1.0e10");
    EXPECT_TRUE(model.selectByPrefix(kComboStarMass, "1.0E5"));
    EXPECT_EQ(model.selectedText(kComboStarMass), "1.0e5");
    EXPECT_TRUE(model.selectByPrefix(kComboScale, "1"));
    EXPECT_EQ(model.selectedText(kComboScale), "1");
}

TEST(Selections, EveryEntryIsFoundByItsOwnText) {
    SelectionModel model;
    for (int k = 0; k < kComboCount; ++k) {
        EntryList entries = comboEntries(k);
        for (size_t i = 0; i < entries.size(); ++i) {
            ASSERT_TRUE(model.selectByPrefix(k, entries[i]));
            EXPECT_EQ(model.selectedIndex(k), static_cast<int>(i)) << entries[i];
        }
    }
}

TEST(Selections, NoMatchOrEmptyKeepsTheSelection) {
    SelectionModel model;
    model.setSelectedIndex(kComboHalo, 7);
    EXPECT_FALSE(model.selectByPrefix(kComboHalo, "7"));
    EXPECT_FALSE(model.selectByPrefix(kComboHalo, ""));
    EXPECT_FALSE(model.selectByPrefix(kComboHalo, "\xff\xfe"));  // not UTF-8
    EXPECT_EQ(model.selectedText(kComboHalo), "100");
}

TEST(Selections, ComparesCharactersAndFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(beginsWithFolded("オリジナル", "オリ"));
    EXPECT_FALSE(beginsWithFolded("オリジナル", "\xe3\x82"));  // half a character
    EXPECT_TRUE(beginsWithFolded("m/dot", "M/DOT"));
    EXPECT_FALSE(beginsWithFolded("ｆ／１", "Ｆ"));  // full-width letters are not folded
    SelectionModel model;
    EXPECT_TRUE(model.selectByPrefix(kComboMassMode, "ｆ"));
    EXPECT_EQ(model.selectedText(kComboMassMode), "ｆ／１");
}

TEST(PanelData, ScaleCannotBeZeroAndTheBlackHoleListSkipsTenToTheSixteenth) {
    for (auto entry : kScaleList) EXPECT_NE(entry, "0");
    EXPECT_EQ(kBlackHoleList.size(), 13u);
    EXPECT_EQ(kBlackHoleList[kBlackHoleList.size() - 2], "1.0e15");
    EXPECT_EQ(kBlackHoleList.back(), "1.0e17");
}

}  // namespace
}  // namespace corvane

// Number texts, the generator and the panel's selections: rules without a view.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "core/number_text.h"
#include "core/random.h"
#include "settings/panel_data.h"
#include "settings/selections.h"

namespace corvane {
namespace {

// The longest decimal number at the start, and the atoi rule.
TEST(NumberText, ReadsTheLongestPrefix) {
    // The text, its decimal value, and its integer value.
    const std::tuple<const char*, double, int> cases[] = {
        // clang-format off
        {"1.0e10", 1.0e10, 1}, {"  -2.5xyz", -2.5, -2}, {"+.5", 0.5, 0},
        {"7.", 7.0, 7}, {"3e", 3.0, 3}, {"3e+x", 3.0, 3},  // no exponent digits
        {"1.5E-3", 1.5e-3, 1}, {"12,34", 12.0, 12},  // the comma ends a scene field
        {"0x10", 0.0, 0}, {"inf", 0.0, 0}, {"-infinity", 0.0, 0},
        {"nan", 0.0, 0}, {"", 0.0, 0}, {".", 0.0, 0}, {"-", 0.0, 0},
        {" +15", 15.0, 15}, {"99999999999", 99999999999.0, 2147483647},
        {"-99999999999", -99999999999.0, -2147483647 - 1},
        // clang-format on
    };
    for (const auto& [text, decimal, integer] : cases) {
        EXPECT_EQ(parseDecimal(text), decimal) << text;
        EXPECT_EQ(parseInteger(text), integer) << text;
    }
}

// Values worked out from the definition: s <- s x 0x15A00004E35 + 1 (mod 2^64),
// result = upper half with the top bit cleared; the start state is 1, and
// seeding sets the low half to seed x 0x15A4E35 + 1 (mod 2^32), the high to 0.
TEST(Random, FollowsItsDefinition) {
    // The seed (-1: the start state), the state it gives, the first values.
    const std::tuple<long long, std::uint64_t, std::array<std::uint32_t, 3>> cases[] = {
        {-1, 1u, {346u, 13854878u, 1621890440u}},
        {1, 0x15A4E36u, {1410184549u, 672584604u, 1915668986u}},
        {12345, 0x3BC559CEu, {1220244142u, 1374406965u, 308141128u}},
    };
    RandomState generator;
    for (const auto& [seed, state, values] : cases) {
        for (int i = 0; i < 10; ++i) nextRandom(generator);
        if (seed < 0) {
            generator = RandomState{};
        } else {
            seedRandom(generator, static_cast<std::uint32_t>(seed));
        }
        EXPECT_EQ(generator.state, state) << seed;
        for (std::uint32_t value : values) EXPECT_EQ(nextRandom(generator), value) << seed;
    }
    seedRandom(generator, 0xFFFFFFFFu);
    for (int i = 0; i < 100000; ++i) ASSERT_LT(nextRandom(generator), 0x80000000u);
}

// The first entry from the top that begins with the prefix, characters
// compared whole and only ASCII letters folded; no match, an empty or a
// malformed prefix keeps the selection.
TEST(Selections, StartAtTheDefaultsAndFollowThePrefixRule) {
    SelectionModel model;
    const char* defaults[kComboCount] = {"30",    "0",   "0",          "0",     "1.0e5",
                                         "1.0e5", "100", "オリジナル", "銀河状"};
    for (int k = 0; k < kComboCount; ++k) EXPECT_EQ(model.selectedText(k), defaults[k]) << k;
    // The selection, the prefix, whether it matches, and the text selected after.
    const std::tuple<int, const char*, bool, const char*> cases[] = {
        // clang-format off
        {kComboFreeStars, "10", true, "10"}, {kComboFreeStars, "1", true, "10"},  // not "100"
        {kComboBlackHole, "1.0e1", true, "1.0e10"}, {kComboStarMass, "1.0E5", true, "1.0e5"},
        {kComboScale, "1", true, "1"}, {kComboMassMode, "ｆ", true, "ｆ／１"},
        {kComboMassMode, "オリ", true, "オリジナル"},
        {kComboMassMode, "\xe3\x82", false, "オリジナル"},  // half a character
        {kComboMassMode, "Ｆ", false, "オリジナル"},  // full-width letters are not folded
        {kComboHalo, "100", true, "100"}, {kComboHalo, "7", false, "100"},
        {kComboHalo, "", false, "100"}, {kComboHalo, "\xff\xfe", false, "100"},  // not UTF-8
        // clang-format on
    };
    for (const auto& [combo, prefix, found, selected] : cases) {
        EXPECT_EQ(model.selectByPrefix(combo, prefix), found) << prefix;
        EXPECT_EQ(model.selectedText(combo), selected) << prefix;
    }
    for (int k = 0; k < kComboCount; ++k) {
        EntryList entries = comboEntries(k);
        for (size_t i = 0; i < entries.size(); ++i) {
            ASSERT_TRUE(model.selectByPrefix(k, entries[i]));
            EXPECT_EQ(model.selectedIndex(k), static_cast<int>(i)) << entries[i];
        }
    }
    for (auto entry : kScaleList) EXPECT_NE(entry, "0");  // the scale divides every projection
}

}  // namespace
}  // namespace corvane

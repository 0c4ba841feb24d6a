#include <gtest/gtest.h>
#include <clocale>

#include "core/number_text.h"

namespace corvane {
namespace {

TEST(ParseDecimal, ReadsTheLongestDecimalPrefix) {
    EXPECT_EQ(parseDecimal("1.0e10"), 1.0e10);
    EXPECT_EQ(parseDecimal("  -2.5xyz"), -2.5);
    EXPECT_EQ(parseDecimal("+.5"), 0.5);
    EXPECT_EQ(parseDecimal("7."), 7.0);
    EXPECT_EQ(parseDecimal("3e"), 3.0);  // an exponent without digits is not part of it
    EXPECT_EQ(parseDecimal("3e+x"), 3.0);
    EXPECT_EQ(parseDecimal("1.5E-3"), 1.5e-3);
    EXPECT_EQ(parseDecimal("12,34"), 12.0);  // the comma ends a scene-file field
}

TEST(ParseDecimal, OnlyDecimalNumbers) {
    EXPECT_EQ(parseDecimal("inf"), 0.0);
    EXPECT_EQ(parseDecimal("nan"), 0.0);
    EXPECT_EQ(parseDecimal("-infinity"), 0.0);
    EXPECT_EQ(parseDecimal("0x10"), 0.0);  // stops after the 0
    EXPECT_EQ(parseDecimal(""), 0.0);
    EXPECT_EQ(parseDecimal("."), 0.0);
    EXPECT_EQ(parseDecimal("-"), 0.0);
    EXPECT_EQ(parseDecimal("abc"), 0.0);
}

TEST(ParseDecimal, IgnoresTheProcessLocale) {
    // The toolkit sets the locale from the environment; a comma locale must
    // not change how "1.5" reads.
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(parseDecimal("1.5"), 1.5);
    if (previous) std::setlocale(LC_NUMERIC, "C");
}

TEST(ParseInteger, FollowsTheAtoiRule) {
    EXPECT_EQ(parseInteger("  -8"), -8);
    EXPECT_EQ(parseInteger("1288px"), 1288);
    EXPECT_EQ(parseInteger("+15"), 15);
    EXPECT_EQ(parseInteger("abc"), 0);
    EXPECT_EQ(parseInteger(""), 0);
    EXPECT_EQ(parseInteger("2.9"), 2);
    EXPECT_EQ(parseInteger("99999999999"), 2147483647);
    EXPECT_EQ(parseInteger("-99999999999"), -2147483647 - 1);
    EXPECT_TRUE(startsWithDigits(" -3"));
    EXPECT_FALSE(startsWithDigits("abc"));
    EXPECT_FALSE(startsWithDigits(""));
}

}  // namespace
}  // namespace corvane

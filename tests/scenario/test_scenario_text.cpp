#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "scenario/scenario_text.h"

namespace corvane {
namespace {

using namespace std::string_view_literals;

std::vector<std::string> allLines(std::string_view data, int count) {
    LineCursor cursor{data};
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.emplace_back(readLine(cursor));
    return lines;
}

TEST(ReadLine, OnlyCrLfEndsALineAndTheLastLineNeedsNoEnd) {
    std::string_view data = "one\r\ntwo\rstill two\nand more\r\n\r\nlast"sv;
    EXPECT_EQ(allLines(data, 6),
              (std::vector<std::string>{"one", "two\rstill two\nand more", "", "last", "", ""}));
}

TEST(ReadLine, EndOfDataGivesEmptyLinesAndTheCursorStays) {
    std::string_view data = "a\r\n"sv;
    LineCursor cursor{data};
    EXPECT_EQ(readLine(cursor), "a");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readLine(cursor), "");
        EXPECT_EQ(cursor.position, data.size());
    }
    LineCursor empty{""sv};
    EXPECT_EQ(readLine(empty), "");
    EXPECT_EQ(empty.position, 0u);
}

TEST(ReadLine, ZeroByteEndsTheTextButNotTheLine) {
    std::string data("10\0junk\r\nnext\r\n", 15);
    EXPECT_EQ(allLines(data, 2), (std::vector<std::string>{"10", "next"}));
}

TEST(ReadLine, LongLinesAreCutAt510BytesAndTheRestSkipped) {
    std::string exact(kMaxLineBytes, 'a');
    std::string longer = std::string(kMaxLineBytes, 'b') + "cut off";
    std::string huge(100000, 'c');
    std::string data = exact + "\r\n" + longer + "\r\n" + huge + "\r\nafter";
    auto lines = allLines(data, 4);
    EXPECT_EQ(lines[0], exact);
    EXPECT_EQ(lines[1], std::string(kMaxLineBytes, 'b'));
    EXPECT_EQ(lines[2], std::string(kMaxLineBytes, 'c'));
    EXPECT_EQ(lines[3], "after");
}

TEST(BodyLine, FieldsFollowCommasAndMissingOnesAreZero) {
    EXPECT_EQ(skipPastComma("1,2,3"), "2,3");
    EXPECT_EQ(skipPastComma("no comma"), "");
    EXPECT_EQ(parseBodyLine("1,-2.5,3e2,4,5,6,7"), (BodyValues{1, -2.5f, 300, 4, 5, 6, 7}));
    EXPECT_EQ(parseBodyLine("1,2,3"), (BodyValues{1, 2, 3, 0, 0, 0, 0}));
    EXPECT_EQ(parseBodyLine(""), (BodyValues{}));
    EXPECT_EQ(parseBodyLine("1,,3,x,  5.5kg,6,7,8,9"), (BodyValues{1, 0, 3, 0, 5.5f, 6, 7}));
    EXPECT_EQ(parseBodyLine("1,2\r3,4\n5,6,7"), (BodyValues{1, 2, 4, 6, 7, 0, 0}));
}

TEST(BodyLine, ValuesWithoutAFiniteFloatReadAsZero) {
    EXPECT_EQ(parseBodyField("1e39"), 0.0f);
    EXPECT_EQ(parseBodyField("-1e39"), 0.0f);
    EXPECT_EQ(parseBodyField("1e400"), 0.0f);
    EXPECT_EQ(parseBodyField("3.4028235e38"), FLT_MAX);
    EXPECT_EQ(parseBodyField("-3.40282356e38"), -FLT_MAX);  // still rounds to the largest float
    EXPECT_EQ(parseBodyField("inf"), 0.0f);
    EXPECT_EQ(parseBodyField("nan"), 0.0f);
    EXPECT_EQ(parseBodyField("1e-50"), 0.0f);
}

std::string printfFixed(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

TEST(FormatFixed, MatchesTheCLibraryPercentF) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    std::vector<float> values = {
        0.0f,          -0.0f, 1.0f,  -1.5f,   0.0000005f, 0.0000004f, -0.0000004f, 0.1f,
        12199.999023f, 1e10f, 1e-7f, FLT_MAX, -FLT_MAX,   FLT_MIN,    0.0000025f,  2.5e-6f};
    std::mt19937 generator(1234);
    std::uniform_int_distribution<std::uint32_t> bits;
    while (values.size() < 20000) {
        float value = std::bit_cast<float>(bits(generator));
        if (std::isfinite(value)) values.push_back(value);
    }
    for (float value : values) {
        ASSERT_EQ(formatFixed(value), printfFixed(value)) << value;
    }
    EXPECT_EQ(formatBodyLine({1, -2, 0.5f, 0, 0, 0, 1e5f}),
              "1.000000,-2.000000,0.500000,0.000000,0.000000,0.000000,100000.000000");
}

TEST(CodePage932, EncodesAndDecodesTheJapaneseEntries) {
    EXPECT_EQ(toCodePage932("オリジナル"), QByteArray("\x83\x49\x83\x8A\x83\x57\x83\x69\x83\x8B"));
    EXPECT_EQ(toCodePage932("1.0e5"), QByteArray("1.0e5"));
    for (std::string_view text :
         {"オリジナル", "均等", "ｆ／１", "銀河状", "円盤薄", "円盤厚", "球"}) {
        QByteArray bytes = toCodePage932(text);
        EXPECT_EQ(fromCodePage932(std::string_view(bytes.constData(), bytes.size())), text);
    }
}

TEST(CodePage932, BytesThatDoNotDecodeGiveNothing) {
    EXPECT_EQ(fromCodePage932("\x83\x49\x83"sv), std::nullopt);  // a lead byte cut off
    EXPECT_EQ(fromCodePage932("\x83\x49\xFF"sv), std::nullopt);
    EXPECT_EQ(fromCodePage932(""sv), std::string());
}

}  // namespace
}  // namespace corvane

#pragma once
// The text side of scene files, apart from any file: line and field
// scanning, number formatting and the code page 932 texts of the selection
// lines.

#include <QByteArray>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Longest line text the reader keeps; the rest of a longer line, up to its
// CR LF, is skipped.
constexpr std::size_t kMaxLineBytes = 510;

constexpr std::string_view kScenarioHeader = "Corvane V9.0";
constexpr std::string_view kLineEnd = "\r\n";

// A read position in the whole data of a scene file.
struct LineCursor {
    std::string_view data;
    std::size_t position = 0;

    bool atEnd() const { return position >= data.size(); }
};

// The next line: the bytes up to the next CR that is immediately followed by
// LF (a lone CR or LF is an ordinary byte), or up to the end of the data when
// the last line has no CR LF. The text ends at a zero byte and after
// kMaxLineBytes bytes. At the end of the data the line is empty and the
// cursor stays.
std::string_view readLine(LineCursor& cursor);

// The text after the next comma; empty when there is none.
std::string_view skipPastComma(std::string_view text);

// One field of a body line by the atof rule, as a 32-bit float; a value that
// has no finite float is 0.
float parseBodyField(std::string_view field);

// x, y, z, vx, vy, vz, mass.
using BodyValues = std::array<float, 7>;

// The seven fields of a body line; missing fields are 0, fields after the
// seventh are ignored.
BodyValues parseBodyLine(std::string_view line);

// A value widened to double as the C library's "%f" prints it in the C
// locale: sign, integer digits, a point and six rounded fraction digits.
std::string formatFixed(float value);

// "%f,%f,%f,%f,%f,%f,%f" of the seven values, without the line end.
std::string formatBodyLine(const BodyValues& values);

// UTF-8 text in code page 932 bytes.
QByteArray toCodePage932(std::string_view utf8);

// Code page 932 bytes as UTF-8; nullopt when they do not decode cleanly.
std::optional<std::string> fromCodePage932(std::string_view bytes);

}  // namespace corvane

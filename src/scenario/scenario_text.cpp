#include "scenario/scenario_text.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <charconv>
#include <cmath>

#include "core/number_text.h"

namespace corvane {
namespace {

// Doubles from here on round to infinity as a float: the largest float plus
// half of its last unit, a tie that rounds to the even infinity.
constexpr double kFloatOverflow = 0x1.fffffep127 + 0x1p103;

// Large enough for any double in fixed notation with six decimals.
constexpr std::size_t kFixedBufferBytes = 400;

constexpr const char* kCodePage932 = "windows-31j";

}  // namespace

std::string_view readLine(LineCursor& cursor) {
    if (cursor.atEnd()) return {};
    std::string_view rest = cursor.data.substr(cursor.position);
    std::size_t lineEnd = rest.find(kLineEnd);
    std::string_view line = rest.substr(0, lineEnd);
    cursor.position += lineEnd == std::string_view::npos ? rest.size() : lineEnd + kLineEnd.size();

    line = line.substr(0, kMaxLineBytes);
    return line.substr(0, line.find('\0'));
}

std::string_view skipPastComma(std::string_view text) {
    std::size_t comma = text.find(',');
    return comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
}

float parseBodyField(std::string_view field) {
    double value = parseDecimal(field);
    return std::fabs(value) < kFloatOverflow ? static_cast<float>(value) : 0.0f;
}

BodyValues parseBodyLine(std::string_view line) {
    BodyValues values{};
    std::string_view field = line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) field = skipPastComma(field);
        values[i] = parseBodyField(field);
    }
    return values;
}

std::string formatFixed(float value) {
    char buffer[kFixedBufferBytes];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

std::string formatBodyLine(const BodyValues& values) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line += ',';
        line += formatFixed(values[i]);
    }
    return line;
}

QByteArray toCodePage932(std::string_view utf8) {
    QStringEncoder encoder(kCodePage932);
    return encoder(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::optional<std::string> fromCodePage932(std::string_view bytes) {
    // Stateless: a lead byte cut off at the end of the line is an error, not
    // a character waiting for more input.
    QStringDecoder decoder(kCodePage932, QStringConverter::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) return std::nullopt;
    return text.toStdString();
}

}  // namespace corvane

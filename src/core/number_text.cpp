#include "core/number_text.h"

#include <locale.h>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <string>

namespace corvane {
namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t skipBlanks(std::string_view t, size_t i) {
    while (i < t.size() && isBlank(t[i])) ++i;
    return i;
}

size_t skipDigits(std::string_view t, size_t i) {
    while (i < t.size() && isDigit(t[i])) ++i;
    return i;
}

// Length of the longest decimal number at the start of t (0 if none).
size_t decimalPrefixLength(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t intEnd = skipDigits(t, i);
    size_t digits = intEnd - i;
    size_t end = intEnd;
    if (end < t.size() && t[end] == '.') {
        size_t fracEnd = skipDigits(t, end + 1);
        digits += fracEnd - (end + 1);
        end = fracEnd;
    }
    if (digits == 0) return 0;
    if (end < t.size() && (t[end] == 'e' || t[end] == 'E')) {
        size_t e = end + 1;
        if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
        size_t expEnd = skipDigits(t, e);
        if (expEnd > e) end = expEnd;
    }
    return end;
}

locale_t cLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

double parseDecimal(std::string_view text) {
    text.remove_prefix(skipBlanks(text, 0));
    size_t length = decimalPrefixLength(text);
    if (length == 0) return 0.0;
    std::string number(text.substr(0, length));
    return strtod_l(number.c_str(), nullptr, cLocale());
}

int parseInteger(std::string_view text) {
    size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

}  // namespace corvane

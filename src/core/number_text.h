#pragma once
// Text-to-number conversions of the program, independent of the C locale the
// toolkit may have set: decimal numbers only, never "inf", "nan" or hex.

#include <string_view>

namespace corvane {

// The atof rule: leading white space, optional sign, digits with an optional
// point and fraction, optional exponent; the longest such prefix is the value,
// 0 when there is none.
double parseDecimal(std::string_view text);

// The atoi rule: leading white space, optional sign, digits up to the first
// non-digit; 0 without digits. Values beyond int saturate.
int parseInteger(std::string_view text);

}  // namespace corvane

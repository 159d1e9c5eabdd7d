// Reading and writing numbers in table text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fablewick {

// The number at the start of the text, leniently: optional sign, digits with at most one "."
// as decimal point, optional exponent introduced by "E" or "D" (either case) with optional
// sign. Blanks, tabs and line feeds are skipped wherever they stand ("1 2" reads 12). "&H"
// reads hexadecimal and "&O" octal digits. Reading stops at the first character that cannot
// continue the number; text without a leading number reads 0. Never fails.
double ParseLeadingNumber(std::string_view text);

// The whole text, blanks before and after excepted, as a number (sign, digits, decimal point,
// exponent); nullopt when it is not one.
std::optional<double> ParseStrictNumber(std::string_view text);
// Whether ParseStrictNumber would accept the text.
bool IsStrictNumber(std::string_view text);

// Rounds to the nearest integer, halves to the even one, and checks the width: throws
// EngineError(kOverflow) outside the signed 16- or 32-bit range.
int16_t RoundToInt16(double value);
int32_t RoundToInt32(double value);

// ParseStrictNumber followed by rounding: throws EngineError(kTypeMismatch) when the text is
// not a number and EngineError(kOverflow) outside the width.
double StrictNumber(std::string_view text);
int16_t StrictInt16(std::string_view text);
int32_t StrictInt32(std::string_view text);

// The general decimal form of a numeric result: "-" for negative values, no leading blank, no
// thousands separators, no trailing zeros after the point, no point for whole values. At most
// 15 significant digits (7 for single-precision values); very large and very small magnitudes
// in exponent form ("1E+15", "1.5E-05").
std::string FormatGeneralNumber(double value);
std::string FormatGeneralNumber(float value);

// A whole number in plain decimal.
std::string FormatInteger(long long value);

}  // namespace fablewick

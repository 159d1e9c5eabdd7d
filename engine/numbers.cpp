#include "engine/numbers.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

#include "engine/error.h"
#include "engine/float_text.h"

namespace fablewick {
namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Characters that lenient reading skips wherever they stand.
inline bool IsSkippable(char c) { return c == ' ' || c == '\t' || c == '\n'; }

inline bool IsExponentMarker(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// The outcome of turning collected digits into a double.
struct Conversion {
  double value;
  bool overflow;  // the magnitude exceeds the double range; value is then +-infinity
};

// Collects the digits of a decimal number in normalised form: its significant digits without
// leading zeros, and the decimal exponent of the first of them, so the value is
// d1.d2d3... x 10^(exponent). The text is then handed to ReadFloatingText, which rounds
// correctly; the exponent bounds decide overflow and underflow before it is ever asked.
class DecimalDigits {
 public:
  void AddIntegerDigit(char digit) {
    if (significant_ > 0) {
      ++first_exponent_;
      Store(digit);
    } else if (digit != '0') {
      first_exponent_ = 0;
      Store(digit);
    }
  }

  void AddFractionDigit(char digit) {
    if (significant_ > 0) {
      Store(digit);
    } else if (digit == '0') {
      ++fraction_zeros_;
    } else {
      first_exponent_ = -1 - fraction_zeros_;
      Store(digit);
    }
  }

  Conversion Convert(bool negative, long long exponent) const {
    const double sign = negative ? -1.0 : 1.0;
    if (significant_ == 0) return {sign * 0.0, false};
    const long long decimal_exponent = first_exponent_ + exponent;
    // Far outside the double range (about 4.9e-324 to 1.8e308) the answer is known.
    if (decimal_exponent > 400) return {sign * HUGE_VAL, true};
    if (decimal_exponent < -400) return {sign * 0.0, false};

    char text[kMaxStored + 32];
    char* out = text;
    if (negative) *out++ = '-';
    const std::size_t stored = significant_ < kMaxStored ? significant_ : kMaxStored;
    *out++ = digits_[0];
    if (stored > 1 || truncated_nonzero_) {
      *out++ = '.';
      for (std::size_t i = 1; i < stored; ++i) *out++ = digits_[i];
      // A nonzero digit beyond what is kept only matters for breaking a tie, which one more
      // nonzero digit does just as well.
      if (truncated_nonzero_) *out++ = '1';
    }
    *out++ = 'e';
    out = std::to_chars(out, text + sizeof text, decimal_exponent).ptr;

    double value = 0.0;
    if (ReadFloatingText(std::string_view(text, static_cast<std::size_t>(out - text)), value) ==
        std::errc::result_out_of_range) {
      if (decimal_exponent > 0) return {sign * HUGE_VAL, true};
      return {sign * 0.0, false};
    }
    if (std::isinf(value)) return {value, true};
    return {value, false};
  }

 private:
  // More significant digits than a double can need to round correctly (767).
  static constexpr std::size_t kMaxStored = 780;

  void Store(char digit) {
    if (significant_ < kMaxStored) {
      digits_[significant_] = digit;
    } else if (digit != '0') {
      truncated_nonzero_ = true;
    }
    ++significant_;
  }

  char digits_[kMaxStored];
  std::size_t significant_ = 0;
  long long first_exponent_ = 0;
  long long fraction_zeros_ = 0;
  bool truncated_nonzero_ = false;
};

// Exponent digits beyond this bound cannot change the outcome and would overflow the counter.
constexpr long long kExponentLimit = 1'000'000'000'000LL;

inline void AddExponentDigit(long long& exponent, char digit) {
  if (exponent < kExponentLimit) exponent = exponent * 10 + (digit - '0');
}

// Reads "&H" hexadecimal or "&O" octal digits after the prefix, skipping blanks.
double ParseRadixDigits(std::string_view text, std::size_t pos, int radix) {
  double value = 0.0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsSkippable(c)) continue;
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (radix == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (radix == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    if (digit >= radix) break;
    value = value * radix + digit;
  }
  return value;
}

inline std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSkippable(text[pos])) ++pos;
  return pos;
}

enum class StrictStatus { kNumber, kNotNumber, kOverflow };

struct StrictResult {
  StrictStatus status;
  double value;
};

StrictResult ParseStrict(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  constexpr StrictResult kRefused{StrictStatus::kNotNumber, 0.0};

  std::size_t pos = begin;
  bool negative = false;
  if (pos < end && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';

  DecimalDigits digits;
  bool any_digit = false;
  bool point = false;
  for (; pos < end; ++pos) {
    const char c = text[pos];
    if (IsDigit(c)) {
      any_digit = true;
      point ? digits.AddFractionDigit(c) : digits.AddIntegerDigit(c);
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any_digit) return kRefused;

  long long exponent = 0;
  if (pos < end && IsExponentMarker(text[pos])) {
    ++pos;
    bool negative_exponent = false;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) {
      negative_exponent = text[pos++] == '-';
    }
    if (pos == end || !IsDigit(text[pos])) return kRefused;
    for (; pos < end && IsDigit(text[pos]); ++pos) AddExponentDigit(exponent, text[pos]);
    if (negative_exponent) exponent = -exponent;
  }
  if (pos != end) return kRefused;

  const Conversion conversion = digits.Convert(negative, exponent);
  if (conversion.overflow) return {StrictStatus::kOverflow, 0.0};
  return {StrictStatus::kNumber, conversion.value};
}

// Rounds to the nearest whole number, halves to the even one, independent of the floating-point
// rounding mode in force.
double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1.0;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

template <typename Int>
Int RoundToWidth(double value) {
  if (!std::isfinite(value)) throw EngineError(kOverflow);
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    throw EngineError(kOverflow);
  }
  return static_cast<Int>(rounded);
}

double StrictOrThrow(std::string_view text) {
  const StrictResult result = ParseStrict(text);
  if (result.status == StrictStatus::kNotNumber) throw EngineError(kTypeMismatch);
  if (result.status == StrictStatus::kOverflow) throw EngineError(kOverflow);
  return result.value;
}

// Writes a value with at most `precision` significant digits in the general form. The value is
// rounded once, correctly, to the scientific form; the fixed form is then laid out from those
// digits, so both forms show the same rounded value.
template <typename Float>
std::string FormatGeneral(Float value, int precision) {
  if (!std::isfinite(value)) throw EngineError(kOverflow);
  if (value == 0) return "0";

  const std::string scientific = WriteScientific(value, precision - 1);
  const std::string_view written(scientific);

  // written is "[-]d[.ddd]e(+|-)xx".
  const std::size_t e = written.find('e');
  const bool negative = written[0] == '-';
  std::string digits;
  for (const char c : written.substr(0, e)) {
    if (IsDigit(c)) digits.push_back(c);
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  const char* exponent_begin = written.data() + e + 1;
  if (*exponent_begin == '+') ++exponent_begin;
  std::from_chars(exponent_begin, written.data() + written.size(), exponent);

  std::string out;
  if (negative) out.push_back('-');
  if (exponent >= precision || exponent < -4) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1);
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out.push_back('0');
    out.append(std::to_string(magnitude));
  } else if (exponent < 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out.append(digits);
  } else {
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out.append(digits);
      out.append(whole - digits.size(), '0');
    } else {
      out.append(digits, 0, whole);
      out.push_back('.');
      out.append(digits, whole);
    }
  }
  return out;
}

}  // namespace

double ParseLeadingNumber(std::string_view text) {
  std::size_t pos = SkipBlanks(text, 0);
  if (pos < text.size() && text[pos] == '&') {
    pos = SkipBlanks(text, pos + 1);
    if (pos < text.size() && (text[pos] == 'H' || text[pos] == 'h')) {
      return ParseRadixDigits(text, pos + 1, 16);
    }
    if (pos < text.size() && (text[pos] == 'O' || text[pos] == 'o')) {
      return ParseRadixDigits(text, pos + 1, 8);
    }
    return 0.0;
  }

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';

  DecimalDigits digits;
  bool any_digit = false;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (IsSkippable(c)) continue;
    if (IsDigit(c)) {
      any_digit = true;
      point ? digits.AddFractionDigit(c) : digits.AddIntegerDigit(c);
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any_digit) return 0.0;

  // An exponent counts only when at least one digit follows its marker and sign; otherwise the
  // number ends before the marker ("3e" and "3ex" read 3).
  long long exponent = 0;
  if (pos < text.size() && IsExponentMarker(text[pos])) {
    std::size_t look = SkipBlanks(text, pos + 1);
    bool negative_exponent = false;
    if (look < text.size() && (text[look] == '+' || text[look] == '-')) {
      negative_exponent = text[look] == '-';
      look = SkipBlanks(text, look + 1);
    }
    if (look < text.size() && IsDigit(text[look])) {
      for (; look < text.size(); ++look) {
        const char c = text[look];
        if (IsSkippable(c)) continue;
        if (!IsDigit(c)) break;
        AddExponentDigit(exponent, c);
      }
      if (negative_exponent) exponent = -exponent;
    }
  }
  // A magnitude beyond the double range reads as infinity of its sign; whoever rounds or
  // writes such a value raises Overflow then.
  return digits.Convert(negative, exponent).value;
}

std::optional<double> ParseStrictNumber(std::string_view text) {
  const StrictResult result = ParseStrict(text);
  if (result.status != StrictStatus::kNumber) return std::nullopt;
  return result.value;
}

bool IsStrictNumber(std::string_view text) {
  return ParseStrict(text).status == StrictStatus::kNumber;
}

int16_t RoundToInt16(double value) { return RoundToWidth<int16_t>(value); }

int32_t RoundToInt32(double value) { return RoundToWidth<int32_t>(value); }

double StrictNumber(std::string_view text) { return StrictOrThrow(text); }

int16_t StrictInt16(std::string_view text) { return RoundToInt16(StrictOrThrow(text)); }

int32_t StrictInt32(std::string_view text) { return RoundToInt32(StrictOrThrow(text)); }

std::string FormatGeneralNumber(double value) { return FormatGeneral(value, 15); }

std::string FormatGeneralNumber(float value) { return FormatGeneral(value, 7); }

std::string FormatInteger(long long value) {
  char buffer[24];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace fablewick

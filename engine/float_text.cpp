#include "engine/float_text.h"

#include <locale.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fablewick {
namespace {

// Whether the whole text is "[-]digits[.digits][e[+|-]digits]" with at least one digit before
// the exponent; `nonzero` tells whether any of those digits is not 0.
bool IsDecimalNumber(std::string_view text, bool& nonzero) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  std::size_t digits = 0;
  bool point = false;
  nonzero = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
      nonzero = nonzero || c != '0';
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i == text.size()) return true;
  if (text[i] != 'e' && text[i] != 'E') return false;
  ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t exponent_begin = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  return i > exponent_begin && i == text.size();
}

// The C library reads and writes numbers in the current locale, whose decimal point may be a
// comma once a window has set the person's locale; this makes the "C" locale current for the
// calling thread while it lives.
class CLocale {
 public:
  CLocale() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {
    if (c_ != static_cast<locale_t>(nullptr)) previous_ = uselocale(c_);
  }
  ~CLocale() {
    if (c_ == static_cast<locale_t>(nullptr)) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CLocale(const CLocale&) = delete;
  CLocale& operator=(const CLocale&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

template <typename Float, typename Convert>
std::errc ReadWithCLibrary(std::string_view text, Float& value, Convert convert) {
  bool nonzero = false;
  if (!IsDecimalNumber(text, nonzero)) return std::errc::invalid_argument;
  const std::string terminated(text);
  const CLocale c_locale;
  errno = 0;
  const Float read = convert(terminated.c_str());
  if (std::isinf(read) || (read == 0 && nonzero)) return std::errc::result_out_of_range;
  value = read;
  return std::errc();
}

std::string Printed(const char* format, int decimals, double value) {
  const CLocale c_locale;
  const int length = std::snprintf(nullptr, 0, format, decimals, value);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, decimals, value);
  return text;
}

#ifndef FABLEWICK_NO_FLOAT_CHARCONV
template <typename Float>
std::errc ReadWithCharconv(std::string_view text, Float& value) {
  bool nonzero = false;
  if (!IsDecimalNumber(text, nonzero)) return std::errc::invalid_argument;
  Float read = 0;
  const std::from_chars_result result =
      std::from_chars(text.data(), text.data() + text.size(), read);
  if (result.ec != std::errc()) return result.ec;
  if (std::isinf(read) || (read == 0 && nonzero)) return std::errc::result_out_of_range;
  value = read;
  return std::errc();
}

template <typename Float, typename... Format>
std::string WrittenWithCharconv(Float value, Format... format) {
  // Room for the fixed form of the largest double with 149 decimals, the longest text asked for.
  char text[512];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value, format...);
  return std::string(text, result.ptr);
}
#endif

}  // namespace

namespace c_library {

std::errc ReadFloatingText(std::string_view text, double& value) {
  return ReadWithCLibrary(text, value, [](const char* s) { return std::strtod(s, nullptr); });
}

std::errc ReadFloatingText(std::string_view text, float& value) {
  return ReadWithCLibrary(text, value, [](const char* s) { return std::strtof(s, nullptr); });
}

std::string WriteScientific(double value, int decimals) { return Printed("%.*e", decimals, value); }

std::string WriteFixed(double value, int decimals) { return Printed("%.*f", decimals, value); }

// The fewest decimals whose correctly rounded fixed form reads back to the value: the form
// <charconv> defines as the shortest, since fewer decimals means fewer characters and the
// correctly rounded text is the nearest of its length.
std::string WriteShortestFixed(float value) {
  constexpr int kAllDecimals = 149;  // every float's exact value ends within 149 decimals
  for (int decimals = 0;; ++decimals) {
    std::string text = WriteFixed(value, decimals);
    float read = 0;
    if (decimals == kAllDecimals ||
        (ReadFloatingText(text, read) == std::errc() && read == value)) {
      return text;
    }
  }
}

}  // namespace c_library

#ifdef FABLEWICK_NO_FLOAT_CHARCONV

std::errc ReadFloatingText(std::string_view text, double& value) {
  return c_library::ReadFloatingText(text, value);
}
std::errc ReadFloatingText(std::string_view text, float& value) {
  return c_library::ReadFloatingText(text, value);
}
std::string WriteScientific(double value, int decimals) {
  return c_library::WriteScientific(value, decimals);
}
std::string WriteFixed(double value, int decimals) {
  return c_library::WriteFixed(value, decimals);
}
std::string WriteShortestFixed(float value) { return c_library::WriteShortestFixed(value); }

#else

std::errc ReadFloatingText(std::string_view text, double& value) {
  return ReadWithCharconv(text, value);
}
std::errc ReadFloatingText(std::string_view text, float& value) {
  return ReadWithCharconv(text, value);
}
std::string WriteScientific(double value, int decimals) {
  return WrittenWithCharconv(value, std::chars_format::scientific, decimals);
}
std::string WriteFixed(double value, int decimals) {
  return WrittenWithCharconv(value, std::chars_format::fixed, decimals);
}
std::string WriteShortestFixed(float value) {
  return WrittenWithCharconv(value, std::chars_format::fixed);
}

#endif

}  // namespace fablewick

// The C library's number text, which the web build uses, against <charconv>'s on the native
// build: any value or digit that differs would make a web page roll differently.
#include "engine/float_text.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace fablewick {
namespace {

// Random doubles and floats from their bits, so that every exponent is met, subnormals included.
double RandomDouble(std::mt19937_64& bits) {
  for (;;) {
    const double value = std::bit_cast<double>(bits());
    if (std::isfinite(value)) return value;
  }
}

float RandomFloat(std::mt19937_64& bits) {
  for (;;) {
    const float value = std::bit_cast<float>(static_cast<uint32_t>(bits()));
    if (std::isfinite(value)) return value;
  }
}

TEST(FloatText, TheCLibraryWritesTheSameDigits) {
  std::mt19937_64 bits(20261208);
  for (int i = 0; i < 20000; ++i) {
    const double value = RandomDouble(bits);
    const int decimals = static_cast<int>(bits() % 17);
    ASSERT_EQ(c_library::WriteScientific(value, decimals), WriteScientific(value, decimals));
    const float single = RandomFloat(bits);
    ASSERT_EQ(c_library::WriteShortestFixed(single), WriteShortestFixed(single)) << single;
    ASSERT_EQ(c_library::WriteFixed(single, 149), WriteFixed(single, 149));
  }
  // Halfway cases, where rounding to even and away from zero part.
  for (const double value : {0.5, 1.5, 2.5, 0.125, 1e300, 5e-324, 2.675}) {
    for (int decimals : {0, 1, 2, 5, 20}) {
      EXPECT_EQ(c_library::WriteScientific(value, decimals), WriteScientific(value, decimals));
      EXPECT_EQ(c_library::WriteFixed(value, decimals), WriteFixed(value, decimals));
    }
  }
  EXPECT_EQ(WriteShortestFixed(9000.0f), "9000");
  EXPECT_EQ(WriteShortestFixed(6000.5f), "6000.5");
}

TEST(FloatText, TheCLibraryReadsTheSameValues) {
  std::mt19937_64 bits(7);
  auto both_read = [](const std::string& text) {
    double native = -1, c = -1;
    float native_single = -1, c_single = -1;
    EXPECT_EQ(ReadFloatingText(text, native), c_library::ReadFloatingText(text, c)) << text;
    EXPECT_EQ(std::bit_cast<uint64_t>(native), std::bit_cast<uint64_t>(c)) << text;
    EXPECT_EQ(ReadFloatingText(text, native_single), c_library::ReadFloatingText(text, c_single))
        << text;
    EXPECT_EQ(std::bit_cast<uint32_t>(native_single), std::bit_cast<uint32_t>(c_single)) << text;
  };
  for (int i = 0; i < 5000; ++i) {
    // Digits with an exponent across and beyond the double range, as the engine's reader makes
    // them: "d.ddd...e±N".
    std::string text = bits() % 2 ? "-" : "";
    text += static_cast<char>('1' + bits() % 9);
    text += '.';
    for (int digit = static_cast<int>(bits() % 30); digit > 0; --digit) {
      text += static_cast<char>('0' + bits() % 10);
    }
    text += 'e' + std::to_string(static_cast<int>(bits() % 800) - 400);
    both_read(text);
    both_read(WriteScientific(RandomDouble(bits), 16));
  }
  for (const char* text : {"0", "-0.0", "1e-400", "1e400", "2.4703282292062328e-324", "1.", ".5",
                           "", "-", "e5", "1e", "0x10", "inf", "1,5", " 1"}) {
    both_read(text);
  }
  double value = 3;
  EXPECT_EQ(ReadFloatingText("1e999", value), std::errc::result_out_of_range);
  EXPECT_EQ(ReadFloatingText("12a", value), std::errc::invalid_argument);
  EXPECT_EQ(value, 3);
}

}  // namespace
}  // namespace fablewick

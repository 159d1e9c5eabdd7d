#include "engine/numbers.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/error.h"

namespace fablewick {
namespace {

// The error number a call throws, or 0 when it returns.
template <typename Call>
int ErrorNumberOf(Call call) {
  try {
    call();
  } catch (const EngineError& error) {
    return error.number();
  }
  return 0;
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(LeadingNumberTest, ReadsTheNumberAtTheStartSkippingBlanksAnywhere) {
  // Exponents count only when digits follow them.
  const std::vector<std::pair<const char*, double>> cases = {
      {"-2.5x", -2.5}, {"+.5", 0.5},          {"1.2.3", 1.2}, {"1 2", 12},
      {" - 3", -3},    {"\t1\n0 . 5", 10.5},  {"2 e 1", 20},  {"1e3", 1000},
      {"2D2", 200},    {"5d-1", 0.5},         {"3e", 3},      {"3ex", 3},
      {"3e+", 3},      {"1e999", kInfinity},  {"&H1F", 31},   {"&O17", 15},
      {"&O19", 1},     {"42 gold pieces", 42}};
  EXPECT_EQ(ParseLeadingNumber("123456789012345678901234567890"), 123456789012345678901234567890.0);
  EXPECT_EQ(ParseLeadingNumber("-1e99999999999999999999"), -kInfinity);
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseLeadingNumber(text), expected) << text;
  for (const char* zero : {"1e-400", "&H", "&X1", "", "abc", "-", ".", "e5", "x12", "- .e"}) {
    EXPECT_EQ(ParseLeadingNumber(zero), 0) << zero;
  }
}

TEST(StrictNumberTest, AcceptsWholeTextNumbersOnlyAndThrowsTypeMismatchOrOverflow) {
  const std::vector<std::pair<const char*, double>> numbers = {
      {" 12 ", 12}, {"\t-1.5e2\t", -150}, {"+5.", 5}, {".5", 0.5}, {"2D-1", 0.2}, {"1e-400", 0}};
  for (const auto& [text, expected] : numbers) EXPECT_EQ(ParseStrictNumber(text), expected) << text;
  for (const char* text : {"", " ", ".", "-", "1,000", "$5", "0x10", "1 2", "abc", "inf", "nan",
                           "1e", "1e+", "5 apples", "--1", "1.2.3", "&H10", "1e999"}) {
    EXPECT_FALSE(IsStrictNumber(text)) << text;
    EXPECT_FALSE(ParseStrictNumber(text).has_value()) << text;
  }
  EXPECT_EQ(StrictInt16(" 2.5 "), 2);
  EXPECT_EQ(ErrorNumberOf([] { StrictNumber("five"); }), kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { StrictInt32(""); }), kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { StrictInt16("40000"); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { StrictNumber("1e999"); }), kOverflow);
}

TEST(RoundingTest, RoundsHalvesToEvenAndThrowsOverflowOutsideTheWidth) {
  for (const auto& [number, expected] : std::vector<std::pair<double, int32_t>>{
           {2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.5000001, 3}, {-2147483648.0, INT32_MIN}}) {
    EXPECT_EQ(RoundToInt32(number), expected) << number;
  }
  EXPECT_EQ(RoundToInt16(-0.4), 0);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  for (const double number : {32767.5, -32769.0}) {
    EXPECT_EQ(ErrorNumberOf([&] { RoundToInt16(number); }), kOverflow) << number;
  }
  for (const double number : {2147483647.5, std::nan(""), HUGE_VAL}) {
    EXPECT_EQ(ErrorNumberOf([&] { RoundToInt32(number); }), kOverflow) << number;
  }
}

TEST(GeneralFormTest, WritesDecimalsOrExponentsWithoutSuperfluousZeros) {
  const std::vector<std::pair<double, const char*>> doubles = {
      {3.0, "3"},          {-0.0, "0"},        {-12.75, "-12.75"}, {1.0 / 3.0, "0.333333333333333"},
      {0.1 + 0.2, "0.3"},  {0.0001, "0.0001"}, {1e15, "1E+15"},    {999999999999999.9, "1E+15"},
      {1.5e20, "1.5E+20"}, {1e100, "1E+100"},  {0.00001, "1E-05"}, {-2.5e-7, "-2.5E-07"}};
  EXPECT_EQ(FormatGeneralNumber(123456789012345.0), "123456789012345");
  for (const auto& [number, expected] : doubles) EXPECT_EQ(FormatGeneralNumber(number), expected);
  // Single precision keeps seven digits.
  const std::vector<std::pair<float, const char*>> floats = {
      {1.0f / 3.0f, "0.3333333"}, {1234567.0f, "1234567"}, {1e7f, "1E+07"}, {-1.5e-5f, "-1.5E-05"}};
  for (const auto& [number, expected] : floats) EXPECT_EQ(FormatGeneralNumber(number), expected);
  EXPECT_EQ(ErrorNumberOf([] { FormatGeneralNumber(HUGE_VAL); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { FormatGeneralNumber(std::nanf("")); }), kOverflow);
  EXPECT_EQ(FormatInteger(-9223372036854775807LL - 1), "-9223372036854775808");
}

}  // namespace
}  // namespace fablewick

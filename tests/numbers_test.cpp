#include "engine/numbers.h"

#include <cmath>
#include <limits>

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

class LeadingNumberTest : public ::testing::Test {};

TEST_F(LeadingNumberTest, ReadsTheNumberAtTheStartAndIgnoresTheRest) {
  EXPECT_EQ(ParseLeadingNumber("42 gold pieces"), 42);
  EXPECT_EQ(ParseLeadingNumber("-2.5x"), -2.5);
  EXPECT_EQ(ParseLeadingNumber("+.5"), 0.5);
  EXPECT_EQ(ParseLeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(ParseLeadingNumber("123456789012345678901234567890"), 123456789012345678901234567890.0);
}

TEST_F(LeadingNumberTest, SkipsBlanksTabsAndLineFeedsAnywhere) {
  EXPECT_EQ(ParseLeadingNumber("1 2"), 12);
  EXPECT_EQ(ParseLeadingNumber(" - 3"), -3);
  EXPECT_EQ(ParseLeadingNumber("\t1\n0 . 5"), 10.5);
  EXPECT_EQ(ParseLeadingNumber("2 e 1"), 20);
}

TEST_F(LeadingNumberTest, ReadsExponentsOnlyWhenDigitsFollow) {
  EXPECT_EQ(ParseLeadingNumber("1e3"), 1000);
  EXPECT_EQ(ParseLeadingNumber("2D2"), 200);
  EXPECT_EQ(ParseLeadingNumber("5d-1"), 0.5);
  EXPECT_EQ(ParseLeadingNumber("3e"), 3);
  EXPECT_EQ(ParseLeadingNumber("3ex"), 3);
  EXPECT_EQ(ParseLeadingNumber("3e+"), 3);
  EXPECT_EQ(ParseLeadingNumber("1e-400"), 0);
  EXPECT_EQ(ParseLeadingNumber("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ParseLeadingNumber("-1e99999999999999999999"),
            -std::numeric_limits<double>::infinity());
}

TEST_F(LeadingNumberTest, ReadsHexadecimalAndOctalPrefixes) {
  EXPECT_EQ(ParseLeadingNumber("&H1F"), 31);
  EXPECT_EQ(ParseLeadingNumber("&O17"), 15);
  EXPECT_EQ(ParseLeadingNumber("&O19"), 1);
  EXPECT_EQ(ParseLeadingNumber("&H"), 0);
  EXPECT_EQ(ParseLeadingNumber("&X1"), 0);
}

TEST_F(LeadingNumberTest, ReadsZeroWhenNoNumberLeads) {
  for (const char* text : {"", "abc", "-", ".", "e5", "x12", "- .e"}) {
    EXPECT_EQ(ParseLeadingNumber(text), 0) << text;
  }
}

class StrictNumberTest : public ::testing::Test {};

TEST_F(StrictNumberTest, AcceptsWholeTextNumbersWithSurroundingBlanks) {
  EXPECT_EQ(ParseStrictNumber(" 12 "), 12);
  EXPECT_EQ(ParseStrictNumber("\t-1.5e2\t"), -150);
  EXPECT_EQ(ParseStrictNumber("+5."), 5);
  EXPECT_EQ(ParseStrictNumber(".5"), 0.5);
  EXPECT_EQ(ParseStrictNumber("2D-1"), 0.2);
  EXPECT_EQ(ParseStrictNumber("1e-400"), 0);
}

TEST_F(StrictNumberTest, RefusesAnythingElse) {
  for (const char* text : {"", " ", ".", "-", "1,000", "$5", "0x10", "1 2", "abc", "inf", "nan",
                           "1e", "1e+", "5 apples", "--1", "1.2.3", "&H10", "1e999"}) {
    EXPECT_FALSE(IsStrictNumber(text)) << text;
    EXPECT_FALSE(ParseStrictNumber(text).has_value()) << text;
  }
}

TEST_F(StrictNumberTest, ThrowsTypeMismatchOrOverflow) {
  EXPECT_EQ(StrictInt16(" 2.5 "), 2);
  EXPECT_EQ(ErrorNumberOf([] { StrictNumber("five"); }), kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { StrictInt32(""); }), kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { StrictInt16("40000"); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { StrictNumber("1e999"); }), kOverflow);
}

class RoundingTest : public ::testing::Test {};

TEST_F(RoundingTest, RoundsHalvesToEven) {
  EXPECT_EQ(RoundToInt32(2.5), 2);
  EXPECT_EQ(RoundToInt32(3.5), 4);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(2.5000001), 3);
  EXPECT_EQ(RoundToInt16(-0.4), 0);
}

TEST_F(RoundingTest, ThrowsOverflowOutsideTheWidth) {
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt16(32767.5); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt16(-32769); }), kOverflow);
  EXPECT_EQ(RoundToInt32(-2147483648.0), INT32_MIN);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt32(2147483647.5); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt32(std::nan("")); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { RoundToInt32(HUGE_VAL); }), kOverflow);
}

class GeneralFormTest : public ::testing::Test {};

TEST_F(GeneralFormTest, WritesPlainDecimalsWithoutSuperfluousZeros) {
  EXPECT_EQ(FormatGeneralNumber(3.0), "3");
  EXPECT_EQ(FormatGeneralNumber(2.5), "2.5");
  EXPECT_EQ(FormatGeneralNumber(-0.0), "0");
  EXPECT_EQ(FormatGeneralNumber(-12.75), "-12.75");
  EXPECT_EQ(FormatGeneralNumber(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FormatGeneralNumber(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneralNumber(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatGeneralNumber(0.0001), "0.0001");
}

TEST_F(GeneralFormTest, SwitchesToExponentFormForLargeAndSmallMagnitudes) {
  EXPECT_EQ(FormatGeneralNumber(1e15), "1E+15");
  EXPECT_EQ(FormatGeneralNumber(999999999999999.9), "1E+15");
  EXPECT_EQ(FormatGeneralNumber(1.5e20), "1.5E+20");
  EXPECT_EQ(FormatGeneralNumber(1e100), "1E+100");
  EXPECT_EQ(FormatGeneralNumber(0.00001), "1E-05");
  EXPECT_EQ(FormatGeneralNumber(-2.5e-7), "-2.5E-07");
}

TEST_F(GeneralFormTest, WritesSinglePrecisionWithSevenDigits) {
  EXPECT_EQ(FormatGeneralNumber(1.0f / 3.0f), "0.3333333");
  EXPECT_EQ(FormatGeneralNumber(1234567.0f), "1234567");
  EXPECT_EQ(FormatGeneralNumber(1e7f), "1E+07");
  EXPECT_EQ(FormatGeneralNumber(-1.5e-5f), "-1.5E-05");
}

TEST_F(GeneralFormTest, RefusesInfinityAndNaN) {
  EXPECT_EQ(ErrorNumberOf([] { FormatGeneralNumber(HUGE_VAL); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { FormatGeneralNumber(std::nanf("")); }), kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { FormatGeneralNumber(ParseLeadingNumber("-1e999")); }), kOverflow);
}

TEST_F(GeneralFormTest, WritesIntegersInPlainDecimal) {
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(-9223372036854775807LL - 1), "-9223372036854775808");
}

}  // namespace
}  // namespace fablewick

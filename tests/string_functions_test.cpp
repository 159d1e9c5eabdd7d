// The built-in functions on what the acceptance cases (tests/golden/Tables/Functions) leave open:
// Calc on very deep and long expressions, and the argument reader that every function reads with.
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/error.h"
#include "engine/functions/functions.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

class StringFunctionsTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", ":Start\n1,x\n"); }
};

TEST_F(StringFunctionsTest, CalcHandlesDeepAndLongExpressionsWithoutRecursion) {
  const std::string deep = std::string(100000, '(') + "1+1" + std::string(100000, ')');
  EXPECT_EQ(Expand("{Calc~" + deep + "}"), "2");
  std::string sum = "0";
  for (int i = 0; i < 100000; ++i) sum += "+1";
  EXPECT_EQ(Expand("{Calc~" + sum + "}"), "100000");
}

// What the reader gives, field by field, or the number of the error it fails with: every
// function relies on these numbers for its error box.
TEST(ArgReaderTest, ReadsFieldsAsWrittenAndFailsWithTheClassicNumbers) {
  using S = std::string;
  // The pieces of a braced list are read in order; they are shown joined by "|".
  using Read = std::vector<S> (*)(ArgReader&);
  const std::vector<std::tuple<std::string_view, Read, std::string>> cases = {
      {"a,,b ",
       [](ArgReader& r) {
         return std::vector<S>{S(r.Text()), S(r.Text()), S(r.Text())};
       },
       "a||b |end"},
      {"",
       [](ArgReader& r) {
         return std::vector<S>{std::to_string(r.FieldsLeft()), S(r.Text())};
       },
       "1||end"},
      {"a",
       [](ArgReader& r) {
         return std::vector<S>{S(r.Text()), S(r.Text())};
       },
       "error 9"},
      {"a",
       [](ArgReader& r) {
         return std::vector<S>{S(r.Text()), S(r.OptText("z"))};
       },
       "a|z|end"},
      {"a,b", [](ArgReader& r) { return std::vector<S>{S(r.AtLeast(3).Text())}; }, "error 5"},
      {"a,b,",
       [](ArgReader& r) {
         return std::vector<S>{S(r.AtLeast(3).Text()), S(r.Rest())};
       },
       "a|b,|end"},
      {"1,2", [](ArgReader& r) { return std::vector<S>{S(r.Rest())}; }, "1,2|end"},
      {" 7 ,8.5,-32768",
       [](ArgReader& r) {
         return std::vector<S>{std::to_string(r.Int16()), std::to_string(r.Int16()),
                               std::to_string(r.Int16())};
       },
       "7|8|-32768|end"},
      {"32768", [](ArgReader& r) { return std::vector<S>{std::to_string(r.Int16())}; }, "error 6"},
      {"2147483648", [](ArgReader& r) { return std::vector<S>{std::to_string(r.Int32())}; },
       "error 6"},
      {"7x", [](ArgReader& r) { return std::vector<S>{std::to_string(r.Int32())}; }, "error 13"},
      {",1", [](ArgReader& r) { return std::vector<S>{std::to_string(r.Number())}; }, "error 13"},
      {"3 apples,pears",
       [](ArgReader& r) {
         return std::vector<S>{std::to_string(r.LeadingInt16()), std::to_string(r.LeadingInt32())};
       },
       "3|0|end"},
      {"1e9", [](ArgReader& r) { return std::vector<S>{std::to_string(r.LeadingInt16())}; },
       "error 6"},
  };
  for (const auto& [args, read, expected] : cases) {
    ArgReader reader(args);
    std::string got;
    try {
      for (const S& piece : read(reader)) got += piece + "|";
      got += reader.More() ? "more" : "end";
    } catch (const EngineError& error) {
      got = "error " + std::to_string(error.number());
    }
    EXPECT_EQ(got, expected) << "arguments \"" << args << "\"";
  }
}

}  // namespace
}  // namespace fablewick

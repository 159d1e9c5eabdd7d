// The built-in functions, called from table text the way tables use them, on the points the
// command-line acceptance cases leave open: single precision, rounding, code points rather than
// bytes, the failures each function reports, the variable rewriting of Split and Sort, and Calc
// on very deep and long expressions; and the argument reader that every function reads with.
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/error.h"
#include "engine/functions/functions.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::StartsWith;

class StringFunctionsTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", "%a%,3\n%b%,10\n%c%,2\n%x%,red;green;blue\n%p%,-\n%q%,-\n%r%,-\n:Start\n1,x\n");
  }

  std::string Vars(const std::vector<std::string>& variables) {
    std::string values;
    for (const std::string& variable : variables)
      values += (values.empty() ? "" : " ") + VariableValue("T", variable);
    return values;
  }
};

TEST_F(StringFunctionsTest, ResultsOfEachFunction) {
  // Ceil, Floor and Round work in single precision; Round keeps halves even on the float's exact
  // value. Find, Left, Right and Mid count code points; Replace works left to right without
  // overlap; CapEachWord upper-cases after blanks only.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{Ceil~-0.5} {Floor~abc} {Ceil~123456789}", "0 0 1.234568E+08"},
      {"{Round~0.375,2} {Round~9.96,1} {Round~1.23456789,3} {Round~7,200}", "0.38 10 1.235 7"},
      {"{Round~-2.5,0} {Round~1.234567e-20,22} {Round~x,1}", "-2 1.23E-20 0"},
      {"{Find~1,c,a,b,c} {Find~3,z,\xC3\xA9z\xC3\xA9z} {Find~4,,abc} {Find~1,a,}.", "5 4 0 0."},
      {"{Left~Hello,9} {Right~Hello,9} {Mid~Hello,4,9}", "Hello Hello lo"},
      {"{Right~\xC3\xA9t\xC3\xA9,1} {Mid~\xC3\xA9t\xC3\xA9,2,2}", "\xC3\xA9 t\xC3\xA9"},
      {"{Replace~aa,a,aaaaa} {Replace~,x,abc} {Replace~a,,banana}", "aaa abc bnn"},
      {"{Plural~BUSH} {Plural~Y} {Plural~\xC3\x89TAGE} {Plural~caf\xC3\xA9}",
       "BUSHES YS \xC3\x89TAGES caf\xC3\xA9s"},
      {"{CapEachWord~a\tb-c}.{CapEachWord~}{CapEachWord~\xC3\xA9t\xC3\xA9 \xC3\xA0}",
       "A\tb-c.\xC3\x89t\xC3\xA9 \xC3\x80"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(StringFunctionsTest, FailuresShowTheDispatcherBoxWithTheirErrorNumber) {
  for (const auto& [number, contents] : std::vector<std::pair<int, std::vector<std::string>>>{
           {6, {"Ceil~1e39", "Round~2.5,40000", "Max~3e9", "Find~40000,a,abc"}},
           {13, {"Max~", "Min~1,,2", "Max~1,two", "Find~x,a,abc", "Mid~Hello,x,2"}},
           {5, {"Left~Hello", "Right~Hello,-1", "Mid~Hello,2", "Mid~Hello,2,-1"}}}) {
    for (const std::string& content : contents) {
      EXPECT_EQ(Expand("{" + content + "}"), "") << content;
      ASSERT_EQ(host.boxes.size(), 1u) << content;
      EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
      EXPECT_THAT(host.boxes[0].text,
                  StartsWith("<Entry: " + content + ">\r\rTechnical Support Information: " +
                             std::to_string(number) + " - "));
      host.ClearRecords();
    }
  }
}

TEST_F(StringFunctionsTest, SplitAssignsPiecesToTheKnownNamesInOrderAndLeavesTheRestAlone) {
  Expand("{Split~x,\";\",x,nosuch,r}");  // the source may be a destination
  EXPECT_EQ(Vars({"x", "r"}), "red green");
  Expand("|x=1, 2|{Split~x,\", \",p,q,r}{Split~x,\"\",a}");
  EXPECT_EQ(Vars({"p", "q", "r", "a"}), "1 2 green 1, 2");
  // An empty source gives no piece; without a comma or quotes nothing happens at all.
  EXPECT_EQ(Expand("|x=|{Split~x,\";\",p}{Split~x}{Split~x,;,p}{Split~nosuch,\";p}"), "");
  EXPECT_EQ(Vars({"p"}), "1");
  EXPECT_TRUE(host.boxes.empty());
}

// Sort and Order leave equal numbers written differently where a plain selection sort's swaps
// leave them (a stable sort would order them otherwise); a long list checks the sort's
// bookkeeping of moved values. A name given twice to Sort takes part twice; " b" is no name.
TEST_F(StringFunctionsTest, SortAndOrderLeaveEqualNumbersWhereASelectionSortPutsThem) {
  Expand("{SortAsc~a, b,nosuch,c,a}");
  EXPECT_EQ(Vars({"a", "b", "c"}), "3 10 3");
  EXPECT_EQ(Expand("{OrderAsc~\";\",1.0;1;0}"), "0;1;1.0");
  const std::vector<std::string> spellings = {"1", "1.0", "01", "2", "2.0", "0", "1e0", "+2"};
  std::vector<std::string> values;
  std::string list, expected;
  for (std::size_t i = 0; i < 120; ++i) {
    values.push_back(spellings[i * 7 % 11 % spellings.size()]);
    list += (i ? ";" : "") + values.back();
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::size_t smallest = i;
    for (std::size_t j = i; j < values.size(); ++j) {
      if (std::stod(values[j]) < std::stod(values[smallest])) smallest = j;
    }
    std::swap(values[i], values[smallest]);
    expected += (i ? ";" : "") + values[i];
  }
  EXPECT_EQ(Expand("{OrderAsc~\";\"," + list + "}"), expected);
}

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

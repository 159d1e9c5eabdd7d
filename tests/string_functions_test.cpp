// The string and number functions, called from table text the way tables use them, on the points
// the command-line acceptance cases leave open: single precision, rounding, code points rather
// than bytes, the failures each function reports, and the variable rewriting of Split and Sort.
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::StartsWith;

class StringFunctionsTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T",
               "%a%,3\n%b%,10\n%c%,2\n%x%,red;green;blue\n%p%,-\n%q%,-\n%r%,-\n"
               ":Start\n1,x\n");
    Load("T");
  }

  void Set(const std::string& variable, const std::string& value) {
    Table& table = Load("T");
    table.Vars[static_cast<std::size_t>(table.FindVariable(variable))].Value = value;
  }

  std::string Vars(const std::vector<std::string>& variables) {
    std::string values;
    for (const std::string& variable : variables)
      values += (values.empty() ? "" : " ") + VariableValue("T", variable);
    return values;
  }

  // Each call gives "" and shows the dispatcher's error box with its error number.
  void ExpectFailures(const std::vector<std::pair<std::string, int>>& cases) {
    for (const auto& [content, number] : cases) {
      EXPECT_EQ(Expand("{" + content + "}"), "") << content;
      ASSERT_EQ(host.boxes.size(), 1u) << content;
      EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
      EXPECT_THAT(host.boxes[0].text,
                  StartsWith("<Entry: " + content + ">\r\rTechnical Support Information: " +
                             std::to_string(number) + " - "));
      host.ClearRecords();
    }
  }
};

TEST_F(StringFunctionsTest, ResultsOfEachFunction) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // Ceil and Floor work in single precision.
      {"{Ceil~-0.5} {Floor~abc} {Ceil~123456789}", "0 0 1.234568E+08"},
      // Round keeps halves even on the exact value of the float.
      {"{Round~0.375,2} {Round~9.96,1} {Round~1.23456789,3} {Round~7,200}", "0.38 10 1.235 7"},
      {"{Round~-2.5,0} {Round~1.234567e-20,22} {Round~x,1}", "-2 1.23E-20 0"},
      // Find, Left, Right and Mid count code points.
      {"{Find~1,c,a,b,c} {Find~3,z,\xC3\xA9z\xC3\xA9z} {Find~4,,abc} {Find~1,a,}.", "5 4 0 0."},
      {"{Left~Hello,9} {Right~Hello,9} {Mid~Hello,4,9}", "Hello Hello lo"},
      {"{Right~\xC3\xA9t\xC3\xA9,1} {Mid~\xC3\xA9t\xC3\xA9,2,2}", "\xC3\xA9 t\xC3\xA9"},
      // Replace works left to right without overlap.
      {"{Replace~aa,a,aaaaa} {Replace~,x,abc} {Replace~a,,banana}", "aaa abc bnn"},
      {"{Plural~BUSH} {Plural~Y} {Plural~\xC3\x89TAGE} {Plural~caf\xC3\xA9}",
       "BUSHES YS \xC3\x89TAGES caf\xC3\xA9s"},
      // CapEachWord upper-cases after blanks only.
      {"{CapEachWord~a\tb-c}.{CapEachWord~}{CapEachWord~\xC3\xA9t\xC3\xA9 \xC3\xA0}",
       "A\tb-c.\xC3\x89t\xC3\xA9 \xC3\x80"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(StringFunctionsTest, FailuresShowTheDispatcherBoxWithTheirErrorNumber) {
  ExpectFailures({{"Ceil~1e39", 6},
                  {"Round~2.5,40000", 6},
                  {"Max~", 13},
                  {"Min~1,,2", 13},
                  {"Max~1,two", 13},
                  {"Max~3e9", 6},
                  {"Find~x,a,abc", 13},
                  {"Find~40000,a,abc", 6},
                  {"Left~Hello", 5},
                  {"Right~Hello,-1", 5},
                  {"Mid~Hello,2", 5},
                  {"Mid~Hello,2,-1", 5},
                  {"Mid~Hello,x,2", 13}});
}

TEST_F(StringFunctionsTest, SplitAssignsPiecesToTheKnownNamesInOrderAndLeavesTheRestAlone) {
  EXPECT_EQ(Expand("{Split~x,\";\",p,nosuch,q}"), "");
  EXPECT_EQ(Vars({"p", "q", "r", "x"}), "red green - red;green;blue");
  Expand("{Split~x,\";\",x,r}");  // the source may be a destination
  EXPECT_EQ(Vars({"x", "r"}), "red green");
  Set("x", "1, 2");
  Expand("{Split~x,\", \",p,q,r}");
  EXPECT_EQ(Vars({"p", "q", "r"}), "1 2 green");
  Expand("{Split~x,\"\",r}");
  EXPECT_EQ(Vars({"r"}), "1, 2");
  Set("x", "");
  Expand("{Split~x,\";\",p}");
  EXPECT_EQ(Vars({"p"}), "1");
  // Without a comma or quotes it does nothing; an unknown source fails.
  EXPECT_EQ(Expand("{Split~x}{Split~x,;,p}{Split~nosuch,\";p}"), "");
  EXPECT_TRUE(host.boxes.empty());
  ExpectFailures({{"Split~nosuch,\";\",p", 9}});
  EXPECT_EQ(Vars({"p"}), "1");
}

TEST_F(StringFunctionsTest, SortSkipsUnknownNamesAndFailsWhenNoneIsKnown) {
  Expand("{SortAsc~a, b,nosuch,c,a}");  // " b" is no name; a takes part twice
  EXPECT_EQ(Vars({"a", "b", "c"}), "3 10 3");
  ExpectFailures({{"SortDesc~nosuch, a", 9}});
}

// A long list of equal numbers written differently, against a plain selection sort (a stable
// sort would order them differently).
TEST_F(StringFunctionsTest, SortMatchesAPlainSelectionSortOnALongList) {
  const std::vector<std::string> spellings = {"1", "1.0", "01", "2", "2.0", "0", "1e0", "+2"};
  std::string table;
  std::string names;
  std::vector<std::string> values;
  for (int i = 0; i < 120; ++i) {
    values.push_back(spellings[static_cast<std::size_t>(i * 7 % 11) % spellings.size()]);
    table += "%v" + std::to_string(i) + "%," + values.back() + "\n";
    names += (i ? ",v" : "v") + std::to_string(i);
  }
  WriteTable("L", table + ":Start\n1,x\n");
  Expand("{SortAsc~" + names + "}", "L");

  for (std::size_t i = 0; i < values.size(); ++i) {
    std::size_t smallest = i;
    for (std::size_t j = i; j < values.size(); ++j) {
      if (std::stod(values[j]) < std::stod(values[smallest])) smallest = j;
    }
    std::swap(values[i], values[smallest]);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(VariableValue("L", "v" + std::to_string(i)), values[i]) << i;
  }
}

}  // namespace
}  // namespace fablewick

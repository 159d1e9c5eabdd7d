// The built-in functions, called from table text the way tables use them, on the points the
// command-line acceptance cases leave open: single precision, rounding, code points rather than
// bytes, the failures each function reports, the variable rewriting of Split and Sort, Calc on
// very deep and long expressions, and Shell.
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
  void ExpectFailures(int number, const std::vector<std::string>& contents) {
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
  ExpectFailures(6, {"Ceil~1e39", "Round~2.5,40000", "Max~3e9", "Find~40000,a,abc"});
  ExpectFailures(13, {"Max~", "Min~1,,2", "Max~1,two", "Find~x,a,abc", "Mid~Hello,x,2"});
  ExpectFailures(5, {"Left~Hello", "Right~Hello,-1", "Mid~Hello,2", "Mid~Hello,2,-1"});
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
  ExpectFailures(9, {"Split~nosuch,\";\",p"});
  EXPECT_EQ(Vars({"p"}), "1");
}

TEST_F(StringFunctionsTest, SortSkipsUnknownNamesAndFailsWhenNoneIsKnown) {
  Expand("{SortAsc~a, b,nosuch,c,a}");  // " b" is no name; a takes part twice
  EXPECT_EQ(Vars({"a", "b", "c"}), "3 10 3");
  ExpectFailures(9, {"SortDesc~nosuch, a"});
}

// Sort and Order leave equal numbers written differently where a plain selection sort's swaps
// leave them (a stable sort would order them otherwise); a long list checks the sort's
// bookkeeping of moved values.
TEST_F(StringFunctionsTest, SortAndOrderLeaveEqualNumbersWhereASelectionSortPutsThem) {
  EXPECT_EQ(Expand("{OrderAsc~\";\",1.0;1;0}"), "0;1;1.0");
  const std::vector<std::string> spellings = {"1", "1.0", "01", "2", "2.0", "0", "1e0", "+2"};
  std::string table, names;
  std::vector<std::string> values;
  for (std::size_t i = 0; i < 120; ++i) {
    values.push_back(spellings[i * 7 % 11 % spellings.size()]);
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
    EXPECT_EQ(VariableValue("L", "v" + std::to_string(i)), values[i]) << i;
  }
}

TEST_F(StringFunctionsTest, CalcHandlesDeepAndLongExpressionsWithoutRecursion) {
  const std::string deep = std::string(100000, '(') + "1+1" + std::string(100000, ')');
  EXPECT_EQ(Expand("{Calc~" + deep + "}"), "2");
  std::string sum = "0";
  for (int i = 0; i < 100000; ++i) sum += "+1";
  EXPECT_EQ(Expand("{Calc~" + sum + "}"), "100000");
  EXPECT_EQ(Expand("{Calc~0.1+0.2}"), "0.3");
}

TEST_F(StringFunctionsTest, ShellStartsTheSplitCommandLineOnlyWhenAllowed) {
  EXPECT_EQ(Expand("a{Shell~notepad \"my file.txt\" x}b"), "ab");
  EXPECT_TRUE(host.started_programs.empty());
  ASSERT_EQ(host.shell_requests.size(), 1u);
  EXPECT_EQ(host.shell_requests[0].table, "T");
  host.allow_shell = true;
  Expand("{Shell~notepad \"my file.txt\" x}");
  ASSERT_EQ(host.started_programs.size(), 1u);
  EXPECT_EQ(host.started_programs[0], (std::vector<std::string>{"notepad", "my file.txt", "x"}));
}

}  // namespace
}  // namespace fablewick

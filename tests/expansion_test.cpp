// Text expansion: variables, assignments, group calls, functions and control blocks, the
// messages they leave in the text, the error box, and the bound on nesting. The command-line
// acceptance cases cover the common forms; these cases pin down the finer points.
#include <array>
#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr char kTable[] =
    "%x%,0\n%hp%,3\n%s%,abc\n%loop%,%loop%\n%gem%,[Gem]\n"
    ":Gem\n1,emerald\n:Weak\n1,weak\n:Strong\n1,strong\n:One\n1,1\n:Zero\n1,0\n"
    ":Accent\n1,\xC3\xA9lan\n:Three\n1,a\n2,b\n3,c\n"
    ":Bad\n1,|x/0|[Gem]\n:Deep\n1,x[Deep]\n";

class ExpansionTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTable);
    Load("T");
  }

  void Set(const std::string& variable, const std::string& value) {
    Table& table = Load("T");
    table.Vars[static_cast<std::size_t>(table.FindVariable(variable))].Value = value;
  }
  std::string Var(const std::string& variable) { return VariableValue("T", variable); }

  // Exactly one error box was shown by ProcessString for line kLine of T, quoting `entry` with
  // the support information `info`. Forgets the box.
  void ExpectErrorBox(const std::string& entry, const std::string& info) {
    ASSERT_EQ(host.boxes.size(), 1u) << entry;
    EXPECT_EQ(host.boxes[0].kind, ShownBox::kOkCancel);
    EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessString (T, Line 12)");
    EXPECT_EQ(host.boxes[0].text,
              "<Entry: " + entry + ">\r\rTechnical Support Information: " + info);
    host.ClearRecords();
  }
};

TEST_F(ExpansionTest, LoneDelimitersStayLiteralAndCallsCombineTheirPrefixes) {
  for (const auto& [text, expected] : Pairs{{"a|b", "a|b"},
                                            {"a/%x%", "a/%x%"},
                                            {"[CN~CC~Weak]", "A weak"},
                                            {"[CC~Accent]", "\xC3\x89lan"},
                                            {"[CN~Accent]", "a \xC3\xA9lan"},
                                            {"[Three=2.5][Three+5][Three-5]", "bca"},
                                            {"[abc!=ABC?Weak/Strong]", "weak"},
                                            {"[16777217=16777216?Weak/Strong]", "weak"},
                                            {"[T.gem]", "T.gem"}}) {
    EXPECT_EQ(Expand(text), expected) << text;
  }
  std::set<std::size_t> lengths;
  for (int i = 0; i < 90; ++i) lengths.insert(Expand("[D3~Gem]").size());
  EXPECT_EQ(lengths, (std::set<std::size_t>{7, 14, 21}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, AssignmentsByOperator) {
  // The value before, the assignment, the value after.
  // clang-format off
  for (const auto& [before, assignment, after] : std::vector<std::array<std::string, 3>>{
           {"1", "x+0.1", "1.1"}, {"4", "x*2.5", "10"}, {"10", "x/4", "2.5"}, {"-7", "x\\2", "-3"},
           {"2.5", "x\\1", "2"}, {"3.5", "x\\1", "4"}, {"3", "x>5", "5"}, {"8", "x>5", "8"},
           {"7", "x", "7"}}) {
    // clang-format on
    Set("x", before);
    EXPECT_EQ(Expand("a|" + assignment + "|b"), "ab") << assignment;
    EXPECT_EQ(Var("x"), after) << before << " then " << assignment;
  }
  EXPECT_TRUE(host.boxes.empty());
  Set("x", "5");
  EXPECT_EQ(Expand("|x\\0.4|"), "");
  ExpectErrorBox("x\\0.4", "11 - Division by zero");
  Set("x", "1e308");
  EXPECT_EQ(Expand("|x*1e308|"), "");
  ExpectErrorBox("x*1e308", "6 - Overflow");
  EXPECT_EQ(Var("x"), "1e308");
}

// Cancel in the box that a failing repetition of a repeated call shows empties only that
// repetition; the later ones still run and show their own boxes.
TEST_F(ExpansionTest, CancelInTheErrorBoxEmptiesOnlyTheFailingRepetition) {
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("[N3~Bad]"), "emeraldemerald");
  EXPECT_EQ(host.boxes.size(), 3u);
}

TEST_F(ExpansionTest, FailuresInsideACallEmptyTheEntryButKeepEarlierAssignments) {
  EXPECT_EQ(Expand("[DX~Gem]"), "");
  ExpectErrorBox("DX~Gem", "13 - Type mismatch");
  EXPECT_EQ(Expand("[Three+40000]"), "");
  ExpectErrorBox("Three+40000", "6 - Overflow");
  EXPECT_EQ(Expand("a[|x=5|"), "");
  ExpectErrorBox("a[|x=5|", "5 - Invalid procedure call or argument");
  EXPECT_EQ(Var("x"), "5");
  EXPECT_EQ(Expand("{3d6"), "");
  ExpectErrorBox("{3d6", "5 - Invalid procedure call or argument");
}

TEST_F(ExpansionTest, LinkNumbersRunOnUntilTheTableCacheIsCleared) {
  for (int link = 0; link < 7; ++link) engine.NextLinkNumber();
  EXPECT_EQ(Expand("[LX~T.Three=2]"),
            "<a name=\"fwroll7\" CLASS=clsLink href=\"reg7://T.Three=2\">b</a>");
  EXPECT_EQ(engine.link_counter(), 8);
  engine.ClearTableCache();
  EXPECT_EQ(engine.link_counter(), 0);
}

TEST_F(ExpansionTest, BlocksNestAndExpandTheirBodiesAfreshOnEveryPass) {
  EXPECT_EQ(Expand("{If~[1=1?One/Zero]=1?yes/no} {If~1=1?[0=1?Gem/Weak]/no} "
                   "{If~1=1?{If~2=3?a/b}/c} {If~1=1?|s=a/b|done/no}"),
            "yes weak b done");
  EXPECT_EQ(Var("s"), "a/b");
  const std::string rolls = Expand("{Loop~30,{d6}}");
  EXPECT_EQ(rolls.size(), 30u);
  EXPECT_GT(std::set<char>(rolls.begin(), rolls.end()).size(), 3u);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, LongGenerationYieldsToTheWindowNowAndThenButNotOnEveryExpansion) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Expand("{Loop~20000,{Loop~20,|x+1|}}"), "");
  const auto elapsed = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
  EXPECT_EQ(Var("x"), "400000");
  EXPECT_GE(host.yields, 1);
  EXPECT_LE(host.yields, elapsed / 20 + 1) << elapsed << " ms";
}

// Endless recursion ends with one message naming the line that recursed (threads and hostile
// tables are covered with the other hostile tables); many substitutions side by side are no
// nesting.
TEST_F(ExpansionTest, EndlessNestingIsReportedOnceForTheLineThatRecursed) {
  const int32_t deep = Load("T").FindGroup("Deep")->Entries[0].Line;
  for (const auto& [text, line] : std::vector<std::pair<std::string, int32_t>>{
           {"[Deep]", deep}, {"[N3~Deep]", deep}, {"%loop%", kLine}}) {
    const std::string message =
        "<hr><b>###ERR: Nesting too deep, possible endless recursion (T, Line " +
        std::to_string(line) + ").###</b><br>";
    const std::string result = Expand(text);
    EXPECT_EQ(CountOf(result, message), 1) << text << ": " << result.substr(0, 300);
  }
  std::string gems, emeralds;
  for (int i = 0; i < 5000; ++i) gems += "%gem%", emeralds += "emerald";
  EXPECT_EQ(Expand(gems), emeralds);
}

}  // namespace
}  // namespace fablewick

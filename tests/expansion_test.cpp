// Text expansion: variables, assignments, group calls, functions and control blocks, the
// messages they leave in the text, the error box, and the bound on nesting. The command-line
// acceptance cases cover the common forms; these cases pin down the finer points.
#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/stack.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::StartsWith;

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

  static std::string Message(const std::string& what, int32_t line = kLine) {
    return "<hr><b>###ERR: " + what + " (T, Line " + std::to_string(line) + ").###</b><br>";
  }

  // Exactly one error box was shown by ProcessString for line kLine of T, quoting `entry`; its
  // support information is `info` when given. Forgets the box.
  void ExpectErrorBox(const std::string& entry, const std::string& info = "") {
    ASSERT_EQ(host.boxes.size(), 1u) << entry;
    const ShownBox& box = host.boxes[0];
    EXPECT_EQ(box.kind, ShownBox::kOkCancel);
    EXPECT_EQ(box.title, "Error occurred in ProcessString (T, Line 12)");
    const std::string head = "<Entry: " + entry + ">\r\rTechnical Support Information: ";
    if (info.empty()) {
      EXPECT_THAT(box.text, StartsWith(head));
    } else {
      EXPECT_EQ(box.text, head + info);
    }
    host.ClearRecords();
  }

  void ExpectAll(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  }
};

TEST_F(ExpansionTest, LoneDelimitersStayLiteralAndCallsCombineTheirPrefixes) {
  ExpectAll({{"% hp %", "3"},
             {"50%", "50%"},
             {"a|b", "a|b"},
             {"a/%x%", "a/%x%"},
             {"[CN~CC~Weak]", "A weak"},
             {"[CC~Accent]", "\xC3\x89lan"},
             {"[CN~Accent]", "a \xC3\xA9lan"},
             {"a[]b[T.Gem]", "abemerald"},
             {"[Three=2.5][Three+5][Three-5]", "bca"},
             {"[abc!=ABC?Weak/Strong]", "weak"},
             {"[16777217=16777216?Weak/Strong]", "weak"},
             {"[1=1?N2~Gem/Strong]", "emeraldemerald"},
             {"[T.gem]", "T.gem"}});
  std::set<std::size_t> lengths;
  for (int i = 0; i < 90; ++i) lengths.insert(Expand("[D3~Gem]").size());
  EXPECT_EQ(lengths, (std::set<std::size_t>{7, 14, 21}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, AssignmentsByOperator) {
  struct Case {
    const char* before;
    const char* assignment;
    const char* after;
  };
  for (const Case& c : std::vector<Case>{{"1", "x+0.1", "1.1"},
                                         {"4", "x*2.5", "10"},
                                         {"10", "x/4", "2.5"},
                                         {"-7", "x\\2", "-3"},
                                         {"2.5", "x\\1", "2"},
                                         {"3.5", "x\\1", "4"},
                                         {"8", "x<10", "8"},
                                         {"3", "x>5", "5"},
                                         {"8", "x>5", "8"},
                                         {"7", "x", "7"}}) {
    Set("x", c.before);
    EXPECT_EQ(Expand(std::string("a|") + c.assignment + "|b"), "ab") << c.assignment;
    EXPECT_EQ(Var("x"), c.after) << c.before << " then " << c.assignment;
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

TEST_F(ExpansionTest, CancelInTheErrorBoxStopsTheRestOfTheGeneration) {
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("a|x/0|b[Gem]|x=9|c"), "abc");
  EXPECT_FALSE(engine.g_bKeepRunning);
  EXPECT_EQ(Var("x"), "0");
  EXPECT_EQ(host.boxes.size(), 1u);

  // Within a repeated call only the failing repetition is emptied.
  host.ClearRecords();
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("[N3~Bad]"), "emeraldemerald");
  EXPECT_EQ(host.boxes.size(), 3u);
}

TEST_F(ExpansionTest, FailuresInsideACallEmptyTheEntryButKeepEarlierAssignments) {
  EXPECT_EQ(Expand("[DX~Gem]"), "");
  ExpectErrorBox("DX~Gem");
  EXPECT_EQ(Expand("[Three+40000]"), "");
  ExpectErrorBox("Three+40000", "6 - Overflow");
  EXPECT_EQ(Expand("a[|x=5|"), "");
  ExpectErrorBox("a[|x=5|", "5 - Invalid procedure call or argument");
  EXPECT_EQ(Var("x"), "5");
  EXPECT_EQ(Expand("{3d6"), "");
  ExpectErrorBox("{3d6");
}

TEST_F(ExpansionTest, LinkNumbersRunOnUntilTheTableCacheIsCleared) {
  engine.LinkCounter = 7;
  EXPECT_EQ(Expand("[LX~T.Three=2]"),
            "<a name=\"fwroll7\" CLASS=clsLink href=\"reg7://T.Three=2\">b</a>");
  EXPECT_EQ(engine.LinkCounter, 8);
  engine.ClearTableCache();
  EXPECT_EQ(engine.LinkCounter, 0);
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

TEST_F(ExpansionTest, OtherKindsAndAStoppedGenerationGiveNothing) {
  engine.BeginGeneration();
  EXPECT_EQ(engine.ProcessString("abc", 3, "T", kLine), "");
  EXPECT_EQ(engine.ProcessString("abc", 9, "T", kLine), "");
  engine.g_bKeepRunning = false;
  engine.g_nIterations = 0;
  EXPECT_EQ(engine.ProcessString("abc[Gem]", kPlainText, "T", kLine), "");
  EXPECT_EQ(engine.g_nIterations, 1);
}

TEST_F(ExpansionTest, LongGenerationYieldsToTheWindowNowAndThenButNotOnEveryExpansion) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Expand("{Loop~20000,{Loop~20,|x+1|}}"), "");
  const auto elapsed = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
  EXPECT_EQ(Var("x"), "400000");
  EXPECT_GE(host.yields, 1);
  EXPECT_LE(host.yields, elapsed / 20 + 1) << elapsed << " ms";
}

// Endless recursion ends with one message and stops the generation, on a generation thread and
// on an ordinary thread alike; many substitutions side by side are no nesting.
TEST_F(ExpansionTest, EndlessNestingIsStoppedOnceOnAnyThread) {
  const int32_t deep = Load("T").FindGroup("Deep")->Entries[0].Line;
  const std::string brackets = std::string(5000, '[') + std::string(5000, ']');
  for (const auto& [text, line] : std::vector<std::pair<std::string, int32_t>>{
           {"[Deep]", deep}, {"[N3~Deep]", deep}, {"%loop%", kLine}, {brackets, kLine}}) {
    const std::string message = Message("Nesting too deep, possible endless recursion", line);
    for (const bool large_stack : {true, false}) {
      std::string result;
      const std::string& input = text;  // a lambda cannot capture a structured binding
      if (large_stack) RunWithLargeStack([&] { result = Expand(input); });
      if (!large_stack) result = Expand(input);
      EXPECT_EQ(CountOf(result, message), 1) << text.substr(0, 20) << ": " << result.substr(0, 300);
      EXPECT_FALSE(engine.g_bKeepRunning) << text.substr(0, 20);
      EXPECT_TRUE(host.boxes.empty()) << text.substr(0, 20);
    }
  }
  std::string gems, emeralds;
  for (int i = 0; i < 5000; ++i) gems += "%gem%", emeralds += "emerald";
  EXPECT_EQ(Expand(gems), emeralds);
}

}  // namespace
}  // namespace fablewick

// Text expansion on what the acceptance cases (tests/golden/Tables/Expansion) cannot show: dice
// repetitions, link numbers across rolls, yielding to the window, and the bound on nesting.
#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

constexpr char kTable[] =
    "%x%,0\n%loop%,%loop%\n%gem%,[Gem]\n:Gem\n1,emerald\n:Three\n1,a\n2,b\n3,c\n:Deep\n1,x[Deep]\n";

class ExpansionTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTable);
    Load("T");
  }
};

TEST_F(ExpansionTest, DiceRepeatedCallsComeUpOnceTwiceAndThreeTimes) {
  std::set<std::size_t> lengths;
  for (int i = 0; i < 90; ++i) lengths.insert(Expand("[D3~Gem]").size());
  EXPECT_EQ(lengths, (std::set<std::size_t>{7, 14, 21}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, LinkNumbersRunOnUntilTheTableCacheIsCleared) {
  for (int link = 0; link < 7; ++link) engine.NextLinkNumber();
  EXPECT_EQ(Expand("[LX~T.Three=2]"),
            "<a name=\"fwroll7\" CLASS=clsLink href=\"reg7://T.Three=2\">b</a>");
  EXPECT_EQ(engine.link_counter(), 8);
  engine.ClearTableCache();
  EXPECT_EQ(engine.link_counter(), 0);
}

TEST_F(ExpansionTest, LongGenerationYieldsToTheWindowNowAndThenButNotOnEveryExpansion) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Expand("{Loop~20000,{Loop~20,|x+1|}}"), "");
  const auto elapsed = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
  EXPECT_EQ(VariableValue("T", "x"), "400000");
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

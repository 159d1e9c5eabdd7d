// Outcome statistics: what is counted, that every roll starts afresh, the report, the folding of
// repeated boxes, and fablewick-cli stats.
#include "engine/authoring/stats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/cli_process.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

class StatsTest : public EngineFixture {
 protected:
  OutcomeStats Collect(std::string_view call, int64_t rolls, const std::string& by = "") {
    StatsResult result = CollectStats(engine, call, StatsOptions{rolls, by});
    EXPECT_EQ(result.status, StatsStatus::kDone) << result.problem;
    return result.stats;
  }

  static std::vector<std::string> Texts(const OutcomeStats& stats) {
    std::vector<std::string> texts;
    for (const OutcomeCount& outcome : stats.outcomes) texts.push_back(outcome.text);
    return texts;
  }
};

TEST_F(StatsTest, CountsEachDistinctResultMostFrequentFirstAndSummarisesNumbers) {
  WriteTable("T", ";Start\n3,2\n1,4\n4,none\n");
  const OutcomeStats stats = Collect("[T]", 4000);
  EXPECT_EQ(stats.rolls, 4000);
  EXPECT_EQ(stats.total, 4000);
  ASSERT_THAT(Texts(stats), ElementsAre("none", "2", "4"));
  ASSERT_TRUE(stats.numbers);
  EXPECT_EQ(stats.numbers->minimum, 2);
  EXPECT_EQ(stats.numbers->maximum, 4);
  EXPECT_NEAR(stats.numbers->mean, 2.5, 0.15);
  EXPECT_EQ(stats.numbers->count, stats.outcomes[1].count + stats.outcomes[2].count);
}

TEST_F(StatsTest, EveryRollStartsFromTheInitialStateOfTheTable) {
  // Without a fresh start the counter would climb and the no-repeat group would run dry.
  WriteTable("T", "%n%,0\n@n,5,Start?\n:Start\n1,|n+1|%n% [G]\n:!G\n1,a\n:Gem\n1,emerald\n");
  EXPECT_THAT(Texts(Collect("[T]", 50)), ElementsAre("6 a"));
  // A call may omit its brackets; the acceptance cases cover the prefixes of start calls.
  const OutcomeStats gems = Collect("T.Gem", 10);
  EXPECT_THAT(Texts(gems), ElementsAre("emerald"));
  EXPECT_FALSE(gems.numbers);
}

// Each roll makes about 48 MB of work for the output limit: the limit is the roll's own, so the
// twelve rolls together must not reach it.
TEST_F(StatsTest, EveryRollHasTheOutputLimitToItself) {
  WriteTable(
      "T", ":Start\n1,[N9~B]\n:B\n1,[N9~C]\n:C\n1,[N9~D]\n:D\n1," + std::string(10000, 'x') + "\n");
  const OutcomeStats stats = Collect("[T]", 12);
  ASSERT_EQ(stats.outcomes.size(), 1u);
  EXPECT_EQ(stats.outcomes[0].count, 12);
  EXPECT_EQ(stats.outcomes[0].text, std::string(729 * 10000, 'x'));
}

TEST_F(StatsTest, CountsEveryChoiceInTheGroupAndListsEntriesNeverChosen) {
  WriteTable("T", ":Start\n1,[N3~G] [Other.H]\n;G\n1,a\n0,never\n1,{1d6}\n");
  WriteTable("Other", ";H\n1,h\n");
  const OutcomeStats stats = Collect("[T]", 100, "G");
  EXPECT_EQ(stats.total, 300);
  ASSERT_EQ(stats.outcomes.size(), 3u);
  EXPECT_THAT(stats.outcomes[2], FieldsAre("never", 5, 0));
  // Entries are shown as written, not as expanded.
  EXPECT_THAT(Texts(stats), testing::Contains("{1d6}"));
  const OutcomeStats other = Collect("[T]", 100, "Other.H");
  EXPECT_EQ(other.total, 100);
  EXPECT_EQ(other.table, "Other");
}

TEST_F(StatsTest, ProblemsAreReportedBeforeAnyRoll) {
  WriteTable("T", ":Start\n1,a\n");
  EXPECT_EQ(CollectStats(engine, "[Nowhere]", {}).status, StatsStatus::kTableNotLoaded);
  EXPECT_EQ(CollectStats(engine, "[T]", {10, "Nope"}).status, StatsStatus::kGroupNotFound);
  EXPECT_EQ(CollectStats(engine, "[T]", {10, "Gone.G"}).status, StatsStatus::kTableNotLoaded);
  EXPECT_EQ(CollectStats(engine, "[NX~T]", {}).status, StatsStatus::kBadCall);
  EXPECT_EQ(engine.roll_observer(), nullptr);
}

TEST(StatsReportTest, EachResultKeepsToOneLineWithItsCountAndPercentage) {
  OutcomeStats stats;
  stats.call = "[T]";
  stats.rolls = stats.total = 3;
  stats.outcomes = {{"a\r\nb\tc", 0, 2}, {"", 0, 1}};
  EXPECT_EQ(FormatStats(stats),
            "3 rolls of [T]\ncount  percent  result\n    2   66.67%  a^Mb^Tc\n"
            "    1   33.33%  (empty)\n");
  stats.group = "G";
  stats.table = "T";
  stats.outcomes = {{"7", 4, 3}};
  stats.numbers = NumberSummary{3, 7, 7, 7};
  EXPECT_EQ(FormatStats(stats),
            "3 rolls of [T]: 3 entries chosen in group \"G\" of table \"T\"\n"
            "count  percent  line  entry\n    3  100.00%     4  7\n"
            "numbers: 3 of 3 entries, minimum 7, mean 7, maximum 7\n");
}

TEST(RepeatedBoxFilterTest, ShowsEachBoxOnceAndRepeatsItsFirstAnswerOnlyWhileFolding) {
  ScriptedHost inner;
  RepeatedBoxFilter filter{inner};
  for (int i = 0; i < 2; ++i) filter.MessageBox("T", "x");
  EXPECT_EQ(inner.boxes.size(), 2u);
  EXPECT_THAT(filter.Repeated(), IsEmpty());
  inner.boxes.clear();
  filter.set_folding(true);
  inner.ok_cancel_answers = {false, true};
  inner.input_answers = {std::string("Mira"), std::string("Bob")};
  EXPECT_FALSE(filter.OkCancelBox("E", "x"));
  EXPECT_FALSE(filter.OkCancelBox("E", "x"));
  EXPECT_TRUE(filter.OkCancelBox("E", "y"));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(filter.InputBox("Name?", "I", ""), "Mira");
  for (int i = 0; i < 2; ++i) filter.MessageBox("M", "z");
  EXPECT_EQ(inner.boxes.size(), 4u);
  EXPECT_THAT(filter.Repeated(), ElementsAre(Pair("I", 2), Pair("M", 2), Pair("E", 2)));
}

#ifdef FABLEWICK_CLI_PATH

TEST_F(StatsTest, CliStatsRollsTenThousandTimesByDefault) {
  WriteTable("T", ";Start\n1,{1d6}\n");
  const Outcome run = RunCli(
      {FABLEWICK_CLI_PATH, "--tables", tables_folder().string(), "stats", "[T]", "--seed", "3"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, testing::StartsWith("10000 rolls of [T]\ncount  percent  result\n"));
  EXPECT_THAT(run.out, HasSubstr("numbers: 10000 of 10000 results, minimum 1, mean 3."));
}

#endif  // FABLEWICK_CLI_PATH

}  // namespace
}  // namespace fablewick

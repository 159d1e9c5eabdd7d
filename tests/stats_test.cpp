// Outcome statistics beyond the acceptance cases of fablewick-cli stats
// (tests/golden/Tables/Stats): the output limit of each roll, problems found before rolling, the
// report, the folding of repeated boxes.
#include "engine/authoring/stats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

class StatsTest : public EngineFixture {
 protected:
  OutcomeStats Collect(std::string_view call, int64_t rolls, const std::string& by = "") {
    StatsResult result = CollectStats(engine, call, StatsOptions{rolls, by});
    EXPECT_EQ(result.status, StatsStatus::kDone) << result.problem;
    return result.stats;
  }
};

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

}  // namespace
}  // namespace fablewick

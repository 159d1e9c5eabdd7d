// The group roller, the roll driver's reset and progress, and the random source they draw from,
// on the points the command-line acceptance cases leave open: how evenly rolls fall and the
// per-roll reset of the iteration count.
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/documents/driver.h"
#include "engine/error.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;

class RollerTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", ";Weighted\n3,a\n1,b\n:Dice\n1,one\n2,two\n3,three\n");
    Load("T");
  }

  // How often each result comes up in `count` nested rolls.
  std::map<std::string, int> Tally(const std::string& group, int count, int16_t modifier = 0) {
    std::map<std::string, int> tally;
    for (int i = 0; i < count; ++i) ++tally[Roll("T", group, modifier)];
    return tally;
  }
};

// The acceptance cases cover modifiers that reach past the ranges.
TEST_F(RollerTest, RandomRollsFallEvenlyByWeightAndModifiersShiftThem) {
  std::map<std::string, int> tally = Tally("Dice", 600);
  ASSERT_EQ(tally.size(), 3u);
  for (const auto& [text, count] : tally) EXPECT_NEAR(count, 200, 60) << text;
  // Rolls 1 to 4 shifted by 2: only 3 of 3..6 reaches the first entry.
  std::map<std::string, int> shifted = Tally("Weighted", 400, 2);
  EXPECT_NEAR(shifted["a"], 100, 49);
  EXPECT_EQ(shifted["a"] + shifted["b"], 400);
}

TEST_F(RollerTest, TopLevelRollResetsTheIterationCountAndTheDriverReportsProgress) {
  WriteTable("D", ":Start\n1,[N][N]\n:!N\n1,a\n2,b\n");
  RollTopLevel("D", "Start");
  engine.ResetNoRepeatGroups();
  const int32_t before = engine.iterations();
  Roll("D", "N");
  EXPECT_EQ(engine.iterations(), before + 1);
  RollTopLevel("D", "N");
  EXPECT_EQ(engine.iterations(), 1);
  host.ClearRecords();
  EXPECT_THAT(RollTable(engine, "D", 3),
              testing::AllOf(testing::SizeIs(3), testing::Each(testing::AnyOf("ab", "ba"))));
  EXPECT_THAT(host.StatusesOfPanel(0),
              ElementsAre("Generating", "Generating.", "Generating..", "Generating...", "Done"));
}

TEST_F(RollerTest, RandomBetweenGivesEveryNumberOfItsSpanEquallyOftenAndRejectsWiderSpans) {
  engine.Seed(7);
  // Chi-square of the counts against the even spread; for these degrees of freedom a fair
  // generator stays far below twice its span with overwhelming likelihood. A reversed span
  // draws below its first bound: 10..3 from 4..9.
  for (const auto& [low, high, first, size] : std::vector<std::tuple<int16_t, int16_t, int, int>>{
           {1, 6, 1, 6}, {-50, 49, -50, 100}, {0, 32766, 0, 32767}, {10, 3, 4, 6}}) {
    std::vector<int> counts(static_cast<std::size_t>(size));
    for (int i = 0; i < size * 40; ++i) {
      const int32_t n = engine.RandomBetween(low, high);
      ASSERT_TRUE(n >= first && n < first + size) << n;
      ++counts[static_cast<std::size_t>(n - first)];
    }
    double chi_square = 0;
    for (const int count : counts) chi_square += (count - 40.0) * (count - 40.0) / 40.0;
    EXPECT_LT(chi_square, 2.0 * size + 30) << "span " << low << ".." << high;
  }
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(engine.RandomBetween(5, 5), 5);
    EXPECT_EQ(engine.RandomBetween(1, 0), 1);
  }
  EXPECT_THROW(engine.RandomBetween(0, 32767), EngineError);
  EXPECT_THROW(engine.RandomBetween(-32768, 32767), EngineError);
}

}  // namespace
}  // namespace fablewick

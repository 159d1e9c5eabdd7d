// The group roller, the roll driver's reset and start call, and the random source they draw from.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/error.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

std::string Exhausted(const std::string& table, const std::string& group) {
  return "<hr><b>###ERR: Non-duplicating group exhausted in Table: " + table +
         " / Group: " + group + " ###</b><hr>";
}

class RollerTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T",
               ":Gaps\n1-2,low\n5-6,high\n"
               ":Overlap\n1-4,first\n3-6,second\n"
               ":Reversed\n5-2,reversed\n1-3,a\n"
               ";Weighted\n3,a\n1,b\n"
               ";Zero\n0,never\n2,yes\n"
               ":Dice\n1,one\n2,two\n3,three\n"
               ":!Once\n1,a\n2,b\n3,c\n"
               ";!Unreachable\n1,a\n0,never\n"
               ":Empty\n"
               ":Birds \n1,with blank\n"
               ":Twice\n1,first\n:Twice\n1,second\n");
    Load("T");
  }

  // How often each result comes up in `count` nested rolls.
  std::map<std::string, int> Tally(const std::string& group, int count, int16_t modifier = 0) {
    std::map<std::string, int> tally;
    for (int i = 0; i < count; ++i) ++tally[Roll("T", group, modifier)];
    return tally;
  }

  Group& GroupOf(const std::string& table, const std::string& name) {
    return *Load(table).FindGroup(name);
  }
};

TEST_F(RollerTest, RollOutsideEveryRangeTakesTheFirstOrTheLastEntry) {
  const std::vector<std::pair<int16_t, std::string>> gaps = {
      {-5, "low"}, {0, "low"}, {2, "low"}, {3, "high"}, {4, "high"}, {6, "high"}, {7, "high"}};
  for (const auto& [roll, expected] : gaps) {
    EXPECT_EQ(Roll("T", "Gaps", roll, true), expected) << roll;
  }
  EXPECT_EQ(Roll("T", "Overlap", 3, true), "first");
  EXPECT_EQ(Roll("T", "Overlap", 4, true), "first");
  EXPECT_EQ(Roll("T", "Overlap", 5, true), "second");
  // The first entry's own Low decides, whether or not its range holds anything.
  EXPECT_EQ(Roll("T", "Reversed", 5, true), "reversed");
  EXPECT_EQ(Roll("T", "Reversed", 4, true), "reversed");
  EXPECT_EQ(Roll("T", "Reversed", 6, true), "a");
}

TEST_F(RollerTest, WeightedEntriesAreReachedByTheirAccumulatedWeight) {
  EXPECT_EQ(Roll("T", "Weighted", 3, true), "a");
  EXPECT_EQ(Roll("T", "Weighted", 4, true), "b");
  EXPECT_EQ(Roll("T", "Weighted", 6, true), "b");
  // Rolls 1 to 4 shifted by 2: only 3 of 3..6 reaches the first entry.
  std::map<std::string, int> shifted = Tally("Weighted", 400, 2);
  EXPECT_GT(shifted["a"], 50);
  EXPECT_LT(shifted["a"], 150);
  EXPECT_EQ(shifted["a"] + shifted["b"], 400);
  EXPECT_EQ(Tally("Zero", 50), (std::map<std::string, int>{{"yes", 50}}));
}

TEST_F(RollerTest, RandomRollsCoverTheGroupsRangeEvenlyAndModifiersShiftThem) {
  std::map<std::string, int> tally = Tally("Dice", 600);
  ASSERT_EQ(tally.size(), 3u);
  for (const auto& [text, count] : tally) EXPECT_NEAR(count, 200, 60) << text;
  EXPECT_EQ(Tally("Dice", 30, 10), (std::map<std::string, int>{{"three", 30}}));
  EXPECT_EQ(Tally("Dice", 30, -10), (std::map<std::string, int>{{"one", 30}}));
}

TEST_F(RollerTest, RollOutsideSixteenBitsGivesTheUnknownErrorBlock) {
  EXPECT_EQ(Roll("T", "Dice", 32767),
            "<hr><b>###ERR:Unknown in Table: T / Group: Dice ###</b><hr>");
}

TEST_F(RollerTest, GroupsAreFoundByExactNameFirstMatchFirst) {
  EXPECT_EQ(Roll("T", "dice"), kNotFoundMarker);
  EXPECT_EQ(Roll("T", "Birds"), kNotFoundMarker);
  EXPECT_EQ(Roll("T", "Birds "), "with blank");
  EXPECT_EQ(Roll("T", "Twice"), "first");
}

TEST_F(RollerTest, NoRepeatGroupGivesEachEntryOnceThenTheExhaustedBlock) {
  std::vector<std::string> drawn = {Roll("T", "Once"), Roll("T", "Once"), Roll("T", "Once")};
  EXPECT_THAT(drawn, UnorderedElementsAre("a", "b", "c"));
  EXPECT_EQ(Roll("T", "Once"), Exhausted("T", "Once"));
  EXPECT_EQ(GroupOf("T", "Once").DrawnCount, 3);
  // The R flag starts afresh.
  EXPECT_THAT(Roll("T", "Once", 0, false, {}, true), testing::AnyOf("a", "b", "c"));
  EXPECT_EQ(GroupOf("T", "Once").DrawnCount, 1);
  EXPECT_EQ(Roll("T", "Empty"), Exhausted("T", "Empty"));
}

TEST_F(RollerTest, NoRepeatSelectionThatCanReachOnlyDrawnEntriesEndsExhausted) {
  EXPECT_EQ(Roll("T", "Once", 2, true), "b");
  EXPECT_EQ(Roll("T", "Once", 2, true), Exhausted("T", "Once"));
  EXPECT_EQ(Roll("T", "Once", 10), "c");
  EXPECT_EQ(Roll("T", "Once", 10), Exhausted("T", "Once"));
  EXPECT_EQ(Roll("T", "Once", -10), "a");
  EXPECT_EQ(Roll("T", "Once", -10), Exhausted("T", "Once"));
  EXPECT_EQ(GroupOf("T", "Once").DrawnCount, 3);
  EXPECT_EQ(Roll("T", "Unreachable"), "a");
  EXPECT_EQ(Roll("T", "Unreachable"), Exhausted("T", "Unreachable"));
}

TEST_F(RollerTest, DrawnMarksOnlyExhaustAGroupWithoutTheFlagOnceEveryEntryCarriesOne) {
  Group& dice = GroupOf("T", "Dice");
  dice.Entries[0].Drawn = dice.Entries[1].Drawn = true;
  dice.DrawnCount = 2;
  EXPECT_EQ(Tally("Dice", 300).size(), 3u);
  dice.Entries[2].Drawn = true;
  dice.DrawnCount = 3;
  EXPECT_EQ(Roll("T", "Dice"), Exhausted("T", "Dice"));
}

TEST_F(RollerTest, TopLevelRollResetsEveryTableThenAppliesTheParameterValues) {
  WriteTable("P",
             "%x%,init\n%p%,declared\n@p,pdef,Prompt?\n"
             ":Start\n1,%x% %p% [Other.Peek]\n:Change\n1,|x=changed|\n:Plain\n1,plain\n");
  WriteTable("Other", "%y%,orig\n:Peek\n1,%y%\n:Set\n1,|y=set|\n");
  Roll("P", "Change");
  Roll("Other", "Set");
  Load("Other").Arrays["bag"]["k"] = "v";

  EXPECT_EQ(Roll("P", "Start"), "changed declared set");
  EXPECT_EQ(Load("Other").Arrays.size(), 1u);

  engine.g_aParamValues = {"chosen"};
  EXPECT_EQ(RollTopLevel("P"), "init chosen orig");
  EXPECT_TRUE(Load("Other").Arrays.empty());

  engine.g_nIterations = 1000;
  Roll("P", "Plain");
  EXPECT_EQ(engine.g_nIterations, 1001);
  RollTopLevel("P", "Plain");
  EXPECT_EQ(engine.g_nIterations, 1);
}

TEST_F(RollerTest, CallParametersSetTheVariablesInOrderAndMissingOnesTakeTheirDefault) {
  WriteTable("P", "%a%,A0\n%b%,B0\n@a,defA,First?\n@b,defB,Second?\n:Show\n1,%a%;%b%\n");
  EXPECT_EQ(Roll("P", "Show"), "A0;B0");
  EXPECT_EQ(Roll("P", "Show", 0, false, {"1", ""}), "1;defB");
  EXPECT_EQ(Roll("P", "Show", 0, false, {"", "2"}), "defA;2");
  EXPECT_EQ(Roll("P", "Show", 0, false, {"1", "2", "ignored"}), "1;2");
  EXPECT_EQ(Roll("P", "Show"), "1;2");
  EXPECT_EQ(Roll("P", "Show", 0, false, {"x"}), "x;defB");
  EXPECT_EQ(Expand("[P.Show(q)]"), "q;defB");
  EXPECT_EQ(Expand("[P.Show()]"), "defA;defB");
  EXPECT_EQ(Expand("[P.Show(1,2)]"), "1;2");
}

TEST_F(RollerTest, EscapesBecomeDelimitersInTheFinishedEntryAndAreScannedByTheCaller) {
  WriteTable("E",
             ":Esc\n1,50/% of /[loot/] and a/b\n"
             ":Outer\n1,<[Inner]>\n:Inner\n1,/[Gem/]\n:Gem\n1,emerald\n");
  EXPECT_EQ(Roll("E", "Esc"), "50% of [loot] and a/b");
  EXPECT_EQ(Roll("E", "Inner"), "[Gem]");
  EXPECT_EQ(Roll("E", "Outer"), "<emerald>");
}

TEST_F(RollerTest, ResetNoRepeatGroupsClearsOnlyFlaggedGroupsOfEveryTable) {
  WriteTable("Other", ":!M\n1,m\n2,n\n");
  Roll("T", "Once");
  Roll("Other", "M");
  Group& dice = GroupOf("T", "Dice");
  dice.Entries[0].Drawn = true;
  dice.DrawnCount = 1;
  engine.ResetNoRepeatGroups();
  for (Group* group : {&GroupOf("T", "Once"), &GroupOf("Other", "M")}) {
    EXPECT_EQ(group->DrawnCount, 0);
    for (const Entry& entry : group->Entries) EXPECT_FALSE(entry.Drawn);
  }
  EXPECT_EQ(dice.DrawnCount, 1);
  EXPECT_TRUE(dice.Entries[0].Drawn);
}

TEST_F(RollerTest, RollDriverResetsNoRepeatGroupsBeforeEachRollAndReportsProgress) {
  WriteTable("D", ":Start\n1,[N][N]\n:!N\n1,a\n2,b\n");
  std::vector<std::string> results = RollTable(engine, "D", 3);
  ASSERT_EQ(results.size(), 3u);
  for (const std::string& result : results) EXPECT_THAT(result, testing::AnyOf("ab", "ba"));
  EXPECT_THAT(host.StatusesOfPanel(0),
              ElementsAre("Generating", "Generating.", "Generating..", "Generating...", "Done"));
}

TEST_F(RollerTest, StartCallRollsTheStartGroupOrANamedOneWithoutTopLevelPreparation) {
  WriteTable("Loot",
             "%x%,init\n%y%,init\n@x,dx,X?\n@y,dy,Y?\n"
             ":Start\n1,start %x% %y%\n:Gems(1)\n1,odd group\n");
  StartCallResult plain = RollStartCall(engine, "[Loot]");
  EXPECT_EQ(plain.table, "Loot");
  EXPECT_EQ(plain.text, "start init init");
  EXPECT_EQ(RollStartCall(engine, "[Loot.Gems(1)]").text, "odd group");
  EXPECT_EQ(RollStartCall(engine, "[Loot.Start(1,2)]").text, "start 1 2");
  // Parameters are applied before the group is looked up; a missing group gives its name.
  StartCallResult missing = RollStartCall(engine, "(Loot.start(5))");
  EXPECT_EQ(missing.table, "Loot");
  EXPECT_EQ(missing.text, "start");
  EXPECT_EQ(RollStartCall(engine, "[Loot]").text, "start 5 dy");
  EXPECT_EQ(RollStartCall(engine, "[LX~N2~CC~Loot.Gems(1)]").text, "Odd groupodd group");
}

TEST_F(RollerTest, RandomBetweenStaysWithinItsBoundsAndRejectsSpansBeyondSixteenBits) {
  std::set<int32_t> seen;
  for (int i = 0; i < 600; ++i) {
    const int32_t n = engine.RandomBetween(-3, 2);
    ASSERT_GE(n, -3);
    ASSERT_LE(n, 2);
    seen.insert(n);
  }
  EXPECT_EQ(seen.size(), 6u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(engine.RandomBetween(5, 5), 5);
    EXPECT_EQ(engine.RandomBetween(1, 0), 1);
  }
  EXPECT_THROW(engine.RandomBetween(0, 32767), EngineError);
  EXPECT_THROW(engine.RandomBetween(-32768, 32767), EngineError);
}

TEST_F(RollerTest, SameSeedGivesTheSameResults) {
  WriteTable("S", ":Start\n1-20,[T.Dice] {3d6} [T.Weighted] [T.Once]\n");
  auto roll_twenty = [](Engine& e, uint64_t seed) {
    e.Seed(seed);
    std::vector<std::string> out;
    for (int i = 0; i < 20; ++i) {
      e.ResetNoRepeatGroups();
      out.push_back(e.RollGroup("S", "Start", 0, false, true, {}, false));
    }
    return out;
  };
  ScriptedHost other_host;
  Engine other(other_host);
  other.SetTablesFolder(tables_folder());
  other.FillCatalog();
  const std::vector<std::string> first = roll_twenty(engine, 7);
  EXPECT_EQ(roll_twenty(other, 7), first);
  EXPECT_GT(std::set<std::string>(first.begin(), first.end()).size(), 5u);
  EXPECT_NE(roll_twenty(other, 8), first);
}

}  // namespace
}  // namespace fablewick

// The lookups the roller relies on: the entry a roll selects in a group (a lookup made at the
// first roll) must be exactly the entry the first-in-file-order rule gives, and group and
// variable names are found through an index that must keep the first of two equal names and
// see names added after it was made.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/loader.h"
#include "engine/table.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

// The selection rule written out plainly: the first entry whose range holds the roll; else the
// first entry for a roll at or below the first entry's Low, the last entry for any other roll.
std::size_t ChosenByScan(const Group& group, int32_t roll) {
  for (std::size_t i = 0; i < group.Entries.size(); ++i) {
    if (group.Entries[i].Low <= roll && roll <= group.Entries[i].High) return i;
  }
  return roll <= group.Entries.front().Low ? 0 : group.Entries.size() - 1;
}

Entry MakeEntry(int32_t low, int32_t high) {
  Entry entry;
  entry.Low = static_cast<int16_t>(low);
  entry.High = static_cast<int16_t>(high);
  return entry;
}

void ExpectSameChoiceAsScan(const Group& group, int32_t from, int32_t to) {
  for (int32_t roll = from; roll <= to; ++roll) {
    ASSERT_EQ(group.ChooseEntry(roll), ChosenByScan(group, roll)) << "roll " << roll;
  }
}

class EntryLookupTest : public ::testing::Test {};

TEST_F(EntryLookupTest, ChoosesAsTheFirstInFileOrderRuleOnAnyMixOfRanges) {
  // Overlapping, reversed, gapped, unsorted and negative ranges, in groups of many sizes.
  std::mt19937 generator(7);
  for (int trial = 0; trial < 60; ++trial) {
    Group group;
    const int entries = 1 + static_cast<int>(generator() % 120);
    // Narrow spreads are looked up roll by roll, wide ones by segments.
    const uint32_t spread = trial % 2 == 0 ? 400 : 40;
    for (int e = 0; e < entries; ++e) {
      const int32_t low = static_cast<int32_t>(generator() % spread) - 100;
      const int32_t width = static_cast<int32_t>(generator() % 40) - 5;  // < 0: reversed
      group.Entries.push_back(MakeEntry(low, low + width));
    }
    ExpectSameChoiceAsScan(group, -150, 400);
  }
}

TEST_F(EntryLookupTest, ChoosesAsTheRuleAtTheEdgesOfSixteenBits) {
  Group group;
  for (int e = 0; e < 12; ++e) group.Entries.push_back(MakeEntry(-32768 + e * 100, 32767 - e));
  group.Entries.push_back(MakeEntry(32767, 32767));
  ExpectSameChoiceAsScan(group, -32768, -32000);
  ExpectSameChoiceAsScan(group, 32000, 32767);
}

TEST_F(EntryLookupTest, SeesEntriesAddedAfterTheFirstRoll) {
  Group group;
  for (int e = 0; e < 10; ++e) group.Entries.push_back(MakeEntry(e * 2 + 1, e * 2 + 2));
  EXPECT_EQ(group.ChooseEntry(25), 9u);  // above the ranges: the last entry
  group.Entries.push_back(MakeEntry(21, 30));
  EXPECT_EQ(group.ChooseEntry(25), 10u);
  ExpectSameChoiceAsScan(group, -5, 35);
}

class NameLookupTest : public EngineFixture {};

TEST_F(NameLookupTest, FindsTheFirstOfTwoEqualNamesAndNamesAddedLater) {
  WriteTable("T", "%v%,first\n%v%,second\n:G\n1,one\n:!G\n1,two\n:!H\n1,three\n");
  Table& table = Load("T");
  EXPECT_EQ(table.FindGroup("G"), &table.Groups[0]);
  EXPECT_EQ(table.FindVariable("v"), 0);
  EXPECT_EQ(table.FindGroup("g"), nullptr);
  EXPECT_EQ(table.FindVariable("w"), -1);
  EXPECT_EQ(table.NoRepeatGroups(), (std::vector<int16_t>{1, 2}));

  Group added;
  added.Name = "Late";
  added.NoRepeat = true;
  table.Groups.push_back(added);
  table.Vars.push_back({"w", "x", "x"});
  EXPECT_EQ(table.FindGroup("Late"), &table.Groups[3]);
  EXPECT_EQ(table.FindVariable("w"), 2);
  EXPECT_EQ(table.NoRepeatGroups(), (std::vector<int16_t>{1, 2, 3}));
}

class TableTextTest : public EngineFixture {};

TEST_F(TableTextTest, LinesEndAtCrLfOrLfWhileALoneCrStaysInItsLine) {
  std::unique_ptr<Table> table = ParseTableText("T", ":G\r\n1,a\rb\r\n2,c\n_ more\r\n3,d\r", host);
  ASSERT_EQ(table->Groups.size(), 1u);
  const std::vector<Entry>& entries = table->Groups[0].Entries;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Text, "a\rb");
  EXPECT_EQ(entries[1].Text, "c more");
  EXPECT_EQ(entries[2].Text, "d\r");
  EXPECT_EQ(entries[2].Line, 5);
}

class BareGroupCallTest : public EngineFixture {};

TEST_F(BareGroupCallTest, RollsAndReportsMissingGroupsAsAQualifiedCallDoes) {
  WriteTable("T", ";Gem\n3,ruby\n2,opal\n1,[Colour] moonstone\n;Colour\n1,grey\n1,white\n");
  Load("T");
  const std::string bare = Expand("[Gem] [Gem] [Gem] [Gem] [Gem] [Gem] [Gem] [Gem]");
  engine.Seed(kSeed);
  EXPECT_EQ(Expand("[T.Gem] [T.Gem] [T.Gem] [T.Gem] [T.Gem] [T.Gem] [T.Gem] [T.Gem]"), bare);

  EXPECT_EQ(Expand("a [Nothing] b"), "a Nothing b");
  engine.bTabCallsAsErrors = true;
  EXPECT_EQ(Expand("[Nothing]"),
            "<hr><b>###ERR: Group 'Nothing' - not found (T, Line 12).###</b><br>");
}

}  // namespace
}  // namespace fablewick

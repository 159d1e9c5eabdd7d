// The lookups the roller relies on: the entry a roll selects in a group (a lookup made at the
// first roll) must be exactly the entry the first-in-file-order rule gives, and group and
// variable names are found through an index that must see names added after it was made.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/model/loader.h"
#include "engine/model/table.h"
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

TEST(EntryLookupTest, ChoosesAsTheFirstInFileOrderRuleOnAnyMixOfRanges) {
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
    // An entry added after the first roll is seen, even below the first entry's range.
    group.Entries.push_back(MakeEntry(-150, -140));
    ExpectSameChoiceAsScan(group, -150, 400);
  }
}

TEST(EntryLookupTest, ChoosesAsTheRuleAtTheEdgesOfSixteenBits) {
  Group group;
  for (int e = 0; e < 12; ++e) group.Entries.push_back(MakeEntry(-32768 + e * 100, 32767 - e));
  group.Entries.push_back(MakeEntry(32767, 32767));
  ExpectSameChoiceAsScan(group, -32768, -32000);
  ExpectSameChoiceAsScan(group, 32000, 32767);
}

// The acceptance cases cover the first of two equal names.
class NameLookupTest : public EngineFixture {};

TEST_F(NameLookupTest, FindsNamesAddedAfterTheIndexWasMade) {
  WriteTable("T", "%v%,first\n:G\n1,one\n:!H\n1,two\n");
  Table& table = Load("T");
  EXPECT_EQ(table.FindGroup("Late"), nullptr);
  EXPECT_EQ(table.FindVariable("w"), -1);
  EXPECT_EQ(table.NoRepeatGroups(), (std::vector<int16_t>{1}));
  table.Groups.emplace_back().Name = "Late";
  table.Groups.back().NoRepeat = true;
  table.Vars.push_back({"w", "x", "x"});
  EXPECT_EQ(table.FindGroup("Late"), &table.Groups[2]);
  EXPECT_EQ(table.FindVariable("w"), 1);
  EXPECT_EQ(table.NoRepeatGroups(), (std::vector<int16_t>{1, 2}));
}

class TableTextTest : public EngineFixture {};

TEST_F(TableTextTest, LinesEndAtCrLfOrLfWhileALoneCrStaysInItsLine) {
  std::unique_ptr<Table> table = ParseTableText("T", ":G\r\n1,a\rb\r\n2,c\n_ more\r\n3,d\r", host);
  ASSERT_EQ(table->Groups.size(), 1u);
  std::string texts;
  for (const Entry& entry : table->Groups[0].Entries) texts += entry.Text + "|";
  EXPECT_EQ(texts, "a\rb|c more|d\r|");
  EXPECT_EQ(table->Groups[0].Entries.back().Line, 5);
}

}  // namespace
}  // namespace fablewick

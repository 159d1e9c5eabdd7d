// Which entry texts the roller walks as planned pieces and which it leaves to the scanner. The
// results are the same either way (the linear scan tests compare them with the literal
// definition); what matters here is that the common entries are planned and that nothing the
// pieces cannot express slips into a plan.
#include "engine/expansion/entry_plan.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/model/loader.h"
#include "engine/model/table.h"
#include "tests/support/scripted_host.h"

namespace fablewick {
namespace {

class EntryPlanTest : public ::testing::Test {
 protected:
  EntryPlanTest() : table_(ParseTableText("T", ":Gem\n1,ruby\n:Old Coin\n1,penny\n", host_)) {}

  ScriptedHost host_;
  std::unique_ptr<Table> table_;
  std::vector<PlanPiece> pieces_;
};

TEST_F(EntryPlanTest, LiteralTextAndBareCallsOfTheTablesOwnGroupsArePlanned) {
  const std::string text = "a [Gem] and [Old Coin]]!";
  ASSERT_TRUE(PlanEntryText(text, *table_, pieces_));
  std::string shown;
  for (const PlanPiece& piece : pieces_) {
    const std::string part = text.substr(piece.offset, piece.length);
    shown +=
        piece.group < 0 ? "'" + part + "'" : "<" + part + ":" + std::to_string(piece.group) + ">";
  }
  EXPECT_EQ(shown, "'a '<Gem:0>' and '<Old Coin:1>']!'");
}

TEST_F(EntryPlanTest, EverythingElseIsLeftToTheScanner) {
  for (const char* text : {"%v% [Gem]", "|v=1|", "{Dice~1d6}", "a/[Gem]", "[Gem", "[]", "[[Gem]]",
                           "[CC~Gem]", "[T.Gem]", "[Gem+1]", "[Gem-1]", "[Gem=2]", "[Gem(1)]",
                           "[1=1?Gem/Gem]", "[Missing]", "[Gem] then [Missing]"}) {
    pieces_.assign(1, PlanPiece{0, 1, -1});
    EXPECT_FALSE(PlanEntryText(text, *table_, pieces_)) << text;
    EXPECT_EQ(pieces_.size(), 1u) << text;
  }
}

}  // namespace
}  // namespace fablewick

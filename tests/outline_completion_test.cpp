// The studio's outline (groups, exact chances with the roller's fallbacks, callers) and its
// completions (groups, tables and their groups, functions with their forms, variables).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/authoring/completion.h"
#include "engine/authoring/outline.h"
#include "engine/functions/dispatch.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;

// Each entry as "line value chance" and each group's callers.
std::vector<std::string> Chances(const std::vector<OutlineGroup>& groups) {
  std::vector<std::string> rows;
  for (const OutlineGroup& group : groups) {
    std::string callers;
    for (int32_t line : group.callers) callers += " " + std::to_string(line);
    rows.push_back(group.name + (group.weighted ? " weighted" : "") +
                   (group.no_repeat ? " no-repeat" : "") + " called from" + callers);
    for (const OutlineEntry& entry : group.entries) {
      rows.push_back(std::to_string(entry.line) + " " + entry.value + " " +
                     FormatChance(entry.chosen, group.rolls));
    }
  }
  return rows;
}

TEST(OutlineTest, ChancesFollowTheRollersRangesWeightsAndFallbacks) {
  const std::string text =
      ":Start\r\n1,[Gap][T.Gap]\r\n2-3,[W]\r\n;!W\r\n3,x\r\n1,y\r\n0,z\r\n:Gap\r\n1,a\r\n"
      "5,b [Other.Gap]\r\n";
  EXPECT_THAT(Chances(BuildOutline("T", text)),
              ElementsAre("Start called from", "2 1 1/3 (33.33%)", "3 2-3 2/3 (66.67%)",
                          "W weighted no-repeat called from 3", "5 3 3/4 (75%)", "6 1 1/4 (25%)",
                          "7 0 0 (never)", "Gap called from 2", "9 1 1/5 (20%)", "10 5 4/5 (80%)"));
  EXPECT_TRUE(BuildOutline("T", "1,no group\n:Start\n").front().entries.empty());
}

class CompletionTest : public EngineFixture {
 protected:
  // The completions at the "^" of `marked`, as "text detail".
  std::vector<std::string> At(std::string marked) {
    const std::size_t cursor = marked.find('^');
    marked.erase(cursor, 1);
    std::vector<std::string> rows;
    const CompletionContext where = CompletionContextAt(marked, cursor);
    for (const Completion& c : Completions(where, marked, engine.Catalog(), tables_folder())) {
      rows.push_back(c.text + " " + c.detail);
    }
    return rows;
  }
};

TEST_F(CompletionTest, GroupsTablesFunctionsAndVariablesAreOfferedWhereTheyCanStand) {
  WriteTable("Gems", ":Start\n1,x\n:Green\n1,jade\n:Red\n1,ruby\n");
  const std::string table = "%Gold%,0\n:Start\n1,";
  EXPECT_THAT(At(table + "[G^]\n:Guard\n1,x\n"), ElementsAre("Guard group", "Gems Tests"));
  EXPECT_THAT(At(table + "[CC~Gems.g^]\n"), ElementsAre("Green Gems"));
  EXPECT_THAT(At(table + "{Le^}\n"), ElementsAre("Left {Left~text,n}", "Length {Length~text}"));
  EXPECT_THAT(At(table + "{Wh^"), ElementsAre("While {While~condition,text}"));
  EXPECT_THAT(At(table + "|G^|"), ElementsAre("Gold variable"));
  EXPECT_THAT(At(table + "plain wor^ds"), ::testing::IsEmpty());
  EXPECT_THAT(At(table + "{Dice~G^"), ::testing::IsEmpty());
  // Every function the dispatcher knows has its form.
  for (std::string_view name : BuiltInFunctionNames()) {
    EXPECT_NE(FunctionForm(name), "") << name;
  }
}

}  // namespace
}  // namespace fablewick

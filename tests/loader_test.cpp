// Reading table files: the fine points of group and parameter layout, load failures, and finding
// the file. The command-line acceptance cases cover the rest of the file layout and its messages.
#include "engine/model/loader.h"

#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::StartsWith;

class LoaderTest : public EngineFixture {
 protected:
  std::unique_ptr<Table> Parse(std::string_view text) { return ParseTableText("T", text, host); }

  // Loading fails with exactly one message box, titled for table T, holding `message`.
  void ExpectLoadFails(std::string_view text, const std::string& message) {
    host.ClearRecords();
    std::unique_ptr<Table> table = Parse(text);
    EXPECT_EQ(table->Name, kErrorTableName) << text;
    ASSERT_EQ(host.boxes.size(), 1u) << text;
    EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
    EXPECT_EQ(host.boxes[0].title, "Error reading table file: T");
    EXPECT_EQ(host.boxes[0].text, message);
  }
};

TEST_F(LoaderTest, HeadersWeightsAndVariablesAreReadAsWritten) {
  std::unique_ptr<Table> table = Parse(
      ";!W \n3,a\n2,b\n0,never\n1-4,range\n:Plain!\n1,c\n:\n1,d\n"
      "%Empty%,\n%x%,a,b\n%odd,x\n");
  // Name, no-repeat mark, highest roll and ranges of each group: a weighted group lays its
  // entries end to end from 1, and a range weighs its upper bound.
  std::vector<std::string> groups;
  for (const Group& g : table->Groups) {
    groups.push_back("[" + g.Name + "]" + (g.NoRepeat ? "!" : "") + std::to_string(g.MaxValue));
    for (const Entry& e : g.Entries) {
      groups.back() += " " + std::to_string(e.Low) + "-" + std::to_string(e.High);
    }
  }
  EXPECT_THAT(groups, ElementsAre("[W ]!9 1-3 4-5 6-5 6-9", "[Plain!]1 1-1", "[]1 1-1"));
  // The name is the text before the closing percent, the value all after the first comma.
  std::vector<std::pair<std::string, std::string>> vars;
  for (const TableVariable& v : table->Vars) {
    EXPECT_EQ(v.Value, v.InitialValue);
    vars.emplace_back(v.Name, v.InitialValue);
  }
  EXPECT_THAT(vars, ElementsAre(Pair("Empty", ""), Pair("x", "a,b"), Pair("od", "x")));
}

// The acceptance cases cover prompts, options and rolling at the defaults.
TEST_F(LoaderTest, ParametersBindTheFirstVariableOfTheirNameAndReplaceItsInitialValue) {
  std::unique_ptr<Table> table = Parse(
      "%Depth%,shallow\n%Size%,1\n%Size%,9\n"
      "@Depth,deep,How deep into the marsh?\n@Size,2,Size of the town?,Small,Medium,Large\n");
  ASSERT_EQ(table->ParamCount(), 2);
  EXPECT_EQ(table->Params[1].VarIndex, 1);
  // The default becomes the initial value; the current value keeps the declared text.
  EXPECT_EQ(table->Vars[0].InitialValue, "deep");
  EXPECT_EQ(table->Vars[0].Value, "shallow");
  EXPECT_EQ(table->Vars[2].InitialValue, "9");
}

TEST_F(LoaderTest, TooManyEntriesExceedTheSixteenBitCount) {
  std::string text = ":S\n";
  for (int i = 0; i < 32767; ++i) text += "1,x\n";
  EXPECT_EQ(Parse(text)->Groups[0].EntryCount(), 32767);
  EXPECT_TRUE(host.boxes.empty());
  ExpectLoadFails(text + "1,one too many\n",
                  "Value exceeds 32768 in line 32769:\r\r1,one too many");
}

// The acceptance cases cover the message; a value given for the dropped parameter must not be
// written anywhere.
TEST_F(LoaderTest, ParameterOfAVariableNotDeclaredAboveIsIgnored) {
  WriteTable("T", "@x,9,Prompt?\n%x%,0\n:Start\n1,%x%\n");
  EXPECT_EQ(Load("T").ParamCount(), 0);
  engine.SetParameterValues({"9"});
  EXPECT_EQ(RollTopLevel("T"), "0");
}

TEST_F(LoaderTest, TableThatFailsToLoadIsReportedEachTimeAndTriedAgainOnTheNextCall) {
  WriteTable("Bad", ":Start\nx,broken\n");
  EXPECT_EQ(engine.GetTable("Bad"), -1);
  EXPECT_EQ(engine.GetTable("Bad"), -1);
  EXPECT_EQ(host.boxes.size(), 2u);
  WriteTable("Bad", ":Start\n1,fixed\n");
  EXPECT_EQ(engine.GetTable("Bad"), 0);
}

TEST_F(LoaderTest, MissingTablesFolderIsAnUnknownError) {
  engine.SetTablesFolder(tables_folder() / "gone");
  engine.FillCatalog();
  EXPECT_EQ(engine.GetTable("Inn"), -1);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_THAT(host.boxes[0].text, StartsWith("An unknown error occurred in line "));
}

TEST_F(LoaderTest, FindsTableFilesWhoseNamesDifferOnlyInLetterCase) {
  WriteTable("Inn", ":Start\n1,inn\n");
  std::filesystem::rename(tables_folder() / "Tests" / "Inn.tab",
                          tables_folder() / "Tests" / "Inn.TAB");
  engine.FillCatalog();
  EXPECT_EQ(RollTopLevel("Inn"), "inn");

  // Not catalogued: looked for in the tables folder itself, under either spelling.
  WriteTable("other", ":Start\n1,other\n", "");
  EXPECT_EQ(Roll("OTHER", "Start"), "other");
  EXPECT_EQ(Roll("Other", "Start"), "other");
  EXPECT_NE(engine.FindTableIndex("OTHER"), engine.FindTableIndex("Other"));
  EXPECT_EQ(engine.FindTableIndex("other"), -1);

  // An exact name wins over one that differs in case.
  WriteTable("OTHER", ":Start\n1,upper\n", "");
  engine.ClearTableCache();
  EXPECT_EQ(Roll("OTHER", "Start"), "upper");
  EXPECT_TRUE(host.boxes.empty());
}

}  // namespace
}  // namespace fablewick

#include "engine/loader.h"

#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;

class LoaderTest : public EngineFixture {
 protected:
  std::unique_ptr<Table> Parse(std::string_view text) { return ParseTableText("T", text, host); }

  static std::vector<std::pair<int, int>> Ranges(const Group& group) {
    std::vector<std::pair<int, int>> ranges;
    for (const Entry& entry : group.Entries) ranges.emplace_back(entry.Low, entry.High);
    return ranges;
  }

  static std::vector<std::string> Texts(const Group& group) {
    std::vector<std::string> texts;
    for (const Entry& entry : group.Entries) texts.push_back(entry.Text);
    return texts;
  }

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

  // The message box names the line, and the table loads anyway.
  void ExpectLineReported(const ShownBox& box, int line) {
    EXPECT_EQ(box.kind, ShownBox::kMessage);
    EXPECT_EQ(box.title, "Error reading table file: T");
    const std::string number = std::to_string(line);
    EXPECT_THAT(box.text, AnyOf(HasSubstr("Line " + number), HasSubstr("line " + number)));
  }
};

TEST_F(LoaderTest, RangedGroupKeepsRangesAsWrittenAndTracksItsLowestAndHighestRoll) {
  std::unique_ptr<Table> table = Parse(
      ":Start\n3-4,b\n1,a\n1.5 - 2.5 ,blanks\n3.5,even\n"
      ":Reversed\n5-2,never by range\n"
      ":High\n101-150,a\n151-200,b\n");
  ASSERT_EQ(table->GroupCount(), 3);
  const Group& start = table->Groups[0];
  EXPECT_THAT(Ranges(start), ElementsAre(Pair(3, 4), Pair(1, 1), Pair(2, 2), Pair(4, 4)));
  EXPECT_EQ(start.MinValue, 1);
  EXPECT_EQ(start.MaxValue, 4);
  EXPECT_EQ(table->Groups[1].MinValue, 5);
  EXPECT_EQ(table->Groups[1].MaxValue, 2);
  // The lowest roll starts at 100 and is only ever lowered.
  EXPECT_EQ(table->Groups[2].MinValue, 100);
  EXPECT_EQ(table->Groups[2].MaxValue, 200);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(LoaderTest, WeightedGroupLaysEntriesEndToEndFromOne) {
  std::unique_ptr<Table> table = Parse(";W\n3,a\n2,b\n0,never\n1-4,range weighs its upper\n");
  const Group& group = table->Groups[0];
  EXPECT_THAT(Ranges(group), ElementsAre(Pair(1, 3), Pair(4, 5), Pair(6, 5), Pair(6, 9)));
  EXPECT_EQ(group.MinValue, 1);
  EXPECT_EQ(group.MaxValue, 9);
}

TEST_F(LoaderTest, HeadersKeepTheirNamesExactlyAndMarkNoRepeatGroups) {
  std::unique_ptr<Table> table = Parse(":!Beasts\n1,a\n;!Birds \n1,b\n:Plain!\n1,c\n:\n1,d\n");
  ASSERT_EQ(table->GroupCount(), 4);
  EXPECT_EQ(table->Groups[0].Name, "Beasts");
  EXPECT_TRUE(table->Groups[0].NoRepeat);
  EXPECT_EQ(table->Groups[1].Name, "Birds ");
  EXPECT_TRUE(table->Groups[1].NoRepeat);
  EXPECT_EQ(table->Groups[2].Name, "Plain!");
  EXPECT_FALSE(table->Groups[2].NoRepeat);
  EXPECT_EQ(table->Groups[3].Name, "");
  EXPECT_EQ(table->FindGroup("Birds"), nullptr);
  EXPECT_EQ(table->FindGroup("beasts"), nullptr);
}

TEST_F(LoaderTest, ContinuationLinesAppendToTheLastEntryAndEveryPhysicalLineCounts) {
  std::unique_ptr<Table> table = Parse(
      "# Encounters\n%Depth%,shallow\n:Start\n1-3,[Beasts] in the [Weather]\n4,A lone traveller\n"
      "\n# comments and blank lines in between\n   an ignored line\n_ who asks\n_ the way.\n"
      "5,last\n");
  const Group& start = table->Groups[0];
  EXPECT_THAT(Texts(start), ElementsAre("[Beasts] in the [Weather]",
                                        "A lone traveller who asks the way.", "last"));
  EXPECT_EQ(start.Entries[0].Line, 4);
  EXPECT_EQ(start.Entries[1].Line, 5);
  EXPECT_EQ(start.Entries[2].Line, 11);
}

TEST_F(LoaderTest, VariablesTakeTheTextBeforeTheClosingPercentAndEverythingAfterTheComma) {
  std::unique_ptr<Table> table = Parse("%Depth%,shallow\n%Empty%,\n%x%,a,b\n%odd,x\n%x%,second\n");
  std::vector<std::pair<std::string, std::string>> vars;
  for (const TableVariable& v : table->Vars) {
    EXPECT_EQ(v.Value, v.InitialValue);
    vars.emplace_back(v.Name, v.InitialValue);
  }
  EXPECT_THAT(vars, ElementsAre(Pair("Depth", "shallow"), Pair("Empty", ""), Pair("x", "a,b"),
                                Pair("od", "x"), Pair("x", "second")));
  EXPECT_EQ(table->FindVariable("x"), 2);
}

TEST_F(LoaderTest, ParametersBindTheFirstVariableOfTheirNameAndReplaceItsInitialValue) {
  std::unique_ptr<Table> table = Parse(
      "%Depth%,shallow\n%Size%,1\n%Size%,9\n"
      "@Depth,deep,How deep into the marsh?\n@Size,2,Size of the town?,Small,Medium,Large\n");
  ASSERT_EQ(table->ParamCount(), 2);
  const TableParameter& depth = table->Params[0];
  EXPECT_EQ(depth.VarIndex, 0);
  EXPECT_EQ(depth.DefaultValue, "deep");
  EXPECT_EQ(depth.Prompt, "How deep into the marsh?");
  EXPECT_FALSE(depth.IsList);
  EXPECT_TRUE(depth.Options.empty());
  const TableParameter& size = table->Params[1];
  EXPECT_EQ(size.VarIndex, 1);
  EXPECT_TRUE(size.IsList);
  EXPECT_THAT(size.Options, ElementsAre("Small", "Medium", "Large"));
  // The default becomes the initial value; the current value keeps the declared text.
  EXPECT_EQ(table->Vars[0].InitialValue, "deep");
  EXPECT_EQ(table->Vars[0].Value, "shallow");
  EXPECT_EQ(table->Vars[2].InitialValue, "9");
}

TEST_F(LoaderTest, EntriesBeforeTheFirstHeaderAreDiscarded) {
  std::unique_ptr<Table> table = Parse("1,lost\n2,lost too\n:Start\n1,kept\n");
  ASSERT_EQ(table->GroupCount(), 1);
  EXPECT_THAT(Texts(table->Groups[0]), ElementsAre("kept"));

  std::unique_ptr<Table> empty = Parse("# only comments\n\n# and blank lines\n");
  EXPECT_EQ(empty->Name, "T");
  EXPECT_EQ(empty->GroupCount(), 0);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(LoaderTest, BadValuesEndTheLoadWithTheirMessage) {
  ExpectLoadFails(":S\n,empty\n", "Missing value before comma in line 2:\r\r,empty");
  ExpectLoadFails(":S\n1,a\nabc,x\n3,never read\n",
                  "Missing value before comma in line 3:\r\rabc,x");
  ExpectLoadFails(":S\n-3,x\n", "Missing value before comma in line 2:\r\r-3,x");
  ExpectLoadFails(":S\n1-,x\n", "Missing value before comma in line 2:\r\r1-,x");
  ExpectLoadFails("# c\n:S\n32768,x\n", "Value exceeds 32768 in line 3:\r\r32768,x");
  ExpectLoadFails(":S\n1-40000,x\n", "Value exceeds 32768 in line 2:\r\r1-40000,x");
  ExpectLoadFails(";W\n32767,a\n1,b\n", "Value exceeds 32768 in line 3:\r\r1,b");
}

TEST_F(LoaderTest, MalformedDeclarationsEndTheLoadAsUnknownErrors) {
  ExpectLoadFails("%novalue\n", "An unknown error occurred in line 1:\r\r%novalue");
  ExpectLoadFails("%,x\n", "An unknown error occurred in line 1:\r\r%,x");
  ExpectLoadFails("%x%,0\n@x,1\n", "An unknown error occurred in line 2:\r\r@x,1");
}

TEST_F(LoaderTest, TooManyEntriesExceedTheSixteenBitCount) {
  std::string text = ":S\n";
  for (int i = 0; i < 32767; ++i) text += "1,x\n";
  EXPECT_EQ(Parse(text)->Groups[0].EntryCount(), 32767);
  EXPECT_TRUE(host.boxes.empty());
  ExpectLoadFails(text + "1,one too many\n",
                  "Value exceeds 32768 in line 32769:\r\r1,one too many");
}

TEST_F(LoaderTest, LineWithoutCommaIsReportedAndSkipped) {
  std::unique_ptr<Table> table = Parse(":S\n1,a\njust text\n2,b\n");
  EXPECT_EQ(table->Name, "T");
  EXPECT_THAT(Texts(table->Groups[0]), ElementsAre("a", "b"));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Error reading table file: T");
  EXPECT_EQ(host.boxes[0].text, "Line 3 has no initial comma, and will be ignored: \r\rjust text");
}

TEST_F(LoaderTest, ContinuationWithoutAnEntryIsReportedAndIgnored) {
  std::unique_ptr<Table> table = Parse("_orphan\n:S\n1,a\n:Next\n_not for a\n1,b\n");
  EXPECT_EQ(table->Name, "T");
  EXPECT_THAT(Texts(table->Groups[0]), ElementsAre("a"));
  EXPECT_THAT(Texts(table->Groups[1]), ElementsAre("b"));
  ASSERT_EQ(host.boxes.size(), 2u);
  ExpectLineReported(host.boxes[0], 1);
  ExpectLineReported(host.boxes[1], 5);
}

TEST_F(LoaderTest, ParameterOfAVariableNotDeclaredAboveIsReportedAndIgnored) {
  WriteTable("T", "@x,9,Prompt?\n%x%,0\n:Start\n1,%x%\n");
  Table& table = Load("T");
  EXPECT_EQ(table.ParamCount(), 0);
  EXPECT_EQ(table.Vars[0].InitialValue, "0");
  ASSERT_EQ(host.boxes.size(), 1u);
  ExpectLineReported(host.boxes[0], 1);
  // Rolling with a current parameter value must not write anywhere.
  engine.g_aParamValues = {"9"};
  EXPECT_EQ(RollTopLevel("T"), "0");
}

TEST_F(LoaderTest, MissingFileIsReportedEachTimeAndNotRemembered) {
  EXPECT_EQ(engine.GetTable("Inn"), -1);
  EXPECT_EQ(engine.GetTable("Inn"), -1);
  EXPECT_EQ(engine.TableCount(), 0);
  ASSERT_EQ(host.boxes.size(), 2u);
  for (const ShownBox& box : host.boxes) {
    EXPECT_EQ(box.kind, ShownBox::kMessage);
    EXPECT_EQ(box.title, "Error reading table file: Inn");
    EXPECT_EQ(box.text, "File \"Inn\" not found.\r\r");
  }
  WriteTable("Inn", ":Start\n1,open\n");
  EXPECT_EQ(engine.GetTable("Inn"), 0);
  EXPECT_EQ(engine.TableAt(0).Name, "Inn");
}

TEST_F(LoaderTest, TableThatFailsToLoadIsTriedAgainOnTheNextCall) {
  WriteTable("Bad", ":Start\nx,broken\n");
  EXPECT_EQ(engine.GetTable("Bad"), -1);
  EXPECT_EQ(engine.GetTable("Bad"), -1);
  EXPECT_EQ(engine.TableCount(), 0);
  EXPECT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].title, "Error reading table file: Bad");
  WriteTable("Bad", ":Start\n1,fixed\n");
  EXPECT_EQ(engine.GetTable("Bad"), 0);
}

TEST_F(LoaderTest, MissingTablesFolderIsAnUnknownError) {
  engine.SetTablesFolder(tables_folder() / "gone");
  engine.FillCatalog();
  EXPECT_EQ(engine.GetTable("Inn"), -1);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Error reading table file: Inn");
  EXPECT_THAT(host.boxes[0].text, StartsWith("An unknown error occurred in line "));
}

TEST_F(LoaderTest, ReadsUtf8AndWindows1252WithEitherLineEnd) {
  WriteTable("Utf", "\xEF\xBB\xBF:Start \r\n1,caf\xC3\xA9 \xE2\x82\xAC\r\n2,lf\n3,lone\rcr\r\n");
  WriteTable("Ansi", ":Start\r\n1,caf\xE9 \x80\x96\r\n_\x93quoted\x94\r\n");
  const Table& utf = Load("Utf");
  EXPECT_EQ(utf.Groups[0].Name, "Start ");
  EXPECT_THAT(Texts(utf.Groups[0]), ElementsAre("caf\xC3\xA9 \xE2\x82\xAC", "lf", "lone\rcr"));
  const Table& ansi = Load("Ansi");
  EXPECT_EQ(ansi.Groups[0].Name, "Start");
  EXPECT_THAT(Texts(ansi.Groups[0]),
              ElementsAre("caf\xC3\xA9 \xE2\x82\xAC\xE2\x80\x93\xE2\x80\x9Cquoted\xE2\x80\x9D"));
  EXPECT_TRUE(host.boxes.empty());
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

// The table checker: each kind of mistake on a table that makes it and, beside it, text that is
// sound and must not be reported; the report formats; the bundled library; fablewick-cli check.
#include "engine/authoring/checker.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/cli_process.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class CheckerTest : public EngineFixture {
 protected:
  // The diagnostics of table T (written first) as "line: severity: message".
  std::vector<std::string> Check(std::string_view text) {
    WriteTable("T", text);
    return Lines(CheckTables(engine.Catalog(), tables_folder(), {"T"}));
  }

  static std::vector<std::string> Lines(const std::vector<Diagnostic>& diagnostics) {
    std::vector<std::string> lines;
    for (const Diagnostic& d : diagnostics) {
      lines.push_back(std::to_string(d.line) + ": " + std::string(SeverityWord(d.severity)) + ": " +
                      d.message);
    }
    return lines;
  }
};

// A table T, each line of what the checker reports on it ("line: severity: message"), and why.
// Beside each mistake the table holds text that is sound and must not be reported.
struct CheckCase {
  std::string name;
  std::string table;
  std::vector<std::string> expected;
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

std::vector<CheckCase> Cases() {
  return {
      {"LoaderMessagesAreReportedWithTheirLines",
       ":Start\n1,a\n2 b\n;W\nx,c\n",
       {"3: warning: Line 3 has no initial comma, and will be ignored: 2 b",
        "5: error: Missing value before comma in line 5: x,c"}},

      // ---- group calls ----
      // A header with a trailing blank declares "Pearl ", which a call of "Pearl" does not find.
      {"CallsOfGroupsThatDoNotExistAreErrorsWithAHintForNearNames",
       ":Start\n1,[Gem] and [gem]\n2,[Pearl]\n:Gem\n1,ruby\n:Pearl \n1,x\n",
       {"2: error: group \"gem\" does not exist in this table (did you mean \"Gem\"?)",
        "3: error: group \"Pearl\" does not exist in this table (did you mean \"Pearl \"?)",
        "6: note: no call from \"Start\" reaches group \"Pearl \""}},
      {"CallsOfOtherTablesAreFollowed",
       ":Start\n1,[Other.Gem] [CC~Other.Gem+2] [Other.Opal]\n2,[Broken.Gem] [Absent.Gem]\n",
       {"2: error: group \"Opal\" does not exist in table \"Other\"",
        "3: error: table \"Broken\" cannot be loaded: Missing value before comma in line 2: x,ruby",
        "3: error: table \"Absent\" cannot be loaded: File \"Absent\" not found."}},
      // A "-" inside the parameters is taken as the roll modifier, which leaves "Gem(1,".
      {"PrefixesModifiersParametersAndConditionsAreReadAsTheRollerReadsThem",
       "%n%,1\n:Start\n1,[N3~LX~Gem=2] [Gem(1,2)] [D6~Gem-%n%] [%n%>1?Gem/Rock]\n2,[NX~Gem]\n"
       "3,[Gem(1,-2)]\n:Gem\n1,ruby\n",
       {"3: error: group \"Rock\" does not exist in this table",
        "4: error: group call prefix \"NX~\" needs a digit after \"N\"",
        "5: error: group \"Gem(1,\" does not exist in this table"}},
      // Escaped brackets are text, not calls.
      {"CallsWhoseNamesAreMadeWhileRollingAreNotJudged",
       "%g%,Gem\n%n%,2\n:Start\n1,[%g%] [Other%n%.Gem] [N%n%~Gem] [{UCase~x}] /[Nowhere/]\n"
       ":Gem\n1,ruby\n",
       {}},

      // ---- functions, blocks and nesting ----
      {"FunctionNamesMustBeBuiltInExactly",
       ":Start\n1,{UCase~a}{3d6}{Dice~1d4}{Calc~1+2}{If~1=1?a}{Cap~x}\n2,{ucase~a} {Shout~b}\n",
       {"3: error: function \"ucase\" is not built in (did you mean \"UCase\"?)",
        "3: error: function \"Shout\" is not built in"}},
      {"BlocksNeedTheirSeparatorsOutsideTheirConstructs",
       ":Start\n1,{If~1=1?a/b}{Loop~{Max~1,2},x}{While~{Calc~0},[G]}\n2,{If~[G]}\n3,{Loop~3}\n"
       "4,{While~{Max~1,2}}\n:G\n1,g\n",
       {"3: error: \"If\" block \"{If~[G]}\" has no \"?\" outside its constructs",
        "4: error: \"Loop\" block \"{Loop~3}\" has no \",\" outside its constructs",
        "5: error: \"While\" block \"{While~{Max~1,2}}\" has no \",\" outside its constructs"}},
      {"BracketsAndBracesThatNeverCloseAreErrors",
       ":Start\n1,a [G\n2,b {UCase~x\n3,c] d} e[G]\n:G\n1,g\n",
       {"2: error: group call \"[G\" is never closed with \"]\"",
        "3: error: brace block \"{UCase~x\" is never closed with \"}\""}},
      // What the roller reads before it rolls: a count or While condition, a call's condition
      // and a divisor written out. A condition decides its branch; the other is never rolled.
      {"LoopCountsAndWhileConditionsWrittenOutAreReadAsTheRollerReadsThem",
       "%n%,2\n:Start\n1,{Loop~abc,x}{Loop~3,x}{Loop~%n%,x}{While~0,x}{While~{Calc~1-1},x}\n"
       "2,{Loop~40000,x}{While~yes,x}\n3,{While~1,x}\n",
       {"3: error: the count \"abc\" of \"Loop\" block \"{Loop~abc,x}\" is not a number",
        "4: error: the count \"40000\" of \"Loop\" block \"{Loop~40000,x}\" is 32768 or more: a "
        "loop counts at most 32767 passes",
        "4: error: the condition \"yes\" of \"While\" block \"{While~yes,x}\" is not a number",
        "5: warning: the condition \"1\" of \"While\" block \"{While~1,x}\" never changes, so "
        "the loop runs until the generation is stopped"}},
      {"ConditionsWrittenOutRollOnlyTheBranchTheyChoose",
       ":Start\n1,[1=1?Gem/Nope] [2<1?Nope2/Gem] [1!=1?Gem/Nope3] [abc?Gem/Gem]\n:Gem\n1,ruby\n",
       {"2: error: group \"Nope3\" does not exist in this table",
        "2: warning: the condition \"abc\" of group call \"[abc?Gem/Gem]\" holds no comparison, "
        "so the call rolls nothing"}},
      // An If expands only the branch it chooses, a Loop or While its body only when a pass runs.
      {"BlocksWhoseHeadsAreWrittenOutAreCheckedOnlyWhereTheyRun",
       "%v%,1\n:Start\n1,{If~1=2?[Nope]/[G]}{If~1=1?[G]/[Nope2]}{If~1?[Nope3]/[Nope4]}"
       "{If~%v%=2?[Nope5]/[G]}\n2,{Loop~0,[Nope6]}{Loop~2,[G]}{While~0,[Nope7]}{Loop~x,[Nope8]}\n"
       ":G\n1,g\n",
       {"3: warning: the condition \"1\" of \"If\" block \"{If~1?[Nope3]/[Nope4]}\" holds no "
        "comparison, so the block gives nothing",
        "3: error: group \"Nope5\" does not exist in this table",
        "4: error: the count \"x\" of \"Loop\" block \"{Loop~x,[Nope8]}\" is not a number"}},
      {"DivisorsWrittenOutThatFailWhenRolledAreErrors",
       "%x%,4\n:Start\n1,|x/0| |x/2| |x/%x%| |y/0| |x+0|\n2,|x\\0.4|\n3,|x\\1e10|\n",
       {"3: error: assignment to variable \"x\" divides by zero",
        "3: error: assignment to variable \"y\", which is not declared",
        "4: error: assignment to variable \"x\" divides by zero",
        "5: error: assignment to variable \"x\" divides by \"1e10\", which is outside 32 bits"}},
      {"ConstructsInsideOthersAreCheckedAndDeepNestingIsNotFollowed",
       "%x%,1\n:Start\n1,{If~%x%=1?{Loop~2,[Nope]}/{Bad~1}}|x=[Nope2]|\n2," +
           std::string(100000, '[') + std::string(100000, ']') + "\n",
       {"3: error: group \"Nope\" does not exist in this table",
        "3: error: function \"Bad\" is not built in",
        "3: error: group \"Nope2\" does not exist in this table",
        "4: warning: constructs nest more than 256 deep; the text inside them is not checked"}},

      // ---- variables and parameters ----
      {"ReadsAndAssignmentsOfUndeclaredVariablesAreErrors",
       "%hp%,3\n:Start\n1,%hp% % hp % |hp+1| |hp=5| |a| /%x/% 50%\n2,%HP% |mp=2|\n3,5% or 6%\n",
       {"4: error: variable \"HP\" is not declared (did you mean \"hp\"?)",
        "4: error: assignment to variable \"mp\", which is not declared",
        "5: error: variable \"or 6\" is not declared (a percent sign is written \"/%\")"}},
      {"FunctionsThatNameVariablesAreChecked",
       "%L%,a,b\n%A%,\n%B%,\n:Start\n1,{Split~L,\",\",A,B}{SortAsc~A,B}{Param~L,1}\n"
       "2,{Split~M,\",\",C}{SortDesc~L,Z}{Param~P,1}\n",
       {"6: error: Split divides variable \"M\", which is not declared",
        "6: error: Split assigns variable \"C\", which is not declared",
        "6: error: SortDesc sorts variable \"Z\", which is not declared",
        "6: error: Param names variable \"P\", which is not declared"}},
      {"DeclarationsAreCheckedOnTheirOwnLines",
       "%Size%,1\n@Size,1,How big?\n%s%,\n@s,2,Size?,Small,Large\n%g%,[Gem]\n@Big,1,How big?\n"
       "%Big%,1\n%t%,\n@t,3,Size?,Small,Large\n%a%,1\n%a%,2\n%h%,[Opal]\n"
       ":Start\n1,%Size%%s%%g%%Big%%t%%a%%h%\n:Gem\n1,ruby\n",
       {"6: error: Line 6 declares a parameter for variable 'Big', which is not declared above it; "
        "the line will be ignored: @Big,1,How big?",
        "9: error: the default \"3\" of list parameter \"t\" is not an option number from 1 to 2",
        "11: warning: variable \"a\" is declared again; reads and assignments use the first, on "
        "line 10",
        "12: error: group \"Opal\" does not exist in this table"}},

      // ---- entries and groups no roll or call reaches ----
      // Gaps rolls 1 to 8: 4 and 5 lie in no range and are at or below the first Low, so they
      // take the reversed first entry; 6 lies in no range above it and takes the last entry,
      // whose own range is hidden by the second.
      {"EntriesNoRollChoosesAreWarnings",
       ":Start\n1-4,a\n3-6,b\n2-3,c\n;W\n0,d\n2,e\n0,f\n:Back\n1-3,a\n5-2,b\n4,c\n"
       ":Gaps\n5-1,a\n1-3,b\n7-8,c\n2,d\n",
       {"4: warning: no roll of group \"Start\" chooses this entry: it covers 2-3, rolls that "
        "earlier entries take",
        "5: note: no call from \"Start\" reaches group \"W\"",
        "6: warning: no roll of group \"W\" chooses this entry: it has weight 0",
        "8: warning: no roll of group \"W\" chooses this entry: it has weight 0",
        "9: note: no call from \"Start\" reaches group \"Back\"",
        "11: warning: no roll of group \"Back\" chooses this entry: it covers 5-2, a range that "
        "runs backwards",
        "13: note: no call from \"Start\" reaches group \"Gaps\""}},
      {"OnlyTheFirstOfTwoGroupsOfOneNameIsCalled",
       ":Start\n1,[G]\n:G\n1,a\n:G\n1,b\n:Empty\n",
       {"5: warning: group \"G\" is declared again; calls reach only the first, on line 3",
        "7: warning: group \"Empty\" has no entries; rolling it gives an error",
        "7: note: no call from \"Start\" reaches group \"Empty\""}},
      // Without a Start group there is nothing to reach from.
      {"GroupsOfATableWithoutStartAreNotNoted", ":Person\n1,a\n:Town\n1,b\n", {}},
  };
}

class CheckerCaseTest : public CheckerTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(CheckerCaseTest, ReportsEveryMistakeOnItsLineAndShowsNoBoxes) {
  WriteTable("Other", ":Gem\n1,ruby\n");
  WriteTable("Broken", ":Gem\nx,ruby\n");
  EXPECT_THAT(Check(GetParam().table), ElementsAreArray(GetParam().expected));
  EXPECT_THAT(host.boxes, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Tables, CheckerCaseTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(CheckerTest, TargetsAreCataloguedNamesOrFilesAndWithoutTargetsTheWholeCatalogue) {
  std::vector<Diagnostic> found = CheckTables(engine.Catalog(), tables_folder(), {"Gone"});
  EXPECT_EQ(FormatDiagnostics(found),
            (tables_folder() / "Gone.tab").string() + ": error: File \"Gone\" not found.\n");

  const fs::path file = WriteTable("Loose", ":Start\n1,[Start2]\n", "");
  found = CheckTables(engine.Catalog(), tables_folder(), {file.string()});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].file, file.string());
  EXPECT_EQ(found[0].message, "group \"Start2\" does not exist in this table");
  EXPECT_TRUE(IsTableFileArgument("x/Loose.TAB"));
  EXPECT_FALSE(IsTableFileArgument("Loose"));

  WriteTable("A", ":Start\n1,[Nope]\n", "One");
  WriteTable("B", ":Start\n1,{Nope~x}\n", "Two");
  found = CheckTables(engine.Catalog(), tables_folder(), {});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_THAT(found[0].file, HasSubstr("A.tab"));
  EXPECT_THAT(found[1].file, HasSubstr("B.tab"));
}

TEST_F(CheckerTest, GroupsReachedThroughAnyCallChainFromStartAreNotNoted) {
  WriteTable("Caller", ":Start\n1,[T.Far]\n");
  EXPECT_THAT(Check("%v%,[Via Value]\n:Start\n1,[A] %v% [Pre%v%]\n:A\n1,{If~1=1?[B]/x}\n"
                    ":B\n1,b\n:Via Value\n1,v\n:Prefixed\n1,p\n:Far\n1,f\n:Lost\n1,l\n"),
              ElementsAre("12: note: no call from \"Start\" reaches group \"Far\"",
                          "14: note: no call from \"Start\" reaches group \"Lost\""));
  // Checked together, the other table's call reaches Far.
  EXPECT_THAT(Lines(CheckTables(engine.Catalog(), tables_folder(), {"T", "Caller"})),
              ElementsAre("14: note: no call from \"Start\" reaches group \"Lost\""));
}

// ---- reports ----

TEST(CheckerReportTest, TextLinesFollowTheCompilerConvention) {
  const std::vector<Diagnostic> found = {{"a/T.tab", 3, Severity::kError, "bad"},
                                         {"a/T.tab", 0, Severity::kNote, "whole"}};
  EXPECT_EQ(FormatDiagnostics(found), "a/T.tab:3: error: bad\na/T.tab: note: whole\n");
  EXPECT_EQ(DiagnosticSummary(found), "1 error, 0 warnings, 1 note");
}

TEST(CheckerReportTest, TheHtmlReportEscapesTableTextAndSaysWhenAllIsWell) {
  const std::string html = FormatDiagnosticsHtml(
      {{"T.tab", 2, Severity::kWarning, "group \"<b>\" & more"}}, "Check of <T>");
  EXPECT_THAT(html, HasSubstr("<title>Check of &lt;T&gt;</title>"));
  EXPECT_THAT(html, HasSubstr("group &quot;&lt;b&gt;&quot; &amp; more"));
  EXPECT_THAT(html, HasSubstr("line 2"));
  EXPECT_THAT(FormatDiagnosticsHtml({}, "Check"), HasSubstr("No problems found."));
}

TEST(CheckerLibraryTest, TheBundledLibraryHasNoErrorsAndIsCheckedQuickly) {
  const fs::path tables = fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share" / "Tables";
  TableCatalog catalog;
  catalog.Fill(tables);
  ASSERT_FALSE(catalog.items().empty());
  const auto start = std::chrono::steady_clock::now();
  const std::vector<Diagnostic> found = CheckTables(catalog, tables, {});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(HasErrors(found)) << FormatDiagnostics(found);
}

#ifdef FABLEWICK_CLI_PATH
TEST_F(CheckerTest, CliCheckPrintsDiagnosticsAndExitsWith1OnlyForErrors) {
  WriteTable("Good", ":Start\n1,[A]\n:A\n1,a\n:A\n1,b\n:Unused\n1,u\n");
  WriteTable("Bad", ":Start\n1,[Nope]\n");
  const auto check = [this](std::vector<std::string> args) {
    args.insert(args.begin(), {FABLEWICK_CLI_PATH, "--tables", tables_folder().string(), "check"});
    return RunCli(args);
  };
  const Outcome good = check({"Good"});
  EXPECT_EQ(good.status, 0);
  const std::string good_file = (tables_folder() / "Tests" / "Good.tab").string();
  EXPECT_EQ(good.out, good_file +
                          ":5: warning: group \"A\" is declared again; calls reach only the first, "
                          "on line 3\n" +
                          good_file +
                          ":7: note: no call from \"Start\" reaches group \"Unused\"\n");
  const Outcome bad = check({"Good", "Bad"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_THAT(bad.out, HasSubstr("Bad.tab:2: error: group \"Nope\" does not exist"));
  EXPECT_EQ(check({}).status, 1);  // the whole catalogue, Bad included
}
#endif  // FABLEWICK_CLI_PATH

}  // namespace
}  // namespace fablewick

// The table checker: each kind of mistake on a table that makes it and, beside it, text that is
// sound and must not be reported (most of them golden cases); the report formats; the bundled
// library.
#include "engine/authoring/checker.h"

#include <chrono>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
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

// Each kind of mistake, on a table that makes it beside sound text, is a golden case in
// tests/golden/Tables/Check, run through fablewick-cli check.
TEST_F(CheckerTest, ConstructsInsideOthersAreCheckedAndDeepNestingIsNotFollowed) {
  EXPECT_THAT(Check("%x%,1\n:Start\n1,{If~%x%=1?{Loop~2,[Nope]}/{Bad~1}}|x=[Nope2]|\n2," +
                    std::string(100000, '[') + std::string(100000, ']') + "\n"),
              ElementsAre("3: error: group \"Nope\" does not exist in this table",
                          "3: error: function \"Bad\" is not built in",
                          "3: error: group \"Nope2\" does not exist in this table",
                          "4: warning: constructs nest more than 256 deep; the text inside them "
                          "is not checked"));
  EXPECT_THAT(host.boxes, IsEmpty());
}

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

// The studio checks the text in its editor: that text, not the saved file, is checked, and the
// tables it calls are read as saved.
TEST_F(CheckerTest, UnsavedTextIsCheckedAsItStandsAndCalledTablesAsSaved) {
  const fs::path file = WriteTable("T", ":Start\n1,[Gone]\n");
  WriteTable("Other", ":Start\n1,x\n:Gem\n1,ruby\n");
  const std::string text = ":Start\n1,[Other.Gem][Other.Nope]\n2,[Start2]\n:Start2\n1,a\n";
  EXPECT_THAT(Lines(CheckTableText(engine.Catalog(), tables_folder(), "T", file, text)),
              ElementsAre("2: error: group \"Nope\" does not exist in table \"Other\""));
}

}  // namespace
}  // namespace fablewick

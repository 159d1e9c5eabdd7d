// The table checker on what its golden cases (tests/golden/Tables/Check) leave open: the whole
// catalogue, the HTML report and the bundled library.
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
using ::testing::HasSubstr;

using CheckerTest = EngineFixture;

// Each kind of mistake, on a table that makes it beside sound text, is a golden case in
// tests/golden/Tables/Check, run through fablewick-cli check: also targets given as names, as
// files and tables checked together, and the text report. Here the whole catalogue.
TEST_F(CheckerTest, WithoutTargetsTheWholeCatalogueIsChecked) {
  WriteTable("A", ":Start\n1,[Nope]\n", "One");
  WriteTable("B", ":Start\n1,{Nope~x}\n", "Two");
  const std::vector<Diagnostic> found = CheckTables(engine.Catalog(), tables_folder(), {});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_THAT(found[0].file, HasSubstr("A.tab"));
  EXPECT_THAT(found[1].file, HasSubstr("B.tab"));
}

// ---- reports ----

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
  const std::vector<Diagnostic> found =
      CheckTableText(engine.Catalog(), tables_folder(), "T", file, text);
  ASSERT_EQ(found.size(), 1u) << FormatDiagnostics(found);
  EXPECT_EQ(found[0].line, 2);
  EXPECT_EQ(found[0].severity, Severity::kError);
  EXPECT_EQ(found[0].message, "group \"Nope\" does not exist in table \"Other\"");
}

}  // namespace
}  // namespace fablewick

// Importing tables: every source under tests/data/import is imported through the real entry
// point, must pass the checker, and is rolled through the engine. A grammar's rolls must give
// exactly the outcomes its rules can produce, each of them, as listed beside it in
// `name.outcomes.json`; a list or sheet must give its golden table file. Bad sources and names
// write nothing; an existing table is replaced only when asked. What fablewick-cli import writes,
// reports and refuses are golden cases (tests/golden/Imports).
#include "engine/authoring/import.h"

#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "engine/authoring/checker.h"
#include "engine/authoring/tab_writer.h"
#include "engine/documents/document.h"
#include "platform/text.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const fs::path kData = fs::path(FABLEWICK_TEST_DATA_DIR) / "import";
constexpr int kRolls = 3000;

// ---- the fixture ----------------------------------------------------------------------------

class ImportTest : public EngineFixture {
 protected:
  ImportOutcome Import(const fs::path& source, ImportRequest request = {}) {
    request.source = source;
    ImportOutcome outcome = ImportTable(request, tables_folder());
    engine.FillCatalog();
    engine.ClearTableCache();
    return outcome;
  }

  // The texts of many rolls of the table, as a reader sees them on the results page.
  std::set<std::string> Rolled(const std::string& table) {
    std::set<std::string> texts;
    for (int i = 0; i < kRolls; ++i) {
      const std::string shown = UnescapeText(ExpandCaretCodes(RollTopLevel(table)));
      texts.insert(ReplaceAll(shown, "\r\n", "\n"));
    }
    return texts;
  }

  // The checker's errors and warnings on a table file, as "line: message".
  std::vector<std::string> Complaints(const fs::path& file) {
    std::vector<std::string> lines;
    for (const Diagnostic& d : CheckTables(engine.Catalog(), tables_folder(), {file.string()})) {
      if (d.severity != Severity::kNote) lines.push_back(std::to_string(d.line) + ": " + d.message);
    }
    return lines;
  }

  std::set<std::string> TablesOnDisk() {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(tables_folder())) {
      if (entry.is_regular_file()) files.insert(entry.path().filename().string());
    }
    return files;
  }
};

// A source written for the tests, a piece of each line it must report, and a grammar's start.
struct SourceCase {
  std::string file;
  std::vector<std::string> reported;
  std::string start = "origin";
};

TEST_F(ImportTest, SourcesRollExactlyWhatTheirRulesProduceOrGiveTheirGoldenTables) {
  const std::vector<SourceCase> cases = {
      // Plain references, a text and a number as alternatives, an empty one, a repeat.
      {"basic.json", {}},
      // Each modifier alone and in pairs; ".ed" has no counterpart.
      {"modifiers.json", {"line 2: symbol \"origin\": the modifier \".ed\""}},
      // Pushes that last for one reference and after it, several values, POP, a push in a push.
      {"pushes.json", {}},
      // Alternatives full of what the table language reads as constructs.
      {"escapes.json", {}},
      // Symbols whose names a call could not hold, one of them "Start"; another start symbol.
      {"names.json", {}, "main"},
      {"weather.csv", {}},  // a "d6,Weather" header, ranges, quoted commas, quotes, CR LF
      {"sheet.csv", {"the columns after the second are joined"}},  // ";", a header, a line break
      {"pond.txt", {}},                                            // a byte-order mark, weights
      {"d100.txt", {}},                              // tab-separated, "00" ends a d100 table
      {"gaps.txt", {}},                              // numbers that do not count up are weights
      {"latin.txt", {"line 1: no roll or weight"}},  // Windows-1252, a leading "1,000"
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(c.file);
    ImportRequest request;
    request.start_symbol = c.start;
    const ImportOutcome outcome = Import(kData / c.file, request);
    ASSERT_EQ(outcome.status, ImportStatus::kWritten) << outcome.message;
    EXPECT_THAT(Complaints(outcome.file), IsEmpty());
    ASSERT_EQ(outcome.report.size(), c.reported.size()) << testing::PrintToString(outcome.report);
    for (std::size_t i = 0; i < c.reported.size(); ++i) {
      EXPECT_THAT(outcome.report[i], HasSubstr(c.reported[i]));
    }
    const fs::path listed = kData / (fs::path(c.file).stem().string() + ".outcomes.json");
    if (fs::exists(listed)) {
      EXPECT_EQ(Rolled(outcome.table),
                nlohmann::json::parse(ReadFile(listed)).get<std::set<std::string>>());
    } else {
      EXPECT_EQ(ReadFile(outcome.file), ReadFile(kData / (outcome.table + ".tab.expected")));
    }
  }
  // A repeated alternative keeps its weight: "cat" is written twice among three.
  const Group& animal = Load("basic").Groups[1];
  ASSERT_EQ(animal.Entries.size(), 2u);
  EXPECT_EQ(animal.Entries[1].High - animal.Entries[1].Low + 1, 2);
  // Every entry of a sheet comes up, shown as the sheet wrote it.
  EXPECT_EQ(Rolled("weather"),
            (std::set<std::string>{"Sun", "Rain, heavy", "Fog \"thick\" [or] {not}"}));
}

// What each bad source in tests/golden/Imports says is a golden case of fablewick-cli import.
TEST_F(ImportTest, BadSourcesFailAndWriteNothing) {
  for (const auto& entry : fs::directory_iterator(kData / ".." / ".." / "golden" / "Imports")) {
    const fs::path kind = entry.path().extension();
    if (kind != ".json" && kind != ".txt" && kind != ".csv") continue;
    EXPECT_EQ(Import(entry.path()).status, ImportStatus::kFailed) << entry.path();
  }
  // A 50 MB file is refused before it is read.
  const fs::path huge =
      tables_folder().parent_path() / (tables_folder().filename().string() + ".txt");
  WriteFile(huge, "a");
  fs::resize_file(huge, std::uintmax_t{50} << 20);
  const ImportOutcome outcome = Import(huge);
  fs::remove(huge);
  EXPECT_EQ(outcome.status, ImportStatus::kFailed);
  EXPECT_THAT(outcome.message, HasSubstr("is 50.0 MB; files over 4.0 MB are not imported"));
  EXPECT_THAT(TablesOnDisk(), IsEmpty());
}

TEST_F(ImportTest, NamesMustBeFileNamesAndTablesAreReplacedOnlyWhenAsked) {
  for (const std::string name : {"a/b", "a\\b", ".", "..", ""}) {
    ImportRequest request;
    request.table = name.empty() ? "ok" : name;
    request.category = name.empty() ? "" : "Imported";
    EXPECT_EQ(Import(kData / "pond.txt", request).status, ImportStatus::kBadName) << name;
  }
  EXPECT_THAT(TablesOnDisk(), IsEmpty());

  ImportRequest request;
  request.table = "Pond";
  ASSERT_EQ(Import(kData / "pond.txt", request).status, ImportStatus::kWritten);
  // Another source under the same name, also differing in letter case, is refused unasked.
  request.table = "pond";
  const ImportOutcome refused = Import(kData / "gaps.txt", request);
  EXPECT_EQ(refused.status, ImportStatus::kExists);
  EXPECT_THAT(refused.message, HasSubstr("\"Pond\" already exists in category \"Imported\""));
  EXPECT_EQ(ReadFile(refused.file), ReadFile(kData / "pond.tab.expected"));
  request.replace = true;
  const ImportOutcome replaced = Import(kData / "gaps.txt", request);
  ASSERT_EQ(replaced.status, ImportStatus::kWritten);
  EXPECT_THAT(TablesOnDisk(), ElementsAre("pond.tab"));
  EXPECT_EQ(ReadFile(replaced.file), ReadFile(kData / "gaps.tab.expected"));
}

}  // namespace
}  // namespace fablewick

// Importing tables: every source under tests/data/import is imported through the real entry
// point, must pass the checker, and is rolled through the engine. A grammar's rolls must give
// exactly the outcomes that its own rules can produce, each of them, as enumerated here from the
// grammar itself; a list or sheet must give its golden table file. Bad sources and names write
// nothing; an existing table is replaced only when asked; fablewick-cli import keeps the contract.
#include "engine/authoring/import.h"

#include <functional>
#include <map>
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
#include "tests/support/cli_process.h"
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

// ---- what a grammar can produce, read from the grammar itself -------------------------------

// Every outcome of a small grammar: the text and the values pushed on the way. Pushed values are
// a stack per symbol; a reference reads the top set of values if there is one, else the
// symbol's alternatives. Modifiers are the table language's own functions.
class GrammarOutcomes {
 public:
  using Stacks = std::map<std::string, std::vector<std::vector<std::string>>>;
  using Outcome = std::pair<std::string, Stacks>;

  // `expand` expands table text, for the modifiers that are functions.
  GrammarOutcomes(const nlohmann::ordered_json& grammar,
                  std::function<std::string(const std::string&)> expand)
      : grammar_(grammar), expand_(std::move(expand)) {}

  std::set<std::string> Of(const std::string& start) {
    std::set<std::string> texts;
    for (const Outcome& outcome : Read(start, {}, {})) texts.insert(outcome.first);
    return texts;
  }

 private:
  static std::size_t Close(const std::string& text, std::size_t from, char closer) {
    for (int depth = 0; from < text.size(); ++from) {
      const char c = text[from];
      if (c == '\\')
        ++from;
      else if (c == '[')
        ++depth;
      else if (c == ']' && depth-- == 0 && closer == ']')
        return from;
      else if (c == '#' && depth == 0 && closer == '#')
        return from;
      if (depth < 0) depth = 0;
    }
    return std::string::npos;
  }

  static std::vector<std::string> Sections(const std::string& text) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '[' || text[i] == '#') {
        const std::size_t end = Close(text, i + 1, text[i] == '[' ? ']' : '#');
        parts.back() += text.substr(i, end - i + 1);
        i = end;
      } else if (text[i] == ',') {
        parts.emplace_back();
      } else {
        parts.back() += text[i];
      }
    }
    return parts;
  }

  // Each way of appending the outcomes of `more` to the outcomes so far.
  template <typename More>
  static std::vector<Outcome> Then(const std::vector<Outcome>& so_far, const More& more) {
    std::vector<Outcome> next;
    for (const Outcome& outcome : so_far) {
      for (Outcome added : more(outcome.second)) {
        next.push_back({outcome.first + added.first, std::move(added.second)});
      }
    }
    return next;
  }

  std::vector<Outcome> Push(const std::string& action, const Stacks& stacks) {
    const std::size_t colon = action.find(':');
    if (colon == std::string::npos) return {{"", stacks}};
    const std::string target = action.substr(0, colon), rule = action.substr(colon + 1);
    if (rule == "POP") {
      Stacks popped = stacks;
      if (!popped[target].empty()) popped[target].pop_back();
      return {{"", popped}};
    }
    std::vector<std::pair<std::vector<std::string>, Stacks>> sets = {{{}, stacks}};
    for (const std::string& section : Sections(rule)) {
      std::vector<std::pair<std::vector<std::string>, Stacks>> grown;
      for (const auto& [values, state] : sets) {
        for (const Outcome& outcome : Expand(section, state)) {
          std::vector<std::string> more = values;
          more.push_back(outcome.first);
          grown.push_back({more, outcome.second});
        }
      }
      sets = std::move(grown);
    }
    std::vector<Outcome> outcomes;
    for (auto& [values, state] : sets) {
      state[target].push_back(values);
      outcomes.push_back({"", state});
    }
    return outcomes;
  }

  std::string Modify(std::string text, const std::string& modifier) {
    if (modifier == "capitalize") return Engine::ApplyCallFlags(text, false, !text.empty());
    if (modifier == "a") return Engine::ApplyCallFlags(text, true, false);
    if (modifier == "s") return expand_("{Plural~" + text + "}");
    if (modifier == "capitalizeAll") return expand_("{CapEachWord~" + text + "}");
    return text;
  }

  std::vector<Outcome> Read(const std::string& symbol, const std::vector<std::string>& modifiers,
                            const Stacks& stacks) {
    std::vector<Outcome> outcomes;
    const auto pushed = stacks.find(symbol);
    if (pushed != stacks.end() && !pushed->second.empty()) {
      for (const std::string& value : pushed->second.back()) outcomes.push_back({value, stacks});
    } else if (!grammar_.contains(symbol)) {
      outcomes.push_back({"", stacks});  // a pushed symbol, not pushed now
    } else {
      const auto& rules = grammar_.at(symbol);
      for (const auto& rule : rules.is_array() ? rules : nlohmann::ordered_json::array({rules})) {
        const std::string text = rule.is_string() ? rule.get<std::string>() : rule.dump();
        for (Outcome& outcome : Expand(text, stacks)) outcomes.push_back(std::move(outcome));
      }
    }
    for (Outcome& outcome : outcomes) {
      for (const std::string& modifier : modifiers) outcome.first = Modify(outcome.first, modifier);
    }
    return outcomes;
  }

  std::vector<Outcome> Reference(const std::string& inside, const Stacks& stacks) {
    std::vector<Outcome> outcomes = {{"", stacks}};
    std::size_t at = 0;
    std::vector<std::string> targets;
    while (at < inside.size() && inside[at] == '[') {
      const std::size_t end = Close(inside, at + 1, ']');
      const std::string action = inside.substr(at + 1, end - at - 1);
      targets.push_back(action.substr(0, action.find(':')));
      outcomes = Then(outcomes, [&](const Stacks& s) { return Push(action, s); });
      at = end + 1;
    }
    const std::vector<std::string> parts = SplitAll(inside.substr(at), '.');
    const std::vector<std::string> modifiers(parts.begin() + 1, parts.end());
    if (!parts[0].empty()) {
      outcomes = Then(outcomes, [&](const Stacks& s) { return Read(parts[0], modifiers, s); });
    }
    for (Outcome& outcome : outcomes) {
      for (const std::string& target : targets) outcome.second[target].pop_back();
    }
    return outcomes;
  }

  std::vector<Outcome> Expand(const std::string& text, const Stacks& stacks) {
    std::vector<Outcome> outcomes = {{"", stacks}};
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '[' || c == '#') {
        const std::size_t end = Close(text, i + 1, c == '[' ? ']' : '#');
        const std::string inside = text.substr(i + 1, end - i - 1);
        outcomes = Then(outcomes, [&](const Stacks& s) {
          return c == '[' ? Push(inside, s) : Reference(inside, s);
        });
        i = end;
        continue;
      }
      const std::string literal(1, c == '\\' ? text[++i] : c);
      for (Outcome& outcome : outcomes) outcome.first += literal;
    }
    return outcomes;
  }

  const nlohmann::ordered_json& grammar_;
  std::function<std::string(const std::string&)> expand_;
};

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

// A grammar written for the tests, its start symbol, and a piece of each line it must report.
struct GrammarCase {
  std::string file;
  std::string start;
  std::vector<std::string> reported;
};

TEST_F(ImportTest, GrammarsRollExactlyWhatTheirRulesProduce) {
  const std::vector<GrammarCase> cases = {
      // Plain references, a text and a number as alternatives, an empty one, a repeat.
      {"basic.json", "origin", {}},
      // Each modifier alone and in pairs; ".ed" has no counterpart.
      {"modifiers.json", "origin", {"line 2: symbol \"origin\": the modifier \".ed\""}},
      // Pushes that last for one reference and after it, several values, POP, a push in a push.
      {"pushes.json", "origin", {}},
      // Alternatives full of what the table language reads as constructs.
      {"escapes.json", "origin", {}},
      // Symbols whose names a call could not hold, one of them "Start"; another start symbol.
      {"names.json", "main", {}},
  };
  for (const GrammarCase& c : cases) {
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
    const auto grammar = nlohmann::ordered_json::parse(ReadFile(kData / c.file));
    const std::set<std::string> possible =
        GrammarOutcomes(grammar, [this](const std::string& text) {
          return Expand(text);
        }).Of(c.start);
    EXPECT_EQ(Rolled(outcome.table), possible);
  }
  // A repeated alternative keeps its weight: "cat" is written twice among three.
  const Group& animal = Load("basic").Groups[1];
  ASSERT_EQ(animal.Entries.size(), 2u);
  EXPECT_EQ(animal.Entries[1].High - animal.Entries[1].Low + 1, 2);
}

// Lists and sheets: each file beside its table, `name.tab.expected`, and the lines reported.
TEST_F(ImportTest, ListsAndSheetsGiveTheirGoldenTables) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"weather.csv", {}},  // a "d6,Weather" header, ranges, quoted commas, quotes, CR LF
      {"sheet.csv", {"the columns after the second are joined"}},  // ";", a header, a line break
      {"pond.txt", {}},                                            // a byte-order mark, weights
      {"d100.txt", {}},                              // tab-separated, "00" ends a d100 table
      {"gaps.txt", {}},                              // numbers that do not count up are weights
      {"latin.txt", {"line 1: no roll or weight"}},  // Windows-1252, a leading "1,000"
  };
  for (const auto& [file, reported] : cases) {
    SCOPED_TRACE(file);
    const ImportOutcome outcome = Import(kData / file);
    ASSERT_EQ(outcome.status, ImportStatus::kWritten) << outcome.message;
    EXPECT_EQ(ReadFile(outcome.file), ReadFile(kData / (outcome.table + ".tab.expected")));
    EXPECT_THAT(Complaints(outcome.file), IsEmpty());
    ASSERT_EQ(outcome.report.size(), reported.size()) << testing::PrintToString(outcome.report);
    for (std::size_t i = 0; i < reported.size(); ++i) {
      EXPECT_THAT(outcome.report[i], HasSubstr(reported[i]));
    }
  }
  // Every entry comes up, shown as the sheet wrote it.
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

#ifdef FABLEWICK_CLI_PATH
TEST_F(ImportTest, TheCommandLineWritesReportsAndRefusesAsItsHelpSays) {
  const std::vector<std::string> cli = {FABLEWICK_CLI_PATH, "--tables", tables_folder().string(),
                                        "import"};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), cli.begin(), cli.end());
    return RunCli(args);
  };
  const std::string source = (kData / "modifiers.json").string();
  const Outcome written = run({source, "--category", "Words", "--name", "Modified"});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, (tables_folder() / "Words" / "Modified.tab").string() + "\n");
  EXPECT_THAT(written.err, HasSubstr("modifiers.json: line 2: symbol \"origin\": the modifier"));
  const Outcome again = run({source, "--category", "Words", "--name", "Modified"});
  EXPECT_EQ(again.status, 1);
  EXPECT_THAT(again.err, HasSubstr("Give --force to replace it."));
  EXPECT_EQ(run({source, "--category", "Words", "--name", "Modified", "--force"}).status, 0);
  const Outcome bad_name = run({source, "--name", "../up"});
  EXPECT_EQ(bad_name.status, 2);
  EXPECT_THAT(bad_name.err, HasSubstr("holds a path separator"));
  EXPECT_EQ(run({source, "--as", "yaml"}).status, 2);
  const Outcome as_list = run({(kData / "pond.txt").string(), "--as", "csv", "--name", "P"});
  EXPECT_EQ(as_list.status, 0) << as_list.err;
}
#endif

}  // namespace
}  // namespace fablewick

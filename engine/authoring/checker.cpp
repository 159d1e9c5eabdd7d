#include "engine/authoring/checker.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <set>
#include <tuple>

#include "engine/authoring/checker_unit.h"
#include "engine/documents/html_text.h"
#include "engine/error.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_walk.h"
#include "engine/host.h"
#include "engine/model/loader.h"
#include "engine/model/parameters.h"
#include "engine/model/table.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
constexpr std::size_t kNone = std::string_view::npos;

// The loader's message boxes, kept instead of shown.
class CollectingHost : public SilentHost {
 public:
  void MessageBox(const std::string& title, const std::string& text) override {
    (void)title;
    texts.push_back(text);
  }

  std::vector<std::string> texts;
};

// A box text on one line: each run of line breaks becomes one blank.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  return std::string(TrimBlanks(line));
}

// The line number a loader message names ("Line 4 has ...", "... in line 4:"); 0 for none.
int32_t LineOfMessage(std::string_view text) {
  for (std::string_view word : {"Line ", "line "}) {
    const std::size_t at = text.find(word);
    if (at == kNone) continue;
    const char* first = text.data() + at + word.size();
    int32_t line = 0;
    if (std::from_chars(first, text.data() + text.size(), line).ec == std::errc()) return line;
  }
  return 0;
}

// Whether `name` matches `pattern`, in which each kMadeWhileRolling stands for any text.
bool MatchesPattern(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0, star = kNone, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == kMadeWhileRolling) {
      star = p++;
      mark = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != kNone) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == kMadeWhileRolling) ++p;
  return p == pattern.size();
}

// The lines of the file, read as the loader reads them, and whether they could be read.
std::optional<std::string> ReadTableText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) return std::nullopt;
  return DecodeFileText(bytes);
}

// Records on which line each group, variable and accepted parameter is declared, and reports
// entry lines that the loader drops without a word because no group is open yet.
void IndexLines(Unit& unit, std::string_view text) {
  const Table& table = *unit.table;
  std::size_t variables_seen = 0;
  int32_t number = 0;
  ForEachTableLine(text, [&](std::string_view line, std::size_t) {
    ++number;
    switch (ClassifyTableLine(line)) {
      case LineKind::kGroupHeader:
        unit.group_lines.push_back(number);
        unit.group_weighted.push_back(ReadHeaderLine(line).weighted);
        break;
      case LineKind::kVariable:
        unit.variable_lines.push_back(number);
        variables_seen = std::min(variables_seen + 1, table.Vars.size());
        break;
      case LineKind::kParameter: {
        // The loader keeps a parameter only when its variable is declared above it.
        const std::string_view name = ParameterFields(line)[0];
        const auto end = table.Vars.begin() + static_cast<std::ptrdiff_t>(variables_seen);
        if (std::any_of(table.Vars.begin(), end,
                        [&](const TableVariable& v) { return v.Name == name; })) {
          unit.parameter_lines.push_back(number);
        }
        break;
      }
      case LineKind::kEntry:
        if (unit.group_lines.empty() && ReadEntryLine(line).has_comma) {
          unit.Report(number, Severity::kWarning,
                      "entry line before the first group header belongs to no group and is "
                      "dropped");
        }
        break;
      default:
        break;
    }
  });
}

// Loads a table file, or, with `given`, the text of one as it stands in an editor.
std::unique_ptr<Unit> LoadUnit(const std::string& name, const fs::path& path,
                               const std::string* given = nullptr) {
  auto unit = std::make_unique<Unit>();
  unit->name = name;
  CollectingHost host;
  const fs::path found = given ? path : FindFileIgnoringCase(path);
  unit->file = (found.empty() ? path : found).string();
  std::optional<std::string> text;
  if (given) {
    text = *given;
  } else if (!found.empty()) {
    text = ReadTableText(found);
  }
  // The loader's own rules: the text is parsed by it, and a file that cannot be read is handed
  // to it so that it gives its own message.
  std::unique_ptr<Table> table =
      text ? ParseTableText(name, *text, host) : LoadTableFile(name, path, host);
  const bool failed = table->Name == kErrorTableName;
  for (std::size_t i = 0; i < host.texts.size(); ++i) {
    const std::string& message = host.texts[i];
    const bool fatal = failed && i + 1 == host.texts.size();
    // A parameter whose variable is not declared is dropped, prompt and all; the other lines
    // the loader skips may be stray text.
    const bool lost_parameter = message.find(" declares a parameter ") != std::string::npos;
    unit->Report(LineOfMessage(message),
                 fatal || lost_parameter ? Severity::kError : Severity::kWarning, OneLine(message));
  }
  if (failed) {
    unit->load_failure = host.texts.empty() ? "it cannot be read" : OneLine(host.texts.back());
    return unit;
  }
  unit->table = std::move(table);
  unit->calls.resize(unit->table->Groups.size());
  if (text) IndexLines(*unit, *text);
  return unit;
}

class Checker : public UnitSource {
 public:
  Checker(const TableCatalog& catalog, const fs::path& tables_folder)
      : catalog_(catalog), tables_folder_(tables_folder) {}

  void AddTarget(const std::string& name, const fs::path& path, const std::string* text = nullptr) {
    std::unique_ptr<Unit> unit = LoadUnit(name, path, text);
    unit->target = true;
    by_name_.emplace(name, unit.get());  // the first table of a name is the one calls reach
    units_.push_back(std::move(unit));
  }

  // The table a call names, loaded as the engine would load it.
  Unit& Find(const std::string& name) override {
    auto found = by_name_.find(name);
    if (found != by_name_.end()) return *found->second;
    std::unique_ptr<Unit> unit;
    if (name.find_first_of("/\\") != std::string::npos || name.find('\0') != std::string::npos) {
      // The engine never reads a path from table text.
      unit = std::make_unique<Unit>();
      unit->name = name;
      unit->load_failure = "File " + Quoted(name) + " not found.";
    } else {
      unit = LoadUnit(name, catalog_.TablePath(tables_folder_, name));
    }
    Unit& added = *unit;
    by_name_.emplace(name, unit.get());
    units_.push_back(std::move(unit));
    return added;
  }

  std::vector<Diagnostic> Run() {
    // Tables loaded for a call are analysed too: their calls count for what is reached.
    for (std::size_t i = 0; i < units_.size(); ++i) Analyse(*units_[i]);
    MarkUnreachedGroups();
    std::vector<Diagnostic> all;
    for (const auto& unit : units_) {
      if (!unit->target) continue;
      std::vector<Diagnostic> own = unit->diagnostics;
      std::stable_sort(own.begin(), own.end(),
                       [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
      // The same mistake made twice on one line is reported once.
      std::set<std::tuple<int32_t, Severity, std::string>> seen;
      for (Diagnostic& diagnostic : own) {
        if (seen.emplace(diagnostic.line, diagnostic.severity, diagnostic.message).second) {
          all.push_back(std::move(diagnostic));
        }
      }
    }
    return all;
  }

 private:
  void Analyse(Unit& unit) {
    if (unit.analysed || unit.table == nullptr) return;
    unit.analysed = true;
    Table& table = *unit.table;
    for (std::size_t k = 0; k < table.Vars.size(); ++k) {
      const int32_t line = k < unit.variable_lines.size() ? unit.variable_lines[k] : 0;
      CheckText(*this, unit, line, unit.variable_calls, table.Vars[k].InitialValue);
    }
    for (std::size_t g = 0; g < table.Groups.size(); ++g) {
      for (const Entry& entry : table.Groups[g].Entries) {
        CheckText(*this, unit, entry.Line, unit.calls[g], entry.Text);
      }
    }
    CheckDeclarations(unit);
    for (std::size_t g = 0; g < table.Groups.size(); ++g) CheckEntriesReached(unit, g);
  }

  void CheckDeclarations(Unit& unit) {
    Table& table = *unit.table;
    std::map<std::string, std::size_t> first_group;
    for (std::size_t g = 0; g < table.Groups.size(); ++g) {
      const Group& group = table.Groups[g];
      const int32_t line = GroupLine(unit, g);
      auto [first, added] = first_group.emplace(group.Name, g);
      if (!added) {
        unit.Report(line, Severity::kWarning,
                    "group " + Quoted(group.Name) + " is declared again; calls reach only the " +
                        "first, on line " + FormatInteger(GroupLine(unit, first->second)));
      }
      if (group.Entries.empty()) {
        unit.Report(line, Severity::kWarning,
                    "group " + Quoted(group.Name) + " has no entries; rolling it gives an error");
      }
    }
    std::map<std::string, std::size_t> first_variable;
    for (std::size_t k = 0; k < table.Vars.size(); ++k) {
      auto [first, added] = first_variable.emplace(table.Vars[k].Name, k);
      if (added) continue;
      unit.Report(VariableLine(unit, k), Severity::kWarning,
                  "variable " + Quoted(table.Vars[k].Name) +
                      " is declared again; reads and assignments use the first, on line " +
                      FormatInteger(VariableLine(unit, first->second)));
    }
    for (std::size_t i = 0; i < table.Params.size(); ++i) {
      const TableParameter& parameter = table.Params[i];
      if (!parameter.IsList || ListOptionIndex(parameter, parameter.DefaultValue)) continue;
      const int32_t line = i < unit.parameter_lines.size() ? unit.parameter_lines[i] : 0;
      unit.Report(line, Severity::kError,
                  "the default " + Quoted(parameter.DefaultValue) + " of list parameter " +
                      Quoted(table.Vars[static_cast<std::size_t>(parameter.VarIndex)].Name) +
                      " is not an option number from 1 to " +
                      FormatInteger(static_cast<long long>(parameter.Options.size())));
    }
  }

  // Reports the entries that no roll of their group chooses. The rolls run as the roller draws
  // them, from the group's lowest to its highest roll; each goes to the first entry whose range
  // holds it, or, when none does, to the first entry (a roll at or below its Low) or the last.
  void CheckEntriesReached(Unit& unit, std::size_t g) {
    const Group& group = unit.table->Groups[g];
    const std::vector<Entry>& entries = group.Entries;
    if (entries.empty()) return;
    int32_t low = group.MinValue, high = group.MaxValue;
    const int32_t span = high - low + 1;
    if (span == 0) high = low;
    if (span < 0) {  // how the roller reads a reversed span
      high = low - 1;
      low += span;
    }
    const std::size_t count = static_cast<std::size_t>(high - low + 1);
    std::vector<bool> chosen(entries.size(), false);
    std::vector<bool> owned(count, false);
    // next[r] leads to the first roll at or after r that no entry owns yet, so that every roll
    // is painted once however much the ranges overlap.
    std::vector<std::size_t> next(count + 1);
    std::iota(next.begin(), next.end(), 0);
    auto find = [&](std::size_t r) {
      while (next[r] != r) r = next[r] = next[next[r]];
      return r;
    };
    for (std::size_t e = 0; e < entries.size(); ++e) {
      const int32_t from = std::max<int32_t>(entries[e].Low, low);
      const int32_t to = std::min<int32_t>(entries[e].High, high);
      if (from > to) continue;
      const std::size_t last = static_cast<std::size_t>(to - low);
      for (std::size_t r = find(static_cast<std::size_t>(from - low)); r <= last; r = find(r)) {
        owned[r] = true;
        chosen[e] = true;
        next[r] = r + 1;
      }
    }
    for (std::size_t r = 0; r < count; ++r) {
      if (owned[r]) continue;
      chosen[low + static_cast<int32_t>(r) <= entries.front().Low ? 0 : entries.size() - 1] = true;
    }
    for (std::size_t e = 0; e < entries.size(); ++e) {
      if (chosen[e]) continue;
      const Entry& entry = entries[e];
      std::string why;
      if (g < unit.group_weighted.size() && unit.group_weighted[g]) {
        why = "has weight 0";
      } else {
        why = "covers " + FormatInteger(entry.Low) + "-" + FormatInteger(entry.High) +
              (entry.High < entry.Low ? ", a range that runs backwards"
                                      : ", rolls that earlier entries take");
      }
      unit.Report(entry.Line, Severity::kWarning,
                  "no roll of group " + Quoted(group.Name) + " chooses this entry: it " + why);
    }
  }

  // Notes the groups of checked tables that no call reaches from a "Start" group. The calls of
  // every table loaded in this check count, so a group that another checked table calls is
  // reached. Tables without "Start" are only called from elsewhere and get no notes.
  void MarkUnreachedGroups() {
    std::map<const Unit*, std::vector<bool>> reached;
    std::vector<std::pair<Unit*, std::size_t>> work;
    auto reach = [&](Unit* unit, std::size_t g) {
      std::vector<bool>& marks = reached[unit];
      marks.resize(unit->table->Groups.size());
      if (marks[g]) return;
      marks[g] = true;
      work.emplace_back(unit, g);
    };
    auto follow = [&](const CallEdge& edge) {
      if (edge.unit->table == nullptr) return;
      Table& table = *edge.unit->table;
      if (!edge.pattern) {
        for (std::size_t g = 0; g < table.Groups.size(); ++g) {
          if (table.Groups[g].Name == edge.group) return reach(edge.unit, g);
        }
        return;
      }
      for (std::size_t g = 0; g < table.Groups.size(); ++g) {
        if (MatchesPattern(edge.group, table.Groups[g].Name)) reach(edge.unit, g);
      }
    };
    for (const auto& unit : units_) {
      if (unit->table == nullptr) continue;
      if (StartGroup(*unit)) reach(unit.get(), *StartGroup(*unit));
      for (const CallEdge& edge : unit->variable_calls) follow(edge);
    }
    while (!work.empty()) {
      auto [unit, g] = work.back();
      work.pop_back();
      for (const CallEdge& edge : unit->calls[g]) follow(edge);
    }
    for (const auto& unit : units_) {
      if (!unit->target || unit->table == nullptr || !StartGroup(*unit)) continue;
      std::vector<bool>& marks = reached[unit.get()];
      const std::vector<Group>& groups = unit->table->Groups;
      marks.resize(groups.size());
      for (std::size_t g = 0; g < groups.size(); ++g) {
        // A second group of the same name has its own warning.
        if (marks[g] || unit->table->FindGroup(groups[g].Name) != &groups[g]) continue;
        unit->Report(GroupLine(*unit, g), Severity::kNote,
                     "no call from \"Start\" reaches group " + Quoted(groups[g].Name));
      }
    }
  }

  static std::optional<std::size_t> StartGroup(Unit& unit) {
    const Group* start = unit.table->FindGroup("Start");
    if (start == nullptr) return std::nullopt;
    return static_cast<std::size_t>(start - unit.table->Groups.data());
  }
  static int32_t GroupLine(const Unit& unit, std::size_t g) {
    return g < unit.group_lines.size() ? unit.group_lines[g] : 0;
  }
  static int32_t VariableLine(const Unit& unit, std::size_t k) {
    return k < unit.variable_lines.size() ? unit.variable_lines[k] : 0;
  }

  const TableCatalog& catalog_;
  fs::path tables_folder_;
  std::vector<std::unique_ptr<Unit>> units_;
  std::map<std::string, Unit*> by_name_;
};

std::string Counted(std::size_t count, std::string_view word) {
  return FormatInteger(static_cast<long long>(count)) + " " + std::string(word) +
         (count == 1 ? "" : "s");
}

}  // namespace

std::string_view SeverityWord(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      return "note";
  }
  return "error";
}

bool IsTableFileArgument(std::string_view target) {
  return target.size() > 4 && EqualsIgnoreCase(target.substr(target.size() - 4), ".tab");
}

std::vector<Diagnostic> CheckTables(const TableCatalog& catalog, const fs::path& tables_folder,
                                    const std::vector<std::string>& targets) {
  Checker checker(catalog, tables_folder);
  if (targets.empty()) {
    for (const CatalogItem& item : catalog.items()) {
      checker.AddTarget(item.name, tables_folder / item.folder / (item.name + ".tab"));
    }
  }
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string& target = targets[i];
    // A table named twice is reported once.
    if (std::find(targets.begin(), targets.begin() + static_cast<std::ptrdiff_t>(i), target) !=
        targets.begin() + static_cast<std::ptrdiff_t>(i)) {
      continue;
    }
    if (IsTableFileArgument(target)) {
      checker.AddTarget(fs::path(target).stem().string(), target);
    } else {
      checker.AddTarget(target, catalog.TablePath(tables_folder, target));
    }
  }
  return checker.Run();
}

std::vector<Diagnostic> CheckTableText(const TableCatalog& catalog, const fs::path& tables_folder,
                                       const std::string& name, const fs::path& file,
                                       const std::string& text) {
  Checker checker(catalog, tables_folder);
  checker.AddTarget(name, file, &text);
  return checker.Run();
}

bool HasErrors(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics) {
  std::string out;
  for (const Diagnostic& diagnostic : diagnostics) {
    out += diagnostic.file;
    if (diagnostic.line > 0) out += ":" + FormatInteger(diagnostic.line);
    out.append(": ").append(SeverityWord(diagnostic.severity)).append(": ");
    out += diagnostic.message + "\n";
  }
  return out;
}

std::string DiagnosticSummary(const std::vector<Diagnostic>& diagnostics) {
  std::size_t counts[3] = {0, 0, 0};
  for (const Diagnostic& d : diagnostics) ++counts[static_cast<int>(d.severity)];
  return Counted(counts[0], "error") + ", " + Counted(counts[1], "warning") + ", " +
         Counted(counts[2], "note");
}

std::string FormatDiagnosticsHtml(const std::vector<Diagnostic>& diagnostics,
                                  std::string_view title) {
  std::string html = "<html><head><meta charset=\"utf-8\"><title>" + EscapeHtmlText(title) +
                     "</title></head><body>\n<h2>" + EscapeHtmlText(title) + "</h2>\n";
  if (diagnostics.empty()) return html + "<p>No problems found.</p>\n</body></html>\n";
  html += "<p>" + DiagnosticSummary(diagnostics) + "</p>\n";
  std::string file;
  for (const Diagnostic& d : diagnostics) {
    if (file.empty() || d.file != file) {
      if (!file.empty()) html += "</table>\n";
      file = d.file;
      html += "<h3>" + EscapeHtmlText(file) +
              "</h3>\n<table border=\"0\" cellspacing=\"0\" cellpadding=\"3\">\n";
    }
    const char* colour = d.severity == Severity::kError     ? "#b00000"
                         : d.severity == Severity::kWarning ? "#a06000"
                                                            : "#406080";
    html += "<tr><td align=\"right\">" + (d.line > 0 ? "line " + FormatInteger(d.line) : "") +
            "</td><td><b><font color=\"" + colour + "\">" + std::string(SeverityWord(d.severity)) +
            "</font></b></td><td>" + EscapeHtmlText(d.message) + "</td></tr>\n";
  }
  return html + "</table>\n</body></html>\n";
}

}  // namespace fablewick

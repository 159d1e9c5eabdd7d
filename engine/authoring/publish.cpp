#include "engine/authoring/publish.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "engine/expansion/syntax.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_walk.h"
#include "engine/functions/functions.h"
#include "engine/host.h"
#include "engine/model/loader.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// A construct for a note, cut after 40 characters; what is made while rolling shows as "...".
std::string Shown(std::string_view text) {
  std::string shown;
  for (char c : text) shown += c == kMadeWhileRolling ? std::string("...") : std::string(1, c);
  if (CodePointCount(shown) > 40) shown = std::string(SubstrCodePoints(shown, 0, 40)) + "...";
  return shown;
}

// The functions whose first field names a group, "Group" or "Table.Group".
bool NamesGroup(std::string_view function) {
  static constexpr std::string_view kNames[] = {"Reset", "Lockout", "Unlock", "Count",
                                                "Used",  "MinVal",  "MaxVal"};
  return std::find(std::begin(kNames), std::end(kNames), function) != std::end(kNames);
}

bool CannotRunInPage(std::string_view function) {
  return function == "Shell" || function == "Extern" || function == "Debug";
}

class Collector;

// Where the lines of a text begin in it: an entry's first line, then its continuation lines.
struct TextLines {
  std::vector<std::pair<std::size_t, int32_t>> starts;  // offset in the text, line number

  int32_t LineAt(std::size_t offset) const {
    int32_t line = starts.front().second;
    for (const auto& [start, number] : starts) {
      if (start <= offset) line = number;
    }
    return line;
  }
};

// Reads one text (an entry's or a variable's value) of a table: the tables its calls name, the
// data files it reads, and what a page cannot run.
class TextReader : public SyntaxVisitor {
 public:
  TextReader(Collector& collector, const std::string& file, const TextLines& lines)
      : collector_(collector), file_(file), lines_(lines) {}

  void GroupCall(const Construct& construct, const GroupCallSyntax& call) override;
  void FunctionCall(const Construct& construct, const FunctionCallSyntax& function) override;
  void TooDeep(const Construct& construct) override {
    Note(construct, "constructs nest too deeply to be followed; calls inside them are not bundled");
  }

 private:
  void Target(const Construct& construct, const CallTarget& target);
  void Note(const Construct& construct, const std::string& text);
  // "file:line" of a construct.
  std::string Location(const Construct& construct) const {
    return file_ + ":" + FormatInteger(lines_.LineAt(construct.begin));
  }

  Collector& collector_;
  const std::string& file_;
  const TextLines& lines_;
};

class Collector {
 public:
  Collector(const TableCatalog& catalog, const fs::path& tables_folder,
            const fs::path& program_folder, Publication& out)
      : catalog_(catalog),
        tables_folder_(tables_folder),
        program_folder_(program_folder),
        out_(out) {}

  // Queues a table for the page; `from` says where it was named ("" for a table asked for).
  void AddTable(const std::string& name, const std::string& from) {
    if (!seen_tables_.insert(name).second) return;
    queue_.push_back({name, from});
  }

  void AddDataFile(const std::string& name, const std::string& from) {
    if (!seen_data_.insert(name).second) return;
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
      return AddNote(from + ": the data file " + Quote(name) + " is no plain file name");
    }
    const fs::path found = FindFileIgnoringCase(program_folder_ / "Data" / (name + ".xml"));
    std::optional<std::string> bytes;
    if (!found.empty()) bytes = ReadBytes(found);
    if (!bytes) return AddNote(from + ": the data file " + Quote(name + ".xml") + " is not there");
    data_files_[found.filename().string()] = std::move(*bytes);
  }

  void AddNote(std::string note) {
    if (std::find(out_.notes.begin(), out_.notes.end(), note) == out_.notes.end()) {
      out_.notes.push_back(std::move(note));
    }
  }

  void AddUnrunnable(std::string_view function, int32_t line) {
    // A line is listed once, under the first such function it uses.
    for (const UnrunnableLine& known : out_.unrunnable) {
      if (known.file == file_ && known.line == line) return;
    }
    const std::string text = line >= 1 && static_cast<std::size_t>(line) <= lines_.size()
                                 ? std::string(lines_[static_cast<std::size_t>(line) - 1])
                                 : std::string();
    out_.unrunnable.push_back({file_, line, text, std::string(function)});
  }

  void Run() {
    while (!queue_.empty()) {
      const auto [name, from] = queue_.front();
      queue_.pop_front();
      ReadTable(name, from);
    }
    for (auto& [file, bytes] : data_files_) out_.files.push_back({"Data/" + file, bytes});
    const fs::path style = FindFileIgnoringCase(program_folder_ / "link.css");
    std::optional<std::string> bytes;
    if (!style.empty()) bytes = ReadBytes(style);
    if (bytes) {
      out_.files.push_back({"link.css", std::move(*bytes)});
    } else {
      AddNote((program_folder_ / "link.css").string() +
              ": the style sheet is not there; the page lays its results out without it");
    }
  }

  static std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

 private:
  void ReadTable(const std::string& name, const std::string& from) {
    // The engine never reads a path from table text.
    const bool plain = name.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
    const fs::path found =
        plain ? FindFileIgnoringCase(catalog_.TablePath(tables_folder_, name)) : fs::path();
    std::optional<std::string> bytes;
    if (!found.empty()) bytes = ReadBytes(found);
    if (!bytes) {
      return AddNote((from.empty() ? std::string("fablewick") : from) + ": the table " +
                     Quote(name) + " is not there");
    }
    const std::string folder = catalog_.CategoryOfTable(name);
    out_.files.push_back(
        {"Tables/" + (folder.empty() ? "" : folder + "/") + found.filename().string(), *bytes});
    file_ = found.string();
    const std::string text = DecodeFileText(*bytes);
    lines_.clear();
    ForEachTableLine(text, [&](std::string_view line, std::size_t) { lines_.push_back(line); });

    SilentHost host;
    const std::unique_ptr<Table> table = ParseTableText(name, text, host);
    if (table->Name == kErrorTableName) {
      return AddNote(file_ + ": the table cannot be loaded; its calls are not followed");
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (ClassifyTableLine(lines_[i]) != LineKind::kVariable) continue;
      const VariableLine variable = ReadVariableLine(lines_[i]);
      if (variable.well_formed) Read(variable.value, {{{0, static_cast<int32_t>(i + 1)}}});
    }
    for (const Group& group : table->Groups) {
      for (const Entry& entry : group.Entries) Read(entry.Text, LinesOfEntry(entry));
    }
  }

  // The entry's first line and the continuation lines the loader appended to it.
  TextLines LinesOfEntry(const Entry& entry) const {
    TextLines lines{{{0, entry.Line}}};
    if (entry.Line < 1 || static_cast<std::size_t>(entry.Line) > lines_.size()) return lines;
    std::size_t offset =
        ReadEntryLine(lines_[static_cast<std::size_t>(entry.Line) - 1]).text.size();
    for (std::size_t i = static_cast<std::size_t>(entry.Line); i < lines_.size(); ++i) {
      const LineKind kind = ClassifyTableLine(lines_[i]);
      if (kind == LineKind::kContinuation) {
        lines.starts.emplace_back(offset, static_cast<int32_t>(i + 1));
        offset += ContinuationText(lines_[i]).size();
      } else if (kind != LineKind::kBlank && kind != LineKind::kComment &&
                 kind != LineKind::kIgnored) {
        break;
      }
    }
    return lines;
  }

  void Read(std::string_view text, const TextLines& lines) {
    TextReader reader(*this, file_, lines);
    WalkEntryText(text, reader);
  }

  const TableCatalog& catalog_;
  fs::path tables_folder_;
  fs::path program_folder_;
  Publication& out_;
  std::deque<std::pair<std::string, std::string>> queue_;
  std::set<std::string> seen_tables_;
  std::set<std::string> seen_data_;
  std::map<std::string, std::string> data_files_;  // by file name, so in name order
  std::string file_;                               // the table being read
  std::vector<std::string_view> lines_;            // its lines, viewing its decoded text
};

void TextReader::Note(const Construct& construct, const std::string& text) {
  collector_.AddNote(Location(construct) + ": " + text);
}

void TextReader::GroupCall(const Construct& construct, const GroupCallSyntax& call) {
  // Both branches of a conditional call: which one rolls is decided while rolling.
  Target(construct, call.first.target);
  if (call.has_second) Target(construct, call.second.target);
}

void TextReader::Target(const Construct& construct, const CallTarget& target) {
  if (target.reference.has_table) {
    if (TextPattern::IsFixed(target.reference.table)) {
      collector_.AddTable(std::string(target.reference.table), Location(construct));
    } else {
      Note(construct,
           "the call " + Collector::Quote(Shown(construct.written)) +
               " names its table while rolling; that table is bundled only if named elsewhere");
    }
  } else if (!target.name.empty() && target.name.front() == kMadeWhileRolling) {
    // A name made while rolling from its start ("[%Which%]") may hold "Table.Group"; one that
    // begins with written text ("[Folk%Folk%]") is taken for a group of this table.
    Note(construct,
         "the call " + Collector::Quote(Shown(construct.written)) +
             " is made while rolling; a table it may name is bundled only if named elsewhere");
  }
}

void TextReader::FunctionCall(const Construct& construct, const FunctionCallSyntax& function) {
  if (function.dice || !TextPattern::IsFixed(function.name)) return;
  const std::string_view name = function.name;
  if (CannotRunInPage(name)) return collector_.AddUnrunnable(name, lines_.LineAt(construct.begin));
  ArgReader args(function.arguments);
  const std::string_view first = args.Text();
  if (name == "Data") {
    if (TextPattern::IsFixed(first)) {
      return collector_.AddDataFile(std::string(first), Location(construct));
    }
    return Note(construct, "the data file of " + Collector::Quote(Shown(construct.written)) +
                               " is named while rolling; it is not bundled");
  }
  if (!NamesGroup(name)) return;
  const GroupReference reference = SplitGroupReference(first);
  if (!reference.has_table) return;
  if (TextPattern::IsFixed(reference.table)) {
    collector_.AddTable(std::string(reference.table), Location(construct));
  } else {
    Note(construct,
         Collector::Quote(Shown(construct.written)) +
             " names its table while rolling; that table is bundled only if named elsewhere");
  }
}

}  // namespace

Publication CollectPublication(const TableCatalog& catalog, const fs::path& tables_folder,
                               const fs::path& program_folder, const PublishRequest& request) {
  Publication out;
  std::set<std::string> hidden;
  for (const Category& category : catalog.categories()) {
    if (category.hidden) hidden.insert(category.name);
  }
  std::vector<const CatalogItem*> chosen;
  auto choose = [&](const CatalogItem& item) {
    if (std::find(chosen.begin(), chosen.end(), &item) == chosen.end()) chosen.push_back(&item);
  };
  for (const std::string& category : request.categories) {
    bool any = false;
    for (const CatalogItem& item : catalog.items()) {
      if (item.folder != category) continue;
      choose(item);
      any = true;
    }
    if (!any) {
      out.problem = "The category \"" + category + "\" holds no tables.";
      return out;
    }
  }
  for (const std::string& name : request.tables) {
    const auto found = std::find_if(catalog.items().begin(), catalog.items().end(),
                                    [&](const CatalogItem& item) { return item.name == name; });
    if (found == catalog.items().end()) {
      out.problem = "File \"" + name + "\" not found.";
      return out;
    }
    choose(*found);
  }
  if (request.all) {
    for (const CatalogItem& item : catalog.items()) {
      if (hidden.count(item.folder) == 0) choose(item);
    }
  }
  if (chosen.empty()) {
    out.problem = "No tables to publish.";
    return out;
  }
  // The catalogue's order, as the window's lists show them.
  std::sort(chosen.begin(), chosen.end());
  Collector collector(catalog, tables_folder, program_folder, out);
  for (const CatalogItem* item : chosen) {
    out.offered.push_back({item->folder, item->name});
    collector.AddTable(item->name, "");
  }
  collector.Run();
  return out;
}

std::string FormatUnrunnable(const std::vector<UnrunnableLine>& lines) {
  std::string out;
  for (const UnrunnableLine& line : lines) {
    out += line.file + ":" + FormatInteger(line.line) + ": " + line.text + "\n";
  }
  return out;
}

}  // namespace fablewick

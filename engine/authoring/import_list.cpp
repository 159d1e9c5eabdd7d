// Plain lists, one entry a line, optionally after a roll or weight and a comma or tab; and the
// rows-to-entries step that lists and CSV sheets share.
#include <algorithm>
#include <charconv>
#include <optional>

#include "engine/authoring/import_rows.h"
#include "engine/authoring/tab_writer.h"
#include "platform/text.h"

namespace fablewick {
namespace {

struct Roll {
  int32_t low = 0;
  int32_t high = 0;
  bool range = false;
};

std::optional<int32_t> WholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  // "00" and "000" end the d100 and d1000 tables of printed books.
  if (text.size() >= 2 && text.find_first_not_of('0') == std::string_view::npos) {
    return text.size() == 2 ? 100 : 1000;
  }
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "4", "1-3" or "1–3" (an en dash, as in tables copied from books); nothing for anything else.
std::optional<Roll> ParseRoll(std::string_view text) {
  text = TrimBlanks(text);
  for (const std::string_view dash : {"-", "\u2013"}) {
    const std::size_t at = text.find(dash);
    if (at == std::string_view::npos) continue;
    const auto low = WholeNumber(TrimBlanks(text.substr(0, at)));
    const auto high = WholeNumber(TrimBlanks(text.substr(at + dash.size())));
    if (!low || !high || *high < *low) return std::nullopt;
    return Roll{*low, *high, true};
  }
  const auto value = WholeNumber(text);
  if (!value) return std::nullopt;
  return Roll{*value, *value, false};
}

// "d6", "2d6", "d%", "D100", or a word that heads a roll column.
bool IsRollHeading(std::string_view text) {
  const std::string word = ToLower(TrimBlanks(text));
  if (word == "roll" || word == "die" || word == "dice" || word == "d" || word == "#") return true;
  const std::size_t d = word.find('d');
  if (d == std::string::npos || d + 1 >= word.size()) return false;
  const std::string_view count = std::string_view(word).substr(0, d);
  const std::string_view sides = std::string_view(word).substr(d + 1);
  const bool digits_only = count.find_first_not_of("0123456789") == std::string_view::npos;
  return digits_only &&
         (sides == "%" || (sides.find_first_not_of("0123456789") == std::string_view::npos));
}

std::string LinePrefix(int32_t line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

Conversion RowsToTable(std::vector<SourceRow> rows, std::string_view source_name,
                       ImportFormat format) {
  Conversion conversion;
  std::erase_if(rows, [](const SourceRow& row) { return TrimBlanks(row.whole).empty(); });
  TabFile file;
  file.comments.push_back("Imported from " + std::string(source_name) + " (" +
                          std::string(ImportFormatName(format)) + ")");

  // A header row: a roll heading in its first column, or the only row without a roll.
  if (!rows.empty()) {
    const SourceRow& head = rows.front();
    const bool others_roll =
        rows.size() > 1 && std::all_of(rows.begin() + 1, rows.end(), [](const SourceRow& row) {
          return row.has_first && ParseRoll(row.first);
        });
    if ((head.has_first && IsRollHeading(head.first)) ||
        (others_roll && !(head.has_first && ParseRoll(head.first)))) {
      file.comments.push_back("Header: " + head.whole);
      rows.erase(rows.begin());
    }
  }
  if (rows.empty()) {
    conversion.error = "it has no entries.";
    return conversion;
  }

  std::vector<Roll> rolls;
  const SourceRow* without_roll = nullptr;
  for (const SourceRow& row : rows) {
    const std::optional<Roll> roll = row.has_first ? ParseRoll(row.first) : std::nullopt;
    if (roll) {
      rolls.push_back(*roll);
    } else if (without_roll == nullptr) {
      without_roll = &row;
    }
  }
  TabGroup start{"Start", false, {}};
  if (without_roll != nullptr) {
    if (!rolls.empty()) {
      conversion.report.push_back(LinePrefix(without_roll->line) +
                                  "no roll or weight before the text, so every line is taken "
                                  "whole, with weight 1");
    }
    for (const SourceRow& row : rows) start.entries.push_back({1, 1, EscapeText(row.whole)});
  } else {
    // Rolls that count up without gaps, or any range, make a table to roll on; other numbers are
    // weights.
    bool counts_up = true;
    bool any_range = false;
    for (std::size_t i = 0; i < rolls.size(); ++i) {
      any_range = any_range || rolls[i].range;
      if (i > 0 && rolls[i].low != rolls[i - 1].high + 1) counts_up = false;
    }
    start.ranged = counts_up || any_range;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      start.entries.push_back({rolls[i].low, rolls[i].high, EscapeText(rows[i].rest)});
      if (start.ranged && !counts_up && i > 0 && rolls[i].low != rolls[i - 1].high + 1) {
        conversion.report.push_back(LinePrefix(rows[i].line) +
                                    (rolls[i].low <= rolls[i - 1].high
                                         ? "the roll overlaps the line before; the earlier "
                                           "line wins the rolls both cover"
                                         : "rolls between this line and the one before "
                                           "are on no line; they take the last entry"));
      }
    }
  }
  file.groups.push_back(std::move(start));
  if (std::string problem = TabFileProblem(file); !problem.empty()) {
    conversion.error = problem + ".";
    return conversion;
  }
  conversion.table_text = WriteTabFile(file);
  return conversion;
}

Conversion ConvertPlainList(std::string_view text, std::string_view source_name) {
  std::vector<SourceRow> rows;
  int32_t number = 0;
  for (const std::string& line : SplitLines(text)) {
    ++number;
    SourceRow row;
    row.line = number;
    row.whole = std::string(TrimBlanks(line));
    const std::size_t separator = row.whole.find_first_of(",\t");
    if (separator != std::string::npos) {
      row.has_first = true;
      row.first = std::string(TrimBlanks(std::string_view(row.whole).substr(0, separator)));
      row.rest = std::string(TrimBlanks(std::string_view(row.whole).substr(separator + 1)));
    }
    rows.push_back(std::move(row));
  }
  return RowsToTable(std::move(rows), source_name, ImportFormat::kPlainList);
}

}  // namespace fablewick

// CSV sheets as spreadsheets save them: fields separated by commas (or semicolons or tabs, as
// the first line shows), quoted with double quotes where they hold a separator, a quote ("") or
// a line break.
#include <array>

#include "engine/authoring/import_rows.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// The separator the first line uses most, outside quotes; a comma when it uses none.
char DetectSeparator(std::string_view text) {
  std::array<std::size_t, 3> counts{};
  constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == '\n' || c == '\r')) break;
    for (std::size_t i = 0; i < kSeparators.size(); ++i)
      counts[i] += !quoted && c == kSeparators[i];
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kSeparators[best];
}

struct Record {
  int32_t line = 0;
  std::vector<std::string> cells;
};

// The records of the sheet; an error names the line of a quote that is never closed.
std::vector<Record> ParseRecords(std::string_view text, char separator, std::string& error) {
  std::vector<Record> records;
  Record record{1, {}};
  std::string cell;
  bool quoted = false;      // inside quotes
  bool was_quoted = false;  // the cell began with a quote: its blanks are kept
  int32_t line = 1;
  int32_t quote_line = 0;
  auto end_cell = [&] {
    record.cells.push_back(was_quoted ? cell : std::string(TrimBlanks(cell)));
    cell.clear();
    was_quoted = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        cell += c;
      }
    } else if (c == '"' && TrimBlanks(cell).empty()) {
      cell.clear();
      quoted = was_quoted = true;
      quote_line = line;
    } else if (c == separator) {
      end_cell();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      end_cell();
      records.push_back(std::move(record));
      record = Record{++line, {}};
    } else {
      cell += c;
    }
  }
  if (quoted) {
    error = "the quote opened in line " + std::to_string(quote_line) + " is never closed.";
    return {};
  }
  if (!cell.empty() || was_quoted || !record.cells.empty()) {
    end_cell();
    records.push_back(std::move(record));
  }
  return records;
}

std::string JoinCells(const std::vector<std::string>& cells, std::size_t from) {
  std::size_t end = cells.size();
  while (end > from && cells[end - 1].empty()) --end;
  std::string joined;
  for (std::size_t i = from; i < end; ++i) {
    if (i > from) joined += ", ";
    joined += cells[i];
  }
  return joined;
}

}  // namespace

Conversion ConvertCsv(std::string_view text, std::string_view source_name) {
  Conversion conversion;
  const std::vector<Record> records = ParseRecords(text, DetectSeparator(text), conversion.error);
  if (!conversion.error.empty()) return conversion;
  std::vector<SourceRow> rows;
  bool joined = false;
  for (const Record& record : records) {
    SourceRow row;
    row.line = record.line;
    row.whole = JoinCells(record.cells, 0);
    if (record.cells.size() >= 2) {
      row.has_first = true;
      row.first = record.cells[0];
      row.rest = JoinCells(record.cells, 1);
      joined = joined || JoinCells(record.cells, 2) != "";
    }
    rows.push_back(std::move(row));
  }
  conversion = RowsToTable(std::move(rows), source_name, ImportFormat::kCsv);
  if (joined && conversion.error.empty()) {
    conversion.report.insert(conversion.report.begin(),
                             "the columns after the second are joined to the text, each after "
                             "a comma and a blank");
  }
  return conversion;
}

}  // namespace fablewick

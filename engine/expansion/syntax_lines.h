// The lines of a table file: what each line is, by its first character, and its parts. The
// loader builds tables from this reading, and tools (the checker, the span list of a whole
// file) read files through it, so no tool reads the file format its own way. Nothing in a line
// is trimmed.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/text.h"

namespace fablewick {

enum class LineKind : uint8_t {
  kBlank,         // empty
  kComment,       // "#"
  kIgnored,       // begins with a blank: ignored, whatever follows
  kContinuation,  // "_" and more text for the entry read last
  kVariable,      // "%name%,value"
  kParameter,     // "@variable,default,prompt[,option...]"
  kGroupHeader,   // ":" ranged or ";" weighted, then "!" for no-repeat, then the name
  kEntry,         // anything else: "value,text"
};

inline LineKind ClassifyTableLine(std::string_view line) {
  if (line.empty()) return LineKind::kBlank;
  switch (line[0]) {
    case '#':
      return LineKind::kComment;
    case ' ':
      return LineKind::kIgnored;
    case '_':
      return LineKind::kContinuation;
    case '%':
      return LineKind::kVariable;
    case '@':
      return LineKind::kParameter;
    case ':':
    case ';':
      return LineKind::kGroupHeader;
    default:
      return LineKind::kEntry;
  }
}

// The text a continuation line adds to the entry read last: everything after the "_".
inline std::string_view ContinuationText(std::string_view line) { return line.substr(1); }

struct HeaderLine {
  bool weighted = false;   // ";"
  bool no_repeat = false;  // "!" as the second character
  std::string_view name;   // the rest of the line, trailing blanks included
};

inline HeaderLine ReadHeaderLine(std::string_view line) {
  const bool no_repeat = line.size() > 1 && line[1] == '!';
  return {line[0] == ';', no_repeat, line.substr(no_repeat ? 2 : 1)};
}

struct EntryLine {
  bool has_comma = false;                     // without one the line is skipped
  std::string_view value;                     // before the first comma: "N" or "N-M"
  std::string_view text;                      // after it
  std::size_t dash = std::string_view::npos;  // the first "-" in the value, for a range

  bool IsRange() const { return dash != std::string_view::npos; }
  // The value before its first "-", and after it; the whole value for both when it has none.
  std::string_view Low() const { return value.substr(0, dash); }
  std::string_view High() const { return IsRange() ? value.substr(dash + 1) : value; }
};

inline EntryLine ReadEntryLine(std::string_view line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return {};
  const std::string_view value = line.substr(0, comma);
  return {true, value, line.substr(comma + 1), value.find('-')};
}

struct VariableLine {
  // A comma, and not right after the "%": otherwise the line is malformed and fails the loading.
  bool well_formed = false;
  // The text between the "%" and the first comma, less the one character before the comma (the
  // closing "%").
  std::string_view name;
  std::string_view value;  // the initial value, after the first comma
};

inline VariableLine ReadVariableLine(std::string_view line) {
  const std::string_view rest = line.substr(1);
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos || comma == 0) return {};
  std::string_view name = rest.substr(0, comma);
  name.remove_suffix(LastCodePoint(name).size());
  return {true, name, rest.substr(comma + 1)};
}

// The fields of a parameter line after its "@", divided at every comma: the bound variable's
// name, the default, the prompt, then the options of a list parameter. Fewer than three fail the
// loading.
std::vector<std::string_view> ParameterFields(std::string_view line);

// Calls `take(line, offset)` for each line of a file's text, with the byte offset where the line
// begins; a `take` that returns bool stops the reading by returning false. A line ends at CR LF
// or at a lone LF; a lone CR stays in its line; a final line end starts no further line.
template <typename Take>
void ForEachTableLine(std::string_view text, Take&& take) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t feed = text.find('\n', start);
    if (feed == std::string_view::npos) feed = text.size();
    std::size_t end = feed;
    if (end > start && end < text.size() && text[end - 1] == '\r') --end;
    const std::string_view line = text.substr(start, end - start);
    if constexpr (std::is_same_v<decltype(take(line, start)), bool>) {
      if (!take(line, start)) return;
    } else {
      take(line, start);
    }
    start = feed + 1;
  }
}

}  // namespace fablewick

// The outline of a table's text for the studio: its groups with their kind, their entries and
// each entry's exact chance of being chosen when its group is rolled, and the lines that call
// each group. Built from the loader's reading of the text and the syntax module's spans.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

struct OutlineEntry {
  int32_t line = 0;
  std::string value;  // "N" or "N-M" as written, or the weight
  std::string text;   // as written
  // Rolls of the group that choose this entry, out of `rolls` of the group: the chance is
  // chosen / rolls, counted with the roller's own reading of ranges and weights and its
  // fallbacks for rolls no entry covers.
  int64_t chosen = 0;
};

struct OutlineGroup {
  std::string name;
  int32_t line = 0;
  bool weighted = false;
  bool no_repeat = false;
  int64_t rolls = 0;  // the rolls the group can draw
  std::vector<OutlineEntry> entries;
  std::vector<int32_t> callers;  // the lines whose text calls the group, in order, each once
};

// The outline of table `name` written as `text` (decoded, LF or CR LF line ends). Calls count
// when they name a group of this table by itself or through the table's own name.
std::vector<OutlineGroup> BuildOutline(const std::string& name, std::string_view text);

// "1/4 (25%)", "0 (never)".
std::string FormatChance(int64_t chosen, int64_t rolls);

}  // namespace fablewick

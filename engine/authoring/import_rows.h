// What plain lists and CSV sheets have in common: rows of an optional roll or weight and a text,
// which become the entries of group Start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/authoring/import.h"

namespace fablewick {

struct SourceRow {
  int32_t line = 0;
  std::string first;  // the first column, blanks trimmed ("" when the row has only one)
  std::string rest;   // the text after the first column
  std::string whole;  // the whole row as text, for when the first column is no roll
  bool has_first = false;
};

// The table of the rows: a header row ("d6,Weather") is recognised and left out; the first column
// gives ranges or weights when every row has one.
Conversion RowsToTable(std::vector<SourceRow> rows, std::string_view source_name,
                       ImportFormat format);

}  // namespace fablewick

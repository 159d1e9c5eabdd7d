// Entry texts taken apart once for fast expansion. Most entries of most tables are literal words
// and calls of groups of their own table by bare name ("a [Colour] [Beast]"); for those, the
// roller walks a list of pieces instead of scanning the text on every roll. Everything else
// (variables, assignments, functions, prefixes, escapes, unclosed brackets, calls of groups that
// do not exist) is left to the scanner.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace fablewick {

struct Table;

struct PlanPiece {
  uint32_t offset;  // where the literal text, or the inside of the call, begins in the entry text
  uint32_t length;
  int32_t group;  // the called group's index in the table's Groups, or -1 for literal text
};

// Where an entry's pieces are in its group's list of pieces; `planned` is false for an entry
// left to the scanner.
struct EntryPlan {
  uint32_t first = 0;
  uint32_t count = 0;
  bool planned = false;
};

// Takes `text` apart into literal runs and bare group calls of `table`, appended to `pieces`.
// Returns false, leaving `pieces` as it was, when the text holds anything else: "|", "%", "{" or
// "/" anywhere, a bracket without its partner, brackets within brackets, or a call with a
// prefix, a table, a condition, a roll modifier, parameters, an empty name or a group that
// `table` does not have.
bool PlanEntryText(std::string_view text, Table& table, std::vector<PlanPiece>& pieces);

}  // namespace fablewick

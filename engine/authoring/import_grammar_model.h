// The symbols of a grammar being imported, and the two analyses made before the table is
// written: whether every symbol reached from the start can finish expanding, and which scoped
// pushes must be taken back after their reference.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "engine/authoring/import_grammar_text.h"

namespace fablewick::grammar_import {

struct Alternative {
  std::string raw;
  int weight = 1;
  Text text;
};

// What a symbol that is pushed needs in the table: variables for its value (one, or one per
// pushed value and a count), and, when the grammar also gives it alternatives, a variable naming
// the group that a read rolls on: its alternatives until a push, its value after.
struct Pushed {
  int values = 1;                       // the most values one push gives it
  bool scoped = false;                  // pushed at the start of a reference somewhere
  bool restore = false;                 // a scoped push must be taken back after its reference
  std::vector<std::string> value_vars;  // one per value
  std::string count_var;                // values > 1
  std::string from_var;                 // the symbol has alternatives
  std::string rules_group;              // the symbol has alternatives
  std::string value_group;              // gives the value (one chosen among several)
  std::string values_group;             // values > 1: one entry per value
  int saves = 0;
};

struct Symbol {
  std::string name;
  int32_t line = 0;
  bool defined = false;
  std::vector<Alternative> alternatives;
  std::string group;  // the group a call of the symbol rolls on
  Pushed* pushed = nullptr;
};

struct Grammar {
  std::string start;
  std::map<std::string, Symbol> symbols;
  std::vector<Symbol*> order;  // defined symbols in the order of the file, then pushed ones
  std::deque<Pushed> pushed;
};

// "line 3: symbol "name": ", the start of a report line about the symbol.
std::string Where(const Symbol& symbol);

// Refuses a grammar in which a symbol reached from the start can never finish expanding: every
// alternative of it reads, directly or not, a symbol that cannot finish either. Gives the error,
// or "" with a report line for each symbol that is not reached and never finishes.
std::string CheckEndings(const Grammar& grammar, std::vector<std::string>& report);

// A push at the start of a reference lasts while the reference expands; afterwards the symbol
// has its earlier value again. Restoring it costs two assignments, so it is written only where
// the earlier value can be seen: where the symbol is read outside such a reference, or where
// such references of one symbol nest.
void FindRestores(Grammar& grammar);

}  // namespace fablewick::grammar_import

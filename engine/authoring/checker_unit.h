// What the parts of the table checker share: a table file as the checker sees it, the calls
// found in its text, and the checks of that text (checker_text.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/authoring/checker.h"
#include "engine/model/table.h"

namespace fablewick {

struct Unit;

// A call found in table text: the table it calls and the group, by name or, when part of the
// name is made while rolling, by a pattern.
struct CallEdge {
  Unit* unit;
  std::string group;
  bool pattern;
};

// One table file as the checker sees it: the loaded table and where its declarations stand.
struct Unit {
  std::string name;
  std::string file;
  bool target = false;
  bool analysed = false;
  std::unique_ptr<Table> table;  // null when the table cannot be loaded
  std::string load_failure;      // the loader's message when it cannot
  std::vector<int32_t> group_lines;
  std::vector<bool> group_weighted;
  std::vector<int32_t> variable_lines;
  std::vector<int32_t> parameter_lines;
  std::vector<Diagnostic> diagnostics;
  std::vector<std::vector<CallEdge>> calls;  // by the index of the group whose entry calls
  std::vector<CallEdge> variable_calls;      // calls written in variable values

  void Report(int32_t line, Severity severity, std::string message) {
    diagnostics.push_back({file, line, severity, std::move(message)});
  }
};

// Finds the table a call names, loading it as the engine would.
class UnitSource {
 public:
  virtual Unit& Find(const std::string& name) = 0;

 protected:
  ~UnitSource() = default;
};

std::string Quoted(std::string_view text);

// Checks one text of `unit` written on `line`, an entry's or a variable's value: reports what
// its constructs name that does not exist or what cannot work when rolled, and records in
// `calls` the calls it makes.
void CheckText(UnitSource& tables, Unit& unit, int32_t line, std::vector<CallEdge>& calls,
               std::string_view text);

}  // namespace fablewick

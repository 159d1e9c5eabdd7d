// The built-in functions of the table language. Each family lives in its own file as small
// functions with one job; dispatch.cpp names them all in one table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fablewick {

class Engine;

// One call of a built-in function: its name, its argument text (already expanded: everything
// after the first "~"), and where it was written.
struct FunctionCall {
  Engine& engine;
  std::string_view name;
  std::string_view args;
  const std::string& table;  // the current table's name
  int table_index;           // its index in the table cache, -1 when it is not loaded
  int32_t line;
};

using FunctionHandler = std::string (*)(const FunctionCall&);

// ---- dice (fn_dice.cpp) ----
std::string Dice(const FunctionCall& call);

}  // namespace fablewick

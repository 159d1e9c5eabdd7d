// The built-in functions of the table language. Each family lives in its own file as small
// functions with one job; dispatch.cpp names them all in one table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// ---- arithmetic expressions (fn_calc.cpp) ----
std::string Calc(const FunctionCall& call);

// ---- text and numbers (fn_basic.cpp) ----
std::string LCase(const FunctionCall& call);
std::string UCase(const FunctionCall& call);
std::string AorAn(const FunctionCall& call);
std::string Cap(const FunctionCall& call);
std::string Length(const FunctionCall& call);
std::string Trim(const FunctionCall& call);
std::string Trunc(const FunctionCall& call);
std::string Abs(const FunctionCall& call);
std::string Sqrt(const FunctionCall& call);
std::string IfOutsideBlock(const FunctionCall& call);

// ---- group state and queries (fn_groups.cpp) ----
std::string Reset(const FunctionCall& call);
std::string Lockout(const FunctionCall& call);
std::string Unlock(const FunctionCall& call);
std::string Count(const FunctionCall& call);
std::string Used(const FunctionCall& call);
std::string MinVal(const FunctionCall& call);
std::string MaxVal(const FunctionCall& call);

// ---- list ordering (fn_order.cpp) ----
std::string OrderAsc(const FunctionCall& call);
std::string OrderDesc(const FunctionCall& call);

// ---- strings and numbers (fn_strings.cpp) ----
std::string CeilOrFloor(const FunctionCall& call);  // call.name selects "Ceil" or "Floor"
std::string Round(const FunctionCall& call);
std::string MaxOrMin(const FunctionCall& call);  // call.name selects "Max" or "Min"
std::string Find(const FunctionCall& call);
std::string Replace(const FunctionCall& call);
std::string LeftRightMid(const FunctionCall& call);  // call.name selects "Left", "Right", "Mid"
std::string Ordinal(const FunctionCall& call);
std::string Plural(const FunctionCall& call);
std::string CapEachWord(const FunctionCall& call);
std::string Split(const FunctionCall& call);
std::string SortVariables(const FunctionCall& call);  // "SortAsc" or "SortDesc"

// ---- named arrays (fn_arrays.cpp) ----
std::string Arrays(const FunctionCall& call);  // call.name selects "ArrNew" ... "ArrClear"

// ---- table parameters (fn_params.cpp) ----
std::string Param(const FunctionCall& call);

// ---- XML data files (fn_data.cpp) ----
std::string Data(const FunctionCall& call);

// ---- talking to the person (fn_interact.cpp) ----
std::string Input(const FunctionCall& call);
std::string Msg(const FunctionCall& call);
std::string Status(const FunctionCall& call);
std::string Stop(const FunctionCall& call);
std::string Note(const FunctionCall& call);
std::string Debug(const FunctionCall& call);

// ---- add-ons (fn_extern.cpp) ----
std::string Extern(const FunctionCall& call);

// ---- starting programs (fn_shell.cpp) ----
std::string Shell(const FunctionCall& call);
// Splits a command line at blanks outside double quotes; the quotes are removed.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace fablewick

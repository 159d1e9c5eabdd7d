// Function dispatch: splits a function call into its name and argument text, finds the handler
// by name in one table and runs it. A failing handler is reported in the error box here.
#include "engine/functions/dispatch.h"

#include <array>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/syntax.h"
#include "engine/functions/functions.h"

namespace fablewick {
namespace {

struct FunctionEntry {
  std::string_view name;
  FunctionHandler handler;
};

// Every built-in function, by its exact name.
constexpr std::array kFunctions = {
    FunctionEntry{"Extern", Extern},
    FunctionEntry{"Shell", Shell},
    FunctionEntry{"Ordinal", Ordinal},
    FunctionEntry{"ArrNew", Arrays},
    FunctionEntry{"ArrItem", Arrays},
    FunctionEntry{"ArrGet", Arrays},
    FunctionEntry{"ArrExists", Arrays},
    FunctionEntry{"ArrCount", Arrays},
    FunctionEntry{"ArrRemove", Arrays},
    FunctionEntry{"ArrClear", Arrays},
    FunctionEntry{"Param", Param},
    FunctionEntry{"LCase", LCase},
    FunctionEntry{"UCase", UCase},
    FunctionEntry{"Ceil", CeilOrFloor},
    FunctionEntry{"Floor", CeilOrFloor},
    FunctionEntry{"Debug", Debug},
    FunctionEntry{"Input", Input},
    FunctionEntry{"AorAn", AorAn},
    FunctionEntry{"Cap", Cap},
    FunctionEntry{"Calc", Calc},
    FunctionEntry{"Find", Find},
    FunctionEntry{"If", IfOutsideBlock},
    FunctionEntry{"Note", Note},
    FunctionEntry{"Replace", Replace},
    FunctionEntry{"Stop", Stop},
    FunctionEntry{"Length", Length},
    FunctionEntry{"Unlock", Unlock},
    FunctionEntry{"Lockout", Lockout},
    FunctionEntry{"Dice", Dice},
    FunctionEntry{"OrderAsc", OrderAsc},
    FunctionEntry{"OrderDesc", OrderDesc},
    FunctionEntry{"Msg", Msg},
    FunctionEntry{"Reset", Reset},
    FunctionEntry{"Trim", Trim},
    FunctionEntry{"Left", LeftRightMid},
    FunctionEntry{"Right", LeftRightMid},
    FunctionEntry{"Mid", LeftRightMid},
    FunctionEntry{"Trunc", Trunc},
    FunctionEntry{"Round", Round},
    FunctionEntry{"Abs", Abs},
    FunctionEntry{"Sqrt", Sqrt},
    FunctionEntry{"Data", Data},
    FunctionEntry{"Status", Status},
    FunctionEntry{"Used", Used},
    FunctionEntry{"MinVal", MinVal},
    FunctionEntry{"MaxVal", MaxVal},
    FunctionEntry{"Count", Count},
    FunctionEntry{"Plural", Plural},
    FunctionEntry{"Split", Split},
    FunctionEntry{"CapEachWord", CapEachWord},
    FunctionEntry{"SortAsc", SortVariables},
    FunctionEntry{"SortDesc", SortVariables},
    FunctionEntry{"Max", MaxOrMin},
    FunctionEntry{"Min", MaxOrMin},
};

FunctionHandler FindHandler(std::string_view name) {
  for (const FunctionEntry& entry : kFunctions) {
    if (entry.name == name) return entry.handler;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string_view> BuiltInFunctionNames() {
  std::vector<std::string_view> names;
  names.reserve(kFunctions.size());
  for (const FunctionEntry& entry : kFunctions) names.push_back(entry.name);
  return names;
}

std::string Engine::ProcessFunction(std::string_view content, const std::string& table_name,
                                    int32_t line) {
  const FunctionCallSyntax syntax = ParseFunctionCall(content);
  // A dice expression is reported as the call it stands for: {3d6} is {Dice~3d6}.
  std::string with_name;
  if (syntax.dice) {
    with_name = "Dice~";
    with_name.append(content);
    content = with_name;
  }
  const std::string_view name = syntax.name;
  FunctionHandler handler = FindHandler(name);
  if (handler == nullptr) {
    return ErrorText("Error in '" + std::string(content) + "' - function unknown", table_name,
                     line);
  }
  const FunctionCall call{*this, name, syntax.arguments, table_name, FindTableIndex(table_name),
                          line};
  Failure failure;
  try {
    return handler(call);
  } catch (...) {
    failure = CurrentFailure();
  }
  if (!StopRequested()) {
    ShowErrorBox("ProcessFunction", table_name, line, content, failure.number, failure.description);
  }
  return "";
}

}  // namespace fablewick

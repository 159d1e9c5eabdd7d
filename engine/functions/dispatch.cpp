// Function dispatch: splits a function call into its name and argument text, finds the function
// by name among the families' registration arrays and runs it. A failing function is reported in
// the error box here.
#include "engine/functions/dispatch.h"

#include <algorithm>
#include <array>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/syntax.h"

namespace fablewick {
namespace {

constexpr std::array kFamilies = {
    &kDiceFunctions,  &kCalcFunctions,     &kBasicFunctions,  &kStringFunctions,
    &kOrderFunctions, &kGroupFunctions,    &kArrayFunctions,  &kParamFunctions,
    &kDataFunctions,  &kInteractFunctions, &kExternFunctions, &kShellFunctions,
};

// Every family's functions in one list sorted by name, built on first use.
const std::vector<FunctionEntry>& Lookup() {
  static const std::vector<FunctionEntry> entries = [] {
    std::vector<FunctionEntry> all;
    for (const FunctionFamily* family : kFamilies)
      all.insert(all.end(), family->begin(), family->end());
    std::sort(all.begin(), all.end(),
              [](const FunctionEntry& a, const FunctionEntry& b) { return a.name < b.name; });
    return all;
  }();
  return entries;
}

}  // namespace

std::vector<std::string_view> BuiltInFunctionNames() {
  std::vector<std::string_view> names;
  for (const FunctionFamily* family : kFamilies) {
    for (const FunctionEntry& entry : *family) names.push_back(entry.name);
  }
  return names;
}

FunctionHandler FindFunction(std::string_view name) {
  const std::vector<FunctionEntry>& entries = Lookup();
  const auto found = std::lower_bound(
      entries.begin(), entries.end(), name,
      [](const FunctionEntry& entry, std::string_view wanted) { return entry.name < wanted; });
  return found != entries.end() && found->name == name ? found->handler : nullptr;
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
  const FunctionHandler handler = FindFunction(syntax.name);
  if (handler == nullptr) {
    return ErrorText("Error in '" + std::string(content) + "' - function unknown", table_name,
                     line);
  }
  const FunctionCall call{*this, syntax.arguments, table_name, FindTableIndex(table_name), line};
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

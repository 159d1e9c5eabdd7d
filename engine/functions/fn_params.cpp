// "Param": turns the item number of a list parameter into the text of that option, so table text
// can show the choice the user made rather than its number.
#include <string>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/model/table.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

std::string ParamError(const FunctionCall& call, std::string_view what) {
  return ParamErrorText(what, call.table, call.line);
}

// The first parameter of the table bound to variable `variable`, or nullptr.
const TableParameter* FirstParameterOf(const Table& table, int variable) {
  for (const TableParameter& parameter : table.Params) {
    if (parameter.VarIndex == variable) return &parameter;
  }
  return nullptr;
}

// "Param~variable,item": the text of option `item` of the list parameter bound to the variable.
std::string Param(const FunctionCall& call) {
  ArgReader args(call);
  const std::string name(args.Text());
  const Table* table = call.table_index < 0 ? nullptr : &call.engine.TableAt(call.table_index);
  const int variable = table == nullptr ? -1 : table->FindVariable(name);
  if (variable < 0) {
    return ParamError(call, "Param function referencing non-existent variable");
  }
  // The item number is read strictly, so a missing or non-numeric one fails the call, even
  // when the variable turns out to be bound to no parameter.
  const int16_t option = RoundToInt16(args.Number() - 1);
  const TableParameter* parameter = FirstParameterOf(*table, variable);
  if (parameter == nullptr) return "";
  if (!parameter->IsList) {
    return ParamError(call, "Parameter is text-based, not list-based");
  }
  if (option < 0 || static_cast<std::size_t>(option) >= parameter->Options.size()) {
    return ParamError(call, "Requested parameter item out of range");
  }
  return parameter->Options[static_cast<std::size_t>(option)];
}

constexpr FunctionEntry kParams[] = {{"Param", Param}};

}  // namespace

constinit const FunctionFamily kParamFunctions = kParams;

}  // namespace fablewick

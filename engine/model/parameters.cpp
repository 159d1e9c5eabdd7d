#include "engine/model/parameters.h"

#include <cmath>

#include "engine/numbers.h"

namespace fablewick {
namespace {

// The item number that a value given by name (--param) stands for: a whole number from 1 to
// `count`, written strictly.
std::optional<std::size_t> ItemNumber(std::string_view value, std::size_t count) {
  const std::optional<double> number = ParseStrictNumber(value);
  if (!number || *number != std::floor(*number) || *number < 1 ||
      *number > static_cast<double>(count)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(*number);
}

// The value a list parameter takes from `given`: its item number, or the number of the first
// option whose text is exactly `given`.
std::optional<std::string> ListValue(const TableParameter& parameter, std::string_view given) {
  if (std::optional<std::size_t> item = ItemNumber(given, parameter.Options.size())) {
    return FormatInteger(static_cast<long long>(*item));
  }
  for (std::size_t option = 0; option < parameter.Options.size(); ++option) {
    if (parameter.Options[option] == given)
      return FormatInteger(static_cast<long long>(option + 1));
  }
  return std::nullopt;
}

std::string OptionChoices(const TableParameter& parameter) {
  std::string choices;
  for (std::size_t option = 0; option < parameter.Options.size(); ++option) {
    choices += "\n  " + FormatInteger(static_cast<long long>(option + 1)) + " " +
               parameter.Options[option];
  }
  return choices;
}

}  // namespace

std::optional<std::size_t> ListOptionIndex(const TableParameter& parameter,
                                           std::string_view value) {
  const double index = ParseLeadingNumber(value) - 1;
  // Checked before rounding, so that no value is too wide to round.
  if (!(index >= -1 && index <= static_cast<double>(parameter.Options.size()))) {
    return std::nullopt;
  }
  const int32_t rounded = RoundToInt32(index);
  if (rounded < 0 || static_cast<std::size_t>(rounded) >= parameter.Options.size()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(rounded);
}

std::vector<std::string> LoadParameters(const Table& table, Host& host) {
  std::vector<std::string> values;
  std::string problems;
  for (const TableParameter& parameter : table.Params) {
    std::string value = parameter.DefaultValue;
    if (parameter.IsList && !ListOptionIndex(parameter, value)) {
      problems += "\r'" + parameter.Prompt + "': default '" + value +
                  "' is not an option from 1 to " +
                  FormatInteger(static_cast<long long>(parameter.Options.size()));
      value = "1";
    }
    values.push_back(std::move(value));
  }
  if (!problems.empty()) {
    host.MessageBox("Error in table parameters: " + table.Name,
                    "These list parameters of table " + table.Name +
                        " start at their first option instead:" + problems);
  }
  return values;
}

std::optional<std::string> SetParameterByVariable(const Table& table,
                                                  std::vector<std::string>& values,
                                                  std::string_view assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) {
    return "--param needs VAR=VALUE, not '" + std::string(assignment) + "'";
  }
  const std::string variable(assignment.substr(0, equals));
  const std::string_view given = assignment.substr(equals + 1);
  // Every parameter bound to the variable takes the value: the roll applies them in order, so
  // setting only the first of two would leave the variable at the second one's value.
  bool bound = false;
  for (std::size_t i = 0; i < table.Params.size() && i < values.size(); ++i) {
    const TableParameter& parameter = table.Params[i];
    if (table.Vars[static_cast<std::size_t>(parameter.VarIndex)].Name != variable) continue;
    bound = true;
    if (!parameter.IsList) {
      values[i] = given;
      continue;
    }
    std::optional<std::string> value = ListValue(parameter, given);
    if (!value) {
      return "parameter " + variable + " of table " + table.Name +
             " takes an item number or one of:" + OptionChoices(parameter);
    }
    values[i] = std::move(*value);
  }
  if (!bound)
    return "table " + table.Name + " has no parameter bound to variable '" + variable + "'";
  return std::nullopt;
}

}  // namespace fablewick

#include "engine/parameters.h"

#include <cmath>

#include "engine/numbers.h"

namespace fablewick {
namespace {

// The item number a list parameter's value stands for, when it is one from 1 to `count`.
std::optional<std::size_t> ItemNumber(std::string_view value, std::size_t count) {
  const std::optional<double> number = ParseStrictNumber(value);
  if (!number || *number != std::floor(*number) || *number < 1 ||
      *number > static_cast<double>(count)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(*number);
}

}  // namespace

std::vector<std::string> LoadParameters(const Table& table, Host& host) {
  std::vector<std::string> values;
  std::string problems;
  for (const TableParameter& parameter : table.Params) {
    std::string value = parameter.DefaultValue;
    if (parameter.IsList && !ItemNumber(value, parameter.Options.size())) {
      problems += "\r'" + parameter.Prompt + "': default '" + value + "' is not an option from 1 to " +
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
  const std::string_view value = assignment.substr(equals + 1);
  for (std::size_t i = 0; i < table.Params.size() && i < values.size(); ++i) {
    const TableParameter& parameter = table.Params[i];
    if (table.Vars[static_cast<std::size_t>(parameter.VarIndex)].Name != variable) continue;
    if (!parameter.IsList) {
      values[i] = value;
      return std::nullopt;
    }
    if (std::optional<std::size_t> item = ItemNumber(value, parameter.Options.size())) {
      values[i] = FormatInteger(static_cast<long long>(*item));
      return std::nullopt;
    }
    std::string choices;
    for (std::size_t option = 0; option < parameter.Options.size(); ++option) {
      const std::string number = FormatInteger(static_cast<long long>(option + 1));
      if (parameter.Options[option] == value) {
        values[i] = number;
        return std::nullopt;
      }
      choices += "\n  " + number + " " + parameter.Options[option];
    }
    return "parameter " + variable + " of table " + table.Name + " takes an item number or one of:" +
           choices;
  }
  return "table " + table.Name + " has no parameter bound to variable '" + variable + "'";
}

}  // namespace fablewick

// The current parameter set: the values of the selected table's parameters, applied to their
// variables at every top-level roll.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/host.h"
#include "engine/model/table.h"

namespace fablewick {

// The 0-based option that a list parameter's value shows (the panel's reading of it): the number
// at the start of the value less one, rounded halves to even; nullopt when there is no such
// option.
std::optional<std::size_t> ListOptionIndex(const TableParameter& parameter, std::string_view value);

// The parameter values of a table chosen for rolling: every parameter at its default text. A
// list parameter whose default names no option (ListOptionIndex) takes its first option instead;
// that is reported once, in a message naming the table.
std::vector<std::string> LoadParameters(const Table& table, Host& host);

// Sets the parameters bound to variable VAR from "VAR=VALUE". A list parameter takes an item
// number (a whole number from 1 to its option count) or an option's exact text. Returns a
// description of the problem when the assignment cannot be made.
std::optional<std::string> SetParameterByVariable(const Table& table,
                                                  std::vector<std::string>& values,
                                                  std::string_view assignment);

}  // namespace fablewick

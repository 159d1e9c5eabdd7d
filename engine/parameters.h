// The current parameter set: the values of the selected table's parameters, applied to their
// variables at every top-level roll.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/host.h"
#include "engine/table.h"

namespace fablewick {

// The parameter values of a table chosen for rolling: every parameter at its default. A list
// parameter whose default is not an item number from 1 to its option count takes its first
// option; that is reported once, in a message naming the table.
std::vector<std::string> LoadParameters(const Table& table, Host& host);

// Sets the parameter bound to variable VAR from "VAR=VALUE". A list parameter takes an item
// number or an option's exact text. Returns a description of the problem when the assignment
// cannot be made.
std::optional<std::string> SetParameterByVariable(const Table& table,
                                                  std::vector<std::string>& values,
                                                  std::string_view assignment);

}  // namespace fablewick

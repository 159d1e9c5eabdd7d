// The names of the built-in functions and the lookup by name, as the dispatcher knows them.
#pragma once

#include <string_view>
#include <vector>

#include "engine/functions/functions.h"

namespace fablewick {

// Every name a function call can use, family by family. The blocks "Loop" and "While" are not
// functions and are not among them.
std::vector<std::string_view> BuiltInFunctionNames();

// The function registered under exactly `name`; null when there is none.
FunctionHandler FindFunction(std::string_view name);

}  // namespace fablewick

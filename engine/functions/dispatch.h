// The names of the built-in functions, as the dispatcher knows them.
#pragma once

#include <string_view>
#include <vector>

namespace fablewick {

// Every name a function call can use, in the dispatcher's order. The blocks "Loop" and "While"
// are not functions and are not among them.
std::vector<std::string_view> BuiltInFunctionNames();

}  // namespace fablewick

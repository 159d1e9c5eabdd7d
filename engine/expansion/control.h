// Cutting the If, Loop and While blocks into their parts.
#pragma once

#include <cstddef>
#include <string_view>

namespace fablewick {

// Position of the first `separator` at or after `from` that stands outside every construct:
// braces and brackets balanced, "%" and "|" each seen an even number of times. npos when none.
// The blocks cut their parts here, and the table checker looks for missing separators with it.
std::size_t FindTopLevel(std::string_view text, char separator, std::size_t from = 0);

}  // namespace fablewick

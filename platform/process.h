// Starting other programs.
#pragma once

#include <string>
#include <vector>

namespace fablewick {

// Starts a program from its arguments (the first names the program, looked up in PATH), in a
// session of its own, without a shell and without waiting for it to end. Returns false with a
// description in `error` when it cannot be started.
bool StartDetached(const std::vector<std::string>& arguments, std::string& error);

}  // namespace fablewick

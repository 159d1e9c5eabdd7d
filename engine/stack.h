// Keeping deep expansions off the edge of the stack.
#pragma once

#include <cstddef>
#include <functional>

namespace fablewick {

// Bytes of stack left to the calling thread; a large number when it cannot be told.
std::size_t StackRemaining();

// Runs `work` on a thread whose stack holds the deepest nesting the engine allows, and waits
// for it. An exception thrown by `work` is thrown again here.
void RunWithLargeStack(const std::function<void()>& work);

}  // namespace fablewick

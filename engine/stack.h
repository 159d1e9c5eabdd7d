// Keeping deep expansions off the edge of the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace fablewick {

// The lowest usable address of the calling thread's stack, which grows down towards it; 0 when
// it cannot be told.
std::uintptr_t StackFloor();

// Runs `work` on a thread whose stack holds the deepest nesting the engine allows, and waits
// for it. An exception thrown by `work` is thrown again here.
void RunWithLargeStack(const std::function<void()>& work);

}  // namespace fablewick

// Keeping deep expansions off the edge of the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace fablewick {

// Stack kept free below the deepest expansion, for the handlers and library calls it makes.
inline constexpr std::size_t kStackReserve = std::size_t{256} << 10;

// The lowest usable address of the calling thread's stack, which grows down towards it; 0 when
// it cannot be told.
std::uintptr_t StackFloor();

// Runs `work` on a thread whose stack holds the deepest nesting the engine allows, and waits
// for it. An exception thrown by `work` is thrown again here.
void RunWithLargeStack(const std::function<void()>& work);

}  // namespace fablewick

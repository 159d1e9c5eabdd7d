// Running a generation without freezing the window.
#pragma once

#include <functional>

namespace fablewick {

// Runs `work` on a thread with the engine's large stack while the calling (window) thread keeps
// handling window events: the window repaints, and the Stop button and Escape still work. Returns
// when `work` has finished; an exception thrown by `work` is thrown again here.
void RunKeepingWindowAlive(const std::function<void()>& work);

}  // namespace fablewick

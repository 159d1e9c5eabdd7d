#include "ui/generation.h"

#include <QEventLoop>
#include <exception>
#include <thread>

#include "engine/stack.h"

namespace fablewick {

void RunKeepingWindowAlive(const std::function<void()>& work) {
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      RunWithLargeStack(work);
    } catch (...) {
      failure = std::current_exception();
    }
    // Queued, so that a finish before the loop starts still ends it once it runs.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::AllEvents);
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace fablewick

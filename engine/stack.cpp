#include "engine/stack.h"

#include <cstdint>

#ifdef __EMSCRIPTEN__

#include <emscripten/stack.h>

namespace fablewick {

// The web build has one stack, whose size the link sets, and no threads to spare: the generation
// runs on it.
std::uintptr_t StackFloor() { return emscripten_stack_get_end(); }

void RunWithLargeStack(const std::function<void()>& work) { work(); }

}  // namespace fablewick

#else

#include <pthread.h>

#include <exception>
#include <stdexcept>

namespace fablewick {
namespace {

// Generation threads get this much address space for their stack; only the pages actually used
// are ever backed by memory.
constexpr std::size_t kGenerationStack = std::size_t{512} << 20;

struct StackBounds {
  std::uintptr_t low = 0;  // lowest usable address; the stack grows down towards it
  bool known = false;
};

StackBounds CurrentStackBounds() {
  StackBounds bounds;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return bounds;
  void* address = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attr, &address, &size) == 0) {
    bounds.low = reinterpret_cast<std::uintptr_t>(address);
    bounds.known = true;
  }
  pthread_attr_destroy(&attr);
  return bounds;
}

struct Job {
  const std::function<void()>* work;
  std::exception_ptr failure;
};

void* RunJob(void* argument) {
  Job* job = static_cast<Job*>(argument);
  try {
    (*job->work)();
  } catch (...) {
    job->failure = std::current_exception();
  }
  return nullptr;
}

}  // namespace

std::uintptr_t StackFloor() {
  thread_local const StackBounds bounds = CurrentStackBounds();
  return bounds.known ? bounds.low : 0;
}

void RunWithLargeStack(const std::function<void()>& work) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kGenerationStack);
  Job job{&work, nullptr};
  pthread_t thread;
  const int started = pthread_create(&thread, &attr, RunJob, &job);
  pthread_attr_destroy(&attr);
  if (started != 0) {
    // No thread could be made (address space exhausted): run here; the stack check still
    // keeps the nesting within what this stack holds.
    work();
    return;
  }
  pthread_join(thread, nullptr);
  if (job.failure) std::rethrow_exception(job.failure);
}

}  // namespace fablewick

#endif

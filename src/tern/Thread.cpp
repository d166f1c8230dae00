#include "tern/Thread.h"

#include <unistd.h>

#include <system_error>

#include "tern/OsException.h"

namespace Tern {

Thread::Thread() = default;

Thread::~Thread() { join(); }

void Thread::start() {
  if (isRunning) return;
  // A body that has returned may still be leaving its thread; it must be gone before the
  // events are reset for the next run.
  join();
  started.reset();
  finished.reset();
  try {
    worker = std::thread([this] { entry(); });
  } catch (const std::system_error& failure) {
    throw OsException("Tern::Thread::start failed", failure.code().value());
  }
  started.wait(SignalEvent::infinite);
}

void Thread::waitForEnd() {
  if (isRunning) finished.wait(SignalEvent::infinite);
}

void Thread::join() {
  if (!worker.joinable()) return;
  if (worker.get_id() == std::this_thread::get_id()) {
    // The body is destroying its own object: it cannot wait for itself.
    worker.detach();
    return;
  }
  worker.join();
}

void Thread::entry() {
  workerId = static_cast<std::uint32_t>(gettid());
  isRunning = true;
  started.set();
  run();
  workerId = 0;
  isRunning = false;
  finished.set();
}

}  // namespace Tern

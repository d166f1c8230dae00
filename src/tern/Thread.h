#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "tern/SignalEvent.h"

namespace Tern {

// A worker thread running the body `run`. `start` returns once the body is about to run; the
// object joins its thread before its destruction completes. A subclass whose body touches
// its own members must end the body and call `join` in its own destructor, since the
// subclass's part is gone by the time this destructor runs.
class Thread {
 public:
  // UI thread only (the owning thread).
  Thread();
  // Joins the thread. UI thread only (the owning thread).
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts the body on a new thread unless it is running; returns once `running` is true.
  // Throws OsException "Tern::Thread::start failed". UI thread only (the owning thread).
  virtual void start();

  // Blocks until the body has returned; returns at once when it is not running.
  // Any thread but the worker itself.
  virtual void waitForEnd();

  // True while the body runs. Any thread.
  [[nodiscard]] bool running() const noexcept { return isRunning.load(); }
  // The worker's system thread id while the body runs, 0 otherwise. Any thread.
  [[nodiscard]] std::uint32_t threadId() const noexcept { return workerId.load(); }

 protected:
  // The thread body; it must not throw. Runs on the worker thread.
  virtual void run() = 0;

  // Waits for the body's end and for its thread to be gone. UI thread only (the owning thread).
  void join();

 private:
  void entry();

  std::atomic<std::uint32_t> workerId{0};
  std::atomic<bool> isRunning{false};
  SignalEvent started{SignalEvent::Reset::manual};
  SignalEvent finished{SignalEvent::Reset::manual};
  std::thread worker;
};

}  // namespace Tern

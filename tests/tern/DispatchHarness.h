#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "tern/QueueDispatch.h"

// Installs a QueueDispatch whose wake-ups are only counted, and lets the test's own thread,
// standing in for the UI thread, run the cycles they ask for. No display, no event loop.
class DispatchHarness {
 public:
  static constexpr std::chrono::seconds deadline{30};

  DispatchHarness();
  ~DispatchHarness();
  DispatchHarness(const DispatchHarness&) = delete;
  DispatchHarness& operator=(const DispatchHarness&) = delete;

  [[nodiscard]] Tern::QueueDispatch& dispatcher() const { return *queue; }

  // How many wake-ups were asked for so far (failed ones excluded). Any thread.
  [[nodiscard]] unsigned wakes() const;

  // The next `count` wake-ups throw instead of being recorded. Any thread.
  void failWakes(int count) { wakesToFail = count; }

  // Waits for a wake-up not yet answered, then runs one cycle; false when none comes in time.
  bool cycleOnWake(std::chrono::milliseconds timeout = deadline);

  // Answers wake-ups until done() holds; false when the deadline passes first.
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = deadline);

  // Answers every wake-up already asked for, without waiting for new ones.
  void drain();

 private:
  void onWake();

  mutable std::mutex mutex;
  std::condition_variable woken;
  unsigned requested = 0;
  unsigned answered = 0;
  std::atomic<int> wakesToFail{0};
  Tern::QueueDispatch* queue;
};

#pragma once

#include <atomic>

#include "tern/OwnerThread.h"

// Tells the typing that the user asked the run to stop. The stop key's worker raises it the
// moment the chord is seen, without waiting for the UI thread to get round to an event, and the
// player looks at it between any two key actions: while it is raised nothing is played. Made on
// the UI thread.
class StopSignal {
 public:
  // Any thread.
  void raise() noexcept { flag.store(true, std::memory_order_release); }
  // Once what the stop asks for is done, before the final commands. UI thread only.
  void lower() noexcept {
    uiThread.assertCurrent("StopSignal::lower");
    flag.store(false, std::memory_order_release);
  }
  // Any thread.
  [[nodiscard]] bool raised() const noexcept { return flag.load(std::memory_order_acquire); }

 private:
  const Tern::OwnerThread uiThread;
  std::atomic<bool> flag{false};
};

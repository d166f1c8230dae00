#include "tern/SignalEvent.h"

#include <chrono>

namespace Tern {

SignalEvent::SignalEvent(Reset mode, bool initiallySignalled) : resetMode(mode), signalled(initiallySignalled) {}

void SignalEvent::set() {
  const std::lock_guard<std::mutex> hold(mutex);
  signalled = true;
  // Under the lock: the waiter may destroy this object as soon as its wait returns.
  if (resetMode == Reset::automatic) {
    changed.notify_one();
  } else {
    changed.notify_all();
  }
}

void SignalEvent::reset() {
  const std::lock_guard<std::mutex> hold(mutex);
  signalled = false;
}

bool SignalEvent::wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> hold(mutex);
  const auto isSignalled = [this] { return signalled; };
  if (timeoutMs == infinite) {
    changed.wait(hold, isSignalled);
  } else if (!changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), isSignalled)) {
    return false;
  }
  if (resetMode == Reset::automatic) signalled = false;
  return true;
}

}  // namespace Tern

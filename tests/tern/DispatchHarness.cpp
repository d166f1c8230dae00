#include "DispatchHarness.h"

#include <stdexcept>

#include "tern/EventDispatcher.h"

DispatchHarness::DispatchHarness() : queue(new Tern::QueueDispatch([this](Tern::QueueDispatch&) { onWake(); })) {
  Tern::EventDispatcher::install(queue);
}

DispatchHarness::~DispatchHarness() { Tern::EventDispatcher::install(nullptr); }

unsigned DispatchHarness::wakes() const {
  const std::lock_guard<std::mutex> hold(mutex);
  return requested;
}

void DispatchHarness::onWake() {
  if (wakesToFail.load() > 0) {
    --wakesToFail;
    throw std::runtime_error("wake-up refused");
  }
  const std::lock_guard<std::mutex> hold(mutex);
  ++requested;
  woken.notify_all();
}

bool DispatchHarness::cycleOnWake(std::chrono::milliseconds timeout) {
  {
    std::unique_lock<std::mutex> hold(mutex);
    if (!woken.wait_for(hold, timeout, [this] { return answered < requested; })) return false;
    ++answered;
  }
  queue->dispatchCycle();
  return true;
}

bool DispatchHarness::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // Short slices, so that done() is looked at again even when it turns true without a wake.
    cycleOnWake(std::min(left, std::chrono::milliseconds(50)));
  }
  return true;
}

void DispatchHarness::drain() {
  while (cycleOnWake(std::chrono::milliseconds(0))) {
  }
}

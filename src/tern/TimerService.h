#pragma once

#include <cstdint>

class OneShotClient;

// Arms one-shot millisecond timers for clients. A run reaches its timers through this, so the
// decisions of a run can be driven by a hand-stepped clock as well as by OneShot.
class TimerService {
 public:
  virtual ~TimerService() = default;

  // After delayMs milliseconds client->onOneShotFired(id) is called on the UI thread. Returns
  // the id, never 0. UI thread only.
  virtual std::uint32_t arm(OneShotClient* client, std::uint32_t delayMs) = 0;
};

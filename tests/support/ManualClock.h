#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "tern/OneShotClient.h"
#include "tern/TimerService.h"

// Milliseconds moved by hand, and timer services on them that report through the same
// onOneShotFired calls as OneShot: the earliest due first, those due together in the order
// armed. A dropped service's pending timers never fire. UI thread only.
class ManualClock {
 public:
  class Timers final : public TimerService {
   public:
    explicit Timers(ManualClock& owner) : clock(owner) { clock.live = this; }
    ~Timers() override {
      if (clock.live == this) clock.live = nullptr;
    }
    Timers(const Timers&) = delete;
    Timers& operator=(const Timers&) = delete;

    std::uint32_t arm(OneShotClient* client, std::uint32_t delayMs) override {
      pending.emplace(std::pair{clock.now + delayMs, ++lastId}, client);
      return lastId;
    }

    // Moves the clock to the earliest timer due by until and fires it; false when none is due.
    bool fireNext(std::uint64_t until) {
      if (pending.empty() || pending.begin()->first.first > until) return false;
      const auto [due, client] = *pending.begin();
      pending.erase(pending.begin());
      clock.now = due.first;
      client->onOneShotFired(due.second);
      return true;
    }

   private:
    ManualClock& clock;
    std::uint32_t lastId = 0;
    std::map<std::pair<std::uint64_t, std::uint32_t>, OneShotClient*> pending;
  };

  // A new service, the one runTo drives from now on.
  std::unique_ptr<TimerService> makeTimers() { return std::make_unique<Timers>(*this); }

  // Fires every timer due by until, calling settle first and after each (to deliver what the
  // firing posted), and leaves the clock at until.
  void runTo(std::uint64_t until, const std::function<void()>& settle = [] {}) {
    settle();
    while (live != nullptr && live->fireNext(until)) settle();
    now = std::max(now, until);
  }

  std::uint64_t now = 0;

 private:
  Timers* live = nullptr;
};

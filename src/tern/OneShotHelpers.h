#pragma once

#include <cstdint>

#include "tern/Crc32.h"
#include "tern/Event.h"

class OneShotClient;

// The events a OneShot sends itself.
namespace OneShotHelpers {

// The worker's request for a scan of the timers; posted once per worker cycle.
class event_thread_fired : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("OneShot::event_thread_fired");

  // Any thread.
  explicit event_thread_fired(Tern::EventReceiver* service) noexcept;
};

// A due timer, to be reported to its client if the client is still alive at delivery.
class event_timer_fired : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("OneShotClients::event_timer_fired");

  // Any thread.
  event_timer_fired(Tern::EventReceiver* service, OneShotClient* timerClient, std::uint32_t firedId) noexcept;

  OneShotClient* const client;
  const std::uint32_t timerId;
};

}  // namespace OneShotHelpers

#include "tern/OneShotHelpers.h"

namespace OneShotHelpers {

event_thread_fired::event_thread_fired(Tern::EventReceiver* service) noexcept : Event(id, service) {}

event_timer_fired::event_timer_fired(Tern::EventReceiver* service, OneShotClient* timerClient,
                                     std::uint32_t firedId) noexcept
    : Event(id, service), client(timerClient), timerId(firedId) {}

}  // namespace OneShotHelpers

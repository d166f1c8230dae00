#include "tern/Event.h"

#include "tern/EventDispatcher.h"

namespace Tern {

const char* Event::BadPost::what() const noexcept { return "Event post failed"; }

Event::Event(std::uint32_t type, EventReceiver* receiver) noexcept : kind(type), target(receiver) {}

Event::~Event() = default;

std::uint32_t Event::type() const { return kind; }

void Event::post() {
  std::unique_ptr<Event> self(this);
  if (!EventDispatcher::postToInstalled(self)) {
    // Nobody took the event: it stays with the caller.
    static_cast<void>(self.release());
    throw BadPost();
  }
}

void Event::postOwned(std::unique_ptr<Event> event) {
  if (!EventDispatcher::postToInstalled(event)) throw BadPost();
}

}  // namespace Tern

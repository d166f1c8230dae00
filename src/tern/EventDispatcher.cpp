#include "tern/EventDispatcher.h"

#include <mutex>
#include <shared_mutex>

#include "tern/Event.h"

namespace Tern {

namespace {

// The installed dispatcher. Posters hold the lock shared while they use it, so that install
// cannot delete a dispatcher under a worker thread's post.
struct Installation {
  std::shared_mutex lock;
  EventDispatcher* current = nullptr;
};

// Never destroyed: receivers and events with static storage may still use it during exit.
Installation& installation() {
  static Installation* const instance = new Installation();
  return *instance;
}

}  // namespace

EventDispatcher::~EventDispatcher() = default;

void EventDispatcher::forgetReceiver(EventReceiver*) {}

void EventDispatcher::install(EventDispatcher* dispatcher) {
  Installation& installed = installation();
  EventDispatcher* old = nullptr;
  {
    const std::unique_lock<std::shared_mutex> hold(installed.lock);
    if (installed.current == dispatcher) return;
    old = installed.current;
    installed.current = dispatcher;
  }
  delete old;
}

bool EventDispatcher::postToInstalled(std::unique_ptr<Event>& event) {
  Installation& installed = installation();
  const std::shared_lock<std::shared_mutex> hold(installed.lock);
  if (installed.current == nullptr) return false;
  installed.current->post(event.release());
  return true;
}

void EventDispatcher::forgetAtInstalled(EventReceiver* receiver) {
  Installation& installed = installation();
  const std::shared_lock<std::shared_mutex> hold(installed.lock);
  if (installed.current != nullptr) installed.current->forgetReceiver(receiver);
}

}  // namespace Tern

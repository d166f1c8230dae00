#include "tern/EventReceiver.h"

#include "tern/EventDispatcher.h"

namespace Tern {

EventReceiver::EventReceiver() : InstanceValidator(typeid(EventReceiver)) {}

EventReceiver::~EventReceiver() {
  withdraw();
  EventDispatcher::forgetAtInstalled(this);
}

}  // namespace Tern

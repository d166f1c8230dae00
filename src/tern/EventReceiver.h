#pragma once

#include "tern/CountedPtr.h"
#include "tern/Event.h"
#include "tern/InstanceValidator.h"

namespace Tern {

// Something events can be addressed to. Events still queued for a receiver when it is
// destroyed are dropped without a call.
class EventReceiver : public InstanceValidator {
 public:
  // Any thread.
  EventReceiver();
  // Ends validity first, then detaches the queued events, so that no event posted meanwhile
  // can stay addressed to this object's address. UI thread only.
  ~EventReceiver() override;

  // Delivers one event addressed to this receiver; kinds it does not know are ignored. It may
  // keep copies of the handle, post, create or destroy receivers and run nested event loops.
  // UI thread only (called by the dispatcher).
  virtual void receive(CountedPtr<Event> event) = 0;
};

}  // namespace Tern

#pragma once

#include <memory>

namespace Tern {

class Event;
class EventReceiver;

// Takes posted events and delivers them on the UI thread. One process-wide instance is
// installed; events reach it through Event::post.
class EventDispatcher {
 public:
  // UI thread only.
  EventDispatcher() = default;
  // UI thread only; an installed dispatcher is deleted by install.
  virtual ~EventDispatcher();
  EventDispatcher(const EventDispatcher&) = delete;
  EventDispatcher& operator=(const EventDispatcher&) = delete;

  // Takes ownership of event, whether this returns or throws, and queues it for delivery;
  // throws Event::BadPost when it cannot. Any thread.
  virtual void post(Event* event) = 0;

  // Detaches the queued events addressed to receiver, which is going away; the base does
  // nothing. Any thread.
  virtual void forgetReceiver(EventReceiver* receiver);

  // Deletes the installed dispatcher, if any, and installs dispatcher (null: none). Waits for
  // posts in progress to the old one. UI thread only, at start-up and shut-down, never from
  // inside a delivery.
  static void install(EventDispatcher* dispatcher);

 private:
  friend class Event;
  friend class EventReceiver;

  // Passes event to the installed dispatcher and returns true; returns false, leaving event
  // alone, when none is installed. Any thread.
  static bool postToInstalled(std::unique_ptr<Event>& event);

  // Any thread.
  static void forgetAtInstalled(EventReceiver* receiver);
};

}  // namespace Tern

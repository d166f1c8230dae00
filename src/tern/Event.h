#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>

namespace Tern {

class EventReceiver;

// A message addressed to a receiver: created on the heap on any thread, posted, and delivered
// later on the UI thread by a call of the receiver's `receive`. Kinds are told apart by type
// ids, the CRC-32 of each kind's name (see eventTypeId); subclasses add their payload.
class Event {
 public:
  class BadPost : public std::exception {
   public:
    [[nodiscard]] const char* what() const noexcept override;
  };

  // Any thread.
  Event(std::uint32_t type, EventReceiver* receiver) noexcept;
  // Runs where the last handle goes: on the UI thread after delivery, or on the poster's
  // thread when the post fails.
  virtual ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // The kind's id. Any thread.
  [[nodiscard]] virtual std::uint32_t type() const;

  // The receiver, or null once it went away while the event waited. Any thread.
  [[nodiscard]] EventReceiver* receiver() const noexcept { return target.load(std::memory_order_acquire); }

  // Detaches the event from its receiver, which is going away. Any thread.
  void clearReceiver() noexcept { target.store(nullptr, std::memory_order_release); }

  // Hands this event to the installed dispatcher, which owns it from then on, whether this
  // returns or throws. Throws BadPost when no dispatcher is installed (the event then stays
  // with the caller), when the receiver is not a live EventReceiver or when the event cannot
  // be queued (the event is then already deleted). Any thread.
  void post();

  // Posts like post(), but the event is deleted whenever it is not queued, also when no
  // dispatcher is installed. Throws BadPost as post() does. Any thread.
  static void postOwned(std::unique_ptr<Event> event);

 private:
  const std::uint32_t kind;
  std::atomic<EventReceiver*> target;
};

}  // namespace Tern

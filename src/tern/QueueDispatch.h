#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "tern/CountedPtr.h"
#include "tern/Event.h"
#include "tern/EventDispatcher.h"
#include "tern/InstanceValidator.h"
#include "tern/OwnerThread.h"

namespace Tern {

class EventReceiver;

// The dispatcher: posted events wait in one queue, in posting order, and a dispatch cycle on
// the UI thread delivers them. Posting from idle asks the UI thread, through the wake
// function, to run one cycle; while such a request is outstanding no further one is made,
// however many events arrive.
class QueueDispatch : public EventDispatcher, public InstanceValidator {
 public:
  // Asks the UI thread to call dispatchCycle on the given dispatcher once, soon. Called on any
  // thread with no dispatcher lock held; throws a std::exception when the request cannot be
  // made, in which case the events stay queued and the next post or cycle asks again.
  using Wake = std::function<void(QueueDispatch&)>;

  // UI thread only.
  explicit QueueDispatch(Wake wakeUiThread);
  // Deletes the undelivered events. UI thread only.
  ~QueueDispatch() override;

  // Takes ownership of event and queues it; throws Event::BadPost, the event deleted, when its
  // receiver is not a live EventReceiver or it cannot be queued. Any thread.
  void post(Event* event) override;

  // Detaches every queued event addressed to receiver; they are dropped at delivery.
  // Any thread.
  void forgetReceiver(EventReceiver* receiver) override;

  // Delivers the events queued when the cycle starts, in order, each to its receiver if that
  // is still alive; events posted meanwhile wait for the next cycle, which is asked for at the
  // end. A cycle entered from inside a delivery (a nested event loop) returns at once. Should a
  // receiver throw, the events up to it count as delivered, the next cycle is asked for and
  // the exception passes on. UI thread only.
  void dispatchCycle();

 private:
  void requestWake();
  void finishCycle(std::size_t handled);

  const Wake wake;
  std::mutex queueLock;
  // Guarded by queueLock.
  std::deque<CountedPtr<Event>> queue;
  // A wake-up has been asked for and its cycle has not ended yet. Guarded by queueLock.
  bool pending = false;
  // The UI thread: the one that made the dispatcher, where every receiver is called.
  const OwnerThread uiThread;
  // UI thread only.
  bool dispatching = false;
};

}  // namespace Tern

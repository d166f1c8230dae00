#include "tern/QueueDispatch.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>
#include <vector>

#include "tern/EventReceiver.h"

namespace Tern {

QueueDispatch::QueueDispatch(Wake wakeUiThread)
    : InstanceValidator(typeid(QueueDispatch)), wake(std::move(wakeUiThread)) {}

QueueDispatch::~QueueDispatch() {
  // A wake-up still on its way must find this dispatcher gone.
  withdraw();
}

void QueueDispatch::post(Event* event) {
  bool queued = false;
  bool wakeNow = false;
  try {
    const CountedPtr<Event> handle(event);
    // The receiver cannot withdraw between the check and the append, so once its destructor
    // has detached its events, no new one can arrive for its address.
    queued = InstanceValidator::whileValid<EventReceiver>(handle->receiver(), [&] {
      const std::lock_guard<std::mutex> hold(queueLock);
      queue.push_back(handle);
      wakeNow = !pending;
      pending = true;
    });
  } catch (const std::exception&) {
    throw Event::BadPost();
  }
  if (!queued) throw Event::BadPost();
  if (wakeNow) requestWake();
}

void QueueDispatch::forgetReceiver(EventReceiver* receiver) {
  const std::lock_guard<std::mutex> hold(queueLock);
  for (const CountedPtr<Event>& queued : queue) {
    if (queued->receiver() == receiver) queued->clearReceiver();
  }
}

void QueueDispatch::dispatchCycle() {
  uiThread.assertCurrent("QueueDispatch::dispatchCycle");
  if (dispatching) return;
  dispatching = true;
  // Shares the event objects with the queue, so that an event whose receiver is forgotten
  // during this cycle is skipped when its turn comes.
  std::vector<CountedPtr<Event>> snapshot;
  std::size_t handled = 0;
  try {
    {
      const std::lock_guard<std::mutex> hold(queueLock);
      snapshot.assign(queue.begin(), queue.end());
    }
    for (const CountedPtr<Event>& queued : snapshot) {
      ++handled;
      EventReceiver* const receiver = queued->receiver();
      if (receiver != nullptr && InstanceValidator::isValid<EventReceiver>(receiver)) receiver->receive(queued);
    }
  } catch (...) {
    finishCycle(handled);
    throw;
  }
  finishCycle(handled);
}

void QueueDispatch::finishCycle(std::size_t handled) {
  bool wakeAgain = false;
  {
    const std::lock_guard<std::mutex> hold(queueLock);
    // Events posted during the cycle stay queued behind the ones it handled.
    const auto end = std::next(queue.begin(), static_cast<std::ptrdiff_t>(std::min(handled, queue.size())));
    queue.erase(queue.begin(), end);
    pending = !queue.empty();
    wakeAgain = pending;
  }
  dispatching = false;
  if (wakeAgain) requestWake();
}

void QueueDispatch::requestWake() {
  try {
    wake(*this);
  } catch (const std::exception&) {
    // The events stay queued; the next post asks again.
    const std::lock_guard<std::mutex> hold(queueLock);
    pending = false;
  }
}

}  // namespace Tern

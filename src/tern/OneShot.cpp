#include "tern/OneShot.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "tern/OneShotClient.h"
#include "tern/OneShotHelpers.h"
#include "tern/Ticks.h"

OneShot::OneShot(ClientFailed clientFailed) : failed(std::move(clientFailed)) { start(); }

OneShot::~OneShot() {
  stopRequested = true;
  wake.set();
  if (!workerFailed) stopped.wait(Tern::SignalEvent::infinite);
  // The worker still runs a few instructions after confirming; it must be gone before the
  // members it used are destroyed.
  join();
}

std::uint32_t OneShot::nextId(std::uint32_t lastId, const Timers& timers) {
  std::uint32_t candidate = lastId + 1;
  while (candidate == 0 || timers.contains(candidate)) ++candidate;
  return candidate;
}

std::uint32_t OneShot::arm(OneShotClient* client, std::uint32_t delayMs) {
  owner.assertCurrent("OneShot::arm");
  if (workerFailed) throw ExcWorkerFailed();
  const std::uint32_t id = nextId(lastId, timers);
  lastId = id;
  timers.insert_or_assign(id, Entry{client, delayMs, Tern::tickCount(), false});
  if (!wakePending) {
    wakePending = true;
    wake.set();
  }
  return id;
}

void OneShot::receive(Tern::CountedPtr<Tern::Event> event) {
  owner.assertCurrent("OneShot::receive");
  const std::uint32_t type = event->type();
  if (type == OneShotHelpers::event_thread_fired::id) {
    scan();
  } else if (type == OneShotHelpers::event_timer_fired::id) {
    const auto& fired = static_cast<const OneShotHelpers::event_timer_fired&>(*event);
    report(fired.client, fired.timerId);
  }
}

void OneShot::run() {
  while (!stopRequested && !workerFailed) {
    try {
      wake.wait(Tern::SignalEvent::infinite);
      if (stopRequested) break;
      // A timer armed since the last scan skips the wait, so its delay counts at once.
      if (!wakePending) wake.wait(waitMs);
      Tern::Event::postOwned(std::make_unique<OneShotHelpers::event_thread_fired>(this));
    } catch (const std::exception&) {
      workerFailed = true;
    }
  }
  if (stopRequested) stopped.set();
}

void OneShot::scan() {
  wakePending = false;
  std::uint32_t nextWait = maxWaitMs;
  for (auto& [id, entry] : timers) {
    const std::uint32_t elapsed = Tern::ticksSince(entry.start);
    if (elapsed < entry.delay) {
      nextWait = std::min(nextWait, entry.delay - elapsed);
    } else if (!entry.fired) {
      try {
        Tern::Event::postOwned(std::make_unique<OneShotHelpers::event_timer_fired>(this, entry.client, id));
      } catch (const std::exception&) {
        // A report that cannot be posted is dropped; the entry stays, marked, until the
        // service goes.
      }
      entry.fired = true;
    }
  }
  waitMs = nextWait;
  wake.set();
}

void OneShot::report(OneShotClient* client, std::uint32_t id) {
  const auto found = timers.find(id);
  if (found == timers.end() || !found->second.fired) return;
  timers.erase(found);
  if (!Tern::InstanceValidator::isValid<OneShotClient>(client)) return;
  try {
    client->onOneShotFired(id);
  } catch (const std::exception&) {
    if (!failed) throw;
    failed(std::current_exception());
  }
}

#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>

#include "tern/CountedPtr.h"
#include "tern/Event.h"
#include "tern/EventReceiver.h"
#include "tern/OwnerThread.h"
#include "tern/SignalEvent.h"
#include "tern/Thread.h"
#include "tern/TimerService.h"

class OneShotClient;

// One-shot millisecond timers with ids. One worker thread only waits: until the earliest
// pending timer is due, at most a minute, then it asks for a scan. Scans and reports run on
// the UI thread as events, so a client that died meanwhile is detected when its report is
// delivered, and skipped.
class OneShot final : public Tern::EventReceiver, public Tern::Thread, public TimerService {
 public:
  struct Entry {
    OneShotClient* client;
    std::uint32_t delay;
    // Tick count when armed.
    std::uint32_t start;
    // The report has been posted.
    bool fired;
  };
  using Timers = std::map<std::uint32_t, Entry>;

  // The worker stopped because it could not ask for a scan (no dispatcher any more): a timer
  // armed now would never be reported.
  class ExcWorkerFailed : public std::exception {
   public:
    [[nodiscard]] const char* what() const noexcept override { return "OneShot worker failed"; }
  };

  // Told on the UI thread of what a client's onOneShotFired threw, once the client is left: a
  // step a timer drives must end the run and tell the user, as every other step of a run does,
  // not end the program through the event loop.
  using ClientFailed = std::function<void(std::exception_ptr failure)>;

  // Longest wait of the worker between two scans, in milliseconds.
  static constexpr std::uint32_t maxWaitMs = 60000;

  // Starts the worker, which waits for the first arm. Without clientFailed, what a client
  // throws goes on to the dispatcher. Throws OsException "Tern::Thread::start failed". UI
  // thread only.
  explicit OneShot(ClientFailed clientFailed = {});
  // Stops and joins the worker; pending timers are dropped without notice. UI thread only.
  ~OneShot() override;
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

  // Arms a timer: after delayMs milliseconds client->onOneShotFired(id) is called on the UI
  // thread, unless the client is gone by then. Returns the id, never 0. Throws ExcWorkerFailed
  // once the worker has failed. UI thread only.
  std::uint32_t arm(OneShotClient* client, std::uint32_t delayMs) override;

  // The first id after lastId, wrapping, that is neither 0 nor held in timers. Any thread.
  static std::uint32_t nextId(std::uint32_t lastId, const Timers& timers);

  // Scans on the worker's request and reports due timers. UI thread only (the dispatcher).
  void receive(Tern::CountedPtr<Tern::Event> event) override;

 private:
  // The worker loop. Worker thread.
  void run() override;
  void scan();
  void report(OneShotClient* client, std::uint32_t id);

  // UI thread only.
  Tern::OwnerThread owner;
  ClientFailed failed;
  Timers timers;
  std::uint32_t lastId = 0;

  // Shared with the worker.
  std::atomic<std::uint32_t> waitMs{0};
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> wakePending{false};
  std::atomic<bool> workerFailed{false};
  Tern::SignalEvent wake{Tern::SignalEvent::Reset::automatic};
  Tern::SignalEvent stopped{Tern::SignalEvent::Reset::automatic};
};

// The support library's figures, measured in a console wx application's event loop:
// timer lateness, dispatch throughput and the idle cost of a timer service. Prints one
// "name value unit" line per figure on stdout and nothing else.
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tern/Crc32.h"
#include "tern/Event.h"
#include "tern/EventDispatcher.h"
#include "tern/EventReceiver.h"
#include "tern/OneShot.h"
#include "tern/OneShotClient.h"
#include "tern/QueueDispatch.h"
#include "tern/SignalEvent.h"
#include "tern/WxWake.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double processCpuMs() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<double>(used.tv_sec) * 1000.0 + static_cast<double>(used.tv_nsec) / 1e6;
}

// Runs a fresh event loop until start's work calls ScheduleExit on it.
template <class Start>
void runLoop(Start&& start) {
  const std::unique_ptr<wxEventLoopBase> loop(wxAppConsole::GetInstance()->GetTraits()->CreateEventLoop());
  wxAppConsole::GetInstance()->CallAfter([&] { start(*loop); });
  loop->Run();
}

// Dispatch throughput: a worker thread posts, the loop delivers.
class CountEvent : public Tern::Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("TernBench::CountEvent");
  explicit CountEvent(Tern::EventReceiver* receiver) : Event(id, receiver) {}
};

class Counter : public Tern::EventReceiver {
 public:
  Counter(wxEventLoopBase& eventLoop, long expected) : loop(eventLoop), target(expected) {}

  void receive(Tern::CountedPtr<Tern::Event> event) override {
    if (event->type() != CountEvent::id) return;
    if (++count == target) {
      lastDelivery = Clock::now();
      loop.ScheduleExit();
    }
  }

  wxEventLoopBase& loop;
  const long target;
  long count = 0;
  Clock::time_point lastDelivery;
};

double measureDispatch() {
  constexpr long events = 1'000'000;
  double perSecond = 0;
  std::thread worker;
  std::unique_ptr<Counter> counter;
  std::atomic<Clock::rep> firstPost{0};
  runLoop([&](wxEventLoopBase& loop) {
    counter = std::make_unique<Counter>(loop, events);
    worker = std::thread([&, receiver = counter.get()] {
      firstPost = Clock::now().time_since_epoch().count();
      for (long i = 0; i < events; ++i) (new CountEvent(receiver))->post();
    });
  });
  worker.join();
  const Clock::time_point start{Clock::duration(firstPost.load())};
  perSecond = static_cast<double>(events) / std::chrono::duration<double>(counter->lastDelivery - start).count();
  counter.reset();
  return perSecond;
}

// Timer lateness: chains of timers, each re-armed from its own notification.
struct ChainsRunning {
  wxEventLoopBase& loop;
  int count = 0;
};

class Chain : public OneShotClient {
 public:
  Chain(OneShot& timers, std::uint32_t delayMs, int rounds, std::vector<double>& lateness, ChainsRunning& running)
      : service(timers), delay(delayMs), remaining(rounds), samples(lateness), chainsRunning(running) {}

  // The first wait is a random part of the delay, so that chains of one length do not fire
  // together; it is not measured.
  void begin(std::mt19937& random) {
    armedAt = Clock::now();
    measuring = false;
    heldId = service.arm(this, static_cast<std::uint32_t>(random() % delay));
  }

  void onOneShotFired(std::uint32_t id) override {
    if (id != heldId) return;
    const Clock::time_point now = Clock::now();
    if (measuring) {
      samples.push_back(millisecondsBetween(armedAt, now) - delay);
      --remaining;
    }
    if (remaining == 0) {
      heldId = 0;
      if (--chainsRunning.count == 0) chainsRunning.loop.ScheduleExit();
      return;
    }
    measuring = true;
    armedAt = Clock::now();
    heldId = service.arm(this, delay);
  }

 private:
  OneShot& service;
  const std::uint32_t delay;
  int remaining;
  std::vector<double>& samples;
  ChainsRunning& chainsRunning;
  Clock::time_point armedAt;
  std::uint32_t heldId = 0;
  bool measuring = false;
};

struct Lateness {
  double p50;
  double p99;
  double max;
};

double percentile(const std::vector<double>& sorted, double fraction) {
  const auto at = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
  return sorted[std::min(at, sorted.size() - 1)];
}

Lateness measureLateness() {
  struct Plan {
    std::uint32_t delay;
    int samples;
  };
  // About twelve seconds of timers, all lengths running at once.
  constexpr Plan plans[] = {{1, 2000}, {5, 1000}, {20, 500}, {100, 300}, {1000, 200}};
  constexpr double windowMs = 12000;
  std::vector<double> samples;
  std::unique_ptr<ChainsRunning> running;
  std::vector<std::unique_ptr<Chain>> chains;
  std::unique_ptr<OneShot> service;
  std::mt19937 random(1);
  runLoop([&](wxEventLoopBase& loop) {
    service = std::make_unique<OneShot>();
    running = std::make_unique<ChainsRunning>(ChainsRunning{loop, 0});
    for (const Plan& plan : plans) {
      const double chainsNeeded = static_cast<double>(plan.samples) * plan.delay / windowMs;
      const int count = std::max(1, static_cast<int>(std::ceil(chainsNeeded)));
      for (int i = 0; i < count; ++i) {
        chains.push_back(std::make_unique<Chain>(*service, plan.delay, (plan.samples + count - 1) / count, samples,
                                                 *running));
        ++running->count;
      }
    }
    for (const auto& chain : chains) chain->begin(random);
  });
  chains.clear();
  service.reset();
  std::sort(samples.begin(), samples.end());
  return Lateness{percentile(samples, 0.5), percentile(samples, 0.99), samples.back()};
}

// Idle cost: CPU used while a service whose timers have all fired sits idle, scaled to a
// minute, plus the one worker wake-up and scan a minute brings.
class Repeater : public OneShotClient {
 public:
  Repeater(OneShot& timers, int rounds, wxEventLoopBase& eventLoop)
      : service(timers), remaining(rounds), loop(eventLoop) {}
  void onOneShotFired(std::uint32_t) override {
    if (--remaining > 0) {
      service.arm(this, 0);
    } else {
      loop.ScheduleExit();
    }
  }
  void begin() { service.arm(this, 0); }

 private:
  OneShot& service;
  int remaining;
  wxEventLoopBase& loop;
};

double measureIdle() {
  constexpr int cycles = 2000;
  constexpr int idleSeconds = 10;
  auto service = std::make_unique<OneShot>();

  // One arm, scan and report, as the once-a-minute scan of an idle service costs at most.
  std::unique_ptr<Repeater> repeater;
  double cycleStart = 0;
  runLoop([&](wxEventLoopBase& loop) {
    repeater = std::make_unique<Repeater>(*service, cycles, loop);
    cycleStart = processCpuMs();
    repeater->begin();
  });
  const double perCycle = (processCpuMs() - cycleStart) / cycles;
  repeater.reset();

  // The idle window: every timer has fired, the worker waits out its minute.
  double idleStart = 0;
  Tern::SignalEvent ended(Tern::SignalEvent::Reset::manual);
  std::thread timer;
  runLoop([&](wxEventLoopBase& loop) {
    idleStart = processCpuMs();
    timer = std::thread([&] {
      ended.wait(idleSeconds * 1000);
      wxAppConsole::GetInstance()->CallAfter([&] { loop.ScheduleExit(); });
    });
  });
  const double idleUsed = processCpuMs() - idleStart;
  timer.join();
  service.reset();
  return idleUsed * 60.0 / idleSeconds + perCycle;
}

class BenchApp : public wxAppConsole {
 public:
  bool OnInit() override { return true; }

  int OnRun() override {
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
    const Lateness lateness = measureLateness();
    const double eventsPerSecond = measureDispatch();
    const double idleMsPerMinute = measureIdle();
    Tern::EventDispatcher::install(nullptr);
    std::printf("timer_lateness_p50 %.3f ms\n", lateness.p50);
    std::printf("timer_lateness_p99 %.3f ms\n", lateness.p99);
    std::printf("timer_lateness_max %.3f ms\n", lateness.max);
    std::printf("dispatch_events_per_s %.0f events/s\n", eventsPerSecond);
    std::printf("oneshot_idle_cpu_ms_per_min %.3f ms\n", idleMsPerMinute);
    return 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  // wxEntry takes the application over and deletes it at the end.
  wxAppConsole::SetInstance(new BenchApp);
  return wxEntry(argc, argv);
}

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "tern/CriticalSection.h"
#include "tern/Guarded.h"
#include "tern/SignalEvent.h"
#include "tern/Thread.h"

using Tern::SignalEvent;

namespace {

// A body that reports that it runs and then waits until released; it touches only state
// outside the object, so that the object may be destroyed while it runs.
struct Gate {
  SignalEvent entered{SignalEvent::Reset::manual};
  SignalEvent release{SignalEvent::Reset::manual};
  std::atomic<int> bodies{0};
  std::atomic<bool> bodyReturned{false};
  std::atomic<std::uint32_t> seenThreadId{0};
};

class GatedThread : public Tern::Thread {
 public:
  explicit GatedThread(Gate& shared) : gate(shared) {}
  ~GatedThread() override { join(); }

  void run() override {
    gate.seenThreadId = static_cast<std::uint32_t>(gettid());
    ++gate.bodies;
    gate.entered.set();
    gate.release.wait(SignalEvent::infinite);
    gate.bodyReturned = true;
  }

 private:
  Gate& gate;
};

// Destroyed while its body runs: its destructor adds no join of its own.
class BareThread : public Tern::Thread {
 public:
  explicit BareThread(Gate& shared) : gate(shared) {}

  // Reads its member before the owner may begin destroying the object.
  void run() override {
    Gate& shared = gate;
    shared.entered.set();
    shared.release.wait(SignalEvent::infinite);
    shared.bodyReturned = true;
  }

 private:
  Gate& gate;
};

}  // namespace

TEST(CriticalSectionTest, ExcludesOtherThreads) {
  Tern::CriticalSection section;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        const std::lock_guard<Tern::CriticalSection> hold(section);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 80000);
}

TEST(GuardedTest, AccessReachesTheValueUnderTheLock) {
  Tern::Guarded<std::set<int>> values;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&values, t] {
      for (int i = 0; i < 1000; ++i) {
        const Tern::Guarded<std::set<int>>::Access access(values);
        access->insert(t * 1000 + i);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const Tern::Guarded<std::set<int>>::Access access(values);
  EXPECT_EQ(access->size(), 4000U);
}

TEST(SignalEventTest, AutomaticResetIsConsumedByOneWait) {
  SignalEvent event(SignalEvent::Reset::automatic);
  event.set();
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));
}

TEST(SignalEventTest, ManualResetStaysUntilReset) {
  SignalEvent event(SignalEvent::Reset::manual, true);
  EXPECT_TRUE(event.wait(0));
  EXPECT_TRUE(event.wait(0));
  event.reset();
  EXPECT_FALSE(event.wait(0));
}

TEST(SignalEventTest, ASignalGivenBeforeTheWaitIsNotLost) {
  SignalEvent event(SignalEvent::Reset::automatic);
  std::thread signaller([&] { event.set(); });
  signaller.join();
  EXPECT_TRUE(event.wait(SignalEvent::infinite));
}

TEST(SignalEventTest, ATimedWaitEndsUnsignalled) {
  SignalEvent event(SignalEvent::Reset::automatic);
  EXPECT_FALSE(event.wait(20));
}

TEST(SignalEventTest, WakesAWaiterOnAnotherThread) {
  SignalEvent event(SignalEvent::Reset::automatic);
  std::atomic<bool> woke{false};
  std::thread waiter([&] { woke = event.wait(SignalEvent::infinite); });
  event.set();
  waiter.join();
  EXPECT_TRUE(woke);
}

TEST(ThreadTest, StartReturnsOnceTheBodyRuns) {
  Gate gate;
  GatedThread thread(gate);
  EXPECT_FALSE(thread.running());
  EXPECT_EQ(thread.threadId(), 0U);
  thread.start();
  EXPECT_TRUE(thread.running());
  gate.entered.wait(SignalEvent::infinite);
  EXPECT_EQ(thread.threadId(), gate.seenThreadId.load());
  EXPECT_NE(thread.threadId(), static_cast<std::uint32_t>(gettid()));
  gate.release.set();
  thread.waitForEnd();
  EXPECT_TRUE(gate.bodyReturned);
  EXPECT_FALSE(thread.running());
  EXPECT_EQ(thread.threadId(), 0U);
}

TEST(ThreadTest, StartOnARunningThreadDoesNothingAndDoesNotBlock) {
  Gate gate;
  GatedThread thread(gate);
  thread.start();
  thread.start();
  gate.entered.wait(SignalEvent::infinite);
  EXPECT_EQ(gate.bodies, 1);
  gate.release.set();
}

TEST(ThreadTest, CanBeStartedAgainAfterItsBodyEnded) {
  Gate gate;
  GatedThread thread(gate);
  gate.release.set();
  thread.start();
  thread.waitForEnd();
  thread.start();
  thread.waitForEnd();
  EXPECT_EQ(gate.bodies, 2);
}

TEST(ThreadTest, DestructionWaitsForTheRunningBody) {
  Gate gate;
  std::atomic<bool> destroyed{false};
  auto* thread = new BareThread(gate);
  thread->start();
  gate.entered.wait(SignalEvent::infinite);
  std::thread destroyer([&] {
    delete thread;
    // The body must have returned before the destructor did.
    EXPECT_TRUE(gate.bodyReturned);
    destroyed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(destroyed);
  gate.release.set();
  destroyer.join();
  EXPECT_TRUE(destroyed);
}

TEST(ThreadTest, ANeverStartedThreadIsDestroyedWithoutWaiting) {
  Gate gate;
  { const GatedThread thread(gate); }
  EXPECT_EQ(gate.bodies, 0);
}

TEST(ThreadTest, WaitForEndFromAnotherThread) {
  Gate gate;
  GatedThread thread(gate);
  thread.start();
  std::atomic<bool> ended{false};
  std::thread watcher([&] {
    thread.waitForEnd();
    ended = gate.bodyReturned.load();
  });
  gate.release.set();
  watcher.join();
  EXPECT_TRUE(ended);
}

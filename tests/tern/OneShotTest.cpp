#include "tern/OneShot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "DispatchHarness.h"
#include "tern/EventDispatcher.h"
#include "tern/OneShotClient.h"
#include "tern/OneShotHelpers.h"
#include "tern/Ticks.h"

namespace {

std::atomic<std::uint32_t> fakeNow{0};

std::uint32_t fakeTicks() { return fakeNow.load(); }

// Puts the tick counter under the test's control for as long as it lives.
class FakeClock {
 public:
  explicit FakeClock(std::uint32_t start) {
    fakeNow = start;
    Tern::setTickSource(&fakeTicks);
  }
  ~FakeClock() { Tern::setTickSource(nullptr); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  void set(std::uint32_t now) { fakeNow = now; }
};

class Client : public OneShotClient {
 public:
  explicit Client(std::vector<std::uint32_t>* sharedLog = nullptr) : log(sharedLog) {}

  void onOneShotFired(std::uint32_t id) override {
    fired.push_back(id);
    if (log != nullptr) log->push_back(id);
    if (onFired) onFired(id);
  }

  std::vector<std::uint32_t> fired;
  std::function<void(std::uint32_t)> onFired;

 private:
  std::vector<std::uint32_t>* log;
};

class OneShotTest : public ::testing::Test {
 protected:
  // Arms a timer of 0 ms and runs cycles until it is reported: the scan that reports it looked
  // at every other timer too, at the tick count of that moment.
  void scanNow(OneShot& service) {
    Client probe;
    service.arm(&probe, 0);
    ASSERT_TRUE(harness.pumpUntil([&] { return !probe.fired.empty(); }));
  }

  DispatchHarness harness;
};

}  // namespace

TEST(TicksTest, ElapsedTimeWithoutWrapIsThePlainDifference) {
  FakeClock clock(1000);
  EXPECT_EQ(Tern::ticksSince(200), 800U);
  EXPECT_EQ(Tern::ticksSince(1000), 0U);
}

TEST(TicksTest, AcrossTheWrapTheElapsedTimeIsOneLessThanTheModularDifference) {
  FakeClock clock(0x00000100);
  EXPECT_EQ(Tern::ticksSince(0xFFFFFF00U), 0x1FFU);
  clock.set(0);
  EXPECT_EQ(Tern::ticksSince(0xFFFFFFFFU), 0U);
}

TEST(TicksTest, TheRealCounterDoesNotRunBackwards) {
  const std::uint32_t first = Tern::tickCount();
  EXPECT_LT(Tern::ticksSince(first), 60000U);
}

TEST(TicksTest, ANullSourceRestoresTheRealCounter) {
  {
    const FakeClock clock(5);
    EXPECT_EQ(Tern::tickCount(), 5U);
  }
  const std::uint32_t start = Tern::tickCount();
  EXPECT_LT(Tern::ticksSince(start), 60000U);
}

TEST(OneShotIdTest, TheFirstCandidateFollowsTheLastId) {
  const OneShot::Timers none;
  EXPECT_EQ(OneShot::nextId(0, none), 1U);
  EXPECT_EQ(OneShot::nextId(41, none), 42U);
}

TEST(OneShotIdTest, AfterTheLargestIdComesOneAndHeldIdsAreSkipped) {
  OneShot::Timers held;
  EXPECT_EQ(OneShot::nextId(0xFFFFFFFFU, held), 1U);
  held.emplace(1, OneShot::Entry{nullptr, 0, 0, false});
  held.emplace(2, OneShot::Entry{nullptr, 0, 0, false});
  EXPECT_EQ(OneShot::nextId(0xFFFFFFFFU, held), 3U);
  held.emplace(0xFFFFFFFFU, OneShot::Entry{nullptr, 0, 0, false});
  EXPECT_EQ(OneShot::nextId(0xFFFFFFFEU, held), 3U);
}

TEST(OneShotEventsTest, KindsHashTheirNames) {
  EXPECT_EQ(OneShotHelpers::event_thread_fired::id, Tern::eventTypeId("OneShot::event_thread_fired"));
  EXPECT_EQ(OneShotHelpers::event_timer_fired::id, Tern::eventTypeId("OneShotClients::event_timer_fired"));
}

TEST_F(OneShotTest, IdsStartAtOneAndKeepIncreasing) {
  OneShot service;
  Client client;
  EXPECT_EQ(service.arm(&client, 100000), 1U);
  EXPECT_EQ(service.arm(&client, 100000), 2U);
  EXPECT_EQ(service.arm(&client, 100000), 3U);
}

TEST_F(OneShotTest, ADelayOfZeroIsReportedAtTheScanThatArmingTriggers) {
  OneShot service;
  Client client;
  const std::uint32_t id = service.arm(&client, 0);
  ASSERT_TRUE(harness.pumpUntil([&] { return !client.fired.empty(); }));
  EXPECT_EQ(client.fired, (std::vector<std::uint32_t>{id}));
}

TEST_F(OneShotTest, TheShorterTimerIsReportedFirstAndEachIdOnce) {
  FakeClock clock(1000);
  OneShot service;
  std::vector<std::uint32_t> order;
  Client longer(&order);
  Client shorter(&order);
  const std::uint32_t longId = service.arm(&longer, 100);
  const std::uint32_t shortId = service.arm(&shorter, 50);
  scanNow(service);
  EXPECT_TRUE(order.empty());
  clock.set(1050);
  scanNow(service);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{shortId}));
  clock.set(1100);
  scanNow(service);
  clock.set(5000);
  scanNow(service);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{shortId, longId}));
}

TEST_F(OneShotTest, ATimerAcrossTheCounterWrapIsDueAfter512NotAfter511Milliseconds) {
  FakeClock clock(0xFFFFFF00U);
  OneShot service;
  Client client;
  const std::uint32_t id = service.arm(&client, 512);
  clock.set(0x00000100);
  scanNow(service);
  EXPECT_TRUE(client.fired.empty());
  clock.set(0x00000101);
  scanNow(service);
  EXPECT_EQ(client.fired, (std::vector<std::uint32_t>{id}));
}

TEST_F(OneShotTest, ATimerArmedBeforeTheWrapWithADelayOf1000IsNotDueAt511) {
  FakeClock clock(0xFFFFFF00U);
  OneShot service;
  Client client;
  service.arm(&client, 1000);
  clock.set(0x00000100);
  scanNow(service);
  EXPECT_TRUE(client.fired.empty());
  clock.set(0x00000100 + 489);
  scanNow(service);
  EXPECT_EQ(client.fired.size(), 1U);
}

TEST_F(OneShotTest, AClientDestroyedAfterArmingIsNeverCalledAndOthersAreUndisturbed) {
  FakeClock clock(0);
  OneShot service;
  auto doomed = std::make_unique<Client>();
  Client survivor;
  service.arm(doomed.get(), 10);
  const std::uint32_t kept = service.arm(&survivor, 10);
  doomed.reset();
  clock.set(20);
  scanNow(service);
  EXPECT_EQ(survivor.fired, (std::vector<std::uint32_t>{kept}));
}

TEST_F(OneShotTest, AClientDestroyedBetweenScanAndReportIsSkipped) {
  OneShot service;
  auto client = std::make_unique<Client>();
  Client other;
  // Counted before arming: the worker may ask for the scan before this thread reads the count.
  const unsigned before = harness.wakes();
  service.arm(client.get(), 0);
  // The scan: it posts the report and asks for the cycle that delivers it.
  ASSERT_TRUE(harness.pumpUntil([&] { return harness.wakes() >= before + 2; }));
  client.reset();
  harness.drain();
  const std::uint32_t otherId = service.arm(&other, 0);
  ASSERT_TRUE(harness.pumpUntil([&] { return !other.fired.empty(); }));
  EXPECT_EQ(other.fired, (std::vector<std::uint32_t>{otherId}));
}

TEST_F(OneShotTest, AClientMayArmAgainFromItsNotification) {
  OneShot service;
  Client client;
  std::set<std::uint32_t> handedOut;
  client.onFired = [&](std::uint32_t) {
    if (handedOut.size() < 5) handedOut.insert(service.arm(&client, 0));
  };
  handedOut.insert(service.arm(&client, 0));
  ASSERT_TRUE(harness.pumpUntil([&] { return client.fired.size() == 5; }));
  EXPECT_EQ(std::set<std::uint32_t>(client.fired.begin(), client.fired.end()).size(), 5U);
}

TEST_F(OneShotTest, ManyTimersEachReportExactlyOnce) {
  OneShot service;
  std::vector<std::unique_ptr<Client>> clients;
  std::multiset<std::uint32_t> armed;
  for (std::uint32_t i = 0; i < 60; ++i) {
    clients.push_back(std::make_unique<Client>());
    armed.insert(service.arm(clients.back().get(), i % 15));
  }
  const auto firedCount = [&] {
    std::size_t count = 0;
    for (const auto& client : clients) count += client->fired.size();
    return count;
  };
  ASSERT_TRUE(harness.pumpUntil([&] { return firedCount() == armed.size(); }));
  scanNow(service);
  std::multiset<std::uint32_t> fired;
  for (const auto& client : clients) fired.insert(client->fired.begin(), client->fired.end());
  EXPECT_EQ(fired, armed);
}

TEST_F(OneShotTest, DestroyingTheServiceWithTimersPendingDeliversNothingAfterwards) {
  Client client;
  auto service = std::make_unique<OneShot>();
  for (std::uint32_t delay = 0; delay < 50; delay += 5) service->arm(&client, delay);
  ASSERT_TRUE(harness.cycleOnWake());
  service.reset();
  const std::size_t firedBefore = client.fired.size();
  harness.drain();
  EXPECT_EQ(client.fired.size(), firedBefore);
}

TEST_F(OneShotTest, DestroyingAnUnusedServiceStopsItsWorker) {
  const OneShot service;
  EXPECT_TRUE(service.running());
}

// Fault: what a timer's client threw went through the event loop and ended the program, with
// the main window hidden during a run.
TEST_F(OneShotTest, WhatAClientThrowsIsHandedOverAndLaterTimersStillFire) {
  int failures = 0;
  OneShot service([&](const std::exception_ptr&) { ++failures; });
  Client thrower;
  Client other;
  thrower.onFired = [](std::uint32_t) { throw std::runtime_error("typing failed"); };
  service.arm(&thrower, 0);
  ASSERT_TRUE(harness.pumpUntil([&] { return failures == 1; }));
  service.arm(&other, 0);
  ASSERT_TRUE(harness.pumpUntil([&] { return !other.fired.empty(); }));
}

// Catches a failed worker that leaves every later timer silent: a run would wait for ever.
TEST_F(OneShotTest, AfterTheWorkerFailedArmingThrowsAndTheServiceStillGoes) {
  auto service = std::make_unique<OneShot>();
  Client client;
  Tern::EventDispatcher::install(nullptr);
  service->arm(&client, 0);
  service->waitForEnd();
  EXPECT_FALSE(service->running());
  EXPECT_THROW(service->arm(&client, 0), OneShot::ExcWorkerFailed);
  service.reset();
  EXPECT_TRUE(client.fired.empty());
}

// Catches a timer armed from a worker thread, which would race with the UI thread's scans.
TEST(OneShotDeathTest, ArmingOffTheOwnerThreadStopsACheckedBuild) {
  if (!Tern::OwnerThread::checking()) GTEST_SKIP() << "this build does not check threads";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        OneShot service;
        std::thread([&service] { (void)service.arm(nullptr, 0); }).join();
      },
      "OneShot::arm called off its owner thread");
}

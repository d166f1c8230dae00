#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <new>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "DispatchHarness.h"
#include "tern/Crc32.h"
#include "tern/Event.h"
#include "tern/EventDispatcher.h"
#include "tern/EventReceiver.h"
#include "tern/OneShotClient.h"
#include "tern/QueueDispatch.h"

using Tern::CountedPtr;
using Tern::Event;
using Tern::EventReceiver;
using Tern::InstanceValidator;

namespace {

class NumberedEvent : public Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("DispatchTest::NumberedEvent");

  NumberedEvent(EventReceiver* receiver, int value, std::atomic<int>* deletions = nullptr)
      : Event(id, receiver), number(value), deleted(deletions) {}
  ~NumberedEvent() override {
    if (deleted != nullptr) ++*deleted;
  }
  NumberedEvent(const NumberedEvent&) = delete;
  NumberedEvent& operator=(const NumberedEvent&) = delete;

  const int number;

 private:
  std::atomic<int>* deleted;
};

class Recorder : public EventReceiver {
 public:
  void receive(CountedPtr<Event> event) override {
    if (event->type() != NumberedEvent::id) return;
    received.push_back(static_cast<const NumberedEvent&>(*event).number);
    if (onReceive) onReceive(event);
  }

  std::vector<int> received;
  std::function<void(const CountedPtr<Event>&)> onReceive;
};

// Builds an object in storage of its own and destroys it there, leaving an address that no
// longer designates a live object.
template <class T>
class Remains {
 public:
  Remains() { (new (storage) T)->~T(); }
  T* address() { return reinterpret_cast<T*>(storage); }

 private:
  alignas(T) std::byte storage[sizeof(T)];
};

void post(EventReceiver* receiver, int number, std::atomic<int>* deletions = nullptr) {
  (new NumberedEvent(receiver, number, deletions))->post();
}

class DispatchTest : public ::testing::Test {
 protected:
  DispatchHarness harness;
};

}  // namespace

TEST(PostingTest, WithoutADispatcherThrowsAndLeavesTheEventWithTheCaller) {
  std::atomic<int> deleted{0};
  Recorder receiver;
  const auto event = std::make_unique<NumberedEvent>(&receiver, 1, &deleted);
  EXPECT_THROW(event->post(), Event::BadPost);
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(event->number, 1);
}

TEST(PostingTest, PostOwnedWithoutADispatcherDeletesTheEvent) {
  std::atomic<int> deleted{0};
  Recorder receiver;
  EXPECT_THROW(Event::postOwned(std::make_unique<NumberedEvent>(&receiver, 1, &deleted)), Event::BadPost);
  EXPECT_EQ(deleted, 1);
}

TEST(PostingTest, BadPostSaysWhatFailed) { EXPECT_STREQ(Event::BadPost().what(), "Event post failed"); }

TEST_F(DispatchTest, PostingToADestroyedReceiverThrowsAndDeletesTheEvent) {
  std::atomic<int> deleted{0};
  Remains<Recorder> receiver;
  EXPECT_THROW(post(receiver.address(), 1, &deleted), Event::BadPost);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(harness.wakes(), 0U);
}

TEST_F(DispatchTest, PostingToNoReceiverThrows) {
  std::atomic<int> deleted{0};
  EXPECT_THROW(post(nullptr, 1, &deleted), Event::BadPost);
  EXPECT_EQ(deleted, 1);
}

TEST_F(DispatchTest, OneWakeCarriesAWholeBatchInPostingOrder) {
  Recorder receiver;
  for (int i = 1; i <= 5; ++i) post(&receiver, i);
  EXPECT_EQ(harness.wakes(), 1U);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(harness.wakes(), 1U);
}

TEST_F(DispatchTest, DeliveredEventsAreDeletedAfterTheCycle) {
  std::atomic<int> deleted{0};
  Recorder receiver;
  post(&receiver, 1, &deleted);
  post(&receiver, 2, &deleted);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(deleted, 2);
}

TEST_F(DispatchTest, AReceiverMayKeepTheHandleBeyondTheCycle) {
  std::atomic<int> deleted{0};
  Recorder receiver;
  CountedPtr<Event> kept;
  receiver.onReceive = [&](const CountedPtr<Event>& event) { kept = event; };
  post(&receiver, 7, &deleted);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(static_cast<const NumberedEvent&>(*kept).number, 7);
  kept.reset(nullptr);
  EXPECT_EQ(deleted, 1);
}

TEST_F(DispatchTest, AReceiverDestroyedWithThreeQueuedEventsGetsNoneAndOthersKeepTheirOrder) {
  std::atomic<int> deleted{0};
  auto* doomed = new Recorder;
  Recorder other;
  post(doomed, 1, &deleted);
  post(&other, 10, &deleted);
  post(doomed, 2, &deleted);
  post(&other, 11, &deleted);
  post(doomed, 3, &deleted);
  post(&other, 12, &deleted);
  delete doomed;
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(other.received, (std::vector<int>{10, 11, 12}));
  EXPECT_EQ(deleted, 6);
}

TEST_F(DispatchTest, EventsForADeadReceiverDoNotReachANewOneAtTheSameAddress) {
  alignas(Recorder) std::byte storage[sizeof(Recorder)];
  auto* first = new (storage) Recorder;
  post(first, 1);
  post(first, 2);
  first->~Recorder();
  auto* second = new (storage) Recorder;
  post(second, 3);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(second->received, (std::vector<int>{3}));
  second->~Recorder();
}

TEST_F(DispatchTest, AReceiverDestroyedDuringTheCycleLosesItsRemainingEvents) {
  auto* doomed = new Recorder;
  Recorder killer;
  killer.onReceive = [&](const CountedPtr<Event>&) {
    delete doomed;
    doomed = nullptr;
  };
  post(&killer, 1);
  post(doomed, 2);
  post(doomed, 3);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(killer.received, (std::vector<int>{1}));
  EXPECT_EQ(doomed, nullptr);
  EXPECT_FALSE(harness.cycleOnWake(std::chrono::milliseconds(0)));
}

TEST_F(DispatchTest, EventsPostedByAnotherThreadDuringACycleComeNextWithExactlyOneFurtherWake) {
  Recorder receiver;
  bool first = true;
  receiver.onReceive = [&](const CountedPtr<Event>&) {
    if (!first) return;
    first = false;
    std::thread worker([&] {
      post(&receiver, 2);
      post(&receiver, 3);
    });
    worker.join();
  };
  post(&receiver, 1);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1}));
  EXPECT_EQ(harness.wakes(), 2U);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(harness.wakes(), 2U);
}

TEST_F(DispatchTest, ACycleEnteredFromADeliveryReturnsAtOnce) {
  Recorder receiver;
  std::vector<int> seenInsideNested;
  receiver.onReceive = [&](const CountedPtr<Event>& event) {
    if (static_cast<const NumberedEvent&>(*event).number != 1) return;
    post(&receiver, 3);
    // A modal dialog's event loop would run the dispatcher again here.
    harness.dispatcher().dispatchCycle();
    seenInsideNested = receiver.received;
  };
  post(&receiver, 1);
  post(&receiver, 2);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(seenInsideNested, (std::vector<int>{1}));
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2}));
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2, 3}));
}

TEST_F(DispatchTest, ACycleWithNothingQueuedDeliversNothingAndAsksForNoWake) {
  Recorder receiver;
  harness.dispatcher().dispatchCycle();
  EXPECT_TRUE(receiver.received.empty());
  EXPECT_EQ(harness.wakes(), 0U);
}

TEST_F(DispatchTest, AFailedWakeKeepsTheEventsAndTheNextPostWakes) {
  Recorder receiver;
  harness.failWakes(1);
  post(&receiver, 1);
  EXPECT_EQ(harness.wakes(), 0U);
  post(&receiver, 2);
  EXPECT_EQ(harness.wakes(), 1U);
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2}));
}

TEST_F(DispatchTest, AThrowingReceiverLeavesTheRestForTheNextCycle) {
  Recorder receiver;
  receiver.onReceive = [](const CountedPtr<Event>& event) {
    if (static_cast<const NumberedEvent&>(*event).number == 2) throw std::runtime_error("receiver failed");
  };
  for (int i = 1; i <= 4; ++i) post(&receiver, i);
  EXPECT_THROW(harness.cycleOnWake(), std::runtime_error);
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2}));
  ASSERT_TRUE(harness.cycleOnWake());
  EXPECT_EQ(receiver.received, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(harness.wakes(), 2U);
}

TEST_F(DispatchTest, UninstallingDeletesTheUndeliveredEvents) {
  std::atomic<int> deleted{0};
  Recorder receiver;
  post(&receiver, 1, &deleted);
  post(&receiver, 2, &deleted);
  Tern::EventDispatcher::install(nullptr);
  EXPECT_EQ(deleted, 2);
  EXPECT_TRUE(receiver.received.empty());
}

TEST(InstallTest, InstallingReplacesAndDeletesTheOldDispatcher) {
  struct Counting : Tern::EventDispatcher {
    explicit Counting(std::atomic<int>& deletions) : deleted(deletions) {}
    ~Counting() override { ++deleted; }
    void post(Event* event) override { delete event; }
    std::atomic<int>& deleted;
  };
  std::atomic<int> deleted{0};
  auto* first = new Counting(deleted);
  Tern::EventDispatcher::install(first);
  Tern::EventDispatcher::install(first);
  EXPECT_EQ(deleted, 0);
  Tern::EventDispatcher::install(new Counting(deleted));
  EXPECT_EQ(deleted, 1);
  Tern::EventDispatcher::install(nullptr);
  EXPECT_EQ(deleted, 2);
}

namespace {

class TimerUser : public OneShotClient {
 public:
  void onOneShotFired(std::uint32_t) override {}
};

class Both : public EventReceiver, public OneShotClient {
 public:
  void receive(CountedPtr<Event>) override {}
  void onOneShotFired(std::uint32_t) override {}
};

}  // namespace

TEST(InstanceValidatorTest, ALiveObjectIsValidAndADestroyedOneIsNot) {
  alignas(Recorder) std::byte storage[sizeof(Recorder)];
  auto* receiver = new (storage) Recorder;
  EXPECT_TRUE(InstanceValidator::isValid<EventReceiver>(receiver));
  receiver->~Recorder();
  EXPECT_FALSE(InstanceValidator::isValid<EventReceiver>(receiver));
}

TEST(InstanceValidatorTest, NullIsNeverValid) {
  EXPECT_FALSE(InstanceValidator::isValid<EventReceiver>(nullptr));
  EXPECT_FALSE(InstanceValidator::isValid<OneShotClient>(nullptr));
}

TEST(InstanceValidatorTest, EachBaseOfATwoBaseObjectIsCheckedUnderItsOwnAddress) {
  alignas(Both) std::byte storage[sizeof(Both)];
  auto* both = new (storage) Both;
  EventReceiver* asReceiver = both;
  OneShotClient* asClient = both;
  EXPECT_NE(static_cast<void*>(asReceiver), static_cast<void*>(asClient));
  EXPECT_TRUE(InstanceValidator::isValid<EventReceiver>(asReceiver));
  EXPECT_TRUE(InstanceValidator::isValid<OneShotClient>(asClient));
  // The receiver's address does not stand for the client and the other way round.
  EXPECT_FALSE(InstanceValidator::isValid<OneShotClient>(reinterpret_cast<OneShotClient*>(asReceiver)));
  EXPECT_FALSE(InstanceValidator::isValid<EventReceiver>(reinterpret_cast<EventReceiver*>(asClient)));
  both->~Both();
  EXPECT_FALSE(InstanceValidator::isValid<EventReceiver>(asReceiver));
  EXPECT_FALSE(InstanceValidator::isValid<OneShotClient>(asClient));
}

TEST(InstanceValidatorTest, AnAddressRegisteredAsAnotherKindIsNotValid) {
  TimerUser user;
  EXPECT_TRUE(InstanceValidator::isValid<OneShotClient>(&user));
  EXPECT_FALSE(InstanceValidator::isValid<EventReceiver>(reinterpret_cast<EventReceiver*>(&user)));
}

TEST(InstanceValidatorTest, WhileValidRunsOnlyForALiveObject) {
  alignas(Recorder) std::byte storage[sizeof(Recorder)];
  auto* receiver = new (storage) Recorder;
  int runs = 0;
  EXPECT_TRUE(InstanceValidator::whileValid<EventReceiver>(receiver, [&] { ++runs; }));
  receiver->~Recorder();
  EXPECT_FALSE(InstanceValidator::whileValid<EventReceiver>(receiver, [&] { ++runs; }));
  EXPECT_EQ(runs, 1);
}

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "DispatchHarness.h"
#include "tern/Crc32.h"
#include "tern/Event.h"
#include "tern/EventReceiver.h"
#include "tern/OneShot.h"
#include "tern/OneShotClient.h"

using Tern::CountedPtr;
using Tern::Event;
using Tern::EventReceiver;

namespace {

constexpr int posterCount = 4;
constexpr int postsPerPoster = 20000;
constexpr std::size_t slotCount = 12;
constexpr std::size_t cellCount = 64;

class StressEvent : public Event {
 public:
  static constexpr std::uint32_t id = Tern::eventTypeId("StressTest::StressEvent");

  StressEvent(EventReceiver* receiver, std::uint64_t receiverSerial, int fromPoster, int sequenceNumber)
      : Event(id, receiver), serial(receiverSerial), poster(fromPoster), sequence(sequenceNumber) {}

  const std::uint64_t serial;
  const int poster;
  const int sequence;
};

class World;

class StressReceiver : public EventReceiver {
 public:
  StressReceiver(World& owner, std::uint64_t ownSerial) : world(owner), serial(ownSerial) { lastSequence.fill(-1); }
  void receive(CountedPtr<Event> event) override;

  World& world;
  const std::uint64_t serial;
  std::array<int, posterCount> lastSequence{};
  long received = 0;
};

// Receivers live in cells that are used again after they die, so that a new receiver often
// sits at the address of a dead one: an event that stayed addressed to the dead one would
// then reach the new one. A cell is only used again once every poster has finished the post
// it may have begun with the dead receiver's address, so that each event's address still
// meant its intended receiver when the post began.
class World {
 public:
  World() {
    for (std::size_t cell = 0; cell < cellCount; ++cell) freeCells.push_back(cell);
    for (Slot& slot : slots) {
      StressReceiver* const receiver = create();
      if (receiver == nullptr) throw std::logic_error("fewer cells than slots");
      slot = Slot{receiver, receiver->serial};
    }
  }

  ~World() {
    for (const Slot& slot : slots) retireReceiver(slot.receiver);
  }

  World(const World&) = delete;
  World& operator=(const World&) = delete;

  struct Slot {
    StressReceiver* receiver;
    std::uint64_t serial;
  };

  // Poster threads.
  Slot pick(std::size_t slot) {
    const std::lock_guard<std::mutex> hold(slotsLock);
    return slots[slot];
  }

  // UI thread: the receiver in slot dies and a new one takes its place.
  void replace(std::size_t slot) {
    StressReceiver* fresh = create();
    if (fresh == nullptr) return;
    StressReceiver* old = nullptr;
    {
      const std::lock_guard<std::mutex> hold(slotsLock);
      old = slots[slot].receiver;
      slots[slot] = Slot{fresh, fresh->serial};
    }
    retireReceiver(old);
    ++replacements;
  }

  // UI thread: cells whose dead receivers no poster can still be posting to become free.
  void reclaim() {
    for (auto it = quarantine.begin(); it != quarantine.end();) {
      bool clear = true;
      for (std::size_t poster = 0; poster < posterCount; ++poster) {
        const long now = progress[poster].load();
        if (now < postsPerPoster && now <= it->progressAtDeath[poster]) clear = false;
      }
      if (clear) {
        freeCells.push_back(it->cell);
        it = quarantine.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::atomic<long>& posterProgress(int poster) { return progress[static_cast<std::size_t>(poster)]; }

  // Counts of delivered events per receiver serial, and of faults seen at delivery.
  std::map<std::uint64_t, long> receivedBySerial;
  long misdelivered = 0;
  long outOfOrder = 0;
  long replacements = 0;
  std::mt19937 random{7};

 private:
  struct Dead {
    std::size_t cell;
    std::array<long, posterCount> progressAtDeath;
  };

  StressReceiver* create() {
    if (freeCells.empty()) return nullptr;
    const std::size_t cell = freeCells.back();
    freeCells.pop_back();
    return new (cellAddress(cell)) StressReceiver(*this, ++lastSerial);
  }

  void retireReceiver(StressReceiver* receiver) {
    receivedBySerial[receiver->serial] = receiver->received;
    const std::size_t cell = cellOf(receiver);
    receiver->~StressReceiver();
    Dead dead{cell, {}};
    // A poster that has finished n posts may be in the middle of post n + 1 with this address.
    for (std::size_t poster = 0; poster < posterCount; ++poster) dead.progressAtDeath[poster] = progress[poster].load();
    quarantine.push_back(dead);
  }

  void* cellAddress(std::size_t cell) { return storage.get() + cell * cellSize; }
  std::size_t cellOf(const StressReceiver* receiver) const {
    return static_cast<std::size_t>(reinterpret_cast<const std::byte*>(receiver) - storage.get()) / cellSize;
  }

  static constexpr std::size_t cellSize = (sizeof(StressReceiver) + alignof(std::max_align_t) - 1) /
                                          alignof(std::max_align_t) * alignof(std::max_align_t);
  std::unique_ptr<std::byte[]> storage{new std::byte[cellSize * cellCount]};
  std::vector<std::size_t> freeCells;
  std::vector<Dead> quarantine;
  std::array<std::atomic<long>, posterCount> progress{};
  std::uint64_t lastSerial = 0;
  std::mutex slotsLock;
  std::array<Slot, slotCount> slots{};
};

void StressReceiver::receive(CountedPtr<Event> event) {
  if (event->type() != StressEvent::id) return;
  const auto& stress = static_cast<const StressEvent&>(*event);
  if (stress.serial != serial) ++world.misdelivered;
  int& last = lastSequence[static_cast<std::size_t>(stress.poster)];
  if (stress.sequence <= last) ++world.outOfOrder;
  last = stress.sequence;
  ++received;
  // Now and then a receiver kills another one in the middle of a cycle.
  if (world.random() % 400 == 0) world.replace(world.random() % slotCount);
}

class TimerUser : public OneShotClient {
 public:
  void onOneShotFired(std::uint32_t id) override {
    if (armed.count(id) == 0) return;
    if (!fired.insert(id).second) ++repeated;
  }

  std::set<std::uint32_t> armed;
  std::set<std::uint32_t> fired;
  long repeated = 0;
};

}  // namespace

TEST(StressTest, PostersAndDyingReceiversAndTimersWithDyingClients) {
  DispatchHarness harness;
  World world;
  OneShot service;

  std::atomic<int> postersDone{0};
  std::array<std::map<std::uint64_t, long>, posterCount> postedBySerial;
  std::vector<std::thread> posters;
  for (int poster = 0; poster < posterCount; ++poster) {
    posters.emplace_back([&, poster] {
      std::mt19937 random(static_cast<unsigned>(100 + poster));
      auto& posted = postedBySerial[static_cast<std::size_t>(poster)];
      for (int sequence = 0; sequence < postsPerPoster; ++sequence) {
        const World::Slot target = world.pick(random() % slotCount);
        try {
          (new StressEvent(target.receiver, target.serial, poster, sequence))->post();
          ++posted[target.serial];
        } catch (const Event::BadPost&) {
          // Its receiver died between the pick and the post.
        }
        ++world.posterProgress(poster);
      }
      ++postersDone;
    });
  }

  std::vector<std::unique_ptr<TimerUser>> users;
  for (int i = 0; i < 8; ++i) users.push_back(std::make_unique<TimerUser>());
  long timersArmed = 0;
  long usersKilled = 0;
  std::mt19937 random(99);

  while (postersDone.load() < posterCount || timersArmed < 600) {
    // A cell freed here is often taken at once by the new receiver, before the next cycle.
    world.reclaim();
    if (random() % 3 == 0) world.replace(random() % slotCount);
    harness.cycleOnWake(std::chrono::milliseconds(1));
    if (timersArmed < 600) {
      TimerUser& user = *users[random() % users.size()];
      user.armed.insert(service.arm(&user, static_cast<std::uint32_t>(random() % 6)));
      ++timersArmed;
      if (random() % 12 == 0) {
        users[random() % users.size()] = std::make_unique<TimerUser>();
        ++usersKilled;
      }
    }
  }
  for (auto& poster : posters) poster.join();

  // Every surviving receiver gets every event posted to it; every surviving user every timer.
  const auto allDelivered = [&] {
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
      const World::Slot current = world.pick(slot);
      long posted = 0;
      for (const auto& counts : postedBySerial) {
        const auto found = counts.find(current.serial);
        if (found != counts.end()) posted += found->second;
      }
      if (current.receiver->received != posted) return false;
    }
    for (const auto& user : users) {
      if (user->fired.size() != user->armed.size()) return false;
    }
    return true;
  };
  ASSERT_TRUE(harness.pumpUntil(allDelivered, std::chrono::seconds(120)));

  EXPECT_EQ(world.misdelivered, 0);
  EXPECT_EQ(world.outOfOrder, 0);
  for (const auto& [serial, received] : world.receivedBySerial) {
    long posted = 0;
    for (const auto& counts : postedBySerial) {
      const auto found = counts.find(serial);
      if (found != counts.end()) posted += found->second;
    }
    EXPECT_LE(received, posted) << "receiver " << serial;
  }
  for (const auto& user : users) EXPECT_EQ(user->repeated, 0);
  EXPECT_GT(world.replacements, 50);
  EXPECT_GT(usersKilled, 10);

  // The service goes with timers still pending.
  for (const auto& user : users) service.arm(user.get(), 100000);
}

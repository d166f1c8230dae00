#include "keys/SpareKeycodePool.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = SpareKeycodePool::Clock;
using Kind = SpareKeycodePool::Grant::Kind;

constexpr SpareKeycodePool::Keysym a = 0x1000061;
constexpr SpareKeycodePool::Keysym b = 0x1000062;
constexpr SpareKeycodePool::Keysym c = 0x1000063;
constexpr SpareKeycodePool::Keysym d = 0x1000064;
const Clock::time_point t0 = Clock::time_point{} + 1h;

// Spare keycodes 10, 11 and 12 with a, b and c bound to them, each sent when acquired.
class SpareKeycodePoolTest : public ::testing::Test {
 protected:
  void SetUp() override { pool.setSpare(SpareKeycodePool::Keycodes{}.set(10).set(11).set(12)); }

  void fill(Clock::duration apart) {
    Clock::time_point when = t0;
    for (const auto keysym : {a, b, c}) {
      ASSERT_EQ(acquireAndSend(keysym, when).kind, Kind::fresh);
      when += apart;
    }
  }

  SpareKeycodePool::Grant acquireAndSend(SpareKeycodePool::Keysym keysym, Clock::time_point now) {
    const auto grant = pool.acquire(keysym, now);
    pool.sent(now);
    return grant;
  }

  SpareKeycodePool pool{1000ms};
};

}  // namespace

// Catches a keysym bound twice, and a binding expiring by its first use rather than its last.
TEST_F(SpareKeycodePoolTest, ASecondUseKeepsTheKeycodeAndRestartsTheGrace) {
  fill(0ms);
  const auto again = acquireAndSend(a, t0 + 900ms);
  EXPECT_EQ(again.kind, Kind::bound);
  EXPECT_EQ(again.keycode, 10);
  EXPECT_EQ(pool.expire(t0 + 1500ms), SpareKeycodePool::Keycodes{}.set(11).set(12));
  EXPECT_EQ(pool.expire(t0 + 1900ms), SpareKeycodePool::Keycodes{}.set(10));
  EXPECT_FALSE(pool.find(a));
}

// Catches a keycode handed out while a target may still read its old keysym.
TEST_F(SpareKeycodePoolTest, AFullPoolTellsWhichBindingFreesFirstAndWhen) {
  fill(100ms);
  const auto grant = pool.acquire(d, t0 + 500ms);
  EXPECT_EQ(grant.kind, Kind::none);
  EXPECT_EQ(grant.keycode, 10);
  EXPECT_EQ(grant.readyAt, t0 + 1000ms);
  EXPECT_EQ(pool.find(a), 10);

  EXPECT_EQ(pool.takeOver(grant.keycode, d).kind, Kind::replaced);
  EXPECT_EQ(pool.find(d), 10);
  EXPECT_FALSE(pool.find(a)) << "the old keysym would type the new one";
}

// Catches replacing a recently used binding while an older one has expired.
TEST_F(SpareKeycodePoolTest, TheLeastRecentlyUsedExpiredBindingIsReplaced) {
  fill(100ms);
  acquireAndSend(a, t0 + 300ms);
  const auto grant = pool.acquire(d, t0 + 1250ms);
  EXPECT_EQ(grant.kind, Kind::replaced);
  EXPECT_EQ(grant.keycode, 11);
  EXPECT_FALSE(pool.find(b));
  EXPECT_EQ(pool.find(a), 10);
}

// Catches undoing a key still held down, or one whose events have not gone out yet.
TEST_F(SpareKeycodePoolTest, HeldAndUnsentBindingsStay) {
  ASSERT_EQ(acquireAndSend(a, t0).keycode, 10);
  ASSERT_EQ(pool.acquire(b, t0).keycode, 11);
  pool.setHeld(10, true);
  EXPECT_TRUE(pool.expire(t0 + 5s).none());
  ASSERT_EQ(pool.acquire(c, t0 + 5s).keycode, 12);
  pool.setHeld(12, true);

  const auto grant = pool.acquire(d, t0 + 5s);
  EXPECT_EQ(grant.kind, Kind::none);
  EXPECT_EQ(grant.keycode, 11);
  EXPECT_EQ(grant.readyAt, t0 + 6s);
  EXPECT_EQ(pool.takeOver(10, d).kind, Kind::none);

  pool.setHeld(10, false);
  EXPECT_EQ(pool.expire(t0 + 5s), SpareKeycodePool::Keycodes{}.set(10));
}

// Catches our own bindings counting as taken by the layout, once the keymap is read again.
TEST_F(SpareKeycodePoolTest, BindingsStayInThePoolUntilForgotten) {
  fill(0ms);
  pool.setSpare({});
  EXPECT_EQ(pool.acquire(d, t0 + 2s).kind, Kind::replaced);
  pool.forget(11);
  EXPECT_FALSE(pool.find(b));
  pool.setSpare({});
  EXPECT_EQ(pool.spare(), SpareKeycodePool::Keycodes{}.set(10).set(12));
}

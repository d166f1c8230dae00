#include "keys/InputPacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;
using Clock = InputPacer::Clock;

constexpr InputPacer::Settings settings{1000, 4, 3};
const Clock::time_point t0 = Clock::time_point{} + 1h;

struct Sent {
  // The most events sent at one instant.
  int mostAtOnce = 0;
  int roundTrips = 0;
  Clock::time_point last;
};

// Sends count events starting at `start`, waiting exactly as told.
Sent send(InputPacer& pacer, Clock::time_point start, int count) {
  Sent sent;
  Clock::time_point now = start;
  int atOnce = 0;
  for (int i = 0; i < count; ++i) {
    sent.last = now;
    const InputPacer::Step step = pacer.sent(now);
    sent.mostAtOnce = std::max(sent.mostAtOnce, ++atOnce);
    if (step.roundTrip) ++sent.roundTrips;
    if (step.wait > Clock::duration::zero()) atOnce = 0;
    now += step.wait;
  }
  return sent;
}

}  // namespace

// Catches a burst larger than allowed (also after a long pause, which must not save up more),
// a rate above the one set, and round trips that come too seldom.
TEST(InputPacerTest, SmallBurstsAtTheRateWithRoundTripsEveryFewEvents) {
  struct Case {
    const char* fault;
    Clock::duration pauseFirst;
    int events;
    Clock::duration lasting;
    int roundTrips;
  };
  const Case cases[] = {
      {"a first burst beyond its size", 0s, 4, 0ms, 1},
      {"a rate above the one set", 0s, 1004, 1000ms, 334},
      {"a long pause saving up more than a burst", 60s, 104, 100ms, 35},
  };
  for (const Case& c : cases) {
    InputPacer pacer(settings);
    Clock::time_point start = t0;
    if (c.pauseFirst > 0s) {
      static_cast<void>(send(pacer, t0, 1));
      start = t0 + c.pauseFirst;
    }
    const Sent sent = send(pacer, start, c.events);
    EXPECT_EQ(sent.mostAtOnce, 4) << c.fault;
    EXPECT_EQ(std::chrono::round<std::chrono::milliseconds>(sent.last - start), c.lasting) << c.fault;
    EXPECT_EQ(sent.roundTrips, c.roundTrips) << c.fault;
  }
}

#include "controls/TwelveHourClock.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

TEST(TwelveHourClock, EveryHourOfTheDayMapsThereAndBack) {
  for (int hour = 0; hour < 24; ++hour) {
    const TwelveHourClock::Reading reading = TwelveHourClock::readingOf(hour);
    EXPECT_GE(reading.index, 0) << hour;
    EXPECT_LE(reading.index, 11) << hour;
    EXPECT_EQ(reading.pm, hour >= 12) << hour;
    EXPECT_EQ(TwelveHourClock::hourOf(reading), hour);
  }
}

TEST(TwelveHourClock, EveryReadingIsADifferentHour) {
  std::set<int> hours;
  for (int index = 0; index < 12; ++index) {
    for (const bool pm : {false, true}) {
      const int hour = TwelveHourClock::hourOf({index, pm});
      EXPECT_TRUE(hours.insert(hour).second) << index << " " << pm;
      const TwelveHourClock::Reading back = TwelveHourClock::readingOf(hour);
      EXPECT_EQ(back.index, index);
      EXPECT_EQ(back.pm, pm);
    }
  }
  EXPECT_EQ(hours.size(), 24U);
}

TEST(TwelveHourClock, TwelveOClockIsMidnightInTheMorningAndNoonInTheAfternoon) {
  // Index 11 is "12".
  EXPECT_EQ(TwelveHourClock::hourOf({11, false}), 0);
  EXPECT_EQ(TwelveHourClock::hourOf({11, true}), 12);
  EXPECT_EQ(TwelveHourClock::hourOf({0, false}), 1);
  EXPECT_EQ(TwelveHourClock::hourOf({0, true}), 13);
  EXPECT_EQ(TwelveHourClock::hourOf({10, true}), 23);
  const TwelveHourClock::Reading midnight = TwelveHourClock::readingOf(0);
  EXPECT_EQ(std::make_pair(midnight.index, midnight.pm), std::make_pair(11, false));
  const TwelveHourClock::Reading noon = TwelveHourClock::readingOf(12);
  EXPECT_EQ(std::make_pair(noon.index, noon.pm), std::make_pair(11, true));
  const TwelveHourClock::Reading onePm = TwelveHourClock::readingOf(13);
  EXPECT_EQ(std::make_pair(onePm.index, onePm.pm), std::make_pair(0, true));
}

#include "tern/LgrDate.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

namespace {

std::time_t realtimeSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

constexpr std::int64_t day = LgrDate::nsPerDay;

std::int64_t dateOf(std::int32_t year, std::uint32_t month, std::uint32_t dayOfMonth) {
  LgrDate date(0);
  date.setDate(year, month, dayOfMonth);
  return date.nanoseconds();
}

}  // namespace

TEST(LgrDateTest, TheFactorsAreThoseOfTheCalendar) {
  EXPECT_EQ(LgrDate::nsPerDay, 0x4E94914F0000);
  EXPECT_EQ(LgrDate::nsPerMinute, 60'000'000'000);
}

TEST(LgrDateTest, TheEpochIsDayZero) {
  EXPECT_EQ(dateOf(1990, 1, 1), 0);
  EXPECT_EQ(dateOf(2000, 1, 1), 3652 * day);
  EXPECT_EQ(dateOf(1989, 12, 31), -day);
  EXPECT_EQ(dateOf(1989, 12, 31), -86'400'000'000'000);
}

TEST(LgrDateTest, ZeroMonthAndDayBecomeOne) { EXPECT_EQ(dateOf(2003, 0, 0), dateOf(2003, 1, 1)); }

TEST(LgrDateTest, AYearBelowOneBecomesOne) {
  EXPECT_EQ(dateOf(0, 6, 1), dateOf(1, 6, 1));
  EXPECT_EQ(dateOf(-5, 6, 1), dateOf(1, 6, 1));
}

TEST(LgrDateTest, LeapDaysFollowTheGregorianRules) {
  EXPECT_EQ(dateOf(2000, 3, 1) - dateOf(2000, 2, 29), day);
  EXPECT_EQ(dateOf(1900, 3, 1) - dateOf(1900, 2, 28), day);
  EXPECT_EQ(dateOf(2004, 3, 1) - dateOf(2004, 2, 28), 2 * day);
  EXPECT_EQ(dateOf(2001, 1, 1) - dateOf(2000, 1, 1), 366 * day);
  EXPECT_EQ(dateOf(2002, 1, 1) - dateOf(2001, 1, 1), 365 * day);
}

TEST(LgrDateTest, AKnownDateHasItsDayNumber) {
  // 2003-10-31 is 5051 days after 1990-01-01.
  EXPECT_EQ(dateOf(2003, 10, 31), 5051 * day);
}

TEST(LgrDateTest, SetDateKeepsTheTimeOfDay) {
  LgrDate date(0);
  date.setTime(13, 45, 0, 0);
  date.setDate(2003, 10, 31);
  const LgrDate::TimeOfDay time = date.toTime();
  EXPECT_EQ(time.hour, 13U);
  EXPECT_EQ(time.minute, 45U);
  EXPECT_EQ(date.nanoseconds(), dateOf(2003, 10, 31) + (13 * 60 + 45) * LgrDate::nsPerMinute);
}

TEST(LgrDateTest, SetTimeKeepsTheDateAlsoBeforeTheEpoch) {
  for (const std::int32_t year : {2003, 1985}) {
    LgrDate date(0);
    date.setDate(year, 10, 31);
    date.setTime(23, 59, 58, 7);
    date.setTime(1, 2, 3, 4);
    EXPECT_EQ(date.nanoseconds(), dateOf(year, 10, 31) + ((1 * 60 + 2) * 60 + 3) * LgrDate::nsPerSecond + 4) << year;
  }
}

TEST(LgrDateTest, TimeFieldsOutOfRangeCarryIntoTheNextUnits) {
  LgrDate date(0);
  date.setDate(2003, 10, 31);
  date.setTime(24, 0, 0, 0);
  EXPECT_EQ(date.nanoseconds(), dateOf(2003, 11, 1));
  date.setTime(0, 90, 0, 0);
  const LgrDate::TimeOfDay time = date.toTime();
  EXPECT_EQ(time.hour, 1U);
  EXPECT_EQ(time.minute, 30U);
}

TEST(LgrDateTest, MinusOneNanosecondTruncatesToZeroMillisecondsButIsTheDayBefore) {
  const LgrDate date(-1);
  EXPECT_EQ(date.milliseconds(), 0);
  const LgrDate::TimeOfDay time = date.toTime();
  EXPECT_EQ(time.hour, 23U);
  EXPECT_EQ(time.minute, 59U);
  EXPECT_EQ(time.second, 59U);
  EXPECT_EQ(time.nanosecond, 999'999'999U);
}

TEST(LgrDateTest, MillisecondsTruncateTowardZero) {
  EXPECT_EQ(LgrDate(1'999'999).milliseconds(), 1);
  EXPECT_EQ(LgrDate(-1'999'999).milliseconds(), -1);
}

TEST(LgrDateTest, DatesBeyondTheRangeStopAtItsEnds) {
  EXPECT_EQ(dateOf(100000, 1, 1), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(dateOf(1, 1, 1), std::numeric_limits<std::int64_t>::min());
  LgrDate date(0);
  date.setDate(2003, 1, 1);
  date.setTime(0xFFFFFFFFU, 0, 0, 0);
  EXPECT_EQ(date.nanoseconds(), std::numeric_limits<std::int64_t>::max());
}

TEST(LgrDateTest, TheDifferenceOfTwoDateTimesIsTheirDistanceInMilliseconds) {
  LgrDate start(0);
  start.setDate(2024, 12, 31);
  start.setTime(23, 59, 0, 0);
  LgrDate stop(0);
  stop.setDate(2025, 1, 1);
  stop.setTime(0, 1, 0, 0);
  EXPECT_EQ(stop.milliseconds() - start.milliseconds(), 120000);
}

TEST(LgrDateTest, TheCurrentTimeIsTheLocalCalendarTime) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = realtimeSeconds();
    const LgrDate now;
    const std::time_t after = realtimeSeconds();
    if (before != after) continue;
    std::tm local{};
    localtime_r(&before, &local);
    LgrDate expected(0);
    expected.setDate(local.tm_year + 1900, static_cast<std::uint32_t>(local.tm_mon + 1),
                     static_cast<std::uint32_t>(local.tm_mday));
    expected.setTime(static_cast<std::uint32_t>(local.tm_hour), static_cast<std::uint32_t>(local.tm_min),
                     static_cast<std::uint32_t>(local.tm_sec), 0);
    EXPECT_GE(now.nanoseconds(), expected.nanoseconds());
    EXPECT_LT(now.nanoseconds(), expected.nanoseconds() + LgrDate::nsPerSecond);
    EXPECT_EQ(now.nanoseconds() % 1'000'000, 0);
    return;
  }
  FAIL() << "the second changed on every attempt";
}

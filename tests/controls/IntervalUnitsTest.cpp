#include "controls/IntervalUnits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int16_t milliseconds = 0;
constexpr std::int16_t seconds = 1;
constexpr std::int16_t minutes = 2;
constexpr std::int16_t hours = 3;
constexpr std::int16_t days = 4;
constexpr std::int16_t noUnit = -1;

}  // namespace

TEST(IntervalUnits, LengthsOfPairs) {
  EXPECT_EQ(IntervalUnits::milliseconds(10, seconds), 10000);
  EXPECT_EQ(IntervalUnits::milliseconds(1, days), 86400000);
  EXPECT_EQ(IntervalUnits::milliseconds(24, days), 2073600000);
  EXPECT_EQ(IntervalUnits::milliseconds(596, hours), 2145600000);
  EXPECT_EQ(IntervalUnits::milliseconds(9999, minutes), 599940000);
  EXPECT_EQ(IntervalUnits::milliseconds(9999, milliseconds), 9999);
  EXPECT_EQ(IntervalUnits::milliseconds(7, minutes), 420000);
  EXPECT_EQ(IntervalUnits::milliseconds(3, hours), 10800000);
}

TEST(IntervalUnits, NoUnitIsZeroMilliseconds) {
  for (const std::int16_t unit : {noUnit, std::int16_t{5}, std::int16_t{-32768}, std::int16_t{32767}}) {
    EXPECT_FALSE(IntervalUnits::isUnit(unit)) << unit;
    EXPECT_EQ(IntervalUnits::millisecondsPer(unit), 0) << unit;
    EXPECT_EQ(IntervalUnits::milliseconds(10, unit), 0) << unit;
  }
}

TEST(IntervalUnits, EachUnitsLargestNumberIsTheLargestThatFits) {
  EXPECT_EQ(IntervalUnits::largestNumber(milliseconds), 9999);
  EXPECT_EQ(IntervalUnits::largestNumber(seconds), 9999);
  EXPECT_EQ(IntervalUnits::largestNumber(minutes), 9999);
  EXPECT_EQ(IntervalUnits::largestNumber(hours), 596);
  EXPECT_EQ(IntervalUnits::largestNumber(days), 24);
  EXPECT_EQ(IntervalUnits::largestNumber(noUnit), 9999);
  constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  for (std::int16_t unit = 0; unit < IntervalUnits::count; ++unit) {
    const std::int64_t largest = IntervalUnits::largestNumber(unit);
    const std::int64_t per = IntervalUnits::millisecondsPer(unit);
    EXPECT_LE(largest * per, limit) << unit;
    if (largest < IntervalUnits::largestTypedNumber) {
      EXPECT_GT((largest + 1) * per, limit) << unit;
    }
  }
}

TEST(IntervalUnits, NumbersOutsideTheUnitsRangeComeToItsNearestEnd) {
  EXPECT_EQ(IntervalUnits::clampNumber(25, days), 24);
  EXPECT_EQ(IntervalUnits::clampNumber(9999, days), 24);
  EXPECT_EQ(IntervalUnits::clampNumber(597, hours), 596);
  EXPECT_EQ(IntervalUnits::clampNumber(10000, seconds), 9999);
  EXPECT_EQ(IntervalUnits::clampNumber(0, seconds), 1);
  EXPECT_EQ(IntervalUnits::clampNumber(-5, minutes), 1);
  EXPECT_EQ(IntervalUnits::clampNumber(std::numeric_limits<std::int64_t>::max(), noUnit), 9999);
  EXPECT_EQ(IntervalUnits::milliseconds(9999, days), 2073600000);
  EXPECT_EQ(IntervalUnits::milliseconds(std::numeric_limits<std::int32_t>::max(), hours), 2145600000);
  EXPECT_EQ(IntervalUnits::milliseconds(0, seconds), 1000);
}

TEST(IntervalUnits, TypedNumbersAreClampedAndOtherTextIsNoNumber) {
  EXPECT_EQ(IntervalUnits::readTyped("25", seconds), 25);
  EXPECT_EQ(IntervalUnits::readTyped(" 42\t", seconds), 42);
  EXPECT_EQ(IntervalUnits::readTyped("+7", seconds), 7);
  EXPECT_EQ(IntervalUnits::readTyped("20000", seconds), 9999);
  EXPECT_EQ(IntervalUnits::readTyped("99999999999999999999999", minutes), 9999);
  EXPECT_EQ(IntervalUnits::readTyped("700", hours), 596);
  EXPECT_EQ(IntervalUnits::readTyped("30", days), 24);
  EXPECT_EQ(IntervalUnits::readTyped("0", seconds), 1);
  EXPECT_EQ(IntervalUnits::readTyped("-3", seconds), 1);
  EXPECT_EQ(IntervalUnits::readTyped("12", noUnit), 12);
  for (const char* text : {"abc", "", "  ", "-", "+", "12abc", "1 2", "1e3", "0x10", "--1"}) {
    EXPECT_FALSE(IntervalUnits::readTyped(text, seconds).has_value()) << text;
  }
}

#include "tern/LgrDate.h"

#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

// Saturating arithmetic: far dates end at the ends of the range instead of overflowing.
std::int64_t add(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? int64Max : int64Min;
}

std::int64_t multiply(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  if (!__builtin_mul_overflow(a, b, &product)) return product;
  return (a < 0) != (b < 0) ? int64Min : int64Max;
}

// Floor remainder: in 0 to divisor - 1 for a positive divisor.
std::int64_t floorMod(std::int64_t value, std::int64_t divisor) {
  const std::int64_t rest = value % divisor;
  return rest < 0 ? rest + divisor : rest;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return value % divisor < 0 ? quotient - 1 : quotient;
}

// Nanoseconds of a time of day; fields out of range carry over.
std::int64_t timeOfDay(std::uint32_t hour, std::uint32_t minute, std::uint32_t second, std::uint32_t nanosecond) {
  const std::int64_t seconds = (std::int64_t{hour} * 60 + minute) * 60 + second;
  return add(multiply(seconds, LgrDate::nsPerSecond), nanosecond);
}

}  // namespace

LgrDate::LgrDate() : ns(0) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  setDate(local.tm_year + 1900, static_cast<std::uint32_t>(local.tm_mon + 1),
          static_cast<std::uint32_t>(local.tm_mday));
  const auto millisecond = static_cast<std::uint32_t>(now.tv_nsec / 1'000'000);
  setTime(static_cast<std::uint32_t>(local.tm_hour), static_cast<std::uint32_t>(local.tm_min),
          static_cast<std::uint32_t>(local.tm_sec), millisecond * 1'000'000U);
}

LgrDate::LgrDate(std::int64_t nanosecondsSinceEpoch) noexcept : ns(nanosecondsSinceEpoch) {}

void LgrDate::setDate(std::int32_t year, std::uint32_t month, std::uint32_t day) noexcept {
  std::int64_t y = year < 1 ? 1 : year;
  const std::int64_t d = day == 0 ? 1 : day;
  if (month == 0) month = 1;
  const TimeOfDay time = toTime();
  // The year begins in March, so that the leap day is the last day of the shifted year.
  std::int64_t m = 0;
  if (month >= 3) {
    m = std::int64_t{month} - 3;
  } else {
    m = std::int64_t{month} + 9;
    --y;
  }
  // Truncating division of non-negative values; 726774 makes 1990-01-01 day 0.
  const std::int64_t dayNumber = 146097 * (y / 100) / 4 + 1461 * (y % 100) / 4 + (153 * m + 2) / 5 + d - 726774;
  const std::int64_t dayStart = multiply(dayNumber, nsPerDay);
  ns = add(dayStart, timeOfDay(time.hour, time.minute, time.second, time.nanosecond));
}

void LgrDate::setTime(std::uint32_t hour, std::uint32_t minute, std::uint32_t second,
                      std::uint32_t nanosecond) noexcept {
  const std::int64_t dayStart = add(ns, -floorMod(ns, nsPerDay));
  ns = add(dayStart, timeOfDay(hour, minute, second, nanosecond));
}

LgrDate::TimeOfDay LgrDate::toTime() const noexcept {
  TimeOfDay time{};
  time.nanosecond = static_cast<std::uint32_t>(floorMod(ns, nsPerSecond));
  std::int64_t t = floorDiv(ns, nsPerSecond);
  time.second = static_cast<std::uint32_t>(floorMod(t, 60));
  t = floorDiv(t, 60);
  time.minute = static_cast<std::uint32_t>(floorMod(t, 60));
  t = floorDiv(t, 60);
  time.hour = static_cast<std::uint32_t>(floorMod(t, 24));
  return time;
}

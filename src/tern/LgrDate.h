#pragma once

#include <cstdint>

// A point in time as signed 64-bit nanoseconds since 1990-01-01 00:00:00 (day 0), in whatever
// time base it was built from: local wall-clock time everywhere in the program. Values beyond
// what 64-bit nanoseconds hold (before about 1698, after about 2282) stop at the smallest or
// largest value rather than wrapping. A value type: any thread may use its own values.
class LgrDate {
 public:
  struct TimeOfDay {
    std::uint32_t hour;
    std::uint32_t minute;
    std::uint32_t second;
    std::uint32_t nanosecond;
  };

  static constexpr std::int64_t nsPerSecond = 1'000'000'000;
  static constexpr std::int64_t nsPerMinute = 60 * nsPerSecond;
  static constexpr std::int64_t nsPerDay = 24 * 60 * nsPerMinute;

  // The current local time, to the millisecond. Any thread.
  LgrDate();
  // Any thread.
  explicit LgrDate(std::int64_t nanosecondsSinceEpoch) noexcept;
  virtual ~LgrDate() = default;
  LgrDate(const LgrDate&) = default;
  LgrDate& operator=(const LgrDate&) = default;

  // Sets the date of the proleptic Gregorian calendar and keeps the time of day. A year below
  // 1, a month of 0 and a day of 0 become 1; there are no upper bounds. Any thread.
  void setDate(std::int32_t year, std::uint32_t month, std::uint32_t day) noexcept;

  // Sets the time of day and keeps the date; fields out of range carry into the next unit.
  // Any thread.
  void setTime(std::uint32_t hour, std::uint32_t minute, std::uint32_t second, std::uint32_t nanosecond) noexcept;

  // The time of day. Any thread.
  [[nodiscard]] TimeOfDay toTime() const noexcept;

  // Milliseconds since the epoch, truncated toward zero. Any thread.
  [[nodiscard]] std::int64_t milliseconds() const noexcept { return ns / 1'000'000; }

  // Any thread.
  [[nodiscard]] std::int64_t nanoseconds() const noexcept { return ns; }

 private:
  std::int64_t ns;
};

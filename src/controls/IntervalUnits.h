#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The units of an interval and the rule that keeps every number-and-unit pair within a signed
// 32-bit count of milliseconds: the largest number a unit takes shrinks with the unit's length.
// Unit codes: 0 milliseconds, 1 seconds, 2 minutes, 3 hours, 4 days; any other code is no unit.
class IntervalUnits {
 public:
  static constexpr std::int16_t count = 5;
  static constexpr std::int32_t smallestNumber = 1;
  // The number field's own limit, whatever the unit.
  static constexpr std::int32_t largestTypedNumber = 9999;

  [[nodiscard]] static bool isUnit(std::int16_t unit) { return unit >= 0 && unit < count; }
  // 0 for no unit.
  [[nodiscard]] static std::int32_t millisecondsPer(std::int16_t unit);
  // 9999 for milliseconds, seconds, minutes and no unit; 596 for hours; 24 for days.
  [[nodiscard]] static std::int32_t largestNumber(std::int16_t unit);
  [[nodiscard]] static std::int32_t clampNumber(std::int64_t number, std::int16_t unit);
  // The pair's length, its number first brought into the unit's range; 0 for no unit.
  [[nodiscard]] static std::int32_t milliseconds(std::int32_t number, std::int16_t unit);
  // What a typed text reads as: a decimal number (blanks around it and a sign allowed) clamped
  // into the unit's range; nothing when the text is not a number.
  [[nodiscard]] static std::optional<std::int32_t> readTyped(std::string_view text, std::int16_t unit);
};

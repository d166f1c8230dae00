#include "controls/IntervalUnits.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr std::array<std::int32_t, IntervalUnits::count> unitMilliseconds{1, 1000, 60000, 3600000, 86400000};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Digits beyond this many cannot change the clamped result and would overflow.
constexpr std::int64_t readCap = 1'000'000'000'000;

std::optional<std::int64_t> readDecimal(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = std::min(magnitude * 10 + (c - '0'), readCap);
  }
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::int32_t IntervalUnits::millisecondsPer(std::int16_t unit) {
  return isUnit(unit) ? unitMilliseconds[static_cast<std::size_t>(unit)] : 0;
}

std::int32_t IntervalUnits::largestNumber(std::int16_t unit) {
  if (!isUnit(unit)) return largestTypedNumber;
  return std::min(largestTypedNumber, std::numeric_limits<std::int32_t>::max() / millisecondsPer(unit));
}

std::int32_t IntervalUnits::clampNumber(std::int64_t number, std::int16_t unit) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(number, smallestNumber, largestNumber(unit)));
}

std::int32_t IntervalUnits::milliseconds(std::int32_t number, std::int16_t unit) {
  return clampNumber(number, unit) * millisecondsPer(unit);
}

std::optional<std::int32_t> IntervalUnits::readTyped(std::string_view text, std::int16_t unit) {
  const auto typed = readDecimal(text);
  if (!typed) return std::nullopt;
  return clampNumber(*typed, unit);
}

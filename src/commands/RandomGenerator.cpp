#include "commands/RandomGenerator.h"

#include <algorithm>

namespace {

thread_local std::uint32_t state = 1;

constexpr int bitsPerValue = 15;

}  // namespace

namespace RandomGenerator {

void seed(std::uint32_t value) { state = value; }

std::int32_t next() {
  state = state * 214013U + 2531011U;
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFU);
}

std::uint32_t between(std::int32_t first, std::int32_t second) {
  const auto low = static_cast<std::uint32_t>(std::max(0, std::min(first, second)));
  const auto high = static_cast<std::uint32_t>(std::max(0, std::max(first, second)));
  const std::uint32_t spread = high - low;
  if (spread == 0) return low;
  // A spread that one value covers takes exactly one: the smaller bound plus (r mod spread).
  if (spread <= static_cast<std::uint32_t>(maxValue)) return low + static_cast<std::uint32_t>(next()) % spread;
  std::uint64_t range = std::uint64_t{1} << bitsPerValue;
  int draws = 1;
  while (range < spread) {
    range <<= bitsPerValue;
    ++draws;
  }
  // Below limit every residue of the spread is hit equally often; at least half the range is.
  const std::uint64_t limit = range - range % spread;
  for (;;) {
    std::uint64_t value = 0;
    for (int i = 0; i < draws; ++i) value = (value << bitsPerValue) | static_cast<std::uint64_t>(next());
    if (value < limit) return low + static_cast<std::uint32_t>(value % spread);
  }
}

}  // namespace RandomGenerator

#pragma once

#include <cstdint>

// The run's pseudo-random generator: a 32-bit state advanced as state * 214013 + 2531011, each
// value being bits 16 to 30 of the new state (0..32767). One state per thread; commands use the
// UI thread's.
namespace RandomGenerator {

inline constexpr std::int32_t maxValue = 32767;

// Resets the calling thread's state.
void seed(std::uint32_t state);

// The next value of the calling thread's generator, 0..32767.
std::int32_t next();

}  // namespace RandomGenerator

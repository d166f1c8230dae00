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

// A value from the smaller bound up to, not including, the larger one: the smaller bound plus
// (next() modulo the spread). A spread wider than 32,767 combines several values and draws
// again when the combination falls into the uneven top of its range, so that every value of the
// spread is equally likely. Equal bounds give that bound; negative bounds count as 0. Drives
// the calling thread's generator.
std::uint32_t between(std::int32_t first, std::int32_t second);

}  // namespace RandomGenerator

#include "commands/RandomGenerator.h"

namespace {

thread_local std::uint32_t state = 1;

}  // namespace

namespace RandomGenerator {

void seed(std::uint32_t value) { state = value; }

std::int32_t next() {
  state = state * 214013U + 2531011U;
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFU);
}

}  // namespace RandomGenerator

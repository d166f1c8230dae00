#pragma once

#include <cstdint>

// The millisecond tick count that timers are measured with: 32 bits from a monotonic clock,
// wrapping to 0 about every 49.7 days.
namespace Tern {

using TickSource = std::uint32_t (*)();

// The current tick count. Any thread.
std::uint32_t tickCount();

// Milliseconds from start to now. When the counter has wrapped since start, the result is
// 0xFFFFFFFF - start + now, one less than the plain modular difference. Any thread.
std::uint32_t ticksSince(std::uint32_t start);

// Replaces the source of tickCount, so that tests can set the counter where they need it;
// null restores the monotonic clock. Any thread.
void setTickSource(TickSource source);

}  // namespace Tern

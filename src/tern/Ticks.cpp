#include "tern/Ticks.h"

#include <atomic>
#include <chrono>

namespace Tern {

namespace {

std::uint32_t steadyTicks() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
  // Keeping the low 32 bits is what makes the counter wrap.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

std::atomic<TickSource> source{&steadyTicks};

}  // namespace

std::uint32_t tickCount() { return source.load(std::memory_order_acquire)(); }

std::uint32_t ticksSince(std::uint32_t start) {
  const std::uint32_t now = tickCount();
  if (now >= start) return now - start;
  return 0xFFFFFFFFU - start + now;
}

void setTickSource(TickSource replacement) {
  source.store(replacement != nullptr ? replacement : &steadyTicks, std::memory_order_release);
}

}  // namespace Tern

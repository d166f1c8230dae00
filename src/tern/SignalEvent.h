#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Tern {

// A signalling flag that threads wait on. With automatic reset, a wait that sees the signal
// consumes it, and a signal given while nobody waits stays set until the next wait; with
// manual reset, it stays set until reset.
class SignalEvent {
 public:
  enum class Reset : std::uint8_t { automatic, manual };

  // A wait time-out that never expires.
  static constexpr std::uint32_t infinite = 0xFFFFFFFF;

  // Any thread.
  explicit SignalEvent(Reset mode, bool initiallySignalled = false);
  // Any thread, once nobody waits any more.
  virtual ~SignalEvent() = default;
  SignalEvent(const SignalEvent&) = delete;
  SignalEvent& operator=(const SignalEvent&) = delete;

  // Any thread.
  void set();
  // Any thread.
  void reset();
  // True only if the event was signalled within timeoutMs (infinite: no limit). Any thread.
  bool wait(std::uint32_t timeoutMs);

 private:
  std::mutex mutex;
  std::condition_variable changed;
  const Reset resetMode;
  bool signalled;
};

}  // namespace Tern

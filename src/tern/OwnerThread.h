#pragma once

#include <thread>

namespace Tern {

// The thread an object belongs to, taken when the object is made. An operation that only that
// thread may call asserts it first, so that a call from another thread stops the program at
// once in checked builds (debug and sanitizer builds) instead of racing unseen; in other builds
// the assertion costs nothing. A value type.
class OwnerThread {
 public:
  OwnerThread() noexcept : owner(std::this_thread::get_id()) {}

  // Any thread.
  [[nodiscard]] bool isCurrent() const noexcept { return std::this_thread::get_id() == owner; }

  // Ends the program with a line naming the operation when the calling thread is not the
  // owner and this build checks threads. Any thread.
  void assertCurrent(const char* operation) const noexcept;

  // Whether this build checks threads. Any thread.
  [[nodiscard]] static bool checking() noexcept;

 private:
  std::thread::id owner;
};

}  // namespace Tern

#pragma once

#include <mutex>

namespace Tern {

// A lock shared between threads. Not re-entrant: no caller locks a section it already holds.
// It meets the standard BasicLockable requirements, so std::lock_guard works with it.
class CriticalSection {
 public:
  // Any thread.
  CriticalSection() = default;
  // Any thread, once nobody holds or waits for the section.
  virtual ~CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // Any thread.
  virtual void lock();
  // Any thread; only the thread that holds the section.
  virtual void unlock();

 private:
  std::mutex mutex;
};

}  // namespace Tern

#pragma once

#include <utility>

#include "tern/CriticalSection.h"

namespace Tern {

// A value kept together with the lock that guards it; the only way to the value is an Access,
// which holds the lock for as long as it lives.
template <class T>
class Guarded {
 public:
  // Any thread.
  template <class... Args>
  explicit Guarded(Args&&... args) : value(std::forward<Args>(args)...) {}
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  // Scoped access to the value. Any thread; do not call back into foreign code while holding it.
  class Access {
   public:
    explicit Access(Guarded& guarded) : section(guarded.section), target(&guarded.value) { section.lock(); }
    ~Access() { section.unlock(); }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;

    T& operator*() const { return *target; }
    T* operator->() const { return target; }

   private:
    CriticalSection& section;
    T* target;
  };

 private:
  CriticalSection section;
  T value;
};

}  // namespace Tern

#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "tern/CriticalSection.h"

namespace Tern {

// Shared ownership of a heap object whose copies may be made and released on different
// threads at the same time: every copy shares one counter, guarded by one shared lock.
// One handle itself is not guarded: it must not be reset on one thread while another copies it.
template <class T>
class CountedPtr {
  static_assert(std::has_virtual_destructor_v<T>, "CountedPtr deletes through the base class");

 public:
  // Takes ownership of owned (null is allowed); the count is 1. Should the counter or its lock
  // not be allocated, owned is deleted before the exception leaves. Any thread.
  explicit CountedPtr(T* owned = nullptr) : object(owned) {
    try {
      auto freshCount = std::make_unique<std::int32_t>(1);
      auto freshLock = std::make_unique<CriticalSection>();
      count = freshCount.release();
      countLock = freshLock.release();
    } catch (...) {
      delete owned;
      throw;
    }
  }

  // Shares the object, counter and lock of other. Any thread.
  CountedPtr(const CountedPtr& other) : object(other.object), count(other.count), countLock(other.countLock) {
    const std::lock_guard<CriticalSection> hold(*countLock);
    ++*count;
  }

  // Any thread.
  CountedPtr& operator=(const CountedPtr& other) {
    CountedPtr copy(other);
    swap(copy);
    return *this;
  }

  // Releases one reference; the last one deletes the object, the counter and the lock. Any thread.
  ~CountedPtr() { release(); }

  // Makes this handle the owner of replacement. Resetting to the object already held changes
  // nothing. Other copies keep the old object; when this handle was its last owner, the old
  // object is deleted and the counter (back at 1) and lock are kept. Any thread.
  void reset(T* replacement) {
    if (replacement == object) return;
    std::unique_ptr<std::int32_t> freshCount;
    std::unique_ptr<CriticalSection> freshLock;
    try {
      freshCount = std::make_unique<std::int32_t>(1);
      freshLock = std::make_unique<CriticalSection>();
    } catch (...) {
      delete replacement;
      throw;
    }
    bool lastOwner = false;
    {
      const std::lock_guard<CriticalSection> hold(*countLock);
      lastOwner = --*count == 0;
    }
    T* const old = object;
    object = replacement;
    if (lastOwner) {
      *count = 1;
      delete old;
    } else {
      count = freshCount.release();
      countLock = freshLock.release();
    }
  }

  // The object, read without the lock. Any thread.
  [[nodiscard]] T* get() const noexcept { return object; }
  T* operator->() const noexcept { return object; }
  T& operator*() const noexcept { return *object; }

  // How many handles share the object; a snapshot that other threads may change at once.
  // Any thread.
  [[nodiscard]] std::int32_t useCount() const {
    const std::lock_guard<CriticalSection> hold(*countLock);
    return *count;
  }

  // Any thread.
  void swap(CountedPtr& other) noexcept {
    std::swap(object, other.object);
    std::swap(count, other.count);
    std::swap(countLock, other.countLock);
  }

 private:
  void release() noexcept {
    bool lastOwner = false;
    {
      const std::lock_guard<CriticalSection> hold(*countLock);
      lastOwner = --*count == 0;
    }
    if (!lastOwner) return;
    // The last owner: no other handle can reach the counter or the lock any more, so the
    // object's destructor runs with no lock held.
    delete count;
    delete countLock;
    delete object;
  }

  T* object;
  std::int32_t* count = nullptr;
  CriticalSection* countLock = nullptr;
};

}  // namespace Tern

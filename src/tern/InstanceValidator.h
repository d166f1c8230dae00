#pragma once

#include <type_traits>
#include <typeinfo>
#include <utility>

namespace Tern {

// Keeps its own address in a process-wide registry for as long as it lives, together with the
// kind it was registered as, so that a raw pointer kept by another thread or a later event can
// be checked for liveness at the moment of use. A class with two InstanceValidator bases
// registers each base under its own address; checks use the base for the asked-for kind.
class InstanceValidator {
 public:
  // Any thread.
  virtual ~InstanceValidator();
  InstanceValidator(const InstanceValidator&) = delete;
  InstanceValidator& operator=(const InstanceValidator&) = delete;

  // True if object designates a live object registered as kind T (T is the class that passed
  // typeid(T) to this constructor) that has not withdrawn. Null is never valid. Any thread.
  template <class T>
  static bool isValid(const T* object) {
    return object != nullptr && findLocked(static_cast<const InstanceValidator*>(object), typeid(T), nullptr, nullptr);
  }

  // Runs action under the registry lock if object is valid as T, so that the object cannot
  // withdraw while action runs; returns whether it ran. action must be brief and must neither
  // take the registry lock nor call foreign code. Any thread.
  template <class T, class Action>
  static bool whileValid(const T* object, Action&& action) {
    if (object == nullptr) return false;
    auto trampoline = [](void* context) { (*static_cast<std::remove_reference_t<Action>*>(context))(); };
    return findLocked(static_cast<const InstanceValidator*>(object), typeid(T), trampoline, &action);
  }

 protected:
  // Registers this object as kind. Any thread.
  explicit InstanceValidator(const std::type_info& kind);

  // Ends this object's validity before its destruction goes further; the destructor does it
  // at the latest. Any thread.
  void withdraw() noexcept;

 private:
  using LockedAction = void (*)(void*);

  static bool findLocked(const InstanceValidator* address, const std::type_info& kind, LockedAction action,
                         void* context);
};

}  // namespace Tern

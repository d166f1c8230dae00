#include "tern/InstanceValidator.h"

#include <map>

#include "tern/Guarded.h"

namespace Tern {

namespace {

// Address of each registered base subobject and the kind it registered as. The kind is kept
// here rather than read from the object's dynamic type, because another thread may be
// destroying the object, rewriting its dynamic type, while the check runs.
using Registry = std::map<const InstanceValidator*, const std::type_info*>;

// Built by the first registration, so it outlives every object registered in it.
Guarded<Registry>& registry() {
  static Guarded<Registry> instances;
  return instances;
}

}  // namespace

InstanceValidator::InstanceValidator(const std::type_info& kind) {
  const Guarded<Registry>::Access instances(registry());
  instances->emplace(this, &kind);
}

InstanceValidator::~InstanceValidator() { withdraw(); }

void InstanceValidator::withdraw() noexcept {
  const Guarded<Registry>::Access instances(registry());
  instances->erase(this);
}

bool InstanceValidator::findLocked(const InstanceValidator* address, const std::type_info& kind, LockedAction action,
                                   void* context) {
  const Guarded<Registry>::Access instances(registry());
  const auto found = instances->find(address);
  if (found == instances->end() || *found->second != kind) return false;
  if (action != nullptr) action(context);
  return true;
}

}  // namespace Tern

#pragma once

#include "keys/HeldInputSet.h"

// Where an injector tells what it may be holding pressed, so that it can be let go of should the
// program die holding it: before a press the last snapshot did not cover, and whenever the set
// shrinks. Must not throw; a report that cannot be delivered is dropped. UI thread only.
class HeldInputReport {
 public:
  virtual ~HeldInputReport() = default;

  virtual void report(const HeldInputSet::Snapshot& snapshot) = 0;
};

#pragma once

#include <string>

#include "keys/HeldInputSet.h"

// The release guardian's side (see ReleaseGuardian): reads the reports of what the program may
// hold until the channel ends, and then, unless the last report held nothing, lets go of what
// it held and is still down, through XTEST on a connection of its own. It first waits until the
// X server has destroyed the report's marker, and with it handled everything the program's
// connection had sent, so that no press still on its way comes after the release.
class HeldInputWatch {
 public:
  HeldInputWatch() = delete;

  // Serves the channel; returns the process's exit status: 0 once nothing is left held, 1 when
  // the display could not be reached to let go.
  static int serve(int channel, const std::string& displayName);

 private:
  // Lets go of what held lists and the server has down. False when the display cannot be opened
  // or lacks XTEST.
  static bool release(const HeldInputSet::Contents& held, const std::string& displayName);
};

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "keys/HeldInputSet.h"

class XDisplay;

// The release guardian's side (see ReleaseGuardian): reads the reports of what the program may
// hold until the channel ends, and then, unless the last report held nothing, lets go of what
// it held and is still down, through XTEST on a connection of its own. Before that it waits
// until the X server has destroyed the reports' marker, and so handled everything the program's
// connection had sent: no press still on its way comes after the release. The connection is
// opened at once and the marker watched from the first report on, while the program lives: a
// marker looked up only after its program died might name another client's new window. The
// guardian process's one thread.
class HeldInputWatch {
 public:
  // Opens the display if it can (an empty name is $DISPLAY); if not, it tries again at the end.
  explicit HeldInputWatch(const std::string& displayName);
  ~HeldInputWatch();
  HeldInputWatch(const HeldInputWatch&) = delete;
  HeldInputWatch& operator=(const HeldInputWatch&) = delete;

  // Serves the channel and closes it; returns the process's exit status: 0 once nothing is left
  // held, 1 when the display could not be reached to let go.
  int serve(int channel);

 private:
  void watch(std::uint32_t marker);
  void awaitMarkerGone();
  bool release(const HeldInputSet::Contents& held);

  const std::string name;
  std::unique_ptr<XDisplay> display;
  std::uint32_t watched = 0;
  bool markerGone = false;
};

#pragma once

#include <thread>

class MutterServer;

// Answers the portal's question on a private mutter, while it lives, the way a user at the
// keyboard would, through mutter's own remote-desktop interface, which asks nobody: Return on
// the focused "Allow remote interaction" row turns its switch on, which makes "Share" (Alt+S)
// sensitive; a switch turned off again by the next Return is turned on by the one after. Or
// declines it with Escape. A question that also asks for a monitor (a session with a screen
// cast) has the monitor's row focused first: Return selects it, Tab goes on to the switch's row.
// Start it after the portal, and no client that must not see the keys.
class ConsentAnswerer {
 public:
  enum class Monitor : bool { notAsked, asked };

  ConsentAnswerer(const MutterServer& mutter, bool allow, Monitor monitor = Monitor::notAsked);

 private:
  std::jthread worker;
};

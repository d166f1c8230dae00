#pragma once

#include <thread>

class MutterServer;

// Answers the portal's question on a private mutter, while it lives, the way a user at the
// keyboard would, through mutter's own remote-desktop interface, which asks nobody: Return on
// the focused "Allow remote interaction" row turns its switch on, which makes "Share" (Alt+S)
// sensitive; a switch turned off again by the next Return is turned on by the one after. Or
// declines it with Escape. Start it after the portal, and no client that must not see the keys.
class ConsentAnswerer {
 public:
  ConsentAnswerer(const MutterServer& mutter, bool allow);

 private:
  std::jthread worker;
};

#pragma once

#include <memory>
#include <thread>

class MutterServer;

// Answers the portal's question on a private mutter, while it lives, the way a user at the
// keyboard would, through mutter's own remote-desktop interface, which asks nobody: Return on
// the focused "Allow remote interaction" row turns its switch on, which makes "Share" (Alt+S)
// sensitive; a switch turned off again by the next Return is turned on by the one after. Or
// declines it with Escape. A question that also asks for a monitor (a session with a screen
// cast) has the monitor's row focused first: Return selects it, Tab goes on to the switch's row.
// Start it after the portal and before the question is asked: the keys
// begin when the portal asks its backend to start a session, and end once the portal has told
// the program that its session started (both overheard on the bus), so that none reaches the
// window the program then types into.
class ConsentAnswerer {
 public:
  enum class Monitor : bool { notAsked, asked };

  ConsentAnswerer(const MutterServer& mutter, bool allow, Monitor monitor = Monitor::notAsked);
  ~ConsentAnswerer();
  ConsentAnswerer(const ConsentAnswerer&) = delete;
  ConsentAnswerer& operator=(const ConsentAnswerer&) = delete;

 private:
  class StartWatch;

  // Listening before the constructor returns, so that no question goes unseen.
  std::unique_ptr<StartWatch> portal;
  std::jthread worker;
};

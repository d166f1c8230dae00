#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "input/x11/HeldInputReport.h"
#include "tern/OwnerThread.h"

// A process of its own that lets go of what this one leaves held on the X server, should this
// one end without having said that nothing is held: killed, crashed, cut off. It runs program
// with the arguments argument and the display name, and the reports arriving on descriptor
// channel; that program hands over to HeldInputWatch. Started at the first report of something
// held, in a session of its own so that a terminal's Ctrl+C or signals sent to this process's
// group leave it running, and kept from then on. Destruction closes the channel, after which it
// lets go of what the last report held, and reaps it: the reporting injector, whose connection
// the guardian waits for, must be gone by then. UI thread only.
class ReleaseGuardian final : public HeldInputReport {
 public:
  static constexpr std::string_view argument = "--release-guardian";
  static constexpr int channel = 3;

  // An empty displayName is $DISPLAY.
  ReleaseGuardian(std::string program, std::string displayName);
  ~ReleaseGuardian() override;
  ReleaseGuardian(const ReleaseGuardian&) = delete;
  ReleaseGuardian& operator=(const ReleaseGuardian&) = delete;

  // A guardian that went away is started again once; one that cannot be started is not tried
  // again, and reports then go nowhere.
  void report(const HeldInputSet::Snapshot& snapshot) override;

 private:
  bool start();
  bool send(const HeldInputSet::Snapshot& snapshot) const;
  void stop() noexcept;

  const Tern::OwnerThread uiThread;
  const std::string programPath;
  const std::string display;
  int socket = -1;
  pid_t child = -1;
  bool unavailable = false;
};

#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "input/x11/HeldInputReport.h"
#include "tern/OwnerThread.h"

class GuardianProcess;

// A process of its own that lets go of what this one leaves held on the X server, should this
// one end without having said that nothing is held: killed, crashed, cut off. It runs program
// with the arguments argument and the display name, and the reports arriving on descriptor
// channel; that program hands over to HeldInputWatch. Started at the first report of something
// held and kept from then on.
//
// A guardian can die too (killed, out of memory): a thread of this object's own waits on the
// process's pidfd and, the moment it ends, reaps it and starts another with the last report, so
// that what is held stays guarded even while the UI thread is busy typing. Should none start,
// or should guardians keep dying, the lost callback is called: what is held is then unguarded,
// and the run must let go of it and end. Tried again at the first press after a report that
// held nothing. Destruction closes the channel, after which the guardian lets go of what the
// last report held, and reaps it: the reporting injector, whose connection the guardian waits
// for, must be gone by then.
class ReleaseGuardian final : public HeldInputReport {
 public:
  static constexpr std::string_view argument = "--release-guardian";
  static constexpr int channel = 3;
  // Guardians started in a row to replace dead ones, with no report between, before none is.
  static constexpr int restartsInARow = 8;

  // An empty displayName is $DISPLAY. UI thread.
  ReleaseGuardian(std::string program, std::string displayName);
  ~ReleaseGuardian() override;
  ReleaseGuardian(const ReleaseGuardian&) = delete;
  ReleaseGuardian& operator=(const ReleaseGuardian&) = delete;

  // UI thread only.
  void report(const HeldInputSet::Snapshot& snapshot) override;

  // Called when what is held has no guardian and none can start: on the guardian's watching
  // thread, or on the UI thread during a report; it may only post events or raise flags. It may
  // still be running when a later call replaces it. Any thread.
  void onLost(std::function<void()> lost);

 private:
  using Process = std::shared_ptr<GuardianProcess>;

  // With the lock held: starts a guardian and tells it the last report; false when none runs.
  bool startWithLastReport();
  void watch();
  // The watched guardian has ended: another takes its place if something is held.
  void ended(const Process& dead);
  void tellLost();

  const Tern::OwnerThread uiThread;
  const std::string programPath;
  const std::string display;
  std::mutex lock;
  // Guarded by lock: the running guardian; the watching thread holds it too while it waits.
  Process current;
  HeldInputSet::Snapshot last{};
  bool lastHeld = false;
  bool unavailable = false;
  int restarts = 0;
  bool ending = false;
  std::function<void()> lostCallback;
  // Wakes the watching thread: the guardian changed, or this object is ending.
  int wake = -1;
  // Started last: everything it reads exists by then.
  std::thread watcher;
};

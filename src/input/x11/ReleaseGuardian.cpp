#include "input/x11/ReleaseGuardian.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "input/x11/GuardianProcess.h"

namespace {

// The display by name, so that the guardian's command line says which it guards.
std::string named(std::string displayName) {
  const char* fromEnvironment = std::getenv("DISPLAY");
  return displayName.empty() && fromEnvironment != nullptr ? fromEnvironment : displayName;
}

bool holdsSomething(const HeldInputSet::Snapshot& snapshot) {
  return !HeldInputSet::decode(snapshot).value_or(HeldInputSet::Contents{}).empty();
}

void signal(int eventFd) {
  const std::uint64_t one = 1;
  while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

}  // namespace

ReleaseGuardian::ReleaseGuardian(std::string program, std::string displayName)
    : programPath(std::move(program)), display(named(std::move(displayName))) {
  wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  try {
    watcher = std::thread([this] { watch(); });
  } catch (...) {
    ::close(wake);
    throw;
  }
}

ReleaseGuardian::~ReleaseGuardian() {
  {
    const std::scoped_lock guard(lock);
    ending = true;
  }
  signal(wake);
  watcher.join();
  ::close(wake);
  // The channel closes here, and the guardian, having let go, is reaped.
  current.reset();
}

void ReleaseGuardian::onLost(std::function<void()> lost) {
  const std::scoped_lock guard(lock);
  lostCallback = std::move(lost);
}

void ReleaseGuardian::report(const HeldInputSet::Snapshot& snapshot) {
  uiThread.assertCurrent("ReleaseGuardian::report");
  bool lost = false;
  {
    const std::scoped_lock guard(lock);
    last = snapshot;
    lastHeld = holdsSomething(snapshot);
    restarts = 0;
    if (!lastHeld) unavailable = false;
    if (current && current->send(snapshot)) return;
    if (current) {
      // A guardian that cannot be told is ended first: one merely deaf would, once its channel
      // closes, wait for this program's connection to go and hold up the wait for it.
      current->kill();
      current.reset();
    }
    // Nothing held, nothing to guard: the process starts with the first press.
    if (!lastHeld || unavailable) return;
    lost = !startWithLastReport();
  }
  signal(wake);
  if (lost) tellLost();
}

bool ReleaseGuardian::startWithLastReport() {
  try {
    auto started = std::make_shared<GuardianProcess>(programPath, std::string(argument), display, channel);
    if (started->send(last)) {
      current = std::move(started);
      return true;
    }
    started->kill();
  } catch (const std::system_error&) {
    // The program file is gone (replaced by an update, say), or the system is out of processes.
  }
  unavailable = true;
  return false;
}

void ReleaseGuardian::watch() {
  for (;;) {
    Process watched;
    {
      const std::scoped_lock guard(lock);
      if (ending) return;
      watched = current;
    }
    pollfd fds[2] = {{wake, POLLIN, 0}, {watched ? watched->endFd() : -1, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    std::uint64_t count = 0;
    if ((fds[0].revents & POLLIN) != 0) static_cast<void>(::read(wake, &count, sizeof count));
    if ((fds[1].revents & POLLIN) != 0) ended(watched);
  }
}

void ReleaseGuardian::ended(const Process& dead) {
  {
    const std::scoped_lock guard(lock);
    // A report has replaced it already; it is reaped as the last holder lets go of it.
    if (current != dead || ending) return;
    current.reset();
    if (!lastHeld || unavailable) return;
    if (++restarts <= restartsInARow && startWithLastReport()) return;
    unavailable = true;
  }
  tellLost();
}

void ReleaseGuardian::tellLost() {
  std::function<void()> lost;
  {
    const std::scoped_lock guard(lock);
    lost = lostCallback;
  }
  if (lost) lost();
}

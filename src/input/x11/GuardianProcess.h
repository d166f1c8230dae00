#pragma once

#include <sys/types.h>

#include <string>

#include "keys/HeldInputSet.h"

// One running release guardian (see ReleaseGuardian): the process, started with the arguments
// given and the channel on descriptor channel, a pidfd that becomes readable when it ends, and
// our end of the channel. Destruction closes the channel and reaps the process, waiting for it
// to end: after the channel closes, a live guardian lets go of what the last report held and
// ends. Any thread, one at a time.
class GuardianProcess {
 public:
  // Throws std::system_error when the process cannot be started.
  GuardianProcess(const std::string& program, const std::string& argument, const std::string& displayName,
                  int channel);
  ~GuardianProcess();
  GuardianProcess(const GuardianProcess&) = delete;
  GuardianProcess& operator=(const GuardianProcess&) = delete;

  // False when the whole snapshot could not be sent: the guardian is gone, or deaf.
  [[nodiscard]] bool send(const HeldInputSet::Snapshot& snapshot) const;
  // Ends the process at once, with nothing let go; it is still reaped on destruction.
  void kill() const noexcept;
  // Readable once the process has ended.
  [[nodiscard]] int endFd() const { return pidfd; }
  [[nodiscard]] pid_t pid() const { return child; }

 private:
  int socket = -1;
  int pidfd = -1;
  pid_t child = -1;
};

#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/UniqueFd.h"

// One child program, started with fork and exec and always reaped: the destructor asks it to
// end with SIGTERM, kills it with SIGKILL when it does not, and waits for it. The child's stdin
// is /dev/null, and it receives SIGTERM should the starting thread die first.
class ChildProcess {
 public:
  using Clock = std::chrono::steady_clock;

  enum class Output : std::uint8_t { inherit, capture, discard };

  struct Options {
    // Program and arguments; a program name without a slash is looked up in $PATH.
    std::vector<std::string> argv;
    // Variables added to (or replacing those of) this process's environment.
    std::vector<std::pair<std::string, std::string>> env;
    // capture makes stdout readable with readLine; stderr cannot be captured.
    Output out = Output::inherit;
    Output err = Output::inherit;
    // Descriptors of this process that the child keeps open under the same numbers.
    std::vector<int> keepFds;
  };

  // Throws std::system_error when the program cannot be found or started.
  explicit ChildProcess(const Options& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;

  [[nodiscard]] pid_t pid() const { return childPid; }

  // The next line of captured stdout without its newline; nothing when the deadline passes
  // first or the output has ended (see outputEnded).
  std::optional<std::string> readLine(Clock::time_point deadline);
  [[nodiscard]] bool outputEnded() const { return endOfOutput; }

  // Waits for the child to exit: its exit status, or 128 + the signal that ended it; nothing
  // when the deadline passes first.
  std::optional<int> wait(Clock::time_point deadline);

  // SIGTERM, then SIGKILL once grace has passed; reaps the child and returns as wait does.
  int stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

 private:
  void release() noexcept;

  pid_t childPid = -1;
  std::optional<int> exitStatus;
  UniqueFd stdoutPipe;
  std::string pending;
  bool endOfOutput = false;
};

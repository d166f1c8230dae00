#include "input/paste/ClipboardPipe.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>

namespace {

// Blocks SIGPIPE in this thread while a write may raise it, and takes back the one a write to a
// pipe without reader left pending, unless one was pending before.
class SigpipeHold {
 public:
  SigpipeHold() {
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    pendingBefore = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  }
  ~SigpipeHold() {
    if (raised && !pendingBefore) {
      const timespec now{};
      while (sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
  SigpipeHold(const SigpipeHold&) = delete;
  SigpipeHold& operator=(const SigpipeHold&) = delete;

  void noteRaised() { raised = true; }

 private:
  sigset_t pipeOnly{};
  sigset_t previous{};
  bool pendingBefore = false;
  bool raised = false;
};

}  // namespace

ClipboardPipe::~ClipboardPipe() {
  if (fd >= 0) ::close(fd);
}

bool ClipboardPipe::await(short events, Clock::time_point deadline) const {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd watched{fd, events, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left, 60000)));
    if (ready < 0 && errno != EINTR) return false;
    // A closed other end shows as POLLHUP or POLLERR: the read or write that follows tells.
    if (ready > 0) return true;
  }
}

ClipboardPipe::ReadEnd ClipboardPipe::readAll(std::string& data, std::size_t limit,
                                              Clock::time_point deadline) const {
  if (fd < 0) return ReadEnd::failed;
  std::array<char, 65536> chunk{};
  std::size_t taken = 0;
  for (;;) {
    if (!await(POLLIN, deadline)) return ReadEnd::failed;
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got == 0) return ReadEnd::whole;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return ReadEnd::failed;
    }
    taken += static_cast<std::size_t>(got);
    if (taken > limit) return ReadEnd::tooLarge;
    data.append(chunk.data(), static_cast<std::size_t>(got));
  }
}

bool ClipboardPipe::writeAll(std::string_view data, Clock::time_point deadline) const {
  if (fd < 0) return false;
  // Without O_NONBLOCK a full pipe would block past the deadline.
  if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
  SigpipeHold hold;
  while (!data.empty()) {
    if (!await(POLLOUT, deadline)) return false;
    const ssize_t sent = ::write(fd, data.data(), data.size());
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      if (errno == EPIPE) hold.noteRaised();
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

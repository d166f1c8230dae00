#include "tern/ExitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

namespace {

// A lock-free atomic is safe to store from a signal handler.
std::atomic<int> pending{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int handled[] = {SIGTERM, SIGHUP, SIGINT};

// Both ends non-blocking: a full pipe drops the byte (one is enough), and draining never waits.
// Made once and kept for the process: a handler may run at any moment, even during uninstall.
int pipeEnds[2] = {-1, -1};

extern "C" void onExitSignal(int signal) {
  const int savedErrno = errno;
  pending.store(signal, std::memory_order_relaxed);
  const char byte = 1;
  // A failed write changes nothing: the flag is set, and a full pipe already wakes the loop.
  const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  static_cast<void>(written);
  errno = savedErrno;
}

void setHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // A slow system call the UI thread is in goes on rather than failing halfway.
  action.sa_flags = SA_RESTART;
  for (const int signal : handled) {
    if (sigaction(signal, &action, nullptr) != 0) throw std::system_error(errno, std::generic_category(), "sigaction");
  }
}

}  // namespace

void Tern::ExitSignals::install() {
  if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  setHandler(&onExitSignal);
}

void Tern::ExitSignals::uninstall() {
  setHandler(SIG_DFL);
  pending.store(0, std::memory_order_relaxed);
}

int Tern::ExitSignals::received() { return pending.load(std::memory_order_relaxed); }

int Tern::ExitSignals::wakeFd() { return pipeEnds[0]; }

void Tern::ExitSignals::drain() {
  char bytes[64];
  while (pipeEnds[0] >= 0 && ::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
  }
}

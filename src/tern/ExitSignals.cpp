#include "tern/ExitSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

namespace {

// A lock-free atomic is safe to store from a signal handler.
std::atomic<int> pending{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int handled[] = {SIGTERM, SIGHUP, SIGINT};

extern "C" void onExitSignal(int signal) { pending.store(signal, std::memory_order_relaxed); }

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

void Tern::ExitSignals::install() { setHandler(&onExitSignal); }

void Tern::ExitSignals::uninstall() {
  setHandler(SIG_DFL);
  pending.store(0, std::memory_order_relaxed);
}

int Tern::ExitSignals::received() { return pending.load(std::memory_order_relaxed); }

#include "input/x11/ReleaseGuardian.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

extern char** environ;

namespace {

// One descriptor, closed on destruction.
class Descriptor {
 public:
  explicit Descriptor(int owned) : fd(owned) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  [[nodiscard]] int get() const { return fd; }
  int release() { return std::exchange(fd, -1); }

 private:
  int fd;
};

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  posix_spawn_file_actions_t* get() { return &actions; }

 private:
  posix_spawn_file_actions_t actions{};
};

class SpawnAttributes {
 public:
  SpawnAttributes() { posix_spawnattr_init(&attributes); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  posix_spawnattr_t* get() { return &attributes; }

 private:
  posix_spawnattr_t attributes{};
};

// The display by name, so that the guardian's command line says which it guards.
std::string named(std::string displayName) {
  const char* fromEnvironment = std::getenv("DISPLAY");
  return displayName.empty() && fromEnvironment != nullptr ? fromEnvironment : displayName;
}

}  // namespace

ReleaseGuardian::ReleaseGuardian(std::string program, std::string displayName)
    : programPath(std::move(program)), display(named(std::move(displayName))) {}

ReleaseGuardian::~ReleaseGuardian() { stop(); }

void ReleaseGuardian::report(const HeldInputSet::Snapshot& snapshot) {
  uiThread.assertCurrent("ReleaseGuardian::report");
  if (child < 0) {
    // Nothing held, nothing to guard: the process starts with the first press.
    if (unavailable || HeldInputSet::decode(snapshot).value_or(HeldInputSet::Contents{}).empty()) return;
    if (!start()) return;
  }
  if (send(snapshot)) return;
  // A guardian that cannot be told is ended first: one merely deaf would, once its channel
  // closes, wait for this program's connection to go and hold up the wait for it.
  ::kill(child, SIGKILL);
  stop();
  if (!start()) return;
  if (!send(snapshot)) {
    ::kill(child, SIGKILL);
    stop();
  }
}

bool ReleaseGuardian::start() {
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
    unavailable = true;
    return false;
  }
  Descriptor ours(ends[0]);
  const Descriptor made(ends[1]);
  // Above the channel's number, so that moving it there clears its close-on-exec flag.
  const Descriptor theirs(::fcntl(made.get(), F_DUPFD_CLOEXEC, channel + 1));
  SpawnActions actions;
  SpawnAttributes attributes;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  // The guardian has nothing to read or say; the program's own descriptors (its lock file, its
  // display connection) stay here.
  const bool prepared =
      theirs.get() >= 0 && posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDWR, 0) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), 0, 1) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), 0, 2) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), theirs.get(), channel) == 0 &&
      posix_spawn_file_actions_addclosefrom_np(actions.get(), channel + 1) == 0 &&
      posix_spawnattr_setflags(attributes.get(),
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
      posix_spawnattr_setsigmask(attributes.get(), &none) == 0 &&
      posix_spawnattr_setsigdefault(attributes.get(), &all) == 0;
  std::string name = "zentak-release-guardian";
  std::string flag(argument);
  std::string displayArgument = display;
  char* argv[] = {name.data(), flag.data(), displayArgument.data(), nullptr};
  pid_t pid = -1;
  if (!prepared || posix_spawn(&pid, programPath.c_str(), actions.get(), attributes.get(), argv, environ) != 0) {
    unavailable = true;
    return false;
  }
  socket = ours.release();
  child = pid;
  return true;
}

bool ReleaseGuardian::send(const HeldInputSet::Snapshot& snapshot) const {
  for (;;) {
    // No SIGPIPE should the guardian be gone: that is answered by starting another.
    const ssize_t sent = ::send(socket, snapshot.data(), snapshot.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(snapshot.size())) return true;
    if (sent < 0 && errno == EINTR) continue;
    return false;
  }
}

void ReleaseGuardian::stop() noexcept {
  if (socket >= 0) ::close(socket);
  socket = -1;
  if (child < 0) return;
  // The guardian ends once the channel is closed, after letting go of anything still held.
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  child = -1;
}

#include "input/x11/GuardianProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>
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

[[noreturn]] void fail(int error, const char* what) { throw std::system_error(error, std::generic_category(), what); }

// Through the system call: glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage.
int openPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0U)); }

void reap(pid_t pid) noexcept {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

GuardianProcess::GuardianProcess(const std::string& program, const std::string& argument,
                                 const std::string& displayName, int channel) {
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) fail(errno, "socketpair");
  Descriptor ours(ends[0]);
  const Descriptor made(ends[1]);
  // Above the channel's number, so that moving it there clears its close-on-exec flag.
  const Descriptor theirs(::fcntl(made.get(), F_DUPFD_CLOEXEC, channel + 1));
  if (theirs.get() < 0) fail(errno, "fcntl");
  SpawnActions actions;
  SpawnAttributes attributes;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  // The guardian has nothing to read or say; the program's own descriptors (its lock file, its
  // display connection) stay here. A session of its own keeps it out of a terminal's Ctrl+C and
  // of signals sent to this process's group.
  const bool prepared =
      posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDWR, 0) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), 0, 1) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), 0, 2) == 0 &&
      posix_spawn_file_actions_adddup2(actions.get(), theirs.get(), channel) == 0 &&
      posix_spawn_file_actions_addclosefrom_np(actions.get(), channel + 1) == 0 &&
      posix_spawnattr_setflags(attributes.get(),
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
      posix_spawnattr_setsigmask(attributes.get(), &none) == 0 &&
      posix_spawnattr_setsigdefault(attributes.get(), &all) == 0;
  if (!prepared) fail(ENOMEM, "posix_spawn attributes");
  std::string name = "zentak-release-guardian";
  std::string flag = argument;
  std::string displayArgument = displayName;
  char* argv[] = {name.data(), flag.data(), displayArgument.data(), nullptr};
  pid_t pid = -1;
  if (const int error = posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv, environ);
      error != 0) {
    fail(error, "posix_spawn");
  }
  const int ended = openPidfd(pid);
  if (ended < 0) {
    const int error = errno;
    ::kill(pid, SIGKILL);
    reap(pid);
    fail(error, "pidfd_open");
  }
  socket = ours.release();
  pidfd = ended;
  child = pid;
}

GuardianProcess::~GuardianProcess() {
  ::close(socket);
  reap(child);
  ::close(pidfd);
}

bool GuardianProcess::send(const HeldInputSet::Snapshot& snapshot) const {
  for (;;) {
    // No SIGPIPE should the guardian be gone: that is answered by starting another.
    const ssize_t sent = ::send(socket, snapshot.data(), snapshot.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(snapshot.size())) return true;
    if (sent < 0 && errno == EINTR) continue;
    return false;
  }
}

void GuardianProcess::kill() const noexcept { ::kill(child, SIGKILL); }

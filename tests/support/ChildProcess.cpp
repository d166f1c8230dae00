#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>

extern char** environ;

namespace {

[[noreturn]] void throwErrno(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Looked up here rather than in the child: between fork and exec only async-signal-safe calls
// are allowed, and a PATH search allocates.
std::string resolveProgram(const std::string& name) {
  if (name.empty()) throw std::system_error(std::make_error_code(std::errc::invalid_argument), "no program given");
  if (name.find('/') != std::string::npos) return name;
  const char* pathVar = std::getenv("PATH");
  const std::string_view path = pathVar != nullptr ? pathVar : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    const std::string_view dir = path.substr(start, end - start);
    const std::string candidate = std::string(dir.empty() ? "." : dir) + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory), "cannot find " + name);
}

std::vector<std::string> buildEnvironment(const std::vector<std::pair<std::string, std::string>>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string_view key = text.substr(0, text.find('='));
    bool replaced = false;
    for (const auto& [name, value] : extra) replaced = replaced || name == key;
    if (!replaced) result.emplace_back(text);
  }
  for (const auto& [name, value] : extra) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  result.reserve(strings.size() + 1);
  for (std::string& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

// In the child: makes from the target number a copy of source that survives exec.
void redirect(int source, int target) {
  if (source == target) {
    ::fcntl(target, F_SETFD, 0);
  } else {
    ::dup2(source, target);
  }
}

int decodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

ChildProcess::ChildProcess(const Options& options) {
  const std::string program = resolveProgram(options.argv.empty() ? std::string() : options.argv.front());
  std::vector<std::string> argStrings = options.argv;
  std::vector<std::string> envStrings = buildEnvironment(options.env);
  const std::vector<char*> argv = pointers(argStrings);
  const std::vector<char*> envp = pointers(envStrings);

  const UniqueFd devNull = UniqueFd::adopt(::open("/dev/null", O_RDWR | O_CLOEXEC));
  std::pair<UniqueFd, UniqueFd> output;
  if (options.out == Output::capture) output = UniqueFd::pipe();
  auto [errorRead, errorWrite] = UniqueFd::pipe();
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid < 0) throwErrno("cannot fork for " + program);
  if (pid == 0) {
    redirect(devNull.get(), STDIN_FILENO);
    if (options.out == Output::capture) redirect(output.second.get(), STDOUT_FILENO);
    if (options.out == Output::discard) redirect(devNull.get(), STDOUT_FILENO);
    if (options.err == Output::discard) redirect(devNull.get(), STDERR_FILENO);
    for (const int fd : options.keepFds) ::fcntl(fd, F_SETFD, 0);
    // Ignored signals and the signal mask survive exec; the child starts from the defaults.
    for (int sig = 1; sig < NSIG; ++sig) {
      if (sig != SIGKILL && sig != SIGSTOP) std::signal(sig, SIG_DFL);
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() == parent) ::execve(program.c_str(), argv.data(), envp.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(errorWrite.get(), &error, sizeof error);
    ::_exit(127);
  }

  childPid = pid;
  errorWrite.reset();
  output.second.reset();
  stdoutPipe = std::move(output.first);
  int error = 0;
  ssize_t n = 0;
  do {
    n = ::read(errorRead.get(), &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(sizeof error)) {
    wait(Clock::time_point::max());
    childPid = -1;
    throw std::system_error(error, std::generic_category(), "cannot run " + program);
  }
}

ChildProcess::~ChildProcess() { release(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : childPid(std::exchange(other.childPid, -1)),
      exitStatus(other.exitStatus),
      stdoutPipe(std::move(other.stdoutPipe)),
      pending(std::move(other.pending)),
      endOfOutput(other.endOfOutput) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    release();
    childPid = std::exchange(other.childPid, -1);
    exitStatus = other.exitStatus;
    stdoutPipe = std::move(other.stdoutPipe);
    pending = std::move(other.pending);
    endOfOutput = other.endOfOutput;
  }
  return *this;
}

void ChildProcess::release() noexcept {
  if (childPid > 0 && !exitStatus) {
    try {
      stop();
    } catch (...) {
      // Nothing is left to reap when the child cannot be waited for.
    }
  }
  childPid = -1;
}

std::optional<std::string> ChildProcess::readLine(Clock::time_point deadline) {
  for (;;) {
    const std::size_t newline = pending.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      return line;
    }
    if (!stdoutPipe.valid()) {
      endOfOutput = true;
      if (pending.empty()) return std::nullopt;
      return std::exchange(pending, {});
    }
    const auto now = Clock::now();
    if (now >= deadline) return std::nullopt;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    pollfd entry{stdoutPipe.get(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<long long>(left, 60'000)));
    if (ready < 0 && errno != EINTR) throwErrno("cannot poll a child's output");
    if (ready <= 0) continue;
    std::array<char, 65536> buffer{};
    const ssize_t n = ::read(stdoutPipe.get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      throwErrno("cannot read a child's output");
    }
    if (n == 0) {
      stdoutPipe.reset();
      continue;
    }
    pending.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

std::optional<int> ChildProcess::wait(Clock::time_point deadline) {
  if (exitStatus || childPid <= 0) return exitStatus;
  for (;;) {
    int status = 0;
    const pid_t reaped = ::waitpid(childPid, &status, deadline == Clock::time_point::max() ? 0 : WNOHANG);
    if (reaped == childPid) {
      exitStatus = decodeStatus(status);
      return exitStatus;
    }
    if (reaped < 0 && errno != EINTR) throwErrno("cannot wait for a child");
    if (Clock::now() >= deadline) return std::nullopt;
    if (reaped == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

int ChildProcess::stop(std::chrono::milliseconds grace) {
  if (exitStatus) return *exitStatus;
  if (childPid <= 0) return -1;
  ::kill(childPid, SIGTERM);
  if (const auto status = wait(Clock::now() + grace)) return *status;
  ::kill(childPid, SIGKILL);
  return wait(Clock::time_point::max()).value_or(-1);
}

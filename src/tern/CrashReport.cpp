#include "tern/CrashReport.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "tern/OsException.h"

namespace Tern {

namespace {

constexpr std::array<int, 5> fatalSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr const char* installFailed = "Tern::CrashReport::install failed";

// Set once by install, before any handler can run; the handler only reads them.
std::array<char, 4096> reportFile{};
std::array<char, 4096> programFile{};
std::array<char, 256> programVersion{};
pid_t uiThread = 0;
std::atomic<bool> installed{false};

// One report at a time: a second thread faulting meanwhile waits for the first to end the
// process.
std::atomic_flag reporting = ATOMIC_FLAG_INIT;

alignas(16) std::array<char, 64 * 1024> alternateStack{};

// Frames of the crashing thread kept in a report; deeper ones are left out.
constexpr int maxFrames = 64;

const char* signalName(int signo) {
  switch (signo) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "unknown";
  }
}

// A line built in a fixed buffer: no allocation, no stdio, so it is safe in a signal handler.
class Line {
 public:
  Line& text(const char* part) {
    while (*part != '\0' && length < buffer.size()) buffer[length++] = *part++;
    return *this;
  }

  Line& decimal(std::uint64_t value) {
    std::array<char, 24> digits{};
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0 && length < buffer.size()) buffer[length++] = digits[--count];
    return *this;
  }

  Line& signedDecimal(std::int64_t value) {
    if (value < 0) {
      text("-");
      return decimal(static_cast<std::uint64_t>(-(value + 1)) + 1);
    }
    return decimal(static_cast<std::uint64_t>(value));
  }

  Line& hex(std::uint64_t value) {
    std::array<char, 16> digits{};
    std::size_t count = 0;
    do {
      digits[count++] = "0123456789abcdef"[value & 0xFU];
      value >>= 4;
    } while (value != 0);
    while (count > 0 && length < buffer.size()) buffer[length++] = digits[--count];
    return *this;
  }

  void writeTo(int fd) const {
    std::size_t done = 0;
    while (done < length) {
      const ssize_t written = ::write(fd, buffer.data() + done, length - done);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      done += static_cast<std::size_t>(written);
    }
  }

 private:
  std::array<char, 512> buffer{};
  std::size_t length = 0;
};

// Owns the report file's descriptor for the length of one report.
class ReportFile {
 public:
  ReportFile() : fd(::open(reportFile.data(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
  ~ReportFile() {
    if (fd >= 0) ::close(fd);
  }
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  [[nodiscard]] bool isOpen() const { return fd >= 0; }
  void write(const Line& line) const { line.writeTo(fd); }
  // One line per frame, each naming its object file and address; no allocation.
  void write(void* const* frames, int count) const { ::backtrace_symbols_fd(frames, count, fd); }

 private:
  int fd;
};

bool hasFaultAddress(int signo, const siginfo_t* info) {
  // The kernel fills the address for the faults it raises itself (positive codes); a signal
  // sent by kill, raise or abort carries the sender instead.
  return info != nullptr && info->si_code > 0 && signo != SIGABRT;
}

void writeReport(int signo, const siginfo_t* info) {
  const ReportFile file;
  if (!file.isOpen()) return;
  file.write(Line().text("////////////////////////////////////////////////////////////\n"));
  file.write(Line().text("Tern::CrashReport caught a fatal signal\n"));
  file.write(Line().text("  program: ").text(programFile.data()).text("\n"));
  file.write(Line().text("  version: ").text(programVersion.data()).text("\n"));
  file.write(Line()
                 .text("  signal: ")
                 .decimal(static_cast<std::uint64_t>(signo))
                 .text(" (0x")
                 .hex(static_cast<std::uint64_t>(signo))
                 .text(") ")
                 .text(signalName(signo))
                 .text("\n"));
  if (info != nullptr) {
    file.write(Line().text("  code: ").signedDecimal(info->si_code).text("\n"));
    if (hasFaultAddress(signo, info)) {
      file.write(Line().text("  fault_address: 0x").hex(reinterpret_cast<std::uintptr_t>(info->si_addr)).text("\n"));
    } else {
      file.write(Line().text("  sender_pid: ").signedDecimal(info->si_pid).text("\n"));
    }
  }
  file.write(Line().text("  process_id: ").signedDecimal(::getpid()).text("\n"));
  const pid_t thread = ::gettid();
  file.write(Line().text("  thread_id: ").signedDecimal(thread).text("\n"));
  timespec now{};
  if (::clock_gettime(CLOCK_REALTIME, &now) == 0) {
    file.write(Line().text("  time: ").signedDecimal(now.tv_sec).text(" s since 1970-01-01 UTC\n"));
  }
  file.write(Line().text("Thread details:\n"));
  file.write(Line().text(thread == uiThread ? "  thread is the UI thread\n" : "  thread is NOT the UI thread\n"));
  // The unwinder steps through the signal frame into the code that faulted; it was loaded at
  // install, so this call does not allocate.
  std::array<void*, maxFrames> frames{};
  const int count = ::backtrace(frames.data(), maxFrames);
  file.write(Line().text("Backtrace of the thread, innermost first:\n"));
  file.write(frames.data(), count);
}

void onFatalSignal(int signo, siginfo_t* info, void*) {
  const int savedErrno = errno;
  if (!reporting.test_and_set()) {
    writeReport(signo, info);
  } else {
    const timespec pause{0, 1'000'000};
    for (int i = 0; i < 2000; ++i) ::nanosleep(&pause, nullptr);
  }
  // The default course: the signal, blocked while this handler runs, is raised again and ends
  // the process as soon as the handler returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signo, &fallback, nullptr);
  errno = savedErrno;
  ::raise(signo);
}

void copyInto(std::array<char, 4096>& target, const std::string& text) {
  if (text.size() >= target.size()) throw OsException(installFailed, ENAMETOOLONG);
  std::memcpy(target.data(), text.c_str(), text.size() + 1);
}

}  // namespace

std::string CrashReport::reportPathFor(const std::string& programPath, const std::string& reportFolder) {
  std::filesystem::path report = std::filesystem::path(programPath).replace_extension(".rpt");
  if (!reportFolder.empty()) report = std::filesystem::path(reportFolder) / report.filename();
  return report.string();
}

std::string CrashReport::reportPath() { return installed ? std::string(reportFile.data()) : std::string(); }

void CrashReport::install(std::string_view version, const std::string& reportFolder) {
  if (installed) return;
  const std::size_t kept = std::min(version.size(), programVersion.size() - 1);
  std::memcpy(programVersion.data(), version.data(), kept);
  programVersion[kept] = '\0';
  // The first backtrace loads the unwinder library, which allocates: done here, not in the
  // handler.
  std::array<void*, 1> warmUp{};
  ::backtrace(warmUp.data(), 1);
  std::error_code failure;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
  if (failure) throw OsException(installFailed, failure.value());
  copyInto(programFile, program.string());
  copyInto(reportFile, reportPathFor(program.string(), reportFolder));
  uiThread = ::gettid();

  stack_t stack{};
  stack.ss_sp = alternateStack.data();
  stack.ss_size = alternateStack.size();
  if (::sigaltstack(&stack, nullptr) != 0) throw OsException(installFailed);

  for (const int signo : fatalSignals) {
    struct sigaction action {};
    action.sa_sigaction = &onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    if (::sigaction(signo, &action, nullptr) != 0) throw OsException(installFailed);
  }
  installed = true;
}

}  // namespace Tern

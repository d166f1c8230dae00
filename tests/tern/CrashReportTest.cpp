#include "tern/CrashReport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string divider = "////////////////////////////////////////////////////////////";

// A fresh directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zentak-crash-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  fs::path path;
};

// Copies the crashing helper into dir under name, so that its report lands there.
fs::path placeCrasher(const fs::path& dir, const std::string& name) {
  const fs::path target = dir / name;
  fs::copy_file(ZENTAK_TERN_CRASHER, target);
  return target;
}

// Runs the helper and returns its wait status.
int runCrasher(const fs::path& program, const char* mode) {
  const std::string path = program.string();
  const pid_t child = fork();
  if (child == 0) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    execl(path.c_str(), path.c_str(), mode, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> reportsIn(const std::string& text) {
  std::vector<std::string> reports;
  std::size_t at = text.find(divider);
  while (at != std::string::npos) {
    const std::size_t next = text.find(divider, at + divider.size());
    reports.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  return reports;
}

bool endedBy(int status, int signo) { return WIFSIGNALED(status) && WTERMSIG(status) == signo; }

// Lines after the backtrace heading that name an object file and an address.
std::size_t frameLines(const std::string& report) {
  const std::string heading = "Backtrace of the thread, innermost first:\n";
  const std::size_t at = report.find(heading);
  if (at == std::string::npos) return 0;
  std::istringstream rest(report.substr(at + heading.size()));
  std::size_t frames = 0;
  for (std::string line; std::getline(rest, line) && line.find("[0x") != std::string::npos;) ++frames;
  return frames;
}

}  // namespace

TEST(CrashReportPathTest, TheExtensionIsReplacedOrAppended) {
  EXPECT_EQ(Tern::CrashReport::reportPathFor("/opt/zentak/zentak"), "/opt/zentak/zentak.rpt");
  EXPECT_EQ(Tern::CrashReport::reportPathFor("/opt/zentak/Zentak.exe"), "/opt/zentak/Zentak.rpt");
  EXPECT_EQ(Tern::CrashReport::reportPathFor("/opt/zen.tak/zentak"), "/opt/zen.tak/zentak.rpt");
  EXPECT_EQ(Tern::CrashReport::reportPathFor("/opt/zentak/zentak.1.bin"), "/opt/zentak/zentak.1.rpt");
  // Fault: an installed program's report went beside it, into a folder its user cannot write.
  EXPECT_EQ(Tern::CrashReport::reportPathFor("/usr/bin/zentak", "/home/u/.local/share/Zentak"),
            "/home/u/.local/share/Zentak/zentak.rpt");
}

TEST(CrashReportTest, ASegmentationFaultIsReportedAndStillEndsTheProgram) {
  const TempDir dir;
  const fs::path program = placeCrasher(dir.path, "crasher.bin");
  EXPECT_TRUE(endedBy(runCrasher(program, "fault"), SIGSEGV));
  const std::string text = readFile(dir.path / "crasher.rpt");
  ASSERT_EQ(text.rfind(divider + "\nTern::CrashReport caught a fatal signal\n", 0), 0U) << text;
  EXPECT_NE(text.find("  program: " + program.string() + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  signal: 11 (0xb) SIGSEGV\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  fault_address: 0x"), std::string::npos) << text;
  EXPECT_NE(text.find("Thread details:\n  thread is the UI thread\n"), std::string::npos) << text;
  // Catches a report without the version given at install, and a backtrace that is missing
  // or stops in the handler instead of reaching the faulting code and its callers.
  EXPECT_NE(text.find("  program: " + program.string() + "\n  version: Crasher v7.1\n"), std::string::npos) << text;
  EXPECT_GE(frameLines(text), 4U) << text;
  EXPECT_NE(text.find("libc.so"), std::string::npos) << text;
}

TEST(CrashReportTest, TwoCrashesAppendTwoCompleteReports) {
  const TempDir dir;
  const fs::path program = placeCrasher(dir.path, "crasher");
  EXPECT_TRUE(endedBy(runCrasher(program, "raise"), SIGSEGV));
  EXPECT_TRUE(endedBy(runCrasher(program, "abort"), SIGABRT));
  const std::vector<std::string> reports = reportsIn(readFile(dir.path / "crasher.rpt"));
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_NE(reports[0].find("  signal: 11 (0xb) SIGSEGV\n"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("  sender_pid: "), std::string::npos) << reports[0];
  EXPECT_NE(reports[1].find("  signal: 6 (0x6) SIGABRT\n"), std::string::npos) << reports[1];
  for (const std::string& report : reports) {
    EXPECT_EQ(report.rfind(divider + "\n", 0), 0U);
    EXPECT_NE(report.find("Thread details:\n"), std::string::npos) << report;
  }
}

TEST(CrashReportTest, AFloatingPointFaultIsReported) {
  const TempDir dir;
  const fs::path program = placeCrasher(dir.path, "crasher");
  EXPECT_TRUE(endedBy(runCrasher(program, "fpe"), SIGFPE));
  EXPECT_NE(readFile(dir.path / "crasher.rpt").find("  signal: 8 (0x8) SIGFPE\n"), std::string::npos);
}

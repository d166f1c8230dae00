// What a run holds down is let go of whatever ends the program: the real program runs a group
// that holds Shift, Ctrl, Alt and the left button on a private Xvfb and is killed.

#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/x11/HeldInputWatch.h"
#include "input/x11/ReleaseGuardian.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/XKeyboardProbe.h"
#include "support/XvfbServer.h"
#include "support/ProgramEnvironment.h"

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may be slow, and a passing test never waits this long.
constexpr auto patience = std::chrono::seconds(60);

bool waitFor(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + patience;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// A project of one group that starts at once and presses the keys and the button again and
// again, never letting go, until it is stopped.
void writeHoldingProject(const std::filesystem::path& folder) {
  GroupCommand group;
  group.setStartDelay(0, 0);
  group.setStartDelayMs(0);
  group.setStopAfterDelay(false);
  group.setDontStop(true);
  BaseCommand hold;
  hold.setText("<SHIFT-DOWN><CTRL-DOWN><ALT-DOWN><MOUSE-LEFT-DOWN 5 5>");
  hold.setRunCount(1);
  hold.setInterval(200, 0);
  hold.setIntervalMs(200);
  std::string text;
  ProjectFile::writeProject(text, {{&group, {&hold}}});
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
}

std::string readAll(const std::filesystem::path& path) {
  const std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The release guardians of the display that run (a dead one that is not reaped has no command
// line, and is not among them).
std::vector<pid_t> guardians(const std::string& displayName) {
  const std::string command = std::string("zentak-release-guardian\0--release-guardian\0", 43) + displayName + '\0';
  std::vector<pid_t> found;
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    const std::string name = process.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (readAll(process.path() / "cmdline") == command) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

bool guardianRuns(const std::string& displayName) { return !guardians(displayName).empty(); }

// One guardian of the display runs, not the one given.
std::optional<pid_t> anotherGuardian(const std::string& displayName, pid_t old) {
  const std::vector<pid_t> now = guardians(displayName);
  if (now.size() != 1 || now.front() == old) return std::nullopt;
  return now.front();
}

// Whether the process is gone altogether: not even a zombie waiting to be reaped.
bool gone(pid_t pid) { return !std::filesystem::exists("/proc/" + std::to_string(pid)); }

// The real program from a folder of its own on the display, with the holding project.
ChildProcess startHoldingProgram(const XvfbServer& display, const TempDir& dir) {
  const auto home = dir.path() / "home";
  std::filesystem::create_directories(home);
  std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, dir.path() / "zentak");
  writeHoldingProject(dir.path());
  ChildProcess::Options options;
  options.argv = {(dir.path() / "zentak").string()};
  options.env = programOnDisplay(display.name(), home);
  ChildProcess program(options);
  // "Run Current Group" by the menu bar's keys, as a user would.
  EXPECT_EQ(display.run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Zentak", "windowfocus", "--sync",
                         "key", "alt+r"}),
            0);
  EXPECT_EQ(display.run({"xdotool", "key", "r"}), 0);
  return program;
}

// Typing on the display, as the user's keyboard, arrives unmodified.
void expectPlainTyping(const XvfbServer& display) {
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  ASSERT_EQ(display.run({"xdotool", "type", "qa"}), 0);
  ASSERT_EQ(display.run({"xdotool", "key", "Escape"}), 0);
  EXPECT_EQ(recorder.readUntilEscape(), "qa");
}

// Serves a channel that carried snapshots of these sets and then ended.
int serveAfter(const std::vector<std::vector<std::uint8_t>>& heldKeycodes) {
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0) return -1;
  for (const auto& keycodes : heldKeycodes) {
    HeldInputSet set;
    for (const std::uint8_t keycode : keycodes) set.pressKey(keycode);
    const HeldInputSet::Snapshot snapshot = set.snapshot(0);
    EXPECT_EQ(::send(ends[1], snapshot.data(), snapshot.size(), 0), static_cast<ssize_t>(snapshot.size()));
  }
  ::close(ends[1]);
  // No display answers this name: serving fails if, and only if, it tries to let go of something.
  return HeldInputWatch("no display").serve(ends[0]);
}

HeldInputSet::Snapshot holding(std::vector<std::uint8_t> keycodes) {
  HeldInputSet set;
  for (const std::uint8_t keycode : keycodes) set.pressKey(keycode);
  return set.snapshot(0);
}

}  // namespace

// Fault: the guardian let go of keys after a clean end (the user's own held keys among them), or
// took a program that never said "all released" for one that did.
TEST(ReleaseGuardianTest, OnlyAChannelEndingWithSomethingHeldIsActedOn) {
  struct Case {
    const char* fault;
    std::vector<std::vector<std::uint8_t>> reports;
    int status;
  };
  const Case cases[] = {
      {"acting when nothing was ever held", {}, 0},
      {"acting after the last report said that nothing is held", {{50, 37}, {}}, 0},
      {"ignoring a program that died holding keys", {{}, {50}}, 1},
      {"taking the first report for the last", {{50}, {}, {64}}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(serveAfter(c.reports), c.status) << c.fault;
  }
}

// Fault: kill -9, or a crash, during a run holding Shift, Ctrl, Alt and a mouse button left them
// down on the XTest device for the rest of the X session: every later key came out modified.
// After SIGTERM the program lets go itself; the guardian must neither hold up its end nor stay.
TEST(ReleaseGuardianTest, WhatARunHoldsIsLetGoWhenTheProgramIsKilledOrCrashes) {
  const std::pair<int, int> signalsAndStatuses[] = {{SIGKILL, 128 + SIGKILL}, {SIGSEGV, 128 + SIGSEGV}, {SIGTERM, 0}};
  for (const auto& [signal, status] : signalsAndStatuses) {
    SCOPED_TRACE(signal);
    const XvfbServer display;
    const XKeyboardProbe keyboard(display.name());
    const TempDir dir;
    ChildProcess program = startHoldingProgram(display, dir);
    ASSERT_TRUE(waitFor([&] { return keyboard.shiftControlAltAndLeftButtonHeld(); }));
    ASSERT_TRUE(guardianRuns(display.name()));

    ASSERT_EQ(::kill(program.pid(), signal), 0);
    EXPECT_EQ(program.wait(Clock::now() + patience), status);
    EXPECT_TRUE(waitFor([&] { return !keyboard.anythingHeld(); }));
    EXPECT_TRUE(waitFor([&] { return !guardianRuns(display.name()); }));
    expectPlainTyping(display);
  }
}

// Fault: a guardian killed during a run was neither reaped nor replaced (noticed only at a later
// report, which a run holding its keys never makes), so that the program killed next left Shift,
// Ctrl, Alt and the left button down for the rest of the X session.
TEST(ReleaseGuardianTest, AKilledGuardianIsReplacedAtOnceWithWhatTheRunHolds) {
  const XvfbServer display;
  const XKeyboardProbe keyboard(display.name());
  const TempDir dir;
  ChildProcess program = startHoldingProgram(display, dir);
  ASSERT_TRUE(waitFor([&] { return keyboard.shiftControlAltAndLeftButtonHeld(); }));
  std::vector<pid_t> first;
  ASSERT_TRUE(waitFor([&] { return (first = guardians(display.name())).size() == 1; }));

  ASSERT_EQ(::kill(first.front(), SIGKILL), 0);
  EXPECT_TRUE(waitFor([&] { return anotherGuardian(display.name(), first.front()).has_value(); }));
  EXPECT_TRUE(waitFor([&] { return gone(first.front()); })) << "the dead guardian is left a zombie";
  EXPECT_TRUE(keyboard.shiftControlAltAndLeftButtonHeld());

  ASSERT_EQ(::kill(program.pid(), SIGKILL), 0);
  EXPECT_EQ(program.wait(Clock::now() + patience), 128 + SIGKILL);
  EXPECT_TRUE(waitFor([&] { return !keyboard.anythingHeld(); }));
  EXPECT_TRUE(waitFor([&] { return !guardianRuns(display.name()); }));
  expectPlainTyping(display);
}

// Fault: guardians killed over and over were replaced for ever, or, once none was, the run
// went on holding Shift, Ctrl, Alt and the left button with nothing to let go of them should the
// program die, and the user was not told.
TEST(ReleaseGuardianTest, ARunWhoseGuardiansKeepDyingLetsGoAndEndsWithAMessage) {
  const XvfbServer display;
  const XKeyboardProbe keyboard(display.name());
  const TempDir dir;
  ChildProcess program = startHoldingProgram(display, dir);
  ASSERT_TRUE(waitFor([&] { return keyboard.shiftControlAltAndLeftButtonHeld(); }));
  std::vector<pid_t> running;
  ASSERT_TRUE(waitFor([&] { return (running = guardians(display.name())).size() == 1; }));
  pid_t killed = running.front();
  for (int kill = 0; kill < ReleaseGuardian::restartsInARow; ++kill) {
    ASSERT_EQ(::kill(killed, SIGKILL), 0);
    std::optional<pid_t> next;
    ASSERT_TRUE(waitFor([&] { return (next = anotherGuardian(display.name(), killed)).has_value(); }));
    killed = *next;
  }
  ASSERT_EQ(::kill(killed, SIGKILL), 0);

  EXPECT_TRUE(waitFor([&] { return !keyboard.anythingHeld(); }));
  EXPECT_TRUE(waitFor([&] { return display.run({"xdotool", "search", "--name", "^RUN ERROR$"}, patience,
                                                     ChildProcess::Output::discard) == 0; }));
  EXPECT_TRUE(waitFor([&] { return gone(killed); })) << "the last guardian is left a zombie";
  EXPECT_TRUE(guardians(display.name()).empty());
  ASSERT_EQ(::kill(program.pid(), SIGKILL), 0);
  EXPECT_EQ(program.wait(Clock::now() + patience), 128 + SIGKILL);
  EXPECT_FALSE(keyboard.anythingHeld());
  expectPlainTyping(display);
}

// The guardian's watch, plain: the real program as the guardian, on a display name nobody
// answers (it then only serves its channel), and killed as a user or the system might.
// Fault, each case: as named.
TEST(ReleaseGuardianTest, ADeadGuardianIsReapedAndReplacedWhileSomethingIsHeld) {
  struct Case {
    const char* fault;
    bool heldAtKill;
    bool programRemoved;
    int kills;
    bool replaced;
    bool lost;
  };
  const Case cases[] = {
      {"a dead guardian left unreplaced while keys are held", true, false, 1, true, false},
      {"a guardian restarted though everything was let go", false, false, 1, false, false},
      {"keys held unguarded without a word when no guardian can start", true, true, 1, false, true},
      {"guardians restarted for ever while something keeps killing them", true, false,
       ReleaseGuardian::restartsInARow + 1, false, true},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const TempDir dir;
    const auto program = dir.path() / "zentak";
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, program);
    const std::string name = "no display " + std::to_string(::getpid()) + "." + std::to_string(++number);
    std::atomic<int> lost{0};
    {
      ReleaseGuardian guardian(program.string(), name);
      guardian.onLost([&lost] { ++lost; });
      guardian.report(holding({50, 37}));
      std::vector<pid_t> running;
      ASSERT_TRUE(waitFor([&] { return (running = guardians(name)).size() == 1; }));
      if (!c.heldAtKill) guardian.report(holding({}));
      if (c.programRemoved) std::filesystem::remove(program);
      pid_t killed = running.front();
      for (int kill = 1; kill <= c.kills; ++kill) {
        ASSERT_EQ(::kill(killed, SIGKILL), 0);
        // Reaped only once the watch has decided whether another takes its place.
        ASSERT_TRUE(waitFor([&] { return gone(killed); })) << "left a zombie";
        if (kill == c.kills) break;
        std::optional<pid_t> next;
        ASSERT_TRUE(waitFor([&] { return (next = anotherGuardian(name, killed)).has_value(); }));
        killed = *next;
      }
      if (c.lost) {
        EXPECT_TRUE(waitFor([&] { return lost.load() == 1; }));
      }
      if (c.replaced) {
        EXPECT_TRUE(waitFor([&] { return anotherGuardian(name, killed).has_value(); }));
      } else {
        EXPECT_TRUE(guardians(name).empty());
      }
    }
    EXPECT_EQ(lost.load(), c.lost ? 1 : 0);
    EXPECT_TRUE(guardians(name).empty()) << "a guardian outlived the object that started it";
  }
}

// Fault: a program that cannot start its guardian at all (its file replaced by an update) went
// on holding keys with nothing to let go of them, and said nothing.
TEST(ReleaseGuardianTest, AGuardianThatCannotStartIsReportedAtThePress) {
  std::atomic<int> lost{0};
  ReleaseGuardian guardian("/nonexistent/zentak", "no display");
  guardian.onLost([&lost] { ++lost; });
  guardian.report(holding({}));
  EXPECT_EQ(lost.load(), 0) << "nothing held needs no guardian";
  guardian.report(holding({50}));
  EXPECT_EQ(lost.load(), 1);
  guardian.report(holding({50, 37}));
  EXPECT_EQ(lost.load(), 1) << "told again while the same keys stay held";
  guardian.report(holding({}));
  guardian.report(holding({64}));
  EXPECT_EQ(lost.load(), 2) << "not tried again at the next run's press";
}

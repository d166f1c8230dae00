// What a run holds down is let go of whatever ends the program: the real program runs a group
// that holds Shift, Ctrl, Alt and the left button on a private Xvfb and is killed.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/x11/HeldInputWatch.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/XKeyboardProbe.h"
#include "support/XvfbServer.h"

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

// Whether a release guardian of the display runs.
bool guardianRuns(const std::string& displayName) {
  const std::string command = std::string("zentak-release-guardian\0--release-guardian\0", 43) + displayName + '\0';
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    if (readAll(process.path() / "cmdline") == command) return true;
  }
  return false;
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
    const auto home = dir.path() / "home";
    std::filesystem::create_directories(home);
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, dir.path() / "zentak");
    writeHoldingProject(dir.path());
    ChildProcess::Options options;
    options.argv = {(dir.path() / "zentak").string()};
    // On the test's own X server whatever session is around, without an accessibility bus.
    options.env = {{"DISPLAY", display.name()},
                   {"WAYLAND_DISPLAY", ""},
                   {"GDK_BACKEND", "x11"},
                   {"NO_AT_BRIDGE", "1"},
                   {"GSETTINGS_BACKEND", "memory"},
                   {"HOME", home.string()},
                   {"XDG_CONFIG_HOME", (home / "config").string()},
                   {"XDG_DATA_HOME", (home / "data").string()}};
    ChildProcess program(options);
    // "Run Current Group" by the menu bar's keys, as a user would.
    ASSERT_EQ(display.run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Zentak", "windowfocus", "--sync",
                           "key", "alt+r"}),
              0);
    ASSERT_EQ(display.run({"xdotool", "key", "r"}), 0);
    ASSERT_TRUE(waitFor([&] { return keyboard.shiftControlAltAndLeftButtonHeld(); }));
    ASSERT_TRUE(guardianRuns(display.name()));

    ASSERT_EQ(::kill(program.pid(), signal), 0);
    EXPECT_EQ(program.wait(Clock::now() + patience), status);
    EXPECT_TRUE(waitFor([&] { return !keyboard.anythingHeld(); }));
    EXPECT_TRUE(waitFor([&] { return !guardianRuns(display.name()); }));
    RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
    ASSERT_EQ(display.run({"xdotool", "type", "qa"}), 0);
    ASSERT_EQ(display.run({"xdotool", "key", "Escape"}), 0);
    EXPECT_EQ(recorder.readUntilEscape(), "qa");
  }
}

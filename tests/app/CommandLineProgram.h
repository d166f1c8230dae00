#pragma once

// The harness of the command-line tests: the real program started on a private Xvfb, in a
// folder of its own with a project written for it, its home, data, settings and runtime folders.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ChannelAddress.h"
#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/InstanceLock.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/ProgramEnvironment.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may be slow, and a passing test never waits this long.
constexpr auto patience = std::chrono::seconds(60);

struct Group {
  std::string name;
  // Typed once; the run then ends after one pass, typing Escape as its final command.
  std::string text;
  // Or typed every second until the run is stopped.
  bool dontStop = false;
};

inline void writeProject(const std::filesystem::path& folder, const std::vector<Group>& groups) {
  std::vector<std::unique_ptr<GroupCommand>> records;
  std::vector<std::unique_ptr<BaseCommand>> commands;
  std::vector<ProjectFile::GroupBlock> blocks;
  for (const Group& g : groups) {
    auto& group = *records.emplace_back(std::make_unique<GroupCommand>());
    group.setName(g.name);
    group.setStartDelay(0, 0);
    group.setStartDelayMs(0);
    group.setStopAfterDelay(false);
    group.setDontStop(g.dontStop);
    group.setStopAfterRepeats(!g.dontStop);
    group.setRepeatCount(1);
    group.setFinalText("<ESCAPE>");
    auto& command = *commands.emplace_back(std::make_unique<BaseCommand>());
    command.setText(g.text);
    command.setRunCount(1);
    command.setInterval(1, 1);
    command.setIntervalMs(1000);
    blocks.push_back({&group, {&command}});
  }
  std::string text;
  ProjectFile::writeProject(text, blocks);
  ProjectFile::writeFileSafely(folder / ProjectFile::fileName, text);
}

// The inode of the file, which a save that replaces the file changes.
inline ino_t inodeOf(const std::filesystem::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

inline bool waitFor(const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + patience;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

struct Outcome {
  int status = -1;
  // What it printed on stdout and stderr, one line each.
  std::vector<std::string> lines;
};

class CommandLineProgramTest : public testing::Test {
 protected:
  CommandLineProgramTest() {
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, program);
  }

  std::vector<std::pair<std::string, std::string>> environment() const {
    // On the test's own X server whatever session is around, without an accessibility bus.
    std::vector<std::pair<std::string, std::string>> variables = programOnDisplay(display.name(), home);
    variables.emplace_back("XDG_RUNTIME_DIR", runtimeFolder);
    if (!sessionBus.empty()) variables.emplace_back("DBUS_SESSION_BUS_ADDRESS", sessionBus);
    return variables;
  }

  ChildProcess start(std::vector<std::string> arguments, ChildProcess::Output out = ChildProcess::Output::inherit) const {
    ChildProcess::Options options;
    // The shell puts stderr where stdout goes, which the harness can capture.
    options.argv = asUser;
    options.argv.insert(options.argv.end(), {"sh", "-c", "exec \"$0\" \"$@\" 2>&1", program.string()});
    options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
    options.env = environment();
    options.out = out;
    return ChildProcess(options);
  }

  // Runs the program to its end.
  Outcome run(std::vector<std::string> arguments) const {
    ChildProcess child = start(std::move(arguments), ChildProcess::Output::capture);
    const auto deadline = Clock::now() + patience;
    Outcome outcome;
    while (const auto line = child.readLine(deadline)) outcome.lines.push_back(*line);
    outcome.status = child.wait(deadline).value_or(-1);
    return outcome;
  }

  [[nodiscard]] bool windowShown() const {
    return display.run({"xdotool", "search", "--onlyvisible", "--name", "^Zentak v"}, std::chrono::seconds(30),
                       ChildProcess::Output::discard) == 0;
  }

  // The first copy, once its window shows the project.
  ChildProcess startCopy() const {
    ChildProcess copy = start({});
    EXPECT_TRUE(waitFor([this] { return windowShown(); }));
    return copy;
  }

  // The first window shown whose name matches the pattern, other than the one passed; empty when
  // none shows within the patience.
  [[nodiscard]] std::string shownWindow(const std::string& pattern, const std::string& other = {}) const {
    std::string found;
    waitFor([&] {
      ChildProcess search = display.spawn({"xdotool", "search", "--onlyvisible", "--name", pattern},
                                          ChildProcess::Output::capture);
      const auto deadline = Clock::now() + patience;
      found.clear();
      while (const auto line = search.readLine(deadline)) {
        if (*line != other && found.empty()) found = *line;
      }
      search.wait(deadline);
      return !found.empty();
    });
    return found;
  }

  // Answers the dialog with Return, as a user does.
  void answer(const std::string& window) const {
    EXPECT_EQ(display.run({"xdotool", "windowfocus", "--sync", window, "key", "Return"}), 0);
  }

  // Every file under the test's folder, for checking that nothing was written.
  [[nodiscard]] std::vector<std::filesystem::path> files() const {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
  }

  // The program's socket abstract names as earlier versions and this one without a runtime folder
  // name it, both free for anyone to bind first.
  [[nodiscard]] std::vector<std::string> abstractNames() const {
    const std::string user = "Zentak/" + std::to_string(::getuid()) + "/";
    return {user + InstanceLock::nameFor(dir.path()), user + ChannelAddress::nameFor(dir.path())};
  }

  // A private session bus with a notification server that prints each notice it shows, for the
  // programs started after; the server, once it owns its name on the bus.
  ChildProcess startNotificationServer() {
    ChildProcess::Options daemon;
    daemon.argv = {"dbus-daemon", "--session", "--nofork", "--print-address=1"};
    daemon.out = ChildProcess::Output::capture;
    daemon.err = ChildProcess::Output::discard;
    bus.emplace(daemon);
    sessionBus = bus->readLine(Clock::now() + patience).value_or("");
    EXPECT_FALSE(sessionBus.empty());
    ChildProcess::Options server;
    server.argv = {"dunst", "-print"};
    server.env = environment();
    server.out = ChildProcess::Output::capture;
    server.err = ChildProcess::Output::discard;
    ChildProcess dunst(server);
    ChildProcess::Options wait;
    wait.argv = {"gdbus", "wait", "--session", "--timeout", "60", "org.freedesktop.Notifications"};
    wait.env = environment();
    EXPECT_EQ(ChildProcess(wait).wait(Clock::now() + patience).value_or(-1), 0);
    return dunst;
  }

  // The window that has the keyboard's focus, as xdotool names it.
  [[nodiscard]] std::string focusedWindow() const {
    ChildProcess query = display.spawn({"xdotool", "getwindowfocus"}, ChildProcess::Output::capture);
    return query.readLine(Clock::now() + patience).value_or("none");
  }

  [[nodiscard]] bool showsWindowOf(pid_t pid) const {
    return display.run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, std::chrono::seconds(30),
                       ChildProcess::Output::discard) == 0;
  }

  // Starts a second copy and checks that it opens no window and leaves the focus where it was
  // until it exits, saying why on stderr and in the nth such notice that server shows; shown
  // gathers what the server printed.
  void startSecondCopyQuietly(ChildProcess& server, std::string& shown, std::size_t nth) const {
    const std::string target = focusedWindow();
    ChildProcess second = start({}, ChildProcess::Output::capture);
    std::optional<int> status;
    bool windowSeen = false;
    bool focusKept = true;
    const auto deadline = Clock::now() + patience;
    while (!status && !windowSeen && Clock::now() < deadline) {
      windowSeen = showsWindowOf(second.pid());
      focusKept = focusKept && focusedWindow() == target;
      status = second.wait(Clock::now() + std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(windowSeen) << nth;
    EXPECT_TRUE(focusKept) << nth;
    std::vector<std::string> said;
    std::string output;
    while (const auto text = second.readLine(Clock::now() + patience)) output += (said.emplace_back(*text) + "\n");
    ASSERT_EQ(status.value_or(-1), 0) << nth << "\n" << output;
    EXPECT_NE(std::find(said.begin(), said.end(), "zentak: Zentak is already running with this project."),
              said.end())
        << nth;
    const std::string body = "body: 'Zentak is already running with this project.'";
    EXPECT_TRUE(waitFor([&] {
      while (const auto text = server.readLine(Clock::now() + std::chrono::milliseconds(10))) shown += *text + "\n";
      std::size_t seen = 0;
      for (std::size_t at = shown.find(body); at != std::string::npos; at = shown.find(body, at + 1)) ++seen;
      return seen >= nth;
    })) << shown;
  }

  const XvfbServer display;
  const TempDir dir;
  const std::filesystem::path home = dir.path() / "home";
  const std::filesystem::path runtime = dir.path() / "runtime";
  const std::filesystem::path program = dir.path() / "zentak";
  // The runtime folder the program is given; empty for none.
  std::string runtimeFolder = runtime.string();
  // Put before the program to run it as another user.
  std::vector<std::string> asUser;
  std::optional<ChildProcess> bus;
  std::string sessionBus;
};

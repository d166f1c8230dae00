// The command line through the real program on a private Xvfb: --list, --run and --stop against a
// copy running on the project and without one, and a wrong option.

#include <gtest/gtest.h>

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

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

#include <sys/stat.h>

#include <fstream>

namespace {

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

void writeProject(const std::filesystem::path& folder, const std::vector<Group>& groups) {
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
ino_t inodeOf(const std::filesystem::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

bool waitFor(const std::function<bool()>& condition) {
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
    std::filesystem::copy_file(ZENTAK_PROGRAM_PATH, program);
  }

  std::vector<std::pair<std::string, std::string>> environment() const {
    // On the test's own X server whatever session is around, without an accessibility bus.
    return {{"DISPLAY", display.name()},
            {"WAYLAND_DISPLAY", ""},
            {"GDK_BACKEND", "x11"},
            {"NO_AT_BRIDGE", "1"},
            {"GSETTINGS_BACKEND", "memory"},
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / "config").string()},
            {"XDG_DATA_HOME", (home / "data").string()}};
  }

  ChildProcess start(std::vector<std::string> arguments, ChildProcess::Output out = ChildProcess::Output::inherit) const {
    ChildProcess::Options options;
    // The shell puts stderr where stdout goes, which the harness can capture.
    options.argv = {"sh", "-c", "exec \"$0\" \"$@\" 2>&1", program.string()};
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

  const XvfbServer display;
  const TempDir dir;
  const std::filesystem::path home = dir.path() / "home";
  const std::filesystem::path program = dir.path() / "zentak";
};

}  // namespace

// Faults: --list without a running copy took the instance lock, made the data folder or saved the
// project; with one it read the file on disk instead of the names the copy holds.
TEST_F(CommandLineProgramTest, ListPrintsTheRunningCopysGroupsOrElseTheFilesReadOnly) {
  writeProject(dir.path(), {{"Alpha", "a"}, {"Beta gamma", "b"}});
  const auto before = files();
  const Outcome fromFile = run({"--list"});
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromFile.lines, (std::vector<std::string>{"Alpha", "Beta gamma"}));
  EXPECT_EQ(files(), before);

  ChildProcess copy = startCopy();
  writeProject(dir.path(), {{"Changed on disk", "c"}});
  const Outcome fromCopy = run({"--list"});
  EXPECT_EQ(fromCopy.status, 0);
  EXPECT_EQ(fromCopy.lines, (std::vector<std::string>{"Alpha", "Beta gamma"}));
}

// Faults: --run did not reach the running copy, or ran a group while another ran; without a
// copy it did not start one that loads the project and runs the group; a group the project lacks
// opened the window anyway, or ended with success.
TEST_F(CommandLineProgramTest, RunStartsTheGroupInTheRunningCopyOrStartsOne) {
  writeProject(dir.path(), {{"Greet", "hi"}, {"Forever", "", true}});
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));

  const Outcome missing = run({"--run", "Nope"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.lines, (std::vector<std::string>{"zentak: The project has no group named \"Nope\"."}));
  EXPECT_FALSE(std::filesystem::exists(home / ".config"));

  // No copy runs: this one starts, loads the project and runs the group; its window then shows.
  ChildProcess copy = start({"--run", "Greet"});
  EXPECT_EQ(recorder.readUntilEscape(), "hi");
  ASSERT_TRUE(waitFor([this] { return windowShown(); }));

  ASSERT_EQ(run({"--run", "Greet"}).status, 0);
  EXPECT_EQ(recorder.readUntilEscape(), "hi");
  ASSERT_TRUE(waitFor([this] { return windowShown(); }));

  ASSERT_EQ(run({"--run", "Forever"}).status, 0);
  const Outcome busy = run({"--run", "Greet"});
  EXPECT_EQ(busy.status, 1);
  EXPECT_EQ(busy.lines, (std::vector<std::string>{"zentak: A group is running already; end it first (zentak --stop)."}));
  EXPECT_EQ(run({"--stop"}).status, 0);
  EXPECT_EQ(recorder.readUntilEscape(), "");
}

// Faults: --stop did not end the run as "End Sequence Now" does (final commands typed, window
// shown), typed the final commands while the shortcut's Ctrl was still held, or claimed success
// with no run or no copy to stop.
TEST_F(CommandLineProgramTest, StopEndsTheRunningCopysRun) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  const Outcome noCopy = run({"--stop"});
  EXPECT_EQ(noCopy.status, 1);
  EXPECT_EQ(noCopy.lines, (std::vector<std::string>{"zentak: Zentak is not running with this project."}));

  ChildProcess copy = startCopy();
  const Outcome idle = run({"--stop"});
  EXPECT_EQ(idle.status, 1);
  EXPECT_EQ(idle.lines, (std::vector<std::string>{"zentak: No group is running."}));

  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  ASSERT_EQ(run({"--run", "Forever"}).status, 0);
  EXPECT_EQ(recorder.readUntil("x"), "x");
  // As a desktop's shortcut runs it: its Ctrl still held, which the final Escape must not get.
  ASSERT_EQ(display.run({"xdotool", "keydown", "ctrl"}), 0);
  EXPECT_EQ(run({"--stop"}).status, 0);
  ASSERT_EQ(display.run({"xdotool", "keyup", "ctrl"}), 0);
  const std::string typed = recorder.readUntilEscape();
  EXPECT_EQ(typed.find_first_not_of('x'), std::string::npos) << typed;
  EXPECT_TRUE(waitFor([this] { return windowShown(); }));
}

// Fault: a mistyped option opened the window (or wrote the project) instead of telling the usage.
TEST_F(CommandLineProgramTest, AnUnknownOptionTellsTheUsageAndOpensNoWindow) {
  const Outcome wrong = run({"--frobnicate"});
  EXPECT_EQ(wrong.status, 2);
  ASSERT_FALSE(wrong.lines.empty());
  EXPECT_EQ(wrong.lines.front(), "zentak: Unknown long option 'frobnicate'");
  EXPECT_NE(std::find(wrong.lines.begin(), wrong.lines.end(), "  --stop         \tend the running copy's run, as \"End Sequence Now\" does"),
            wrong.lines.end());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / ProjectFile::fileName));
  EXPECT_FALSE(windowShown());
}

// Faults: a link put in the project file's place while Zentak ran was followed by the next save
// (the one at a run's start), overwriting the file it points to with the project; the user was
// not told, nor the project kept; --run said the run was on while it waited behind the message;
// a link made before the start was no longer saved through.
TEST_F(CommandLineProgramTest, ALinkSwappedInWhileRunningIsNotWrittenThroughAndTheRunSaysItWaits) {
  // The project lives in a synced folder, linked into the program's folder before the start.
  const std::filesystem::path synced = dir.path() / "synced";
  std::filesystem::create_directories(synced);
  writeProject(synced, {{"G1", "hi"}});
  // Unix line ends: a save writes CR LF, so a file with CR LF in it was saved.
  std::string unix = ProjectFile::readFile(synced / ProjectFile::fileName);
  for (std::size_t at; (at = unix.find("\r\n")) != std::string::npos;) unix.erase(at, 1);
  std::ofstream(synced / ProjectFile::fileName, std::ios::binary | std::ios::trunc) << unix;
  const std::filesystem::path project = dir.path() / ProjectFile::fileName;
  std::filesystem::create_symlink(synced / ProjectFile::fileName, project);
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  ChildProcess copy = startCopy();

  ASSERT_EQ(run({"--run", "G1"}).status, 0);
  EXPECT_EQ(recorder.readUntilEscape(), "hi");
  ASSERT_TRUE(waitFor([this] { return windowShown(); }));
  const std::string text = ProjectFile::readFile(synced / ProjectFile::fileName);
  EXPECT_NE(text.find("\r\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(project)));
  const ino_t saved = inodeOf(synced / ProjectFile::fileName);

  // Someone who may write to the folder swaps the link for one to a file of theirs.
  const std::filesystem::path precious = dir.path() / "precious";
  std::ofstream(precious) << "precious bytes";
  std::filesystem::create_symlink(precious, dir.path() / "x");
  std::filesystem::rename(dir.path() / "x", project);
  const Outcome waits = run({"--run", "G1"});
  EXPECT_EQ(waits.status, 1);
  EXPECT_EQ(waits.lines, (std::vector<std::string>{"zentak: Zentak waits for an answer in one of its dialogs."}));
  const std::string message = shownWindow("^SAVE ERROR$");
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(ProjectFile::readFile(precious), "precious bytes");
  EXPECT_EQ(std::filesystem::read_symlink(project), precious);
  EXPECT_EQ(inodeOf(synced / ProjectFile::fileName), saved);
  std::vector<std::filesystem::path> recovered;
  for (const auto& entry : std::filesystem::directory_iterator(home / "data" / "Zentak")) {
    if (entry.path().filename().string().starts_with("Zentak-recovered-")) recovered.push_back(entry.path());
  }
  ASSERT_EQ(recovered.size(), 1U);
  EXPECT_EQ(ProjectFile::readFile(recovered[0]), text);

  // Once the message is answered, the run goes on.
  answer(message);
  EXPECT_EQ(recorder.readUntilEscape(), "hi");
  EXPECT_EQ(ProjectFile::readFile(precious), "precious bytes");
}

// Fault: a stopKey or an inputBackend in Zentak.conf that Zentak cannot read was taken as the
// default without a word, while a bad pasteKey is told.
TEST_F(CommandLineProgramTest, SettingsZentakCannotReadAreTold) {
  writeProject(dir.path(), {{"G1", "hi"}});
  std::filesystem::create_directories(home / "config" / "Velmora");
  std::ofstream(home / "config" / "Velmora" / "Zentak.conf") << "stopKey=Ctrl+Nowhere\ninputBackend=telepathy\n";
  ChildProcess copy = start({});
  // One message for each, one after the other, before the window opens.
  const std::string first = shownWindow("^Zentak$");
  ASSERT_FALSE(first.empty());
  EXPECT_FALSE(windowShown());
  answer(first);
  const std::string second = shownWindow("^Zentak$", first);
  ASSERT_FALSE(second.empty());
  answer(second);
  EXPECT_TRUE(waitFor([this] { return windowShown(); }));
}

// The command line through the real program on a private Xvfb: --list, --run and --stop against a
// copy running on the project and without one, a wrong option, a long text stopped, a second
// start during a run, a link swapped in for the project file, settings Zentak cannot read.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"

#include "CommandLineProgram.h"

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

// Faults: a long text was typed whole on the window's thread, so that --stop got no answer (exit
// 1) and typing went on for half a minute, and SIGTERM was not seen until the text was done.
// Each way must end the text long before its million characters are typed.
TEST_F(CommandLineProgramTest, ALongTextStopsAtOnceByTheCommandLineAndBySigterm) {
  constexpr std::size_t length = 1'000'000;
  writeProject(dir.path(), {{"Long", std::string(length, 'x'), true}});
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  for (const bool bySignal : {false, true}) {
    ChildProcess copy = startCopy();
    ASSERT_EQ(run({"--run", "Long"}).status, 0);
    ASSERT_EQ(recorder.readUntil("x"), "x");
    if (bySignal) {
      ASSERT_EQ(::kill(copy.pid(), SIGTERM), 0);
      EXPECT_EQ(copy.wait(Clock::now() + patience), 0);
    } else {
      EXPECT_EQ(run({"--stop"}).status, 0);
    }
    const std::string typed = recorder.readUntilEscape();
    EXPECT_EQ(typed.find_first_not_of('x'), std::string::npos) << typed.substr(0, 80);
    EXPECT_LT(typed.size(), length / 2) << (bySignal ? "SIGTERM" : "--stop");
  }
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

// Faults: a second start during a run opened a window (a modal box that took the focus from the
// window the run types into, and the run's next Enter closed it: text lost and misplaced), or
// kept running; it did not say "Zentak is already running with this project." on stderr, or it
// exited before its notice reached the notification server; a first copy that gives no answer
// at all (here: frozen) made the second open the box all the same.
TEST_F(CommandLineProgramTest, ASecondStartDuringARunOpensNoWindowAndTheRunLosesNothing) {
  ChildProcess server = startNotificationServer();
  const std::string line = "abcdefghij{Return}";
  writeProject(dir.path(), {{"Lines", "abcdefghij<ENTER>", true}});
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  ChildProcess copy = start({"--run", "Lines"});
  std::string typed = recorder.readUntil(line);
  ASSERT_EQ(typed, line);

  std::string shown;
  startSecondCopyQuietly(server, shown, 1);
  // The run went on typing into its window, every text whole.
  typed += recorder.readUntil(line);
  ASSERT_EQ(run({"--stop"}).status, 0);
  typed += recorder.readUntilEscape();
  std::string whole;
  while (whole.size() < typed.size()) whole += line;
  EXPECT_EQ(typed, whole);

  ASSERT_TRUE(waitFor([this] { return windowShown(); }));
  ASSERT_EQ(kill(copy.pid(), SIGSTOP), 0);
  startSecondCopyQuietly(server, shown, 2);
  ASSERT_EQ(kill(copy.pid(), SIGCONT), 0);
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

// The command line through the real program on a private Xvfb: --list, --run and --stop against a
// copy running on the project and without one, and a wrong option; callers that say nothing or
// come all at once, a socket someone else bound first, a folder made read-only during a run.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ChannelAddress.h"
#include "app/ChannelProtocol.h"
#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "project/InstanceLock.h"
#include "project/ProjectFile.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/UniqueFd.h"
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

// A local socket address as /proc/net/unix shows it: a path, or '@' and an abstract name.
socklen_t addressOf(const std::string& shown, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  shown.copy(address.sun_path, sizeof address.sun_path - 1);
  if (shown.starts_with('@')) address.sun_path[0] = '\0';
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + shown.size() + (shown.starts_with('@') ? 0 : 1));
}

// A connection to the address, or an invalid descriptor.
UniqueFd connectTo(const std::string& shown) {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  const socklen_t length = addressOf(shown, address);
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) socket.reset();
  return socket;
}

// A socket listening under an abstract name that never answers, as another program could bind.
UniqueFd listenUnder(const std::string& abstractName) {
  UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  const socklen_t length = addressOf("@" + abstractName, address);
  if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      ::listen(socket.get(), 4) != 0) {
    socket.reset();
  }
  return socket;
}

// The address a process listens at for local connections, wherever the program put it: the
// socket inodes among its descriptors matched against the system's list of local sockets.
std::vector<std::string> listeningAddresses(pid_t pid) {
  std::vector<std::string> inodes;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.starts_with("socket:[")) inodes.push_back(target.substr(8, target.size() - 9));
  }
  std::vector<std::string> found;
  std::ifstream table("/proc/net/unix");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    // Num RefCount Protocol Flags Type St Inode Path; a listening socket has the flag 00010000.
    std::istringstream fields(line);
    std::string num, refs, protocol, flags, type, state, inode, path;
    fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> path;
    if (flags == "00010000" && !path.empty() && std::find(inodes.begin(), inodes.end(), inode) != inodes.end()) {
      found.push_back(path);
    }
  }
  return found;
}

// Whether the other end closed the connection before the deadline.
bool closedByPeer(const UniqueFd& socket, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{socket.get(), POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
    char byte = 0;
    return ::recv(socket.get(), &byte, 1, MSG_DONTWAIT) == 0;
  }
}

// Everything the other end sends until it closes the connection or the deadline passes, or only
// up to the end of its first line.
std::string readAll(const UniqueFd& socket, Clock::time_point deadline, bool firstLine = false) {
  std::string received;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return received;
    pollfd entry{socket.get(), POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) return received;
    received.append(buffer, static_cast<std::size_t>(n));
    if (firstLine && received.find('\n') != std::string::npos) return received;
  }
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
    return {{"DISPLAY", display.name()},
            {"WAYLAND_DISPLAY", ""},
            {"GDK_BACKEND", "x11"},
            {"NO_AT_BRIDGE", "1"},
            {"GSETTINGS_BACKEND", "memory"},
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / "config").string()},
            {"XDG_DATA_HOME", (home / "data").string()},
            {"XDG_RUNTIME_DIR", runtimeFolder}};
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

  const XvfbServer display;
  const TempDir dir;
  const std::filesystem::path home = dir.path() / "home";
  const std::filesystem::path runtime = dir.path() / "runtime";
  const std::filesystem::path program = dir.path() / "zentak";
  // The runtime folder the program is given; empty for none.
  std::string runtimeFolder = runtime.string();
  // Put before the program to run it as another user.
  std::vector<std::string> asUser;
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

// Faults: callers that connect and say nothing kept every later one out for good: the copy held at
// most eight connections, never let an idle one go, and queued only four behind them.
TEST_F(CommandLineProgramTest, CallersThatSayNothingDoNotBlockTheChannel) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  ChildProcess copy = startCopy();
  const std::vector<std::string> addresses = listeningAddresses(copy.pid());
  ASSERT_EQ(addresses.size(), 1u);
  std::vector<UniqueFd> idle;
  for (int i = 0; i < 8; ++i) {
    idle.push_back(connectTo(addresses.front()));
    ASSERT_TRUE(idle.back().valid());
  }
  const Outcome stop = run({"--stop"});
  EXPECT_EQ(stop.lines, (std::vector<std::string>{"zentak: No group is running."}));
  EXPECT_EQ(stop.status, 1);
  const auto deadline = Clock::now() + patience;
  for (const UniqueFd& caller : idle) EXPECT_TRUE(closedByPeer(caller, deadline));
}

// Faults: of many callers at once most were told "no answer": the copy took one caller per turn
// of its loop, turned away all beyond eight and queued only four. The callers are this test's own
// sockets, so that they come truly at once and not as fast as programs start.
TEST_F(CommandLineProgramTest, TwoHundredCallersAtOnceAllGetAnAnswer) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  ChildProcess copy = startCopy();
  const std::vector<std::string> addresses = listeningAddresses(copy.pid());
  ASSERT_EQ(addresses.size(), 1u);
  const std::string request = ChannelProtocol::formatRequest({ChannelProtocol::Verb::stop, {}});
  std::vector<UniqueFd> callers;
  for (int i = 0; i < 200; ++i) {
    callers.push_back(connectTo(addresses.front()));
    if (callers.back().valid()) {
      EXPECT_EQ(::send(callers.back().get(), request.data(), request.size(), MSG_NOSIGNAL),
                static_cast<ssize_t>(request.size()));
    }
  }
  const auto deadline = Clock::now() + patience;
  int answered = 0;
  for (const UniqueFd& caller : callers) {
    if (!caller.valid()) continue;
    const auto answer = ChannelProtocol::parseAnswer(ChannelProtocol::Verb::stop, readAll(caller, deadline));
    if (answer && answer->status == ChannelProtocol::Status::notRunning) ++answered;
  }
  EXPECT_EQ(answered, 200);
  // And through the program, a caller told "not running" as before.
  EXPECT_EQ(run({"--stop"}).lines, (std::vector<std::string>{"zentak: No group is running."}));
}

// Fault: a caller whose call was closed unanswered, as by a copy too busy to take it, gave up at
// once instead of calling once more. A stand-in copy listens at the channel here (and under the
// name earlier versions called).
TEST_F(CommandLineProgramTest, ACallerClosedUnansweredCallsOnceMore) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  const ChannelAddress address(dir.path(), runtime);
  ASSERT_TRUE(address.onDisk());
  std::vector<UniqueFd> listeners;
  listeners.push_back(listenUnder(abstractNames().front()));
  listeners.emplace_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un raw{};
  const socklen_t length = address.fill(raw);
  ASSERT_EQ(::bind(listeners.back().get(), reinterpret_cast<const sockaddr*>(&raw), length), 0);
  ASSERT_EQ(::listen(listeners.back().get(), 4), 0);
  // Takes the next caller at either; none once the listeners are shut down or none came.
  const auto takeCall = [&listeners] {
    std::vector<pollfd> entries;
    for (const UniqueFd& listener : listeners) entries.push_back({listener.get(), POLLIN, 0});
    const int waitMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(patience).count());
    if (::poll(entries.data(), entries.size(), waitMs) <= 0) return UniqueFd();
    for (const pollfd& entry : entries) {
      if ((entry.revents & POLLIN) != 0) {
        return UniqueFd(::accept4(entry.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
      }
    }
    return UniqueFd();
  };
  std::thread standIn([&takeCall] {
    takeCall().reset();
    const UniqueFd second = takeCall();
    const std::string answer =
        ChannelProtocol::formatAnswer(ChannelProtocol::Verb::stop, {ChannelProtocol::Status::ok, {}});
    const std::string request = readAll(second, Clock::now() + patience, true);
    if (!request.empty()) ::send(second.get(), answer.data(), answer.size(), MSG_NOSIGNAL);
  });
  const Outcome stop = run({"--stop"});
  // The stand-in is let go should the caller not have called again.
  for (const UniqueFd& listener : listeners) ::shutdown(listener.get(), SHUT_RDWR);
  standIn.join();
  EXPECT_EQ(stop.lines, std::vector<std::string>{});
  EXPECT_EQ(stop.status, 0);
}

// Fault: a socket someone bound under the channel's predictable abstract name before the start took
// the channel: the copy ran without one, and callers were told "no answer".
TEST_F(CommandLineProgramTest, ASocketBoundFirstUnderTheAbstractNameDoesNotTakeTheChannel) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  std::vector<UniqueFd> squatters;
  for (const std::string& name : abstractNames()) {
    squatters.push_back(listenUnder(name));
    ASSERT_TRUE(squatters.back().valid()) << name;
  }
  ChildProcess copy = startCopy();
  const Outcome stop = run({"--stop"});
  EXPECT_EQ(stop.lines, (std::vector<std::string>{"zentak: No group is running."}));
  EXPECT_EQ(stop.status, 1);
  const std::vector<std::string> addresses = listeningAddresses(copy.pid());
  ASSERT_EQ(addresses.size(), 1u);
  EXPECT_EQ(std::filesystem::path(addresses.front()).parent_path(), runtime);
  struct stat folder {};
  ASSERT_EQ(::stat(runtime.c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// Fault: a copy whose channel could not be opened (no runtime folder, and its abstract name taken)
// ran without it and said nothing, so that the command line seemed to miss it for no reason.
TEST_F(CommandLineProgramTest, ACopyWithoutItsChannelSaysSo) {
  runtimeFolder.clear();
  std::vector<UniqueFd> squatters;
  for (const std::string& name : abstractNames()) {
    squatters.push_back(listenUnder(name));
    ASSERT_TRUE(squatters.back().valid()) << name;
  }
  ChildProcess copy = start({}, ChildProcess::Output::capture);
  const std::string expected = "zentak: zentak --run, --stop and --list cannot reach this Zentak: cannot listen at @" +
                               abstractNames().back() + ": Address already in use.";
  const auto deadline = Clock::now() + patience;
  std::vector<std::string> lines;
  while (const auto line = copy.readLine(deadline)) {
    lines.push_back(*line);
    if (*line == expected) break;
  }
  EXPECT_EQ(lines.empty() ? std::string() : lines.back(), expected);
}

// Faults: a program folder made read-only during a run cut the command line off: each call chose
// the project folder again by whether it may be written now, and so looked for the copy under
// another name: --stop said "Zentak is not running with this project." while the run typed, and
// --run started a second copy on the data folder.
TEST_F(CommandLineProgramTest, StopEndsTheRunAfterTheProgramsFolderBecameReadOnly) {
  writeProject(dir.path(), {{"Forever", "x", true}});
  // The superuser may write into any folder: the program runs as an ordinary user instead.
  if (::geteuid() == 0) {
    constexpr ::uid_t nobody = 65534;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      ASSERT_EQ(::lchown(entry.path().c_str(), nobody, nobody), 0) << entry.path();
    }
    ASSERT_EQ(::chown(dir.path().c_str(), nobody, nobody), 0);
    asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  ChildProcess copy = startCopy();
  RecorderClient recorder(display.spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  ASSERT_EQ(run({"--run", "Forever"}).status, 0);
  EXPECT_EQ(recorder.readUntil("x"), "x");

  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                               std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  const Outcome again = run({"--run", "Forever"});
  const Outcome stop = run({"--stop"});
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);

  EXPECT_EQ(again.lines,
            (std::vector<std::string>{"zentak: A group is running already; end it first (zentak --stop)."}));
  EXPECT_EQ(stop.lines, std::vector<std::string>{});
  EXPECT_EQ(stop.status, 0);
  const std::string typed = recorder.readUntilEscape();
  EXPECT_EQ(typed.find_first_not_of('x'), std::string::npos) << typed;
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

// The channel between copies through the real program on a private Xvfb: callers that say nothing
// or come all at once, a caller turned away, a socket someone else bound first, a copy without its
// channel, a program folder made read-only during a run.

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
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ChannelAddress.h"
#include "app/ChannelProtocol.h"
#include "support/ChildProcess.h"
#include "support/RecorderClient.h"
#include "support/UniqueFd.h"

#include "CommandLineProgram.h"

namespace {

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

}  // namespace

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

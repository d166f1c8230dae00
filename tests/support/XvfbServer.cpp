#include "support/XvfbServer.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "support/UniqueFd.h"

namespace {

using Clock = std::chrono::steady_clock;

// A slow or heavily loaded machine may take long to compile the first keymap.
constexpr auto startTimeout = std::chrono::seconds(60);

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// Reads the display number Xvfb writes to the -displayfd pipe once it is ready.
std::string readDisplayNumber(int fd, Clock::time_point deadline) {
  std::string text;
  while (text.find('\n') == std::string::npos) {
    std::array<char, 32> buffer{};
    const auto now = Clock::now();
    if (now >= deadline) throw std::runtime_error("Xvfb reported no display number in time");
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "cannot poll Xvfb");
    if (ready <= 0) continue;
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("Xvfb ended before reporting a display number");
    text.append(buffer.data(), static_cast<std::size_t>(n));
  }
  text.erase(text.find('\n'));
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    throw std::runtime_error("Xvfb reported an unexpected display number: " + text);
  }
  return ":" + text;
}

void waitForConnections(const std::string& name, Clock::time_point deadline) {
  for (;;) {
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(name.c_str()));
    if (display) return;
    if (Clock::now() >= deadline) throw std::runtime_error("Xvfb on " + name + " accepts no connections");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

XvfbServer::XvfbServer() {
  auto [readEnd, writeEnd] = UniqueFd::pipe();

  ChildProcess::Options options;
  options.argv = {"Xvfb",     "-displayfd", std::to_string(writeEnd.get()),
                  "-noreset", "-nolisten",  "tcp",
                  "-screen",  "0",          std::to_string(width) + "x" + std::to_string(height) + "x24"};
  options.out = ChildProcess::Output::discard;
  options.keepFds = {writeEnd.get()};
  server.emplace(options);
  // Only Xvfb may hold the write end now, so a server that dies unreported ends the read.
  writeEnd.reset();

  const auto deadline = Clock::now() + startTimeout;
  displayName = readDisplayNumber(readEnd.get(), deadline);
  waitForConnections(displayName, deadline);
}

ChildProcess XvfbServer::spawn(std::vector<std::string> argv, ChildProcess::Output out) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.env = {{"DISPLAY", displayName}};
  options.out = out;
  return ChildProcess(options);
}

int XvfbServer::run(std::vector<std::string> argv, std::chrono::seconds timeout, ChildProcess::Output out) const {
  const std::string program = argv.empty() ? std::string() : argv.front();
  ChildProcess child = spawn(std::move(argv), out);
  if (const auto status = child.wait(Clock::now() + timeout)) return *status;
  throw std::runtime_error(program + " on " + displayName + " did not finish in time");
}

#include "support/KwinServer.h"

#include <sys/stat.h>
#include <wayland-client.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A slow or heavily loaded machine may take long to start the compositor.
constexpr auto startTimeout = std::chrono::seconds(60);
constexpr const char* socketName = "kwin-zentak";

// A session bus in dir that lets its one user do anything.
std::string busConfig(const std::string& dir) {
  return "<busconfig><type>session</type><listen>unix:dir=" + dir +
         "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
}

constexpr const char* windowRules = R"([General]
count=1
rules=1

[1]
Description=wev fullscreen
wmclass=wev
wmclassmatch=1
fullscreen=true
fullscreenrule=2
)";

struct DisplayCloser {
  void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

bool accepts(const std::string& socket) {
  const std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(socket.c_str()));
  return display && wl_display_roundtrip(display.get()) >= 0;
}

}  // namespace

KwinServer::KwinServer(const Options& options) {
  const std::filesystem::path root = dir.path();
  chmod(root.c_str(), S_IRWXU);
  const std::filesystem::path program = root / "kwin_wayland";
  std::filesystem::copy_file("/usr/bin/kwin_wayland", program);
  std::filesystem::create_directories(root / "config");
  std::ofstream(root / "config" / "kwinrulesrc") << windowRules;
  std::ofstream(root / "bus.conf") << busConfig(root.string());

  ChildProcess::Options busOptions;
  busOptions.argv = {"dbus-daemon", "--config-file=" + (root / "bus.conf").string(), "--nofork", "--print-address=1"};
  busOptions.out = ChildProcess::Output::capture;
  busOptions.err = ChildProcess::Output::discard;
  bus.emplace(busOptions);
  const auto deadline = Clock::now() + startTimeout;
  const auto address = bus->readLine(deadline);
  if (!address || address->empty()) throw std::runtime_error("the session bus did not start");
  busAddress = *address;

  ChildProcess::Options kwin;
  kwin.argv = {program.string(), "--virtual", "--socket", socketName, "--width", std::to_string(width),
               "--height", std::to_string(height)};
  kwin.env = {{"XDG_RUNTIME_DIR", root.string()},
              {"HOME", root.string()},
              {"XDG_CONFIG_HOME", (root / "config").string()},
              {"XDG_CACHE_HOME", (root / "cache").string()},
              {"XDG_DATA_HOME", (root / "data").string()},
              {"DBUS_SESSION_BUS_ADDRESS", busAddress},
              {"XKB_DEFAULT_LAYOUT", options.layout.empty() ? "us" : options.layout},
              {"WAYLAND_DISPLAY", ""},
              {"DISPLAY", ""}};
  if (options.grantingDataDir.empty()) {
    kwin.env.emplace_back("KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1");
  } else {
    kwin.env.emplace_back("XDG_DATA_DIRS", options.grantingDataDir + ":/usr/local/share:/usr/share");
  }
  kwin.out = ChildProcess::Output::discard;
  kwin.err = ChildProcess::Output::discard;
  server.emplace(kwin);

  while (!accepts(socketPath())) {
    if (server->wait(Clock::now())) throw std::runtime_error("KWin ended before it accepted connections");
    if (Clock::now() >= deadline) throw std::runtime_error("KWin accepts no connections");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (options.portal) startPortal();
}

void KwinServer::waitForName(const std::string& name) const {
  ChildProcess::Options wait;
  wait.argv = {"gdbus", "wait", "--address", busAddress, "--timeout",
               std::to_string(std::chrono::seconds(startTimeout).count()), name};
  if (ChildProcess(wait).wait(Clock::now() + startTimeout + std::chrono::seconds(5)) != 0) {
    throw std::runtime_error(name + " is not on the bus");
  }
}

// Plasma's backend first: the portal looks for it once, when it starts. The backend is a Qt
// program on KWin, whose fake input it types with.
void KwinServer::startPortal() {
  for (const char* program : {"/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde", "/usr/libexec/xdg-desktop-portal"}) {
    ChildProcess::Options options;
    options.argv = {program};
    options.env = {{"XDG_RUNTIME_DIR", dir.path().string()},
                   {"HOME", dir.path().string()},
                   {"XDG_CONFIG_HOME", (dir.path() / "config").string()},
                   {"DBUS_SESSION_BUS_ADDRESS", busAddress},
                   {"WAYLAND_DISPLAY", socketName},
                   {"QT_QPA_PLATFORM", "wayland"},
                   {"XDG_CURRENT_DESKTOP", "KDE"},
                   {"DISPLAY", ""}};
    options.out = ChildProcess::Output::discard;
    options.err = ChildProcess::Output::discard;
    portal.emplace_back(options);
    waitForName(portal.size() == 1 ? "org.freedesktop.impl.portal.desktop.kde" : "org.freedesktop.portal.Desktop");
  }
}

std::string KwinServer::socketPath() const { return (dir.path() / socketName).string(); }

ChildProcess KwinServer::spawn(std::vector<std::string> argv, ChildProcess::Output out) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.env = {{"XDG_RUNTIME_DIR", dir.path().string()},
                 {"WAYLAND_DISPLAY", socketName},
                 {"DBUS_SESSION_BUS_ADDRESS", busAddress}};
  options.out = out;
  return ChildProcess(options);
}

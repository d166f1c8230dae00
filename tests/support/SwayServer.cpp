#include "support/SwayServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A slow or heavily loaded machine may take long to start the compositor.
constexpr auto startTimeout = std::chrono::seconds(60);

constexpr const char* config = R"(xwayland disable
default_border none
default_floating_border none
focus_follows_mouse no
output HEADLESS-1 mode --custom 1024x768 position 0 0
for_window [app_id="wev"] fullscreen enable
for_window [app_id="zentak-recorder"] fullscreen enable
)";

struct DisplayCloser {
  void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

// The socket the compositor made in its runtime directory, once a client can use it.
std::optional<std::string> readySocket(const std::filesystem::path& dir) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("wayland-") || name.ends_with(".lock")) continue;
    const std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(entry.path().c_str()));
    if (display && wl_display_roundtrip(display.get()) >= 0) return name;
  }
  return std::nullopt;
}

}  // namespace

SwayServer::SwayServer() {
  const std::filesystem::path configPath = dir.path() / "config";
  std::ofstream(configPath) << config;

  ChildProcess::Options options;
  options.argv = {"sway", "-c", configPath.string()};
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) throw std::runtime_error("there is no user nobody to run sway as");
    if (chown(dir.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
      throw std::system_error(errno, std::generic_category(), "cannot hand the runtime directory to nobody");
    }
    options.argv.insert(options.argv.begin(), {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                                                "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"});
  }
  chmod(dir.path().c_str(), S_IRWXU);
  options.env = {{"XDG_RUNTIME_DIR", dir.path().string()}, {"HOME", dir.path().string()},
                 {"WLR_BACKENDS", "headless"},              {"WLR_LIBINPUT_NO_DEVICES", "1"},
                 {"WLR_RENDERER", "pixman"},                {"WAYLAND_DISPLAY", ""},
                 {"DISPLAY", ""}};
  options.out = ChildProcess::Output::discard;
  options.err = ChildProcess::Output::discard;
  server.emplace(options);

  const auto deadline = Clock::now() + startTimeout;
  for (;;) {
    if (auto name = readySocket(dir.path())) {
      socketName = *name;
      return;
    }
    if (server->wait(Clock::now())) throw std::runtime_error("sway ended before it accepted connections");
    if (Clock::now() >= deadline) throw std::runtime_error("sway accepts no connections");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ChildProcess SwayServer::spawn(std::vector<std::string> argv, ChildProcess::Output out) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.env = {{"XDG_RUNTIME_DIR", runtimeDir()}, {"WAYLAND_DISPLAY", socketName}};
  options.out = out;
  return ChildProcess(options);
}

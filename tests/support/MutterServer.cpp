#include "support/MutterServer.h"

#include <gio/gio.h>
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

// A slow or heavily loaded machine may take long to start the compositor and the portal.
constexpr auto startTimeout = std::chrono::seconds(60);
constexpr const char* socketName = "wayland-zentak";

// A session bus that starts no services: every program on it is one this helper started.
constexpr const char* busConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=@BUS@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

struct DisplayCloser {
  void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

bool acceptsClients(const std::string& path) {
  const std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(path.c_str()));
  return display && wl_display_roundtrip(display.get()) >= 0;
}

bool nameOwned(const std::string& address, const char* name) {
  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, nullptr);
  if (connection == nullptr) return false;
  GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply != nullptr) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  g_object_unref(connection);
  return owned != FALSE;
}

}  // namespace

MutterServer::MutterServer(PipeWire withPipeWire, const std::string& layout) {
  chmod(dir.path().c_str(), S_IRWXU);
  const std::string busPath = (dir.path() / "bus").string();
  bus = "unix:path=" + busPath;
  std::string config = busConfig;
  config.replace(config.find("@BUS@"), 5, busPath);
  const auto configPath = dir.path() / "bus.conf";
  std::ofstream(configPath) << config;

  ChildProcess::Options busOptions;
  busOptions.argv = {"dbus-daemon", "--nofork", "--nopidfile", "--config-file=" + configPath.string(),
                     "--print-address=1"};
  busOptions.out = ChildProcess::Output::capture;
  busOptions.err = ChildProcess::Output::discard;
  daemon.emplace(busOptions);
  if (!daemon->readLine(Clock::now() + startTimeout)) throw std::runtime_error("the private D-Bus did not start");
  if (!layout.empty()) locale.emplace(bus, layout);

  if (withPipeWire == PipeWire::on) startPipeWire();

  ChildProcess::Options options = optionsFor({"mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                                              std::to_string(width) + "x" + std::to_string(height),
                                              std::string("--wayland-display=") + socketName});
  // Mutter would take a compositor named in WAYLAND_DISPLAY for its host.
  for (auto& [name, value] : options.env) {
    if (name == "WAYLAND_DISPLAY") value.clear();
  }
  // Never the machine's own locale service, whose layout would be the machine user's.
  options.env.emplace_back("DBUS_SYSTEM_BUS_ADDRESS", bus);
  options.out = ChildProcess::Output::discard;
  options.err = ChildProcess::Output::discard;
  mutter.emplace(options);
  const auto deadline = Clock::now() + startTimeout;
  while (!acceptsClients(socketPath())) {
    if (mutter->wait(Clock::now())) throw std::runtime_error("mutter ended before it accepted clients");
    if (Clock::now() >= deadline) throw std::runtime_error("mutter accepts no clients");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  waitForName("org.gnome.Mutter.RemoteDesktop", *mutter, "mutter's remote desktop");
}

MutterServer::~MutterServer() {
  while (!portal.empty()) portal.pop_back();
  mutter.reset();
  pipeWire.reset();
  daemon.reset();
}

void MutterServer::waitForName(const char* name, ChildProcess& owner, const char* what) {
  const auto deadline = Clock::now() + startTimeout;
  while (!nameOwned(bus, name)) {
    if (owner.wait(Clock::now())) throw std::runtime_error(std::string(what) + " ended before it was on the bus");
    if (Clock::now() >= deadline) throw std::runtime_error(std::string(what) + " is not on the bus");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Mutter connects to it once, when a screen cast starts: the socket must be there by then.
void MutterServer::startPipeWire() {
  ChildProcess::Options options = optionsFor({"pipewire"});
  options.out = ChildProcess::Output::discard;
  options.err = ChildProcess::Output::discard;
  pipeWire.emplace(options);
  const auto socket = dir.path() / "pipewire-0";
  const auto deadline = Clock::now() + startTimeout;
  while (!std::filesystem::exists(socket)) {
    if (pipeWire->wait(Clock::now())) throw std::runtime_error("PipeWire ended before it accepted clients");
    if (Clock::now() >= deadline) throw std::runtime_error("PipeWire accepts no clients");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void MutterServer::startPortal() {
  // The backend first: the portal looks for it once, when it starts.
  ChildProcess::Options backend = optionsFor({"/usr/libexec/xdg-desktop-portal-gnome"});
  backend.env.emplace_back("GDK_BACKEND", "wayland");
  backend.out = ChildProcess::Output::discard;
  backend.err = ChildProcess::Output::discard;
  portal.emplace_back(backend);
  waitForName("org.freedesktop.impl.portal.desktop.gnome", portal.back(), "the portal's GNOME backend");
  ChildProcess::Options frontend = optionsFor({"/usr/libexec/xdg-desktop-portal"});
  frontend.out = ChildProcess::Output::discard;
  frontend.err = ChildProcess::Output::discard;
  portal.emplace_back(frontend);
  waitForName("org.freedesktop.portal.Desktop", portal.back(), "the desktop portal");
}

std::string MutterServer::socketPath() const { return (dir.path() / socketName).string(); }

ChildProcess::Options MutterServer::optionsFor(std::vector<std::string> argv) const {
  ChildProcess::Options options;
  options.argv = std::move(argv);
  options.env = {{"XDG_RUNTIME_DIR", dir.path().string()},
                 {"HOME", dir.path().string()},
                 {"XDG_CONFIG_HOME", (dir.path() / "config").string()},
                 {"DBUS_SESSION_BUS_ADDRESS", bus},
                 {"WAYLAND_DISPLAY", socketName},
                 {"XDG_CURRENT_DESKTOP", "GNOME"},
                 {"GSETTINGS_BACKEND", "memory"},
                 {"DISPLAY", ""}};
  return options;
}

ChildProcess MutterServer::spawn(std::vector<std::string> argv, ChildProcess::Output out) const {
  ChildProcess::Options options = optionsFor(std::move(argv));
  options.out = out;
  return ChildProcess(options);
}

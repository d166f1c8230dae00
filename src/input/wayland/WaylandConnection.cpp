#include "input/wayland/WaylandConnection.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <list>
#include <thread>
#include <utility>

#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

using RegistryPtr = WaylandProxy<wl_registry, wl_registry_destroy>;
using SeatPtr = WaylandProxy<wl_seat, wl_seat_destroy>;
using KeyboardPtr = WaylandProxy<wl_keyboard, wl_keyboard_destroy>;
using OutputPtr = WaylandProxy<wl_output, wl_output_destroy>;
using XdgOutputManagerPtr = WaylandProxy<zxdg_output_manager_v1, zxdg_output_manager_v1_destroy>;
using XdgOutputPtr = WaylandProxy<zxdg_output_v1, zxdg_output_v1_destroy>;

// The text of a keymap the compositor shares through a descriptor, which it closes.
std::optional<std::string> readKeymap(int fd, std::size_t size) {
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (data == MAP_FAILED) return std::nullopt;
  const auto* bytes = static_cast<const char*>(data);
  std::string text(bytes, std::find(bytes, bytes + size, '\0'));
  munmap(data, size);
  return text;
}

struct Output {
  std::uint32_t name = 0;
  OutputPtr output;
  XdgOutputPtr xdgOutput;
  // The output in the compositor's layout, in logical pixels when xdg-output says so.
  WaylandConnection::Rectangle area;
  bool logical = false;
};

}  // namespace

struct WaylandConnection::Globals {
  void addOutput(std::uint32_t name, std::uint32_t version);
  void watchOutput(Output& output);

  static const wl_registry_listener registryListener;
  static const wl_seat_listener seatListener;
  static const wl_keyboard_listener keyboardListener;
  static const wl_output_listener outputListener;
  static const zxdg_output_v1_listener xdgOutputListener;

  bool watchKeymap = false;
  GlobalBinder bind;
  RegistryPtr registry;
  SeatPtr seat;
  KeyboardPtr keyboard;
  XdgOutputManagerPtr xdgOutputManager;
  std::list<Output> outputs;
  std::optional<std::string> offeredKeymap;
};

const wl_registry_listener WaylandConnection::Globals::registryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
      auto& g = *static_cast<Globals*>(data);
      const std::string_view kind(interface);
      if (kind == wl_seat_interface.name && !g.seat) {
        g.seat.reset(static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4U))));
        wl_seat_add_listener(g.seat.get(), &seatListener, &g);
      } else if (kind == zxdg_output_manager_v1_interface.name) {
        g.xdgOutputManager.reset(static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 2U))));
        for (Output& output : g.outputs) g.watchOutput(output);
      } else if (kind == wl_output_interface.name) {
        g.addOutput(name, version);
      } else {
        g.bind(registry, name, kind, version);
      }
    },
    [](void* data, wl_registry*, std::uint32_t name) {
      static_cast<Globals*>(data)->outputs.remove_if([name](const Output& output) { return output.name == name; });
    },
};

const wl_seat_listener WaylandConnection::Globals::seatListener = {
    [](void* data, wl_seat* seat, std::uint32_t capabilities) {
      auto& g = *static_cast<Globals*>(data);
      const bool hasKeyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
      if (hasKeyboard && !g.keyboard && g.watchKeymap) {
        g.keyboard.reset(wl_seat_get_keyboard(seat));
        wl_keyboard_add_listener(g.keyboard.get(), &keyboardListener, &g);
      } else if (!hasKeyboard) {
        g.keyboard.reset();
      }
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WaylandConnection::Globals::keyboardListener = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
        close(fd);
        return;
      }
      if (auto text = readKeymap(fd, size)) static_cast<Globals*>(data)->offeredKeymap = std::move(text);
    },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_output_listener WaylandConnection::Globals::outputListener = {
    [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
       const char*, const char*, std::int32_t) {
      auto& output = *static_cast<Output*>(data);
      if (!output.logical) {
        output.area.x = x;
        output.area.y = y;
      }
    },
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
      auto& output = *static_cast<Output*>(data);
      if (!output.logical && (flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        output.area.width = width;
        output.area.height = height;
      }
    },
    [](void*, wl_output*) {},
    [](void*, wl_output*, std::int32_t) {},
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener WaylandConnection::Globals::xdgOutputListener = {
    [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
      auto& output = *static_cast<Output*>(data);
      output.logical = true;
      output.area.x = x;
      output.area.y = y;
    },
    [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
      auto& output = *static_cast<Output*>(data);
      output.logical = true;
      output.area.width = width;
      output.area.height = height;
    },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

void WaylandConnection::Globals::addOutput(std::uint32_t name, std::uint32_t version) {
  Output& output = outputs.emplace_back();
  output.name = name;
  output.output.reset(
      static_cast<wl_output*>(wl_registry_bind(registry.get(), name, &wl_output_interface, std::min(version, 2U))));
  wl_output_add_listener(output.output.get(), &outputListener, &output);
  watchOutput(output);
}

void WaylandConnection::Globals::watchOutput(Output& output) {
  if (!xdgOutputManager || output.xdgOutput) return;
  output.xdgOutput.reset(zxdg_output_manager_v1_get_xdg_output(xdgOutputManager.get(), output.output.get()));
  zxdg_output_v1_add_listener(output.xdgOutput.get(), &xdgOutputListener, &output);
}

void WaylandConnection::DisplayCloser::operator()(wl_display* display) const { wl_display_disconnect(display); }

WaylandConnection::WaylandConnection(const std::string& socket)
    : connection(wl_display_connect(socket.empty() ? nullptr : socket.c_str())), globals(std::make_unique<Globals>()) {
  if (!connection) throw WaylandError("Cannot connect to the Wayland compositor");
}

WaylandConnection::~WaylandConnection() = default;

void WaylandConnection::start(bool watchKeymap, GlobalBinder bind) {
  globals->watchKeymap = watchKeymap;
  globals->bind = std::move(bind);
  globals->registry.reset(wl_display_get_registry(connection.get()));
  wl_registry_add_listener(globals->registry.get(), &Globals::registryListener, globals.get());
  // The first round trip announces the globals; the second their first events (the seat's
  // keyboard, the outputs' positions); the third the keymap of the keyboard asked for then.
  for (int trip = 0; trip < 3; ++trip) {
    if (!roundTrip()) throw WaylandError("The Wayland compositor closed the connection");
  }
  if (!globals->seat) throw WaylandError("The Wayland compositor offers no seat");
}

wl_seat* WaylandConnection::seat() const { return globals->seat.get(); }

bool WaylandConnection::alive() const { return wl_display_get_error(connection.get()) == 0; }

bool WaylandConnection::roundTrip() { return wl_display_roundtrip(connection.get()) >= 0; }

// Reads without sending: what was injected goes out at the pace's bursts, so that the compositor
// passes it on to the window in few large writes (see InputPacer).
void WaylandConnection::pumpEvents() {
  wl_display* d = connection.get();
  if (!alive()) return;
  while (wl_display_prepare_read(d) != 0) wl_display_dispatch_pending(d);
  pollfd ready{wl_display_get_fd(d), POLLIN, 0};
  if (poll(&ready, 1, 0) > 0) {
    wl_display_read_events(d);
  } else {
    wl_display_cancel_read(d);
  }
  wl_display_dispatch_pending(d);
}

void WaylandConnection::flushOut() {
  wl_display* d = connection.get();
  while (alive() && wl_display_flush(d) < 0 && errno == EAGAIN) {
    pollfd writable{wl_display_get_fd(d), POLLOUT, 0};
    poll(&writable, 1, -1);
  }
}

void WaylandConnection::pace(InputPacer& pacer) {
  const auto now = InputPacer::Clock::now();
  const InputPacer::Step step = pacer.sent(now);
  if (step.roundTrip) roundTrip();
  if (step.wait > InputPacer::Clock::duration::zero()) {
    flushOut();
    std::this_thread::sleep_until(now + step.wait);
  }
}

std::optional<std::string> WaylandConnection::takeOfferedKeymap() { return std::exchange(globals->offeredKeymap, {}); }

std::optional<WaylandConnection::Rectangle> WaylandConnection::outputsUnion() const {
  std::optional<Rectangle> area;
  int right = 0;
  int bottom = 0;
  for (const Output& output : globals->outputs) {
    const Rectangle& r = output.area;
    if (r.width <= 0 || r.height <= 0) continue;
    if (!area) {
      area = r;
      right = r.x + r.width;
      bottom = r.y + r.height;
      continue;
    }
    area->x = std::min(area->x, r.x);
    area->y = std::min(area->y, r.y);
    right = std::max(right, r.x + r.width);
    bottom = std::max(bottom, r.y + r.height);
  }
  if (area) {
    area->width = right - area->x;
    area->height = bottom - area->y;
  }
  return area;
}

// A deliberately slow Wayland client: a window that takes the keyboard focus and reads its
// events only every 100 ms, as a window stalled again and again by repaints on a busy core
// would. Writes "shown" once its window is, "ready" once its keyboard has the focus (the seat
// has a keyboard only once a virtual keyboard joined it); at an Escape press, "received " and
// every character typed before it; "disconnected N" when the compositor cuts it off after N
// characters. Exits 0 after Escape, 1 otherwise.

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "xdg-shell-client-protocol.h"

namespace {

constexpr auto readEvery = std::chrono::milliseconds(100);
constexpr int side = 64;

// The window's state; its objects end with the connection, which ends with the program.
struct Client {
  wl_display* display = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  xdg_wm_base* wmBase = nullptr;
  wl_surface* surface = nullptr;
  wl_buffer* buffer = nullptr;
  wl_keyboard* keyboard = nullptr;
  std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                     &xkb_context_unref};
  std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap{nullptr, &xkb_keymap_unref};
  std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state{nullptr, &xkb_state_unref};
  std::string received;
  std::size_t count = 0;
  bool shown = false;
  bool done = false;
};

void say(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void appendUtf8(std::string& out, std::uint32_t c) {
  std::array<char, 8> bytes{};
  const int n = xkb_keysym_to_utf8(xkb_utf32_to_keysym(c), bytes.data(), bytes.size());
  if (n > 1) out.append(bytes.data(), static_cast<std::size_t>(n - 1));
}

// A white buffer from shared memory; its size does not matter, the window only has to be shown.
wl_buffer* whiteBuffer(wl_shm* shm) {
  constexpr int stride = side * 4;
  constexpr int size = stride * side;
  const int fd = memfd_create("zentak-slow-client", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (data != MAP_FAILED) {
    std::memset(data, 0xff, size);
    munmap(data, size);
  }
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, side, side, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

const wl_keyboard_listener keyboardListener = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      auto& c = *static_cast<Client*>(data);
      if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
          c.keymap.reset(xkb_keymap_new_from_string(c.context.get(), static_cast<const char*>(text),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
          munmap(text, size);
          c.state.reset(c.keymap ? xkb_state_new(c.keymap.get()) : nullptr);
        }
      }
      close(fd);
    },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) { say("ready"); },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t pressed) {
      auto& c = *static_cast<Client*>(data);
      if (pressed != WL_KEYBOARD_KEY_STATE_PRESSED || !c.state) return;
      const xkb_keycode_t keycode = key + 8;
      if (xkb_state_key_get_one_sym(c.state.get(), keycode) == XKB_KEY_Escape) {
        c.done = true;
        return;
      }
      if (const std::uint32_t ch = xkb_state_key_get_utf32(c.state.get(), keycode); ch >= 0x20) {
        appendUtf8(c.received, ch);
        ++c.count;
      }
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
       std::uint32_t group) {
      auto& c = *static_cast<Client*>(data);
      if (c.state) xkb_state_update_mask(c.state.get(), depressed, latched, locked, 0, 0, group);
    },
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_seat_listener seatListener = {
    [](void* data, wl_seat* seat, std::uint32_t capabilities) {
      auto& c = *static_cast<Client*>(data);
      if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && c.keyboard == nullptr) {
        c.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(c.keyboard, &keyboardListener, &c);
      }
    },
    [](void*, wl_seat*, const char*) {},
};

const xdg_wm_base_listener wmBaseListener = {
    [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const xdg_surface_listener xdgSurfaceListener = {
    [](void* data, xdg_surface* xdgSurface, std::uint32_t serial) {
      auto& c = *static_cast<Client*>(data);
      xdg_surface_ack_configure(xdgSurface, serial);
      wl_surface_attach(c.surface, c.buffer, 0, 0);
      wl_surface_damage(c.surface, 0, 0, side, side);
      wl_surface_commit(c.surface);
      if (!std::exchange(c.shown, true)) say("shown");
    },
};

const wl_registry_listener registryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
      auto& c = *static_cast<Client*>(data);
      const std::string_view kind(interface);
      if (kind == wl_compositor_interface.name) {
        c.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
      } else if (kind == wl_shm_interface.name) {
        c.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
      } else if (kind == wl_seat_interface.name && c.seat == nullptr) {
        c.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 4));
        wl_seat_add_listener(c.seat, &seatListener, &c);
      } else if (kind == xdg_wm_base_interface.name) {
        c.wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(c.wmBase, &wmBaseListener, &c);
      }
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

// Waits for events, then reads and handles all that have arrived by then (the library reads at
// most 4 KiB at a time); false once the connection is gone.
bool readArrived(wl_display* display) {
  if (wl_display_dispatch(display) < 0) return false;
  pollfd ready{wl_display_get_fd(display), POLLIN, 0};
  while (poll(&ready, 1, 0) > 0) {
    if (wl_display_dispatch(display) < 0) return false;
  }
  return true;
}

}  // namespace

int main() {
  Client c;
  const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> connection(wl_display_connect(nullptr),
                                                                                &wl_display_disconnect);
  c.display = connection.get();
  if (c.display == nullptr) {
    say("disconnected 0");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(c.display), &registryListener, &c);
  wl_display_roundtrip(c.display);
  if (c.compositor == nullptr || c.shm == nullptr || c.seat == nullptr || c.wmBase == nullptr) {
    say("disconnected 0");
    return 1;
  }
  c.buffer = whiteBuffer(c.shm);
  c.surface = wl_compositor_create_surface(c.compositor);
  xdg_surface* xdgSurface = xdg_wm_base_get_xdg_surface(c.wmBase, c.surface);
  xdg_surface_add_listener(xdgSurface, &xdgSurfaceListener, &c);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdgSurface);
  xdg_toplevel_set_app_id(toplevel, "zentak-slow-client");
  wl_surface_commit(c.surface);
  while (!c.done) {
    std::this_thread::sleep_for(readEvery);
    if (!readArrived(c.display)) {
      say("disconnected " + std::to_string(c.count));
      return 1;
    }
  }
  say("received " + c.received);
  return 0;
}

#pragma once

#include <linux/input-event-codes.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "keys/InputPacer.h"
#include "keys/Injector.h"

struct wl_display;
struct wl_registry;
struct wl_seat;

// An error of the Wayland platform layer, with a text saying what failed.
class WaylandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Wayland key codes are evdev codes; XKB's are eight more.
inline constexpr std::uint32_t xkbKeycodeOffset = 8;

// The evdev code of a mouse button, as Wayland protocols take it.
[[nodiscard]] constexpr std::uint32_t evdevButton(MouseButton button) {
  switch (button) {
    case MouseButton::left: return BTN_LEFT;
    case MouseButton::right: return BTN_RIGHT;
    case MouseButton::middle: return BTN_MIDDLE;
  }
  return BTN_LEFT;
}

// Owns a proxy of a Wayland object, destroyed with the protocol's destructor request.
template <typename T, void (*destroy)(T*)>
struct WaylandProxyDeleter {
  void operator()(T* proxy) const { destroy(proxy); }
};
template <typename T, void (*destroy)(T*)>
using WaylandProxy = std::unique_ptr<T, WaylandProxyDeleter<T, destroy>>;

// A connection of an injector's own to the Wayland compositor, with what every way of injecting
// needs: the seat, the keymap the compositor hands the seat's keyboard, the layout of the
// outputs, reading events without sending, and the pace of what is sent. The injector binds the
// globals of its protocol itself. UI thread only.
class WaylandConnection {
 public:
  struct Rectangle {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  // Binds one global the connection leaves alone: its name, interface and version.
  using GlobalBinder = std::function<void(wl_registry*, std::uint32_t, std::string_view, std::uint32_t)>;

  // Connects to socket (empty: $WAYLAND_DISPLAY); throws WaylandError when there is no compositor.
  explicit WaylandConnection(const std::string& socket);
  ~WaylandConnection();
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;

  // Learns the globals, the seat, the outputs and (when watchKeymap) the keyboard's keymap,
  // handing every other global to bind; throws WaylandError when the compositor goes away or
  // has no seat.
  void start(bool watchKeymap, GlobalBinder bind);

  [[nodiscard]] wl_display* display() const { return connection.get(); }
  [[nodiscard]] wl_seat* seat() const;
  [[nodiscard]] bool alive() const;
  // Waits until the compositor has handled every request sent; false when it has gone.
  bool roundTrip();
  // Handles the events that have arrived, without sending or waiting.
  void pumpEvents();
  // Sends everything queued, waiting while the socket is full.
  void flushOut();
  // One injected event that makes the compositor send the focused window an event has been
  // queued: waits, flushes or makes a round trip as pacer says.
  void pace(InputPacer& pacer);

  // The keymap the compositor handed the keyboard since the last call, not looked at yet.
  [[nodiscard]] std::optional<std::string> takeOfferedKeymap();
  // The union of all outputs in the compositor's layout (logical pixels where xdg-output says
  // them); nothing while no output has a size.
  [[nodiscard]] std::optional<Rectangle> outputsUnion() const;

 private:
  struct DisplayCloser {
    void operator()(wl_display* display) const;
  };
  struct Globals;

  // Declared first, so that it closes after every object of the connection.
  std::unique_ptr<wl_display, DisplayCloser> connection;
  std::unique_ptr<Globals> globals;
};

#pragma once

#include <X11/Xlib.h>

#include <optional>

// The rectangle of the X screen's primary monitor, asked of RandR once and asked again after the
// server reports a change of screens, outputs or CRTCs. Internal to the X platform layer; used by
// one thread at a time, the one that reads the connection's events.
class XPrimaryMonitor {
 public:
  struct Rectangle {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  // Asks for RandR's change notifications on the root window when the server has RandR 1.3.
  explicit XPrimaryMonitor(Display* display);

  // Takes note of one event read from the connection; true when it was RandR's.
  bool handle(XEvent& event);

  // The primary monitor, or nothing without RandR 1.3, a primary output or its CRTC.
  [[nodiscard]] std::optional<Rectangle> get();

 private:
  [[nodiscard]] std::optional<Rectangle> query() const;

  Display* dpy;
  int randrEventBase = -1;
  bool known = false;
  std::optional<Rectangle> monitor;
};

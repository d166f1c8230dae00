#pragma once

#include <cstdint>
#include <stdexcept>

#include "keys/Injector.h"

// An error of a remote-desktop session, with a text the user can read.
class RemoteDesktopError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A desktop's remote-desktop session over D-Bus: the virtual keyboard and pointer it offers a
// program. Key codes are evdev codes, keysyms X keysyms. Requests go out without waiting for
// an answer where the service keeps them in order; roundTrip waits until the service has handled
// those sent. Only the thread that made the session may use it (the UI thread, in the program).
class RemoteDesktopSession {
 public:
  virtual ~RemoteDesktopSession() = default;

  // Whether the desktop offers such sessions; may start the service that does.
  [[nodiscard]] virtual bool offered() const = 0;
  // Opens the session, asking the user's consent where the desktop does; a session already open
  // stays. Throws RemoteDesktopError saying why no session could be had.
  virtual void open() = 0;
  [[nodiscard]] virtual bool isOpen() const = 0;

  virtual void keycode(std::uint32_t evdevCode, bool down) = 0;
  virtual void keysym(std::uint32_t keysym, bool down) = 0;
  virtual void button(std::uint32_t evdevButton, bool down) = 0;
  // Moves the pointer to pixel (x, y) of the primary monitor, as near as the session can.
  virtual void moveTo(double x, double y) = 0;
  // Width and height of the primary monitor in pixels where the open session knows them (from
  // a screen-cast stream of it, through which moveTo places the pointer exactly); empty where
  // it does not.
  [[nodiscard]] virtual ScreenSize screenSize() const = 0;

  // Waits for the service to have handled every request sent; a service that no longer answers
  // closes the session.
  virtual void roundTrip() = 0;
  // Writes every request sent to the bus.
  virtual void flush() = 0;
};

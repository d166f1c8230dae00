#pragma once

#include <string>

#include "input/bus/RemoteDesktopSession.h"
#include "input/bus/SessionBus.h"
#include "tern/OwnerThread.h"

// GNOME's own remote-desktop session (org.gnome.Mutter.RemoteDesktop on the session bus): no
// consent asked, for programs outside a sandbox; not a stable interface. Opened on the first
// open() and stopped on destruction (mutter also ends it when this connection goes). The
// session is linked to a screen cast of the primary monitor, through whose stream the pointer
// is placed on exact pixels. Mutter starts such a stream only with PipeWire running; without
// it the session goes without one, and pointer positions are reached by relative motion from
// the top-left corner, which mutter accelerates as it does a mouse's: a click then lands near
// its position, not on it. The thread that made it only.
class MutterSession final : public RemoteDesktopSession {
 public:
  // An empty address is the session bus of the environment. Throws RemoteDesktopError when the
  // bus cannot be reached.
  explicit MutterSession(const std::string& busAddress = {});
  ~MutterSession() override;
  MutterSession(const MutterSession&) = delete;
  MutterSession& operator=(const MutterSession&) = delete;

  [[nodiscard]] bool offered() const override;
  void open() override;
  [[nodiscard]] bool isOpen() const override { return !sessionPath.empty(); }
  void keycode(std::uint32_t evdevCode, bool down) override;
  void keysym(std::uint32_t keysym, bool down) override;
  void button(std::uint32_t evdevButton, bool down) override;
  void moveTo(double x, double y) override;
  [[nodiscard]] ScreenSize screenSize() const override { return streamSize; }
  void roundTrip() override;
  void flush() override { bus.flush(); }

  // The connection and object path of the open session (empty while none is), for the other
  // things the session offers, such as its clipboard.
  [[nodiscard]] const SessionBus& connection() const { return bus; }
  [[nodiscard]] const std::string& path() const { return sessionPath; }

 private:
  [[nodiscard]] std::string createSession() const;
  // Links a screen cast of the primary monitor to the session not yet started, keeping its
  // stream's path and size; false where mutter offers none.
  bool linkScreenCast(const std::string& session);
  // Moves the pointer relatively from now on.
  void dropScreenCast();
  void notify(const char* method, GVariant* arguments);

  const Tern::OwnerThread owner;
  SessionBus bus;
  std::string sessionPath;
  // The linked screen cast's stream, empty without one.
  std::string streamPath;
  ScreenSize streamSize;
};

#pragma once

#include <string>

#include "keys/RemoteDesktopSession.h"
#include "keys/SessionBus.h"
#include "tern/OwnerThread.h"

// GNOME's own remote-desktop session (org.gnome.Mutter.RemoteDesktop on the session bus): no
// consent asked, for programs outside a sandbox; not a stable interface. Opened on the first
// open() and stopped on destruction (mutter also ends it when this connection goes). Pointer
// positions are reached by relative motion from the top-left corner, which mutter accelerates
// as it does a mouse's: a click lands near its position, not on it. The thread that made it only.
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
  void roundTrip() override;
  void flush() override { bus.flush(); }

  // The connection and object path of the open session (empty while none is), for the other
  // things the session offers, such as its clipboard.
  [[nodiscard]] const SessionBus& connection() const { return bus; }
  [[nodiscard]] const std::string& path() const { return sessionPath; }

 private:
  void notify(const char* method, GVariant* arguments);

  const Tern::OwnerThread owner;
  SessionBus bus;
  std::string sessionPath;
};

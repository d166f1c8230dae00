#pragma once

#include <filesystem>
#include <string>

#include "input/bus/RemoteDesktopSession.h"
#include "input/gnome/RestoreTokenFile.h"
#include "input/bus/SessionBus.h"
#include "tern/OwnerThread.h"

// A remote-desktop session of the desktop portal (org.freedesktop.portal.RemoteDesktop, on
// GNOME and KDE Plasma), keyboard and pointer, held on a connection of its own for the object's
// life and closed on destruction. The desktop asks the user's consent when it starts; from
// version 2 of the interface on it hands back a token that spares the user the question next
// time, kept (readable by the user only) in tokenFile. The desktop answers each request later,
// by a signal, which open() waits for. Input requests wait for their answers, since the portal
// would otherwise pass them on out of order. On GNOME the session includes a screen cast of the
// primary monitor (asked about in the same question), through whose stream the pointer is
// placed on exact pixels; GNOME starts it only with PipeWire running. Without a stream (no
// PipeWire, or a desktop other than GNOME, whose portal would add a screen chooser to its start)
// pointer positions are reached by relative motion from the top-left corner, which GNOME
// accelerates as it does a mouse's (a click then lands near its position, not on it) and Plasma
// does not. The thread that made it only.
class PortalSession final : public RemoteDesktopSession {
 public:
  // An empty address is the session bus of the environment. Throws RemoteDesktopError when the
  // bus cannot be reached.
  PortalSession(const std::string& busAddress, std::filesystem::path tokenFile);
  ~PortalSession() override;
  PortalSession(const PortalSession&) = delete;
  PortalSession& operator=(const PortalSession&) = delete;

  [[nodiscard]] bool offered() const override;
  // Waits for the user's answer as long as the user takes, up to two minutes.
  void open() override;
  [[nodiscard]] bool isOpen() const override { return !sessionHandle.empty(); }
  void keycode(std::uint32_t evdevCode, bool down) override;
  void keysym(std::uint32_t keysym, bool down) override;
  void button(std::uint32_t evdevButton, bool down) override;
  void moveTo(double x, double y) override;
  [[nodiscard]] ScreenSize screenSize() const override { return streamSize; }
  void roundTrip() override;
  void flush() override { bus.flush(); }

 private:
  // Makes and starts a session, with a screen cast of the primary monitor when asked; throws as
  // request does.
  void start(guint32 version, bool withScreenCast);
  // Calls a method of one of the portal's interfaces whose answer comes by a Response signal of
  // the request it returns, and waits for that answer: its results. The method takes the
  // session (none when empty) and the options, to which the request's token is added. Throws
  // RemoteDesktopError on a refusal, an error or a timeout.
  GVariantPtr request(const char* interface, const char* method, const std::string& session,
                      GVariantBuilder* options, int timeoutMs);
  void notify(const char* method, GVariant* arguments);

  const Tern::OwnerThread owner;
  SessionBus bus;
  const RestoreTokenFile tokenFile;
  std::string sessionHandle;
  // The screen cast's PipeWire node and its size, zero without one.
  guint32 streamNode = 0;
  ScreenSize streamSize;
  unsigned requests = 0;
};

#pragma once

#include <string>

#include "input/bus/GLibPtr.h"

// A connection of its own to the D-Bus session bus (or the bus at a given address), held for
// the object's life: method calls with clear errors, and requests sent without waiting. Calls
// block the calling thread; a GDBus connection may be used from any thread.
class SessionBus {
 public:
  // An empty address is the session bus of the environment. Throws RemoteDesktopError when the
  // bus cannot be reached.
  explicit SessionBus(const std::string& address);

  // Calls a method (starting the service the bus knows for it) and returns its reply; throws RemoteDesktopError naming `what` on an error
  // or when no reply comes within timeoutMs.
  GVariantPtr call(const char* destination, const char* path, const char* interface, const char* method,
                   GVariant* arguments, const char* what, int timeoutMs = 10000) const;
  // Sends a method call that wants no reply; arguments is consumed as GDBus does.
  void send(const char* destination, const char* path, const char* interface, const char* method,
            GVariant* arguments) const;
  // One property's value, or nothing when it cannot be read.
  [[nodiscard]] GVariantPtr property(const char* destination, const char* path, const char* interface,
                                     const char* name) const;
  // Writes out what was sent.
  void flush() const;

  [[nodiscard]] GDBusConnection* get() const { return connection.get(); }

 private:
  GObjectPtr<GDBusConnection> connection;
};

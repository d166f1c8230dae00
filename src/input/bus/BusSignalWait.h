#pragma once

#include <gio/gio.h>

#include "input/bus/GLibPtr.h"

// Waits for one D-Bus signal on a connection: subscribed from construction on, so that a
// signal the awaited call provokes is never missed, and dispatched on a main context of the
// object's own, which only wait() runs. The thread that made it only.
class BusSignalWait {
 public:
  // The signal `member` of `interface` sent from object `path`.
  BusSignalWait(GDBusConnection* connection, const char* interface, const char* member, const char* path);
  ~BusSignalWait();
  BusSignalWait(const BusSignalWait&) = delete;
  BusSignalWait& operator=(const BusSignalWait&) = delete;

  // The first such signal's parameters, or nothing when none came within timeoutMs.
  GVariantPtr wait(int timeoutMs);

 private:
  GDBusConnection* connection;
  GMainContextPtr context;
  guint subscription = 0;
  GVariantPtr parameters;
};

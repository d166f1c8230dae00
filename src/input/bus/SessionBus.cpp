#include "input/bus/SessionBus.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "input/bus/RemoteDesktopSession.h"

namespace {

// The session bus of the environment, never one started for the asking (GLib would launch one
// on the X display).
std::string sessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
    return address;
  }
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
    const std::filesystem::path socket = std::filesystem::path(runtime) / "bus";
    std::error_code error;
    if (std::filesystem::exists(socket, error)) return "unix:path=" + socket.string();
  }
  return {};
}

GDBusConnection* connect(const std::string& address, GError** error) {
  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  return g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, error);
}

}  // namespace

SessionBus::SessionBus(const std::string& chosenAddress) {
  const std::string address = chosenAddress.empty() ? sessionBusAddress() : chosenAddress;
  if (address.empty()) throw RemoteDesktopError("There is no D-Bus session bus");
  GError* raw = nullptr;
  connection.reset(connect(address, &raw));
  const GErrorPtr error(raw);
  if (!connection) {
    throw RemoteDesktopError(std::string("Cannot reach the D-Bus session bus: ") + (error ? error->message : "?"));
  }
  // The program lives on when the bus goes away; the session then ends.
  g_dbus_connection_set_exit_on_close(connection.get(), FALSE);
}

GVariantPtr SessionBus::call(const char* destination, const char* path, const char* interface, const char* method,
                             GVariant* arguments, const char* what, int timeoutMs) const {
  GError* raw = nullptr;
  GVariantPtr reply(g_dbus_connection_call_sync(connection.get(), destination, path, interface, method, arguments,
                                                nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &raw));
  const GErrorPtr error(raw);
  if (!reply) {
    if (error) g_dbus_error_strip_remote_error(error.get());
    throw RemoteDesktopError(std::string(what) + ": " + (error ? error->message : "no answer"));
  }
  return reply;
}

void SessionBus::send(const char* destination, const char* path, const char* interface, const char* method,
                      GVariant* arguments) const {
  const GObjectPtr<GDBusMessage> message(g_dbus_message_new_method_call(destination, path, interface, method));
  g_dbus_message_set_body(message.get(), arguments);
  g_dbus_message_set_flags(message.get(), G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED);
  g_dbus_connection_send_message(connection.get(), message.get(), G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, nullptr);
}

GVariantPtr SessionBus::property(const char* destination, const char* path, const char* interface,
                                 const char* name) const {
  try {
    const GVariantPtr reply = call(destination, path, "org.freedesktop.DBus.Properties", "Get",
                                   g_variant_new("(ss)", interface, name), name);
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    return GVariantPtr(value);
  } catch (const RemoteDesktopError&) {
    return nullptr;
  }
}

void SessionBus::flush() const { g_dbus_connection_flush_sync(connection.get(), nullptr, nullptr); }

#include "support/LocaleService.h"

#include <gio/gio.h>

#include <stdexcept>
#include <utility>

namespace {

constexpr const char* objectPath = "/org/freedesktop/locale1";
constexpr const char* serviceName = "org.freedesktop.locale1";

GVariant* properties(const std::string& layout) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&builder, "{sv}", "X11Layout", g_variant_new_string(layout.c_str()));
  g_variant_builder_add(&builder, "{sv}", "X11Model", g_variant_new_string("pc105"));
  g_variant_builder_add(&builder, "{sv}", "X11Variant", g_variant_new_string(""));
  g_variant_builder_add(&builder, "{sv}", "X11Options", g_variant_new_string(""));
  return g_variant_new("(a{sv})", &builder);
}

// Every call on the service's object gets its properties, whatever it asks for: GetAll is what
// a compositor calls.
GDBusMessage* answer(GDBusConnection* connection, GDBusMessage* message, gboolean incoming, gpointer layout) {
  if (incoming == FALSE || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL ||
      g_strcmp0(g_dbus_message_get_path(message), objectPath) != 0) {
    return message;
  }
  GDBusMessage* reply = g_dbus_message_new_method_reply(message);
  g_dbus_message_set_body(reply, properties(*static_cast<const std::string*>(layout)));
  g_dbus_connection_send_message(connection, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr, nullptr);
  g_object_unref(reply);
  g_object_unref(message);
  return nullptr;
}

}  // namespace

LocaleService::LocaleService(const std::string& busAddress, std::string keyboardLayout)
    : layout(std::move(keyboardLayout)) {
  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  connection = g_dbus_connection_new_for_address_sync(busAddress.c_str(), flags, nullptr, nullptr, nullptr);
  if (connection == nullptr) throw std::runtime_error("the locale service cannot reach its bus");
  filter = g_dbus_connection_add_filter(connection, answer, const_cast<std::string*>(&layout), nullptr);
  GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "RequestName",
                                                g_variant_new("(su)", serviceName, 0U), G_VARIANT_TYPE("(u)"),
                                                G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
  if (reply == nullptr) {
    g_dbus_connection_remove_filter(connection, filter);
    g_object_unref(connection);
    throw std::runtime_error("the locale service cannot own its name");
  }
  g_variant_unref(reply);
}

LocaleService::~LocaleService() {
  g_dbus_connection_remove_filter(connection, filter);
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  g_object_unref(connection);
}

#include "support/ConsentAnswerer.h"

#include <gio/gio.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "input/gnome/MutterSession.h"
#include "support/MutterServer.h"

// Overhears on the bus the portal asking its backend to start a session, which shows the
// question, and the portal's answer that the session started, which names its devices.
class ConsentAnswerer::StartWatch {
 public:
  explicit StartWatch(const std::string& address) {
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    connection = g_dbus_connection_new_for_address_sync(address.c_str(), flags, nullptr, nullptr, nullptr);
    if (connection == nullptr) throw std::runtime_error("the answerer cannot reach the bus");
    filter = g_dbus_connection_add_filter(connection, overhear, this, nullptr);
    listen("type='method_call',interface='org.freedesktop.impl.portal.RemoteDesktop',member='Start',eavesdrop='true'");
    listen("type='signal',interface='org.freedesktop.portal.Request',member='Response',eavesdrop='true'");
  }
  ~StartWatch() {
    g_dbus_connection_remove_filter(connection, filter);
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
  }
  StartWatch(const StartWatch&) = delete;
  StartWatch& operator=(const StartWatch&) = delete;

  [[nodiscard]] bool asked() const { return questionAsked; }
  [[nodiscard]] bool sessionStarted() const { return started; }

 private:
  void listen(const char* rule) {
    GVariant* reply =
        g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "AddMatch", g_variant_new("(s)", rule), nullptr, G_DBUS_CALL_FLAGS_NONE, 10000,
                                    nullptr, nullptr);
    if (reply == nullptr) throw std::runtime_error("the answerer cannot overhear the portal");
    g_variant_unref(reply);
  }

  static GDBusMessage* overhear(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
    auto* self = static_cast<ConsentAnswerer::StartWatch*>(data);
    GVariant* body = g_dbus_message_get_body(message);
    if (incoming != FALSE && g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_METHOD_CALL &&
        g_strcmp0(g_dbus_message_get_member(message), "Start") == 0) {
      self->questionAsked = true;
      // A call passed on to GDBus would be answered, for an object it does not have, with an
      // error that the portal would take for its backend's.
      g_object_unref(message);
      return nullptr;
    }
    if (incoming != FALSE && g_strcmp0(g_dbus_message_get_member(message), "Response") == 0 && body != nullptr &&
        g_variant_is_of_type(body, G_VARIANT_TYPE("(ua{sv})"))) {
      guint32 response = 1;
      GVariant* results = nullptr;
      g_variant_get(body, "(u@a{sv})", &response, &results);
      if (GVariant* devices = g_variant_lookup_value(results, "devices", nullptr); devices != nullptr) {
        if (response == 0) self->started = true;
        g_variant_unref(devices);
      }
      g_variant_unref(results);
    }
    return message;
  }

  GDBusConnection* connection = nullptr;
  guint filter = 0;
  std::atomic<bool> questionAsked{false};
  std::atomic<bool> started{false};
};

ConsentAnswerer::ConsentAnswerer(const MutterServer& mutter, bool allow, Monitor monitor)
    : portal(std::make_unique<StartWatch>(mutter.busAddress())),
      worker([address = mutter.busAddress(), allow, monitor, &portal = *portal](const std::stop_token& stop) {
        MutterSession user(address);
        user.open();
        const auto tap = [&user](std::uint32_t keysym) {
          user.keysym(keysym, true);
          user.keysym(keysym, false);
          user.roundTrip();
        };
        // The question takes a while to show, and its switch to make "Share" sensitive.
        constexpr auto step = std::chrono::milliseconds(300);
        const auto goOn = [&] {
          const auto until = std::chrono::steady_clock::now() + step;
          while (std::chrono::steady_clock::now() < until) {
            if (stop.stop_requested() || portal.sessionStarted()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          return true;
        };
        while (!portal.asked()) {
          if (stop.stop_requested()) return;
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        while (goOn()) {
          if (!allow) {
            tap(XKB_KEY_Escape);
            continue;
          }
          if (monitor == Monitor::asked) {
            tap(XKB_KEY_Return);
            if (!goOn()) break;
            tap(XKB_KEY_Tab);
            if (!goOn()) break;
          }
          tap(XKB_KEY_Return);
          if (!goOn()) break;
          user.keysym(XKB_KEY_Alt_L, true);
          tap(XKB_KEY_s);
          user.keysym(XKB_KEY_Alt_L, false);
        }
      }) {}

ConsentAnswerer::~ConsentAnswerer() = default;

#include "input/gnome/PortalSession.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string_view>
#include <thread>

#include "input/bus/BusSignalWait.h"

namespace {

constexpr const char* portal = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* remoteDesktop = "org.freedesktop.portal.RemoteDesktop";
constexpr const char* screenCast = "org.freedesktop.portal.ScreenCast";

// Device types, persistence and source types of the interfaces.
constexpr guint32 keyboardDevice = 1;
constexpr guint32 pointerDevice = 2;
constexpr guint32 persistUntilRevoked = 2;
constexpr guint32 monitorSource = 1;

// Answers of a request.
constexpr guint32 responseSuccess = 0;
constexpr guint32 responseCancelled = 1;

constexpr int quickAnswerMs = 30000;
constexpr int userAnswerMs = 120000;

// Plasma's backend ends a Start with an error until it knows the screens, which it learns only
// after it is on the bus: a portal started for this very session may need a moment.
constexpr int startAttempts = 10;
constexpr auto startRetryPause = std::chrono::milliseconds(200);

// A request the desktop ended with an error rather than the user's refusal: a start without a
// screen cast may yet pass, and Plasma's start passes once it knows the screens.
class RequestEnded final : public RemoteDesktopError {
 public:
  RequestEnded() : RemoteDesktopError("the desktop ended the request") {}
};

GVariantBuilder* newOptions() { return g_variant_builder_new(G_VARIANT_TYPE("a{sv}")); }

struct BuilderUnref {
  void operator()(GVariantBuilder* builder) const { g_variant_builder_unref(builder); }
};
using OptionsPtr = std::unique_ptr<GVariantBuilder, BuilderUnref>;

}  // namespace

PortalSession::PortalSession(const std::string& busAddress, std::filesystem::path tokenPath)
    : bus(busAddress), tokenFile(std::move(tokenPath)) {}

PortalSession::~PortalSession() {
  if (!isOpen()) return;
  try {
    bus.call(portal, sessionHandle.c_str(), "org.freedesktop.portal.Session", "Close", nullptr, "Close", 2000);
  } catch (const RemoteDesktopError&) {
    // The portal closes the session when this connection goes anyway.
  }
}

bool PortalSession::offered() const { return bus.property(portal, portalPath, remoteDesktop, "version") != nullptr; }

GVariantPtr PortalSession::request(const char* interface, const char* method, const std::string& session,
                                   GVariantBuilder* options, int timeoutMs) {
  std::string sender = g_dbus_connection_get_unique_name(bus.get()) + 1;
  std::replace(sender.begin(), sender.end(), '.', '_');
  const std::string token = "zentak" + std::to_string(++requests);
  const std::string path = std::string(portalPath) + "/request/" + sender + "/" + token;
  g_variant_builder_add(options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));

  BusSignalWait response(bus.get(), "org.freedesktop.portal.Request", "Response", path.c_str());
  GVariant* arguments = nullptr;
  if (session.empty()) {
    arguments = g_variant_new("(a{sv})", options);
  } else if (std::string_view(method) == "Start") {
    // No parent window: the desktop shows its question on its own.
    arguments = g_variant_new("(osa{sv})", session.c_str(), "", options);
  } else {
    arguments = g_variant_new("(oa{sv})", session.c_str(), options);
  }
  bus.call(portal, portalPath, interface, method, arguments, method);

  const GVariantPtr answer = response.wait(timeoutMs);
  if (!answer) {
    bus.send(portal, path.c_str(), "org.freedesktop.portal.Request", "Close", nullptr);
    throw RemoteDesktopError("the desktop did not answer in time");
  }
  guint32 code = 0;
  GVariant* results = nullptr;
  g_variant_get(answer.get(), "(u@a{sv})", &code, &results);
  GVariantPtr owned(results);
  if (code == responseCancelled) throw RemoteDesktopError("the request to control the desktop was declined");
  if (code != responseSuccess) throw RequestEnded();
  return owned;
}

void PortalSession::start(guint32 version, bool withScreenCast) {
  const OptionsPtr createOptions(newOptions());
  // A token of its own: the session of a start given up may not yet be gone.
  const std::string sessionToken = "zentak" + std::to_string(++requests);
  g_variant_builder_add(createOptions.get(), "{sv}", "session_handle_token",
                        g_variant_new_string(sessionToken.c_str()));
  const GVariantPtr created = request(remoteDesktop, "CreateSession", {}, createOptions.get(), quickAnswerMs);
  const gchar* handle = nullptr;
  if (!g_variant_lookup(created.get(), "session_handle", "&s", &handle)) {
    throw RemoteDesktopError("the desktop portal made no session");
  }
  const std::string session = handle;
  try {
    const OptionsPtr devices(newOptions());
    g_variant_builder_add(devices.get(), "{sv}", "types", g_variant_new_uint32(keyboardDevice | pointerDevice));
    if (version >= 2) {
      g_variant_builder_add(devices.get(), "{sv}", "persist_mode", g_variant_new_uint32(persistUntilRevoked));
      if (const std::string token = tokenFile.read(); !token.empty()) {
        g_variant_builder_add(devices.get(), "{sv}", "restore_token", g_variant_new_string(token.c_str()));
      }
    }
    request(remoteDesktop, "SelectDevices", session, devices.get(), quickAnswerMs);
    if (withScreenCast) {
      const OptionsPtr sources(newOptions());
      g_variant_builder_add(sources.get(), "{sv}", "types", g_variant_new_uint32(monitorSource));
      g_variant_builder_add(sources.get(), "{sv}", "multiple", g_variant_new_boolean(FALSE));
      request(screenCast, "SelectSources", session, sources.get(), quickAnswerMs);
    }
    const OptionsPtr startOptions(newOptions());
    const GVariantPtr started = request(remoteDesktop, "Start", session, startOptions.get(), userAnswerMs);
    guint32 granted = 0;
    g_variant_lookup(started.get(), "devices", "u", &granted);
    if ((granted & keyboardDevice) == 0) throw RemoteDesktopError("the desktop gave no keyboard to control");
    const gchar* restoreToken = nullptr;
    if (g_variant_lookup(started.get(), "restore_token", "&s", &restoreToken)) tokenFile.write(restoreToken);
    const GVariantPtr streams(g_variant_lookup_value(started.get(), "streams", G_VARIANT_TYPE("a(ua{sv})")));
    if (streams && g_variant_n_children(streams.get()) > 0) {
      guint32 node = 0;
      GVariant* properties = nullptr;
      g_variant_get_child(streams.get(), 0, "(u@a{sv})", &node, &properties);
      const GVariantPtr owned(properties);
      ScreenSize size;
      if (g_variant_lookup(owned.get(), "size", "(ii)", &size.width, &size.height)) {
        streamNode = node;
        streamSize = size;
      }
    }
  } catch (const RemoteDesktopError&) {
    bus.send(portal, session.c_str(), "org.freedesktop.portal.Session", "Close", nullptr);
    throw;
  }
  sessionHandle = session;
}

void PortalSession::open() {
  owner.assertCurrent("PortalSession::open");
  if (isOpen()) return;
  guint32 version = 1;
  if (const GVariantPtr value = bus.property(portal, portalPath, remoteDesktop, "version")) {
    version = g_variant_get_uint32(value.get());
  } else {
    throw RemoteDesktopError("the desktop portal offers no remote desktop");
  }
  // GNOME's portal, served by mutter, asks about the monitor in the same question as about the
  // input; Plasma's would add a screen chooser to a start that otherwise asks nothing.
  const bool onGnome =
      bus.property("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast",
                   "Version") != nullptr;
  if (!onGnome) {
    for (int attempt = 1;; ++attempt) {
      try {
        start(version, false);
        break;
      } catch (const RequestEnded&) {
        if (attempt == startAttempts) throw;
      }
      std::this_thread::sleep_for(startRetryPause);
    }
  } else {
    try {
      start(version, true);
    } catch (const RequestEnded&) {
      // GNOME cannot start the screen cast without PipeWire and ends the request after the
      // user's answer: a session without one is asked for instead, which moves relatively.
      start(version, false);
    }
  }
  // The desktop makes its virtual keyboard and pointer at their first events and may lose the
  // events sent while it does: a Shift tap, which types nothing, and a move by nothing make them.
  keysym(XKB_KEY_Shift_L, true);
  keysym(XKB_KEY_Shift_L, false);
  notify("NotifyPointerMotion", g_variant_new("(oa{sv}dd)", sessionHandle.c_str(), nullptr, 0.0, 0.0));
  roundTrip();
}

// The portal handles its calls on several threads, in no set order: each waits for the answer
// to the one before. A call the portal refuses (the session has ended) ends it here too.
void PortalSession::notify(const char* method, GVariant* arguments) {
  owner.assertCurrent("PortalSession::notify");
  if (!isOpen()) {
    g_variant_unref(g_variant_ref_sink(arguments));
    return;
  }
  try {
    bus.call(portal, portalPath, remoteDesktop, method, arguments, method);
  } catch (const RemoteDesktopError&) {
    sessionHandle.clear();
  }
}

void PortalSession::keycode(std::uint32_t evdevCode, bool down) {
  notify("NotifyKeyboardKeycode", g_variant_new("(oa{sv}iu)", sessionHandle.c_str(), nullptr,
                                                static_cast<gint32>(evdevCode), down ? 1U : 0U));
}

void PortalSession::keysym(std::uint32_t keysym, bool down) {
  notify("NotifyKeyboardKeysym", g_variant_new("(oa{sv}iu)", sessionHandle.c_str(), nullptr,
                                               static_cast<gint32>(keysym), down ? 1U : 0U));
}

void PortalSession::button(std::uint32_t evdevButton, bool down) {
  notify("NotifyPointerButton", g_variant_new("(oa{sv}iu)", sessionHandle.c_str(), nullptr,
                                              static_cast<gint32>(evdevButton), down ? 1U : 0U));
}

void PortalSession::moveTo(double x, double y) {
  if (streamNode != 0) {
    notify("NotifyPointerMotionAbsolute",
           g_variant_new("(oa{sv}udd)", sessionHandle.c_str(), nullptr, streamNode, x, y));
    return;
  }
  // Farther than any desktop is wide: the move ends at the corner.
  constexpr double toTheCorner = -100000;
  notify("NotifyPointerMotion", g_variant_new("(oa{sv}dd)", sessionHandle.c_str(), nullptr, toTheCorner, toTheCorner));
  notify("NotifyPointerMotion", g_variant_new("(oa{sv}dd)", sessionHandle.c_str(), nullptr, x, y));
}

// Every call waits for its answer already.
void PortalSession::roundTrip() {}

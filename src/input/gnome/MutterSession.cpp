#include "input/gnome/MutterSession.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include "input/bus/BusSignalWait.h"

namespace {

constexpr const char* service = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr const char* screenCast = "org.gnome.Mutter.ScreenCast";
// A stream not running by then is taken for one that never will.
constexpr int streamStartMs = 5000;

}  // namespace

MutterSession::MutterSession(const std::string& busAddress) : bus(busAddress) {}

MutterSession::~MutterSession() {
  if (!isOpen()) return;
  try {
    bus.call(service, sessionPath.c_str(), sessionInterface, "Stop", nullptr, "Stop", 2000);
  } catch (const RemoteDesktopError&) {
    // Mutter ends the session when this connection closes anyway.
  }
}

bool MutterSession::offered() const {
  return bus.property(service, "/org/gnome/Mutter/RemoteDesktop", service, "Version") != nullptr;
}

std::string MutterSession::createSession() const {
  const GVariantPtr created = bus.call(service, "/org/gnome/Mutter/RemoteDesktop", service, "CreateSession", nullptr,
                                       "GNOME offers no remote-desktop session");
  const gchar* path = nullptr;
  g_variant_get(created.get(), "(&o)", &path);
  return path;
}

bool MutterSession::linkScreenCast(const std::string& session) {
  const GVariantPtr id = bus.property(service, session.c_str(), sessionInterface, "SessionId");
  if (!id) return false;
  try {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "remote-desktop-session-id", g_variant_ref(id.get()));
    const GVariantPtr created = bus.call(screenCast, "/org/gnome/Mutter/ScreenCast", screenCast, "CreateSession",
                                         g_variant_new("(a{sv})", &properties), "screen cast");
    const gchar* castPath = nullptr;
    g_variant_get(created.get(), "(&o)", &castPath);
    // An empty connector is the primary monitor.
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    const GVariantPtr recorded =
        bus.call(screenCast, castPath, "org.gnome.Mutter.ScreenCast.Session", "RecordMonitor",
                 g_variant_new("(sa{sv})", "", &options), "monitor's screen cast");
    const gchar* stream = nullptr;
    g_variant_get(recorded.get(), "(&o)", &stream);
    streamPath = stream;
    if (const GVariantPtr parameters =
            bus.property(screenCast, stream, "org.gnome.Mutter.ScreenCast.Stream", "Parameters")) {
      g_variant_lookup(parameters.get(), "size", "(ii)", &streamSize.width, &streamSize.height);
    }
    return true;
  } catch (const RemoteDesktopError&) {
    return false;
  }
}

void MutterSession::dropScreenCast() {
  streamPath.clear();
  streamSize = {};
}

void MutterSession::open() {
  owner.assertCurrent("MutterSession::open");
  if (isOpen()) return;
  const auto start = [this](const std::string& session) {
    bus.call(service, session.c_str(), sessionInterface, "Start", nullptr, "GNOME did not start the session");
  };
  std::string opened = createSession();
  if (linkScreenCast(opened)) {
    // Mutter drops absolute motion until the stream runs, which it tells by this signal.
    BusSignalWait streamAdded(bus.get(), "org.gnome.Mutter.ScreenCast.Stream", "PipeWireStreamAdded",
                              streamPath.c_str());
    try {
      start(opened);
      sessionPath = opened;
    } catch (const RemoteDesktopError&) {
      // Mutter cannot start the screen cast without PipeWire, and then closes the session: a
      // session of its own moves the pointer relatively instead.
      dropScreenCast();
      opened = createSession();
    }
    if (isOpen() && !streamAdded.wait(streamStartMs)) dropScreenCast();
  }
  if (!isOpen()) {
    start(opened);
    sessionPath = opened;
  }
  // Mutter makes its virtual keyboard and pointer at their first events and loses the events
  // sent while it does: a Shift tap, which types nothing, and a move by nothing make them.
  keysym(XKB_KEY_Shift_L, true);
  keysym(XKB_KEY_Shift_L, false);
  notify("NotifyPointerMotionRelative", g_variant_new("(dd)", 0.0, 0.0));
  roundTrip();
}

void MutterSession::notify(const char* method, GVariant* arguments) {
  owner.assertCurrent("MutterSession::notify");
  if (isOpen()) {
    bus.send(service, sessionPath.c_str(), sessionInterface, method, arguments);
  } else {
    g_variant_unref(g_variant_ref_sink(arguments));
  }
}

void MutterSession::keycode(std::uint32_t evdevCode, bool down) {
  notify("NotifyKeyboardKeycode", g_variant_new("(ub)", evdevCode, down ? TRUE : FALSE));
}

void MutterSession::keysym(std::uint32_t keysym, bool down) {
  notify("NotifyKeyboardKeysym", g_variant_new("(ub)", keysym, down ? TRUE : FALSE));
}

void MutterSession::button(std::uint32_t evdevButton, bool down) {
  notify("NotifyPointerButton", g_variant_new("(ib)", static_cast<gint32>(evdevButton), down ? TRUE : FALSE));
}

void MutterSession::moveTo(double x, double y) {
  if (!streamPath.empty()) {
    notify("NotifyPointerMotionAbsolute", g_variant_new("(sdd)", streamPath.c_str(), x, y));
    return;
  }
  // Farther than any desktop is wide: the move ends at the corner.
  constexpr double toTheCorner = -100000;
  notify("NotifyPointerMotionRelative", g_variant_new("(dd)", toTheCorner, toTheCorner));
  notify("NotifyPointerMotionRelative", g_variant_new("(dd)", x, y));
}

// A property read is answered by mutter's main thread, after the requests before it.
void MutterSession::roundTrip() {
  owner.assertCurrent("MutterSession::roundTrip");
  if (!isOpen()) return;
  try {
    bus.call(service, sessionPath.c_str(), "org.freedesktop.DBus.Properties", "Get",
             g_variant_new("(ss)", sessionInterface, "SessionId"), "SessionId");
  } catch (const RemoteDesktopError&) {
    sessionPath.clear();
  }
}

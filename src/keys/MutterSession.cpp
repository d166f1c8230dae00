#include "keys/MutterSession.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

constexpr const char* service = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

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

void MutterSession::open() {
  owner.assertCurrent("MutterSession::open");
  if (isOpen()) return;
  const GVariantPtr created = bus.call(service, "/org/gnome/Mutter/RemoteDesktop", service, "CreateSession", nullptr,
                                       "GNOME offers no remote-desktop session");
  const gchar* path = nullptr;
  g_variant_get(created.get(), "(&o)", &path);
  const std::string opened = path;
  bus.call(service, opened.c_str(), sessionInterface, "Start", nullptr, "GNOME did not start the session");
  sessionPath = opened;
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

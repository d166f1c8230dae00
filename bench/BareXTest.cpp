#include "BareXTest.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <memory>
#include <stdexcept>

void typeWithBareXTest(const std::string& displayName, const std::string& text) {
  const std::unique_ptr<Display, decltype(&XCloseDisplay)> connection(XOpenDisplay(displayName.c_str()), XCloseDisplay);
  if (!connection) throw std::runtime_error("cannot open " + displayName);
  Display* dpy = connection.get();
  struct Key {
    ::KeyCode code = 0;
    bool shift = false;
  };
  std::array<Key, 128> keys{};
  for (unsigned c = 0x20; c < 0x7f; ++c) {
    keys[c].code = XKeysymToKeycode(dpy, c);
    keys[c].shift = XkbKeycodeToKeysym(dpy, keys[c].code, 0, 0) != c;
  }
  keys['\x03'].code = XKeysymToKeycode(dpy, XK_Return);
  const ::KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);
  const auto tap = [dpy](::KeyCode code) {
    XTestFakeKeyEvent(dpy, code, True, 0);
    XTestFakeKeyEvent(dpy, code, False, 0);
  };
  for (const char c : text) {
    const Key& key = keys[static_cast<unsigned char>(c) & 0x7f];
    if (key.shift) XTestFakeKeyEvent(dpy, shift, True, 0);
    tap(key.code);
    if (key.shift) XTestFakeKeyEvent(dpy, shift, False, 0);
  }
  tap(XKeysymToKeycode(dpy, XK_Escape));
  XSync(dpy, False);
}

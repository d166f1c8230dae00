#include "support/XKeyboardProbe.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <memory>
#include <stdexcept>
#include <utility>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

using Connection = std::unique_ptr<Display, DisplayCloser>;

Connection connect(const std::string& name) {
  Connection display(XOpenDisplay(name.c_str()));
  if (!display) throw std::runtime_error("cannot open display " + name);
  return display;
}

}  // namespace

XKeyboardProbe::XKeyboardProbe(std::string displayName) : name(std::move(displayName)) {}

bool XKeyboardProbe::isBound(std::uint32_t keysym) const {
  const Connection display = connect(name);
  return XKeysymToKeycode(display.get(), keysym) != 0;
}

bool XKeyboardProbe::numLockOn() const {
  const Connection display = connect(name);
  XkbStateRec state{};
  if (XkbGetState(display.get(), XkbUseCoreKbd, &state) != Success) throw std::runtime_error("cannot read XKB state");
  return (state.locked_mods & XkbKeysymToModifiers(display.get(), XK_Num_Lock)) != 0;
}

bool XKeyboardProbe::anythingHeld() const {
  const Connection display = connect(name);
  char keys[32] = {};
  XQueryKeymap(display.get(), keys);
  for (const char byte : keys) {
    if (byte != 0) return true;
  }
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int x = 0;
  int y = 0;
  unsigned mask = 0;
  XQueryPointer(display.get(), DefaultRootWindow(display.get()), &root, &child, &rootX, &rootY, &x, &y, &mask);
  return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

void XKeyboardProbe::setNumLock(bool on) const {
  const Connection display = connect(name);
  const unsigned mask = XkbKeysymToModifiers(display.get(), XK_Num_Lock);
  if (mask == 0) throw std::runtime_error("no modifier is bound to NumLock");
  XkbLockModifiers(display.get(), XkbUseCoreKbd, mask, on ? mask : 0);
  XSync(display.get(), False);
}

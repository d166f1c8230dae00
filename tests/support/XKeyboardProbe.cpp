#include "support/XKeyboardProbe.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

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

// The modifier a lock key sets, such as Mod2 for NumLock.
unsigned lockMask(Display* display, KeySym lockKey) {
  const unsigned mask = XkbKeysymToModifiers(display, lockKey);
  if (mask == 0) throw std::runtime_error("no modifier is bound to the lock key");
  return mask;
}

bool lockOn(const std::string& name, KeySym lockKey) {
  const Connection display = connect(name);
  XkbStateRec state{};
  if (XkbGetState(display.get(), XkbUseCoreKbd, &state) != Success) throw std::runtime_error("cannot read XKB state");
  return (state.locked_mods & lockMask(display.get(), lockKey)) != 0;
}

void setLock(const std::string& name, KeySym lockKey, bool on) {
  const Connection display = connect(name);
  const unsigned mask = lockMask(display.get(), lockKey);
  XkbLockModifiers(display.get(), XkbUseCoreKbd, mask, on ? mask : 0);
  XSync(display.get(), False);
}

// The modifiers and buttons held, as the core pointer's state mask.
unsigned pointerState(Display* display) {
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int x = 0;
  int y = 0;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
  return mask;
}

}  // namespace

XKeyboardProbe::XKeyboardProbe(std::string displayName) : name(std::move(displayName)) {}

bool XKeyboardProbe::isBound(std::uint32_t keysym) const {
  const Connection display = connect(name);
  return XKeysymToKeycode(display.get(), keysym) != 0;
}

bool XKeyboardProbe::numLockOn() const { return lockOn(name, XK_Num_Lock); }

bool XKeyboardProbe::anythingHeld() const {
  const Connection display = connect(name);
  char keys[32] = {};
  XQueryKeymap(display.get(), keys);
  for (const char byte : keys) {
    if (byte != 0) return true;
  }
  return (pointerState(display.get()) & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

bool XKeyboardProbe::shiftControlAltAndLeftButtonHeld() const {
  const unsigned all = ShiftMask | ControlMask | Mod1Mask | Button1Mask;
  return (pointerState(connect(name).get()) & all) == all;
}

void XKeyboardProbe::setNumLock(bool on) const { setLock(name, XK_Num_Lock, on); }

bool XKeyboardProbe::capsLockOn() const { return lockOn(name, XK_Caps_Lock); }

void XKeyboardProbe::setCapsLock(bool on) const { setLock(name, XK_Caps_Lock, on); }

void XKeyboardProbe::pressKeys(const std::vector<std::string>& keysyms, bool down) const {
  const Connection display = connect(name);
  std::vector<KeyCode> keys;
  for (const std::string& keysym : keysyms) {
    const KeyCode key = XKeysymToKeycode(display.get(), XStringToKeysym(keysym.c_str()));
    if (key == 0) throw std::runtime_error("no key gives " + keysym);
    keys.push_back(key);
  }
  if (!down) std::reverse(keys.begin(), keys.end());
  for (const KeyCode key : keys) XTestFakeKeyEvent(display.get(), key, down ? True : False, CurrentTime);
  XSync(display.get(), False);
}

std::uint64_t XKeyboardProbe::focusWindow() const {
  const Connection display = connect(name);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display.get(), &focus, &revert);
  return focus;
}

void XKeyboardProbe::setFocus(std::uint64_t window) const {
  const Connection display = connect(name);
  XSetInputFocus(display.get(), window, RevertToPointerRoot, CurrentTime);
  XSync(display.get(), False);
}

std::uint64_t XKeyboardProbe::windowAt(int x, int y) const {
  const Connection display = connect(name);
  const Window root = DefaultRootWindow(display.get());
  Window child = 0;
  int childX = 0;
  int childY = 0;
  XTranslateCoordinates(display.get(), root, root, x, y, &childX, &childY, &child);
  return child;
}

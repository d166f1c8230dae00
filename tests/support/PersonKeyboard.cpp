#include "support/PersonKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

struct PersonKeyboard::State {
  Display* dpy = nullptr;
  XDevice* device = nullptr;

  void send(const std::string& keysym, bool down) const {
    const KeyCode keycode = XKeysymToKeycode(dpy, XStringToKeysym(keysym.c_str()));
    if (keycode == 0) throw std::runtime_error("no key gives " + keysym);
    XTestFakeDeviceKeyEvent(dpy, device, keycode, down ? True : False, nullptr, 0, CurrentTime);
    XSync(dpy, False);
  }
};

PersonKeyboard::PersonKeyboard(const std::string& displayName) : state(std::make_unique<State>()) {
  state->dpy = XOpenDisplay(displayName.c_str());
  if (state->dpy == nullptr) throw std::runtime_error("cannot open display " + displayName);
  int count = 0;
  XIDeviceInfo* devices = XIQueryDevice(state->dpy, XIAllDevices, &count);
  XID found = 0;
  for (int i = 0; i < count; ++i) {
    if (std::string(devices[i].name) == "Xvfb keyboard") found = static_cast<XID>(devices[i].deviceid);
  }
  XIFreeDeviceInfo(devices);
  if (found != 0) state->device = XOpenDevice(state->dpy, found);
  if (state->device == nullptr) {
    XCloseDisplay(state->dpy);
    throw std::runtime_error("the display has no Xvfb keyboard");
  }
}

PersonKeyboard::~PersonKeyboard() {
  XCloseDevice(state->dpy, state->device);
  XCloseDisplay(state->dpy);
}

void PersonKeyboard::press(const std::string& keysym) { state->send(keysym, true); }

void PersonKeyboard::release(const std::string& keysym) { state->send(keysym, false); }

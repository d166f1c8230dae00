#include "input/x11/UserKeyboardHold.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <array>
#include <memory>

namespace {

struct DeviceInfoDeleter {
  void operator()(XIDeviceInfo* info) const { XIFreeDeviceInfo(info); }
};

struct XFreeDeleter {
  void operator()(unsigned char* data) const { XFree(data); }
};

// Whether the device is one of the server's XTEST devices, by the property the server gives them.
bool isXTestDevice(Display* dpy, int device) {
  const Atom property = XInternAtom(dpy, "XTEST Device", True);
  if (property == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* raw = nullptr;
  const Status status =
      XIGetProperty(dpy, device, property, 0, 1, False, XA_INTEGER, &type, &format, &items, &after, &raw);
  const std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  return status == Success && items == 1 && format == 8 && data && data.get()[0] != 0;
}

}  // namespace

UserKeyboardHold::UserKeyboardHold(Display* display) : dpy(display) {
  int event = 0;
  int error = 0;
  if (XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error) == False) {
    opcode = -1;
    return;
  }
  int major = 2;
  int minor = 0;
  if (XIQueryVersion(dpy, &major, &minor) != Success) opcode = -1;
}

// Keyboards attached to the core keyboard: floating ones never reach a window through it.
std::vector<int> UserKeyboardHold::userKeyboards() {
  int count = 0;
  const std::unique_ptr<XIDeviceInfo, DeviceInfoDeleter> devices(XIQueryDevice(dpy, XIAllDevices, &count));
  int core = -1;
  for (int i = 0; i < count; ++i) {
    // The core keyboard is the master paired with the core pointer, which is always device 2.
    if (devices.get()[i].use == XIMasterKeyboard && devices.get()[i].attachment == 2) core = devices.get()[i].deviceid;
  }
  std::vector<int> keyboards;
  for (int i = 0; i < count; ++i) {
    const XIDeviceInfo& device = devices.get()[i];
    if (device.use != XISlaveKeyboard || device.attachment != core || !device.enabled) continue;
    if (ownDevice < 0 && isXTestDevice(dpy, device.deviceid)) ownDevice = device.deviceid;
    if (device.deviceid != ownDevice) keyboards.push_back(device.deviceid);
  }
  return keyboards;
}

bool UserKeyboardHold::take(const KeycodeSet& ownKeys) {
  if (opcode < 0 || held()) return held();
  std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
  XISetMask(bits.data(), XI_KeyPress);
  XIEventMask mask{XIAllDevices, static_cast<int>(bits.size()), bits.data()};
  const Window root = XDefaultRootWindow(dpy);
  for (const int device : userKeyboards()) {
    mask.deviceid = device;
    // A device another client holds stays as it is; the others are still worth holding.
    if (XIGrabDevice(dpy, device, root, CurrentTime, None, XIGrabModeAsync, XIGrabModeAsync, False, &mask) ==
        Success) {
      grabbed.push_back(device);
    }
  }
  if (grabbed.empty()) return false;
  // Asked after the grabs: whatever the core keyboard shows now went down before them.
  std::array<char, 32> down{};
  XQueryKeymap(dpy, down.data());
  for (std::size_t keycode = 8; keycode < ownKeys.size(); ++keycode) {
    const bool isDown = (static_cast<unsigned char>(down[keycode / 8]) & (1U << (keycode % 8))) != 0;
    if (isDown && !ownKeys.test(keycode)) {
      letGo();
      return false;
    }
  }
  return true;
}

void UserKeyboardHold::letGo() {
  for (const int device : grabbed) XIUngrabDevice(dpy, device, CurrentTime);
  grabbed.clear();
  XFlush(dpy);
}

std::optional<UserKeyboardHold::Press> UserKeyboardHold::pressOf(XEvent& event) {
  XGenericEventCookie& cookie = event.xcookie;
  if (opcode < 0 || cookie.type != GenericEvent || cookie.extension != opcode || cookie.evtype != XI_KeyPress) {
    return std::nullopt;
  }
  if (XGetEventData(dpy, &cookie) == False) return std::nullopt;
  const auto* key = static_cast<const XIDeviceEvent*>(cookie.data);
  std::optional<Press> press;
  // Presses the server repeats while a key stays down are no new press.
  if ((key->flags & XIKeyRepeat) == 0) {
    press = Press{static_cast<std::uint8_t>(key->detail), static_cast<unsigned>(key->mods.effective)};
  }
  XFreeEventData(dpy, &cookie);
  return press;
}

#include "keys/HeldInputWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <span>

#include "keys/XDisplay.h"

namespace {

// The guardian's one connection: an error (the marker already gone) is noted, not fatal.
bool errorSeen = false;

int noteError(Display*, XErrorEvent*) {
  errorSeen = true;
  return 0;
}

Bool isMarkerGone(Display*, XEvent* event, XPointer marker) {
  return event->type == DestroyNotify && event->xdestroywindow.window == *reinterpret_cast<Window*>(marker) ? True
                                                                                                           : False;
}

void awaitDestruction(Display* dpy, Window marker) {
  if (marker == None) return;
  errorSeen = false;
  XSelectInput(dpy, marker, StructureNotifyMask);
  XSync(dpy, False);
  if (errorSeen) return;
  XEvent event{};
  XIfEvent(dpy, &event, &isMarkerGone, reinterpret_cast<XPointer>(&marker));
}

}  // namespace

int HeldInputWatch::serve(int channel, const std::string& displayName) {
  std::optional<HeldInputSet::Contents> last;
  HeldInputSet::Snapshot bytes{};
  for (;;) {
    const ssize_t received = ::recv(channel, bytes.data(), bytes.size(), 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) break;
    if (const auto contents = HeldInputSet::decode(std::span(bytes.data(), static_cast<std::size_t>(received)))) {
      last = contents;
    }
  }
  ::close(channel);
  if (!last || last->empty()) return 0;
  return release(*last, displayName) ? 0 : 1;
}

bool HeldInputWatch::release(const HeldInputSet::Contents& held, const std::string& displayName) {
  try {
    const XDisplay display(displayName);
    Display* dpy = display.get();
    XSetErrorHandler(&noteError);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == False) return false;
    awaitDestruction(dpy, static_cast<Window>(held.marker));
    char down[32] = {};
    XQueryKeymap(dpy, down);
    for (std::size_t code = 0; code < held.keys.size(); ++code) {
      if (held.keys.test(code) && (static_cast<unsigned char>(down[code / 8]) >> (code % 8) & 1U) != 0) {
        XTestFakeKeyEvent(dpy, static_cast<unsigned>(code), False, CurrentTime);
      }
    }
    Window root = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, XDefaultRootWindow(dpy), &root, &child, &rootX, &rootY, &x, &y, &mask);
    for (unsigned button = 1; button <= HeldInputSet::maxButton; ++button) {
      if ((held.buttons & (1U << (button - 1))) != 0 && (mask & (Button1Mask << (button - 1))) != 0) {
        XTestFakeButtonEvent(dpy, button, False, CurrentTime);
      }
    }
    XSync(dpy, False);
    return true;
  } catch (const XError&) {
    return false;
  }
}

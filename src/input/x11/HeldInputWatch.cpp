#include "input/x11/HeldInputWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <span>

#include "input/x11/XDisplay.h"

namespace {

// The guardian's one connection: an error (the marker already gone) is noted, not fatal.
bool errorSeen = false;

int noteError(Display*, XErrorEvent*) {
  errorSeen = true;
  return 0;
}

Bool isDestroyNotify(Display*, XEvent* event, XPointer window) {
  return event->type == DestroyNotify && event->xdestroywindow.window == *reinterpret_cast<Window*>(window) ? True
                                                                                                           : False;
}

std::unique_ptr<XDisplay> open(const std::string& name) {
  try {
    auto display = std::make_unique<XDisplay>(name);
    XSetErrorHandler(&noteError);
    return display;
  } catch (const XError&) {
    return nullptr;
  }
}

}  // namespace

HeldInputWatch::HeldInputWatch(const std::string& displayName) : name(displayName), display(open(name)) {}

HeldInputWatch::~HeldInputWatch() = default;

int HeldInputWatch::serve(int channel) {
  std::optional<HeldInputSet::Contents> last;
  HeldInputSet::Snapshot bytes{};
  for (;;) {
    const ssize_t received = ::recv(channel, bytes.data(), bytes.size(), 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) break;
    if (const auto contents = HeldInputSet::decode(std::span(bytes.data(), static_cast<std::size_t>(received)))) {
      watch(contents->marker);
      last = contents;
    }
  }
  ::close(channel);
  if (!last || last->empty()) return 0;
  return release(*last) ? 0 : 1;
}

void HeldInputWatch::watch(std::uint32_t marker) {
  if (marker == watched || !display) return;
  watched = marker;
  errorSeen = false;
  XSelectInput(display->get(), static_cast<Window>(marker), StructureNotifyMask);
  XSync(display->get(), False);
  markerGone = errorSeen;
}

void HeldInputWatch::awaitMarkerGone() {
  if (watched == 0 || markerGone) return;
  XEvent event{};
  auto window = static_cast<Window>(watched);
  XIfEvent(display->get(), &event, &isDestroyNotify, reinterpret_cast<XPointer>(&window));
}

bool HeldInputWatch::release(const HeldInputSet::Contents& held) {
  if (!display) {
    // The marker is not watched: a display reached only now cannot tell whether the program's
    // last requests are done, but letting go late beats never.
    display = open(name);
    if (!display) return false;
  }
  Display* dpy = display->get();
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == False) return false;
  awaitMarkerGone();
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
}

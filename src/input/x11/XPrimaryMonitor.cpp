#include "input/x11/XPrimaryMonitor.h"

#include <X11/extensions/Xrandr.h>

#include <memory>

namespace {

// Catches the X errors of one connection while it lives; errors of other connections go to the
// handler that was installed before. Xlib keeps one handler per process, so traps do not nest.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : dpy(display), previous(XSetErrorHandler(&record)) { active = this; }
  ~ErrorTrap() {
    XSync(dpy, False);
    XSetErrorHandler(previous);
    active = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the answers to everything sent so far, then tells whether any was an error.
  [[nodiscard]] bool failed() {
    XSync(dpy, False);
    return caught;
  }

 private:
  static int record(Display* display, XErrorEvent* error) {
    if (active != nullptr && display == active->dpy) {
      active->caught = true;
      return 0;
    }
    if (active != nullptr && active->previous != nullptr) {
      return active->previous(display, error);
    }
    return 0;
  }

  static inline ErrorTrap* active = nullptr;
  Display* dpy;
  XErrorHandler previous;
  bool caught = false;
};

struct ResourcesDeleter {
  void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputDeleter {
  void operator()(XRROutputInfo* output) const { XRRFreeOutputInfo(output); }
};
struct CrtcDeleter {
  void operator()(XRRCrtcInfo* crtc) const { XRRFreeCrtcInfo(crtc); }
};
using ScreenResources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

}  // namespace

XPrimaryMonitor::XPrimaryMonitor(Display* display) : dpy(display) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XRRQueryExtension(dpy, &eventBase, &errorBase) != False && XRRQueryVersion(dpy, &major, &minor) != 0 &&
      (major > 1 || (major == 1 && minor >= 3))) {
    randrEventBase = eventBase;
    XRRSelectInput(dpy, XDefaultRootWindow(dpy),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
}

bool XPrimaryMonitor::handle(XEvent& event) {
  if (randrEventBase < 0 || event.type < randrEventBase || event.type >= randrEventBase + RRNumberEvents) {
    return false;
  }
  XRRUpdateConfiguration(&event);
  known = false;
  return true;
}

std::optional<XPrimaryMonitor::Rectangle> XPrimaryMonitor::get() {
  if (!known) {
    monitor = query();
    known = true;
  }
  return monitor;
}

std::optional<XPrimaryMonitor::Rectangle> XPrimaryMonitor::query() const {
  if (randrEventBase < 0) {
    return std::nullopt;
  }
  const Window root = XDefaultRootWindow(dpy);
  ErrorTrap trap(dpy);
  const ScreenResources resources(XRRGetScreenResourcesCurrent(dpy, root));
  const RROutput output = XRRGetOutputPrimary(dpy, root);
  if (!resources || output == None) {
    return std::nullopt;
  }
  const OutputInfo outputInfo(XRRGetOutputInfo(dpy, resources.get(), output));
  if (!outputInfo || outputInfo->crtc == None) {
    return std::nullopt;
  }
  const CrtcInfo crtc(XRRGetCrtcInfo(dpy, resources.get(), outputInfo->crtc));
  if (!crtc || crtc->width == 0 || crtc->height == 0 || trap.failed()) {
    return std::nullopt;
  }
  return Rectangle{crtc->x, crtc->y, static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
}

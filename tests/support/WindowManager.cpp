#include "support/WindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// A window manager that follows the desktop conventions names its check window on the root once
// it has taken the screen over.
Window checkWindow(Display* display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                        &format, &count, &after, &data);
  Window found = None;
  if (status == Success && type == XA_WINDOW && format == 32 && count == 1) {
    found = *reinterpret_cast<Window*>(data);
  }
  if (data != nullptr) XFree(data);
  return found;
}

}  // namespace

WindowManager::WindowManager() {
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) throw std::runtime_error("no display for the window manager");
  // A window manager that ended before may have left its stale name behind.
  XDeleteProperty(display.get(), DefaultRootWindow(display.get()),
                  XInternAtom(display.get(), "_NET_SUPPORTING_WM_CHECK", False));
  XSync(display.get(), False);
  ChildProcess::Options options;
  options.argv = {"openbox", "--sm-disable"};
  options.out = ChildProcess::Output::discard;
  options.err = ChildProcess::Output::discard;
  openbox.emplace(options);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (checkWindow(display.get()) == None) {
    if (openbox->wait(std::chrono::steady_clock::now()).has_value()) throw std::runtime_error("openbox ended at start");
    if (std::chrono::steady_clock::now() >= deadline) throw std::runtime_error("openbox took no screen over");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Openbox gives its windows back to the root as it ends; waiting for it keeps the next test from
// meeting a half-gone window manager.
WindowManager::~WindowManager() { openbox->stop(); }

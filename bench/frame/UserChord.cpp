#include "UserChord.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <memory>
#include <stdexcept>

std::chrono::steady_clock::time_point pressChord(const std::string& displayName, const std::vector<std::string>& keys) {
  const std::unique_ptr<Display, decltype(&XCloseDisplay)> connection(XOpenDisplay(displayName.c_str()), XCloseDisplay);
  if (!connection) throw std::runtime_error("cannot open " + displayName);
  Display* dpy = connection.get();
  std::vector<unsigned> codes;
  for (const std::string& key : keys) codes.push_back(XKeysymToKeycode(dpy, XStringToKeysym(key.c_str())));
  for (const unsigned code : codes) XTestFakeKeyEvent(dpy, code, True, 0);
  XSync(dpy, False);
  const auto pressed = std::chrono::steady_clock::now();
  for (auto code = codes.rbegin(); code != codes.rend(); ++code) XTestFakeKeyEvent(dpy, *code, False, 0);
  XSync(dpy, False);
  return pressed;
}

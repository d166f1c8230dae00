#include "input/x11/XDisplay.h"

#include <X11/Xlib.h>

namespace {

std::string describe(const std::string& name) {
  if (!name.empty()) {
    return name;
  }
  const char* fromEnvironment = XDisplayName(nullptr);
  return fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "(DISPLAY not set)";
}

}  // namespace

XDisplay::XDisplay(const std::string& name)
    : display(XOpenDisplay(name.empty() ? nullptr : name.c_str())) {
  if (display == nullptr) {
    throw XError("Cannot open X display " + describe(name));
  }
}

XDisplay::~XDisplay() { XCloseDisplay(display); }

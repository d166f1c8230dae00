#include "shell/StopControls.h"

namespace StopControls {

Surface surface(const Run& run, const Toolkit& toolkit) {
  const bool needed = run.typesThroughWayland || (!run.trayIconShown && !run.stopKeyGrabbed);
  if (!needed) return Surface::none;
  switch (toolkit.display) {
    case Display::wayland: return toolkit.layerShell ? Surface::layerShell : Surface::none;
    case Display::x11: return Surface::x11Window;
    case Display::other: break;
  }
  return Surface::none;
}

std::string stopKeyNote(std::string_view keyName, const Run& run) {
  if (!run.stopKeyGrabbed) return {};
  std::string note(keyName);
  note += run.typesThroughWayland ? " ends the run in X11 windows" : " ends the run";
  return note;
}

}  // namespace StopControls

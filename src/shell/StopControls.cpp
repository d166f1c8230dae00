#include "shell/StopControls.h"

#include <vector>

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

std::string howToStop(std::string_view keyName, const Run& run, Surface surface) {
  std::vector<std::string> ways;
  if (run.stopKeyGrabbed) {
    ways.push_back("press " + std::string(keyName) + (run.typesThroughWayland ? " in an X11 window" : ""));
  }
  if (run.trayIconShown) ways.emplace_back("click Zentak's icon");
  if (surface != Surface::none) ways.push_back("click \"" + std::string(endSequenceText) + "\" at the top right");
  if (ways.empty()) return "To end the run, end Zentak.";
  std::string text = "To end the run, " + ways.front();
  for (std::size_t i = 1; i < ways.size(); ++i) (text += i + 1 == ways.size() ? " or " : ", ") += ways[i];
  return text + ".";
}

}  // namespace StopControls

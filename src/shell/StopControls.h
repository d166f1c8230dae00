#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a run offers the user to end it besides the stop key, and what those controls say. Plain
// decisions, without windows: the notification-area icon where the desktop has a notification
// area, and a small stop window where neither the icon nor the key can be relied on.
namespace StopControls {

// The label of the control that ends the run, on the icon's menu and on the stop window.
inline constexpr std::string_view endSequenceText = "End Sequence Now";

// The run as it starts.
struct Run {
  // The run types through the Wayland virtual keyboard: its target is most likely a native
  // Wayland window, where the X stop key and an XEmbed icon see nothing.
  bool typesThroughWayland = false;
  bool trayIconShown = false;
  bool stopKeyGrabbed = false;
};

// The display the toolkit draws on.
enum class Display : std::uint8_t { x11, wayland, other };
struct Toolkit {
  Display display = Display::other;
  // The Wayland compositor offers layer-shell surfaces.
  bool layerShell = false;
};

// The stop window's kind: none; a layer-shell surface of the Wayland compositor that takes no
// keyboard input; an X11 window that the window manager neither manages nor focuses.
enum class Surface : std::uint8_t { none, layerShell, x11Window };

// Which stop window a run shows. An ordinary Wayland window would take the keyboard focus from
// the window the run types into, so a Wayland toolkit without layer shell shows none.
[[nodiscard]] Surface surface(const Run& run, const Toolkit& toolkit);

// The line saying how the stop key ends the run, or nothing when the key was not grabbed; on
// Wayland it works only while an X11 window has the focus.
[[nodiscard]] std::string stopKeyNote(std::string_view keyName, const Run& run);

// The sentence telling, as the run is armed, every way it offers to end it: the stop key, a
// click on the icon, the stop window's button (shown on surface).
[[nodiscard]] std::string howToStop(std::string_view keyName, const Run& run, Surface surface);

}  // namespace StopControls

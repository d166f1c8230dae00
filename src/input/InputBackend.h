#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Which of the desktop's input services a run types through, as the user asks for it and as it
// turns out, and what the user is told about it. Plain decisions, without the services.
namespace InputBackend {

// The user's setting: probe (Wayland first when the session is one), or one service only:
// wayland is the virtual keyboard of wlroots compositors, kde KWin's fake input, portal the
// desktop portal's remote desktop. GNOME's own remote-desktop interface (mutter) is an unstable
// one and only ever chosen.
enum class Choice : std::uint8_t { automatic, wayland, x11, kde, portal, mutter };
// The service in use.
enum class Used : std::uint8_t { none, wayland, x11, kde, portal, mutter };

// The setting's text in the settings file: "auto", "wayland", "x11", "kde", "portal" or
// "mutter"; nothing for another text.
[[nodiscard]] std::optional<Choice> parse(std::string_view text);
[[nodiscard]] std::string_view format(Choice choice);

// Whether to try the wlroots virtual keyboard, KWin's fake input, the desktop portal's and the
// X11 service, in that order, and mutter's, for a session that has a Wayland compositor
// (waylandSession) or not.
struct Plan {
  bool tryWayland = false;
  bool tryX11 = false;
  bool tryKde = false;
  bool tryPortal = false;
  bool tryMutter = false;
};
[[nodiscard]] Plan plan(Choice choice, bool waylandSession);

// Whether the service types into native Wayland windows, where the X display's stop key sees
// nothing.
[[nodiscard]] bool typesIntoWaylandWindows(Used used);

// The service's name as the status bar shows it.
[[nodiscard]] std::string_view name(Used used);

// What the user must know before the first run, or nothing: that nothing is typed at all, or
// that on a Wayland desktop only X11 windows receive the input.
[[nodiscard]] std::optional<std::string> notice(Used used, Choice choice, bool waylandSession);

}  // namespace InputBackend

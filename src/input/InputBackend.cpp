#include "input/InputBackend.h"

namespace InputBackend {

std::optional<Choice> parse(std::string_view text) {
  if (text == "auto") return Choice::automatic;
  if (text == "wayland") return Choice::wayland;
  if (text == "x11") return Choice::x11;
  if (text == "kde") return Choice::kde;
  if (text == "portal") return Choice::portal;
  if (text == "mutter") return Choice::mutter;
  return std::nullopt;
}

std::string_view format(Choice choice) {
  switch (choice) {
    case Choice::wayland: return "wayland";
    case Choice::x11: return "x11";
    case Choice::kde: return "kde";
    case Choice::portal: return "portal";
    case Choice::mutter: return "mutter";
    case Choice::automatic: break;
  }
  return "auto";
}

Plan plan(Choice choice, bool waylandSession) {
  switch (choice) {
    case Choice::wayland: return {.tryWayland = true};
    case Choice::x11: return {.tryX11 = true};
    case Choice::kde: return {.tryKde = true};
    case Choice::portal: return {.tryPortal = true};
    case Choice::mutter: return {.tryMutter = true};
    case Choice::automatic: break;
  }
  // On X11 the desktop's portal would type into the same windows as XTest, with a consent to ask.
  return {.tryWayland = waylandSession, .tryX11 = true, .tryKde = waylandSession, .tryPortal = waylandSession};
}

bool typesIntoWaylandWindows(Used used) {
  return used == Used::wayland || used == Used::kde || used == Used::portal || used == Used::mutter;
}

std::string_view name(Used used) {
  switch (used) {
    case Used::wayland: return "Types with: Wayland virtual keyboard";
    case Used::x11: return "Types with: X11 (XTest)";
    case Used::kde: return "Types with: KWin fake input";
    case Used::portal: return "Types with: desktop portal (remote desktop)";
    case Used::mutter: return "Types with: GNOME remote desktop (mutter)";
    case Used::none: break;
  }
  return "Types with: nothing (no desktop input)";
}

std::optional<std::string> notice(Used used, Choice choice, bool waylandSession) {
  if (used == Used::none && choice == Choice::kde) {
    return "KWin offers Zentak no fake input: it grants it only to a program whose menu entry (a .desktop "
           "file) has the line X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input and names the program's "
           "full path in its Exec line.\nThe run goes on, but types nothing.";
  }
  if (used == Used::none) {
    return "Zentak finds no way to type on this desktop: it needs a Wayland compositor that offers a "
           "virtual keyboard (such as sway), the desktop portal's remote desktop (GNOME) or an X display "
           "with XTEST.\nThe run goes on, but types nothing.";
  }
  if (used == Used::x11 && waylandSession && choice == Choice::automatic) {
    return "This Wayland desktop offers Zentak no virtual keyboard, so Zentak types only into X11 "
           "(XWayland) windows: native Wayland windows receive nothing.";
  }
  return std::nullopt;
}

}  // namespace InputBackend

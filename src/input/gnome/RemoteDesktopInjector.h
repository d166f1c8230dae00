#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "keys/InputPacer.h"
#include "keys/Injector.h"
#include "keys/KeyboardLayout.h"
#include "input/bus/RemoteDesktopSession.h"
#include "keys/VirtualKeymap.h"
#include "input/wayland/WaylandConnection.h"
#include "tern/OwnerThread.h"

// Injects input through a desktop's remote-desktop session (the desktop portal's, on GNOME or
// Plasma, or mutter's own interface). Characters go as keysyms, which the desktop types with its
// own layout and levels; named keys and the keys of the typing block go as key codes of their US
// positions. As a layout it knows no key, so that every character of a text is typed as a
// keysym. Which characters the desktop can type it learns from the keymap the compositor hands a
// keyboard of this program's own Wayland connection, following its changes, and skips the others
// (the desktop would drop them); without that connection every character counts as typeable.
// The session is opened by open(), or at the first input; input is dropped while it cannot be
// had. Mouse positions are pixels of the primary monitor, exact where the session has a
// screen-cast stream of it, near otherwise. Held keys and buttons are released on destruction.
// UI thread only.
class RemoteDesktopInjector final : public Injector, public KeyboardLayout {
 public:
  // waylandSocket: the desktop's compositor, whose keymap tells which characters its layout has;
  // empty, or a compositor that cannot be reached, for none.
  RemoteDesktopInjector(std::unique_ptr<RemoteDesktopSession> session, const InputPacer::Settings& pace,
                        const std::string& waylandSocket = {});
  ~RemoteDesktopInjector() override;
  RemoteDesktopInjector(const RemoteDesktopInjector&) = delete;
  RemoteDesktopInjector& operator=(const RemoteDesktopInjector&) = delete;

  // Opens the session now (asking consent where the desktop does); throws RemoteDesktopError
  // saying why it cannot be had. Without it, the first input opens the session; a session that
  // cannot be had is then asked for again only here.
  void open();

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  // Known once the session is open, from its screen-cast stream; empty before, and without one.
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  // False for a character the desktop's keymap has no key for: the desktop would drop its keysym.
  [[nodiscard]] bool canType(char32_t c) const override;
  void expectChars(std::u32string_view chars) override;
  void flush() override;

  // Takes up the keymap the compositor handed over since, if any.
  void sync() override;

  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t) const override { return std::nullopt; }

 private:
  [[nodiscard]] bool ready();
  void pace();

  const Tern::OwnerThread uiThread;
  std::unique_ptr<RemoteDesktopSession> session;
  // Declared before the keymap, which it outlives.
  std::unique_ptr<WaylandConnection> keyboard;
  std::optional<VirtualKeymap> desktopKeymap;
  InputPacer pacer;
  // US positions of the virtual-key codes.
  VirtualKeymap positions;
  bool openFailed = false;
  std::array<std::uint32_t, 256> heldKeyOfVk{};
  std::array<bool, 3> heldButtons{};
};

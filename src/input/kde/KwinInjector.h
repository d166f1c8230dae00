#pragma once

#include <memory>
#include <string>

#include "keys/Injector.h"
#include "keys/KeyboardLayout.h"
#include "input/wayland/WaylandConnection.h"

// Injects input into a KDE Plasma session through KWin's fake input, on a connection of its own,
// and answers layout lookups with the keymap KWin hands this connection's keyboard, in the layout
// KWin's keyboard types with (of several the user may switch between). KWin offers
// fake input only to a program whose desktop entry grants it, and takes keys as evdev codes of
// its own keyboard: a program cannot add keys, so a character the keymap has no key for is
// skipped. Modifiers are their keys, pressed around the key that needs them. Mouse positions are
// pixels of the union of all outputs, (0, 0) at its top-left corner. Held keys and buttons are
// released on destruction. UI thread only.
class KwinInjector : public Injector, public KeyboardLayout {
 public:
  // socket: the compositor's socket; empty for $WAYLAND_DISPLAY. busAddress: KWin's session bus,
  // which tells its active layout; empty for the environment's. Throws WaylandError when there
  // is no compositor to connect to, or it offers this program no fake input.
  explicit KwinInjector(const std::string& socket = {}, const std::string& busAddress = {});
  ~KwinInjector() override;
  KwinInjector(const KwinInjector&) = delete;
  KwinInjector& operator=(const KwinInjector&) = delete;

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  // Whether a key of KWin's keymap types c.
  [[nodiscard]] bool canType(char32_t c) const override;
  void flush() override;

  void sync() override;
  // Changes when KWin hands over another keymap or switches its layout (the user changed the
  // layouts, or switched between them), as sync() has seen.
  [[nodiscard]] std::uint64_t generation() const override;
  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t c) const override;

 private:
  struct State;
  std::unique_ptr<State> state;
};

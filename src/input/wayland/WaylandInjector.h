#pragma once

#include <memory>
#include <string>

#include "keys/Injector.h"
#include "keys/KeyboardLayout.h"
#include "input/wayland/WaylandConnection.h"

// Injects input into a Wayland session through the compositor's virtual keyboard and virtual
// pointer (the protocols of wlroots compositors), on a connection of its own, and answers
// layout lookups with the keymap it types with. That keymap is the one the compositor hands
// this connection's keyboard (or a layout named in Options), extended with keys for the
// characters it lacks; it is uploaded anew when it changes. Mouse positions are pixels of the
// union of all outputs, (0, 0) at its top-left corner. Held keys are released on destruction.
// UI thread only.
class WaylandInjector : public Injector, public KeyboardLayout {
 public:
  struct Options {
    // The compositor's socket; empty for $WAYLAND_DISPLAY.
    std::string display;
    // An XKB layout name (such as "de") to type with instead of the compositor's keymap.
    std::string layout;
  };

  // Throws WaylandError when there is no compositor to connect to, or it offers no virtual
  // keyboard or virtual pointer.
  explicit WaylandInjector(const Options& options);
  ~WaylandInjector() override;
  WaylandInjector(const WaylandInjector&) = delete;
  WaylandInjector& operator=(const WaylandInjector&) = delete;

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  void flush() override;

  void sync() override;
  // Changes when the injector takes up another keymap of the compositor's (the user switched
  // layouts); keys it adds for characters leave it as it is.
  [[nodiscard]] std::uint64_t generation() const override;
  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t c) const override;

 private:
  struct State;
  std::unique_ptr<State> state;
};

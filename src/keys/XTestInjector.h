#pragma once

#include <memory>
#include <string>

#include "keys/Injector.h"

class XDisplay;
class XKeymap;

// Injects input with the XTEST extension on a connection of its own. Key codes map to keys by
// keysym for named keys and by XKB key name (US position) for letters, digits and punctuation;
// a keysym the keymap lacks is bound to a spare keycode for as long as a target may still be
// reading it, and every binding is undone before destruction completes. UI thread only.
class XTestInjector : public Injector {
 public:
  // Throws XError when the display cannot be opened or lacks XTEST or XKB.
  explicit XTestInjector(const std::string& displayName = {});
  ~XTestInjector() override;

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  void flush() override;

 private:
  struct State;
  std::unique_ptr<State> state;
};

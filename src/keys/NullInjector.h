#pragma once

#include "keys/Injector.h"

// Drops all input: stands in when the display offers no way to inject any.
class NullInjector final : public Injector {
 public:
  void keyEvent(std::uint8_t, bool) override {}
  void mouseEvent(MouseButton, bool, int, int) override {}
  [[nodiscard]] ScreenSize screenSize() override { return {}; }
  void typeChar(char32_t) override {}
  void flush() override {}
};

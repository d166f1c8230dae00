#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/Injector.h"

// An injector that records what it is asked to inject, for tests and benchmarks.
class RecordingInjector : public Injector {
 public:
  struct Event {
    enum class Kind : std::uint8_t { key, mouse, typeChar, flush };
    Kind kind = Kind::key;
    std::uint8_t keyCode = 0;
    bool down = false;
    MouseButton button = MouseButton::left;
    int x = 0;
    int y = 0;
    char32_t character = 0;
    friend bool operator==(const Event&, const Event&) = default;
  };

  explicit RecordingInjector(ScreenSize size = {1024, 768}) : screen(size) {}

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override { return screen; }
  void typeChar(char32_t c) override;
  void expectChars(std::u32string_view chars) override { expected.assign(chars); }
  void flush() override;

  // The recorded events, flushes left out, one per line ("K 17 down", "M left up 5 6", "T 8364").
  [[nodiscard]] std::string describe() const;

  std::vector<Event> events;
  // The characters last announced by expectChars.
  std::u32string expected;

 private:
  ScreenSize screen;
};

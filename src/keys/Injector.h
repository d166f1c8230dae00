#pragma once

#include <cstdint>
#include <string_view>

enum class MouseButton : std::uint8_t { left, right, middle };

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// Where synthetic input goes. Key codes are the virtual-key numbers of the key-action list;
// mouse positions are pixels of the primary monitor. Implementations report nothing: a
// transition they cannot make is dropped. UI thread only.
class Injector {
 public:
  virtual ~Injector() = default;

  // One key transition of the key with the given virtual-key code.
  virtual void keyEvent(std::uint8_t keyCode, bool down) = 0;

  // Moves the pointer to (x, y) and makes one button transition there.
  virtual void mouseEvent(MouseButton button, bool down, int x, int y) = 0;

  // Width and height of the primary monitor in pixels.
  [[nodiscard]] virtual ScreenSize screenSize() = 0;

  // Types one Unicode character by whatever key, level or temporary binding produces it.
  virtual void typeChar(char32_t c) = 0;

  // Whether typeChar types c, rather than dropping it because no key of the desktop's layout
  // types it and the injector cannot add one.
  [[nodiscard]] virtual bool canType(char32_t c) const {
    static_cast<void>(c);
    return true;
  }

  // The characters the typeChar calls of the list about to be played type, in order, so that the
  // injector can make ready what they need in few steps; typeChar works without it.
  virtual void expectChars(std::u32string_view chars) { static_cast<void>(chars); }

  // Sends everything injected so far on its way, so that no event is held back.
  virtual void flush() = 0;

  // The text being typed is done, stopped or paused: what the injector holds for the length of
  // a text (the user's keyboards, kept apart so that their keys modify none of it) goes back.
  // A text typed in slices flushes after each slice and ends only once.
  virtual void endText() {}
};

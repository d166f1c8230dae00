#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keys/Injector.h"
#include "input/paste/PasteBoard.h"
#include "input/paste/PasteKey.h"
#include "tern/OwnerThread.h"

// Types through another injector, and pastes the characters that one cannot type: they gather
// until the next other input, then go on the clipboard and the paste key is pressed, so a run of
// them costs one paste and the order of everything typed holds. Modifiers the typing holds down
// are let go for the paste key and pressed again after it, so the window reads the paste key
// alone. Characters the board does not take are skipped, never typed as other ones. The injector
// and the board outlive this one. UI thread only.
class PastingInjector final : public Injector {
 public:
  PastingInjector(Injector& typing, PasteBoard& clipboard, PasteKey key);

  void keyEvent(std::uint8_t keyCode, bool down) override;
  void mouseEvent(MouseButton button, bool down, int x, int y) override;
  [[nodiscard]] ScreenSize screenSize() override;
  void typeChar(char32_t c) override;
  // Typed, or pasted while the desktop lets this program set the clipboard.
  [[nodiscard]] bool canType(char32_t c) const override;
  void expectChars(std::u32string_view chars) override;
  void flush() override;
  void endText() override;

 private:
  // Pastes the characters gathered so far, if any.
  void pastePending();

  const Tern::OwnerThread uiThread;
  Injector& inner;
  PasteBoard& board;
  const PasteKey pasteKey;
  // UTF-8.
  std::string pending;
  // The modifier keys held down now, in the order they were pressed.
  std::vector<std::uint8_t> held;
};

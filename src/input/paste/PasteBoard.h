#pragma once

#include <string>

// The desktop's clipboard as typing uses it for the characters the keyboard layout in force
// cannot type: they are put on the clipboard, the paste key is pressed, and the user's own
// clipboard is given back once the window that pastes has fetched them. UI thread only.
class PasteBoard {
 public:
  virtual ~PasteBoard() = default;

  // Whether the desktop lets this program set the clipboard at all.
  [[nodiscard]] virtual bool available() = 0;
  // Puts text (UTF-8) on the clipboard, keeping what the user had there to give back; false
  // when the desktop does not take it (nothing is then pasted).
  [[nodiscard]] virtual bool offer(const std::string& text) = 0;
  // After the paste key: serves the window that pastes until it has fetched the text, or a
  // few seconds have passed, then gives the user's clipboard back.
  virtual void finishPaste() = 0;
};

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads and sets the keyboard state of an X server on fresh connections, so that every answer
// reflects the server as it is now rather than a keymap cached earlier. Kept apart from the
// tests because the X headers' macros and type names clash with theirs.
class XKeyboardProbe {
 public:
  explicit XKeyboardProbe(std::string displayName);

  // Whether any key of the core keymap produces the keysym. Throws std::runtime_error when the
  // display cannot be opened, as do the others.
  [[nodiscard]] bool isBound(std::uint32_t keysym) const;

  [[nodiscard]] bool numLockOn() const;
  // Whether the server holds any key or pointer button down.
  [[nodiscard]] bool anythingHeld() const;
  // Whether Shift, Control, Alt (Mod1) and the left button are all held down.
  [[nodiscard]] bool shiftControlAltAndLeftButtonHeld() const;
  void setNumLock(bool on) const;
  [[nodiscard]] bool capsLockOn() const;
  void setCapsLock(bool on) const;

  // Presses the keys (X keysym names) in order, or lets go of them in reverse order, through
  // XTest in one go, as a user's keyboard would: they stay as they are after the call.
  void pressKeys(const std::vector<std::string>& keysyms, bool down) const;

  // The window that has the keyboard focus, and the topmost window of the screen at a point
  // (a child of the root), as X window ids.
  [[nodiscard]] std::uint64_t focusWindow() const;
  void setFocus(std::uint64_t window) const;
  [[nodiscard]] std::uint64_t windowAt(int x, int y) const;

 private:
  std::string name;
};

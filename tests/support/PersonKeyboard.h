#pragma once

#include <memory>
#include <string>

// The keyboard of the person at an Xvfb: the server's own keyboard device ("Xvfb keyboard"),
// attached to the core keyboard as a physical keyboard is, and another device than the XTEST one
// that programs type with. Its keys are made with XTEST's device requests; each call returns once
// the server has handled the key, so the order of the person's keys and a program's is fixed
// without any timing. Kept apart from the tests because the X headers' macros clash with theirs.
class PersonKeyboard {
 public:
  // Throws std::runtime_error when the display cannot be opened or has no such device.
  explicit PersonKeyboard(const std::string& displayName);
  ~PersonKeyboard();
  PersonKeyboard(const PersonKeyboard&) = delete;
  PersonKeyboard& operator=(const PersonKeyboard&) = delete;

  // The key of the keysym (X keysym name, such as "Shift_L").
  void press(const std::string& keysym);
  void release(const std::string& keysym);

 private:
  struct State;
  std::unique_ptr<State> state;
};

#pragma once

#include <cstdint>

// A key grab that keys typed by a run must pass by: the injector asks, before it presses a
// key, whether the grab covers that key, and if so lifts the grab around the press so that the
// press reaches the focused window instead. UI thread only.
class KeyGrabGuard {
 public:
  virtual ~KeyGrabGuard() = default;

  // Whether a press of this X keycode would be taken by the grab.
  [[nodiscard]] virtual bool covers(std::uint8_t keycode) const = 0;

  // Lifts the grab; returns once the X server has processed that, so that a key event sent on
  // any connection afterwards is no longer taken.
  virtual void suspend() noexcept = 0;

  // Puts the grab back after suspend.
  virtual void resume() noexcept = 0;

  // A key the user pressed while the run held the user's keyboards aside (UserKeyboardHold): it
  // reached no window and no grab, so the grab hears of it here, with the modifier state of the
  // keyboard it came from.
  virtual void pressedAside(std::uint8_t keycode, unsigned modifiers) noexcept = 0;
};

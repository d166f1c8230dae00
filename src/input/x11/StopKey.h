#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "input/x11/KeyGrabGuard.h"

class StopChord;

// The global key chord that ends a run, whichever window has the focus: a passive grab of the
// chord's key on the root window, on an X connection of its own, with a worker thread that
// waits for the chord and reports it. The chord counts with any other modifiers down as well
// (lock modifiers, and Ctrl, Alt, Shift or Super held by the run). Keys the run types itself
// pass by the grab through the KeyGrabGuard side. From the chord's press on, the stop key holds
// the whole keyboard, so that no key the server handles after the press reaches a window, until
// letGo. Made, used and destroyed on the UI thread.
class StopKey : public KeyGrabGuard {
 public:
  // Opens the named display (or $DISPLAY when empty) and starts the worker. pressed runs on
  // the worker thread, once per press of the chord while it is grabbed, after the keyboard is
  // taken (on the UI thread for a press held aside, see pressedAside), and must not throw.
  // Throws XError when the display cannot be opened, std::system_error when the worker cannot
  // be set up. UI thread only.
  StopKey(const std::string& displayName, std::function<void()> pressed);
  // Releases the grab, then stops and joins the worker. UI thread only.
  ~StopKey() override;
  StopKey(const StopKey&) = delete;
  StopKey& operator=(const StopKey&) = delete;

  // Grabs the chord in place of any chord grabbed before; the key is looked up in the keyboard
  // mapping as it is now. Returns once the server has answered: false when another client
  // holds the chord already or no key of the keyboard carries the chord's keysym, and then
  // nothing stays grabbed. UI thread only.
  [[nodiscard]] bool grab(const StopChord& chord);

  // Lets go of the chord and of the keyboard; once this returns, the chord reaches the focused
  // window again. A press the server gave the grab just before may still be reported after
  // this returns. UI thread only.
  void release();

  // Lets go of the keyboard taken at a press of the chord, if it is held; once this returns,
  // keys reach the focused window again, and a press handled before does not take it again.
  // The chord stays grabbed. UI thread only.
  void letGo();

  // Whether the chord is grabbed: false before grab, after release, after a failed grab, and
  // after another client took the chord while it was lifted for a key of the run.
  // UI thread only.
  [[nodiscard]] bool grabbed() const;

  // Whether the chord's key or any of its modifiers is down now, as the server sees the keyboard:
  // typing into the focused window while the user still holds them would mix them in. False
  // when nothing is grabbed. UI thread only.
  [[nodiscard]] bool chordHeld() const;

  // The KeyGrabGuard side, for the injector. UI thread only.
  [[nodiscard]] bool covers(std::uint8_t keycode) const override;
  void suspend() noexcept override;
  void resume() noexcept override;
  // The chord pressed aside counts as a press of the chord: the keyboard is taken and the press
  // reported, on the calling thread, before this returns.
  void pressedAside(std::uint8_t keycode, unsigned modifiers) noexcept override;

 private:
  struct State;
  std::unique_ptr<State> state;
};

#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "support/ChildProcess.h"

class SwayServer;

// wev, the Wayland event viewer, in a fullscreen window of a private sway, with its output
// line-buffered and read back: key and button presses rendered as RecorderClient renders
// them (so {button 1 at X,Y} is a left click at surface position X,Y, which on the fullscreen
// window is the output's pixel).
class WevRecorder {
 public:
  using Clock = std::chrono::steady_clock;
  // Generous: a loaded CI machine may be slow, and a passing test never waits this long.
  static constexpr std::chrono::seconds patience{30};

  // Starts wev and waits until its window is fullscreen; throws std::runtime_error when it is
  // not in time.
  explicit WevRecorder(const SwayServer& sway);

  // Waits until wev's keyboard has the focus and its pointer exists (once a virtual keyboard
  // and pointer joined the seat); throws when that does not happen in time.
  void waitForInput();

  // Everything pressed up to the end marker, an Escape press, which is left out; throws when
  // none comes in time.
  std::string readUntilEscape();

  // Presses until text has been seen, or the patience runs out.
  std::string readUntil(const std::string& text);

 private:
  // Reads up to a line containing fragment; throws when none comes in time.
  void skipTo(std::string_view fragment);
  // The next press rendered ("" for a release or a modifier), or nothing when wev went quiet.
  std::optional<std::string> nextPress(Clock::time_point deadline, bool& escape);

  ChildProcess child;
  bool keyboardFocused = false;
  // The keyboard whose keys count: the first to get the focus.
  long keyboardObject = -1;
  bool hasPointer = false;
  int pointerX = 0;
  int pointerY = 0;
};

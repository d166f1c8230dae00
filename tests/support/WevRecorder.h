#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/ChildProcess.h"

class WaylandServer;

// wev, the Wayland event viewer, in a window of a private compositor (fullscreen on sway), with its output
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
  explicit WevRecorder(const WaylandServer& server);

  // Waits until wev's keyboard has the focus and its pointer exists (once a virtual keyboard
  // and pointer joined the seat); throws when that does not happen in time.
  void waitForInput();

  // Everything pressed up to the end marker, an Escape press, which is left out; throws when
  // none comes in time.
  std::string readUntilEscape();

  // One key or button press: the keysym the key typed, or the button (1 left, 2 middle,
  // 3 right) and where it was pressed.
  struct Press {
    std::uint32_t keysym = 0;
    int button = 0;
    int x = 0;
    int y = 0;
  };
  // The next press, or nothing when wev reports none before the deadline.
  std::optional<Press> nextPress(Clock::time_point deadline);

 private:
  // Reads up to a line containing fragment; throws when none comes in time.
  void skipTo(std::string_view fragment);
  // Follows the pointer through a line about its entering or moving; false for another line.
  bool notePointer(const std::string& line);

  ChildProcess child;
  bool keyboardFocused = false;
  // The keyboard whose keys count: the first to get the focus.
  long keyboardObject = -1;
  bool hasPointer = false;
  // The pointer whose buttons count: the first to enter the window (KWin may hand wev two).
  long pointerObject = -1;
  int pointerX = 0;
  int pointerY = 0;
};

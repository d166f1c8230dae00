#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "support/ChildProcess.h"

class WaylandServer;

// A fullscreen GTK3 text view, a native client of a private compositor (the program
// zentak_gtk_text_client), read back through its reports: what a user's window received.
// Function keys and mouse presses show in the text as "<F1>" and "<CLICK 1 X Y>" (X Y the
// output's pixels); Escape is the end marker.
class GtkTextWindow {
 public:
  using Clock = std::chrono::steady_clock;
  // Generous: a loaded CI machine may be slow, and a passing test never waits this long.
  static constexpr std::chrono::seconds patience{30};

  // Starts the window, with clipboard put on the clipboard at its first focus when given, as a
  // user's copy; waits until it has the keyboard focus (and the clipboard is set). Throws
  // std::runtime_error when that does not happen in time.
  GtkTextWindow(const WaylandServer& server, const std::optional<std::string>& clipboard = std::nullopt);

  // Wait until another window has taken the keyboard focus, and until the view has it again;
  // throw std::runtime_error when that does not happen in time.
  void waitForFocusLoss() { skipTo("unfocus"); }
  void waitForFocus() { skipTo("focus"); }

  // Everything the view received up to the next Escape press, after which it is emptied;
  // throws when no Escape arrives in time.
  std::string readUntilEscape();

 private:
  // Reads up to the line starting with prefix and returns the rest; throws when none comes in time.
  std::string skipTo(const std::string& prefix);

  ChildProcess child;
};

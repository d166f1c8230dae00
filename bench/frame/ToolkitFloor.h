#pragma once

#include <chrono>
#include <optional>

// The least a window of the toolkit costs on the private display: a frame of the main window's
// first size with a menu bar, a toolbar, a status bar and one control of each kind the main
// window is made of, and nothing of Zentak but the theme's bitmaps in place of its SVG images.
// Its start time and resident memory are the floor under the main window's figures. UI thread.
class ToolkitFloor {
 public:
  using Clock = std::chrono::steady_clock;

  // processStarted: when the launcher started this process, if it did.
  explicit ToolkitFloor(std::optional<Clock::time_point> processStarted);

  // Shows the window, waits until it is fully drawn and prints toolkit_floor_startup_ms (from
  // the process's start, when known) and toolkit_floor_rss_mb; 0 on success.
  int measure();

 private:
  std::optional<Clock::time_point> started;
};

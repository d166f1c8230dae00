#pragma once

#include <wx/gdicmn.h>
#include <wx/toplevel.h>

#include <chrono>
#include <optional>

// Shows a top-level window at a given outer size and position, as it was at the last exit, with
// or without a window manager. A window manager frames a new window in steps after it is mapped
// (placing it, then reporting its borders), and each step may move or resize it; the window is
// put back where it was asked until the manager has framed it.
class WindowPlacement {
 public:
  // Watches the window's moves and resizes; the window outlives this object's use of it.
  explicit WindowPlacement(wxTopLevelWindow& window);
  WindowPlacement(const WindowPlacement&) = delete;
  WindowPlacement& operator=(const WindowPlacement&) = delete;

  // UI thread only. Shows the window for the first time at rect (outer size and position).
  void show(const wxRect& rect);

 private:
  void onChange(wxEvent& event);
  // Puts the window back at the wanted rectangle, or stops watching once it is framed there.
  void settle();

  wxTopLevelWindow& window;
  std::optional<wxRect> wanted;
  // The outer size less the client size before the window was framed: the bars inside it.
  wxSize unframedBorders;
  int correctionsLeft = 0;
  std::chrono::steady_clock::time_point shownAt;
};

#pragma once

#include <wx/string.h>

#include <functional>

#include "shell/StopControls.h"

class wxButton;
class wxStaticText;
class wxTopLevelWindow;
class wxWindow;

// A small window in a corner of the screen, shown for a whole run, with where the run is, the
// button "End Sequence Now" and a line naming the stop key. It never takes the keyboard focus, neither when it
// appears nor when it is clicked, since the run types into whatever window has the focus: on
// Wayland it is a layer-shell surface without keyboard input, on X11 a window the window
// manager does not manage (one of notification type, which XWayland compositors do not focus
// either). A click on the button reaches the main window through the hook. UI thread only.
class StopWindow {
 public:
  // The window's distance from the top and right edges of the screen, in pixels.
  static constexpr int margin = 16;

  // The display the toolkit draws on, and whether it offers layer-shell surfaces. UI thread only.
  [[nodiscard]] static StopControls::Toolkit toolkit();

  // Shows the window; surface is not none. note, when not empty, is the line under the button.
  StopWindow(StopControls::Surface surface, const wxString& note, std::function<void()> endSequence);
  ~StopWindow();
  StopWindow(const StopWindow&) = delete;
  StopWindow& operator=(const StopWindow&) = delete;

  // Shows where the run is, above the button.
  void setProgress(const wxString& text);

  [[nodiscard]] wxWindow& window() const { return *top; }
  [[nodiscard]] wxString progress() const;
  [[nodiscard]] wxButton& button() const { return *endButton; }

 private:
  // Keeps the window in the top-right corner where the program places it.
  void place();

  wxWindow* top = nullptr;
  wxButton* endButton = nullptr;
  wxStaticText* progressText = nullptr;
  // Placed by the program rather than by the compositor.
  bool placedHere = false;
};

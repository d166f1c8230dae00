#pragma once

#include <optional>

#include "support/ChildProcess.h"

// Openbox managing the display named by $DISPLAY, for as long as this object lives: windows get
// frames, and their placement is the window manager's, as on a user's desktop.
class WindowManager {
 public:
  // Returns once openbox manages the screen; throws std::runtime_error when it does not.
  WindowManager();
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

 private:
  std::optional<ChildProcess> openbox;
};

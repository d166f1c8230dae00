#pragma once

#include <string>
#include <vector>

#include "support/ChildProcess.h"

// A private Wayland compositor a test starts its clients on.
class WaylandServer {
 public:
  virtual ~WaylandServer() = default;

  // The socket's full path, which a client may connect to from any environment.
  [[nodiscard]] virtual std::string socketPath() const = 0;
  // Starts a program as a client of this compositor.
  [[nodiscard]] virtual ChildProcess spawn(std::vector<std::string> argv,
                                           ChildProcess::Output out = ChildProcess::Output::inherit) const = 0;
  // Whether the compositor shows wev's window fullscreen, so that its surface positions are
  // the output's pixels.
  [[nodiscard]] virtual bool wevFullscreen() const { return false; }
};

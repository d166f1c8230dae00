#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/WaylandServer.h"

// A private Wayland compositor: sway with its headless backend and one 1024x768 output, in a
// runtime directory of its own, without XWayland, borders or key bindings; a window whose
// app_id is "wev" or "zentak-recorder" goes fullscreen. Sway refuses to run as root, so a root
// process starts it as the user "nobody" (the runtime directory then belongs to that user);
// anyone else starts it as themselves. Stopped on destruction.
class SwayServer final : public WaylandServer {
 public:
  static constexpr int width = 1024;
  static constexpr int height = 768;

  // Returns once the compositor accepts connections; throws std::runtime_error when it does not.
  SwayServer();

  // The runtime directory and the socket name within it, for XDG_RUNTIME_DIR and WAYLAND_DISPLAY.
  [[nodiscard]] std::string runtimeDir() const { return dir.path().string(); }
  [[nodiscard]] const std::string& socket() const { return socketName; }
  // The socket's full path, which a client may connect to from any environment.
  [[nodiscard]] std::string socketPath() const override { return (dir.path() / socketName).string(); }

  // Starts a program with XDG_RUNTIME_DIR and WAYLAND_DISPLAY naming this compositor.
  [[nodiscard]] ChildProcess spawn(std::vector<std::string> argv,
                                   ChildProcess::Output out = ChildProcess::Output::inherit) const override;
  [[nodiscard]] bool wevFullscreen() const override { return true; }

 private:
  TempDir dir;
  std::optional<ChildProcess> server;
  std::string socketName;
};

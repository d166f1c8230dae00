#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/WaylandServer.h"

// A private KWin: kwin_wayland with its virtual backend and one 1024x768 output, on a session
// bus of its own (optionally with the desktop portal on it), in a runtime, config and data directory of its own; wev's window goes
// fullscreen. /usr/bin/kwin_wayland carries a file capability that a container may refuse to
// execute, so a copy of it without one runs. Stopped, bus and all, on destruction.
class KwinServer final : public WaylandServer {
 public:
  static constexpr int width = 1024;
  static constexpr int height = 768;

  struct Options {
    // Where KWin looks for the desktop entries that grant fake input (XDG_DATA_DIRS, before the
    // system's); empty: KWin checks no permissions and grants every interface to everyone.
    std::string grantingDataDir;
    // The XKB layouts of KWin's keyboard, such as "de" or "us,de"; empty for "us".
    std::string layout;
    // Also starts xdg-desktop-portal with Plasma's backend on the bus, for its remote desktop.
    bool portal = false;
  };

  // Returns once the compositor accepts connections; throws std::runtime_error when it does not.
  explicit KwinServer(const Options& options);

  [[nodiscard]] const std::string& sessionBus() const { return busAddress; }
  [[nodiscard]] std::string socketPath() const override;
  [[nodiscard]] ChildProcess spawn(std::vector<std::string> argv,
                                   ChildProcess::Output out = ChildProcess::Output::inherit) const override;
  [[nodiscard]] bool wevFullscreen() const override { return true; }

 private:
  void startPortal();
  // Waits until name is owned on the bus; throws std::runtime_error when it is not in time.
  void waitForName(const std::string& name) const;

  TempDir dir;
  std::string busAddress;
  // Declared before the compositor, which is stopped first.
  std::optional<ChildProcess> bus;
  std::optional<ChildProcess> server;
  // Declared after the compositor, so that they are stopped before it.
  std::vector<ChildProcess> portal;
};

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

class WaylandServer;

// The real program as a native client of a private compositor, from a folder of its own that
// holds its project and, beside it, its settings: one group, "Type", whose one command types a
// text once after a start delay, and its final commands. The run is started through the running copy, as a desktop's
// shortcut starts it (zentak --run), and so goes through the program's own choice of input
// service. Ended with SIGTERM on destruction, as a logout ends it.
class ProgramOnCompositor {
 public:
  struct Options {
    // The command's text.
    std::string text;
    // inputBackend in the settings file.
    std::string inputBackend = "auto";
    // The session bus; empty for the one the compositor gives its clients.
    std::string busAddress;
    // The group's final commands.
    std::string finalText;
  };

  // Starts the program; it shows its window once the compositor maps it.
  ProgramOnCompositor(const WaylandServer& server, const Options& options);

  // Starts the group in the running copy, once its window has shown; throws std::runtime_error
  // when the copy does not take it.
  void startRun() const;
  // Ends the run as zentak --stop does; its exit status.
  [[nodiscard]] int stopRun() const;

 private:
  [[nodiscard]] std::vector<std::string> commandLine(std::vector<std::string> arguments) const;

  const WaylandServer& compositor;
  const TempDir dir;
  const std::filesystem::path program = dir.path() / "zentak";
  std::string bus;
  std::optional<ChildProcess> copy;
};

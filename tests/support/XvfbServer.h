#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// A private X server: Xvfb on a display number it picks itself, with one 1024x768 screen,
// started without server resets so that a keymap loaded into it stays. Stopped on destruction.
class XvfbServer {
 public:
  static constexpr int width = 1024;
  static constexpr int height = 768;

  // Returns once the server accepts connections; throws std::runtime_error when it does not.
  XvfbServer();

  // The display name, such as ":7".
  [[nodiscard]] const std::string& name() const { return displayName; }

  // Starts a program with DISPLAY naming this server.
  [[nodiscard]] ChildProcess spawn(std::vector<std::string> argv,
                                   ChildProcess::Output out = ChildProcess::Output::inherit) const;

  // Runs a program with DISPLAY naming this server and returns its exit status; throws
  // std::runtime_error when it is still running after the timeout (it is killed then).
  int run(std::vector<std::string> argv, std::chrono::seconds timeout = std::chrono::seconds(60),
          ChildProcess::Output out = ChildProcess::Output::inherit) const;

 private:
  std::optional<ChildProcess> server;
  std::string displayName;
};

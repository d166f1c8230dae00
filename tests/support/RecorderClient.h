#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "support/ChildProcess.h"

// The test side of xrecorder (a focused window covering the screen that reports every key and
// button press): waits for it to be ready and reads what it saw, one press at a time, rendered
// as the character it types, {keysym name} for a key typing none, or {button B at X,Y}.
// Modifier keys are left out.
class RecorderClient {
 public:
  using Clock = std::chrono::steady_clock;

  // Generous: a loaded CI machine may be slow, and a passing test never waits this long.
  static constexpr std::chrono::seconds patience{30};

  // Takes the started xrecorder (stdout captured); throws std::runtime_error when it does not
  // get ready in time.
  explicit RecorderClient(ChildProcess recorder);

  // How a press is rendered: the character a keysym types, {keysym name} for one typing none,
  // nothing for a modifier; {button B at X,Y} for a button (1 left, 2 middle, 3 right).
  static std::string renderKey(std::uint32_t keysym, std::uint32_t codePoint);
  static std::string renderButton(int button, int x, int y);
  // A key pressed with Ctrl, Alt or Super down, as {Ctrl+Alt+x}; others as they are.
  static std::string renderModified(const std::string& key, std::uint32_t state);

  // Everything reported up to the end marker, an Escape press with neither Ctrl, Alt nor Super
  // down, which is left out; throws when none comes in time.
  std::string readUntilEscape();
  // Everything reported until text has been seen, or the patience runs out.
  std::string readUntil(const std::string& text);
  // What has been reported so far and not read yet, without waiting for more: for a test that
  // must keep the toolkit's event loop running meanwhile.
  std::string readReported();

 private:
  ChildProcess child;
};

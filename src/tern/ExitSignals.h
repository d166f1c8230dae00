#pragma once

namespace Tern {

// Turns SIGTERM, SIGHUP and SIGINT (a kill, a logout, a closed terminal, Ctrl+C) into a request
// that the UI thread picks up, so that the program saves and ends cleanly instead of dying with
// the user's edits. The handler only records the signal and writes one byte to a pipe whose
// read end the UI thread's event loop watches, so nothing polls.
class ExitSignals {
 public:
  ExitSignals() = delete;

  // Installs the handlers. Throws std::system_error when the system refuses. UI thread.
  static void install();
  // Puts the default handlers back and forgets a signal not yet taken. UI thread.
  static void uninstall();
  // The signal received since install, or 0. Any thread.
  [[nodiscard]] static int received();
  // The descriptor that becomes readable when a signal arrives; -1 before install. Read it
  // empty with drain. UI thread.
  [[nodiscard]] static int wakeFd();
  // Reads the wake descriptor empty. UI thread.
  static void drain();
};

}  // namespace Tern

#pragma once

#include <chrono>
#include <string>

#include "support/ChildProcess.h"

class WaylandServer;

// The test side of zentak_slow_client, a window on a private compositor that reads its events only
// every 100 ms: waits until it is shown and has the keyboard focus, then reads what it received.
class SlowClient {
 public:
  using Clock = std::chrono::steady_clock;
  // Generous: a slow client on a loaded machine takes its time, and a passing test never waits this long.
  static constexpr std::chrono::seconds patience{120};

  // Starts the client and waits until its window is shown; throws std::runtime_error when it
  // is not in time.
  explicit SlowClient(const WaylandServer& server);

  // Waits until its keyboard has the focus (once a virtual keyboard joined the seat); throws
  // std::runtime_error when that does not happen in time.
  void waitForFocus();

  struct Result {
    // The characters typed before the end marker (an Escape press), or as many as arrived
    // before the compositor cut the client off.
    std::string received;
    std::size_t count = 0;
    bool disconnected = false;

    // What went wrong against the text typed: a cut, or other characters; empty when the client
    // stayed connected and received exactly typed.
    [[nodiscard]] std::string faultAgainst(const std::string& typed) const;
  };
  // Waits for the end marker or the cut; throws std::runtime_error when neither comes in time.
  Result finish();

 private:
  ChildProcess child;
};

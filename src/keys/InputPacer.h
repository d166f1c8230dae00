#pragma once

#include <chrono>

// The pace of injected input. A compositor cuts a client off once the events it queued for it
// fill the client's socket and its own small buffer; a window that stalls (repainting, on a
// busy core) keeps reading nothing, and no one tells us how far behind it is. So events go out
// in small bursts, no faster on average than a rate such a window catches up with, and every
// few events we wait until the compositor has handled those sent, so that none wait unseen on
// our side of the compositor either.
// Decisions only: the caller sends, waits and asks the compositor, and passes the time in.
class InputPacer {
 public:
  using Clock = std::chrono::steady_clock;

  struct Settings {
    // The steady rate, in events a second.
    double eventsPerSecond = 0;
    // At most this many events go out at once, however long the pause before them.
    double burstEvents = 0;
    // A round trip to the compositor after this many events.
    int eventsPerRoundTrip = 0;
  };

  // What to do after an event has been sent.
  struct Step {
    // How long to wait before the next event (after flushing what was sent).
    Clock::duration wait{};
    bool roundTrip = false;
  };

  // The settings of the virtual keyboard and pointer of wlroots compositors: over 1,000
  // characters a second of mixed text (Shift characters take four events), and a window that
  // reads its events only every 100 ms on a busy machine still gets them all. Waiting after
  // each single event instead of each burst cut such a window off at this rate, and so did
  // bursts of 1,000 events.
  static constexpr Settings wlroots{5000, 16, 16};

  explicit InputPacer(const Settings& chosen);

  // One event has gone out at `now`.
  [[nodiscard]] Step sent(Clock::time_point now);

 private:
  Settings settings;
  // Events that may still go out at once, as of `asOf`; negative when the rate is owed a wait.
  double allowance;
  Clock::time_point asOf{};
  bool started = false;
  int sinceRoundTrip = 0;
};

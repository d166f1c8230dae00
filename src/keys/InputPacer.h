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
  // characters a second of mixed text (a Shift character takes four events). A burst (some
  // 1.7 KB) fits the compositor's own 4 KiB buffer and reaches the window in one write; the
  // window's socket then holds some 6,000 events, so a window that reads nothing for a second
  // on a busy machine still gets them all. Sent one by one, events take far more of the
  // socket's room (a few hundred fill it), and bursts of 1,000 overflow the compositor's buffer.
  static constexpr Settings wlroots{5000, 64, 64};
  // The settings of KWin's fake input: some 1,600 characters a second of mixed text, and a window
  // reading only every 100 ms on a busy machine gets them all. KWin also handles a burst in one
  // go and passes it on in one write; sent flat out, events cut such a window off.
  static constexpr Settings kwin{5000, 64, 64};

  // The settings of GNOME's remote-desktop sessions, whose requests pass through D-Bus one by
  // one: mutter sends each on to the window in a write of its own, so the rate is what keeps a
  // stalled window's socket from filling; a round trip every burst keeps the requests from
  // queueing on the bus unseen.
  static constexpr Settings gnome{1000, 16, 16};

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

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Where a run is, as the user is told it: on the icon's tool tip and the stop window ("pass 2 of
// 5", "starts in 1:45") and in the desktop notifications as the run is armed and when it ends.
// A value the sequencer fills in; plain C++. Any thread, one object per thread.
class RunProgress {
 public:
  // What ends the run.
  enum class Stop : std::uint8_t { never, afterPasses, afterDelay, atTime };
  // Why the run ended.
  enum class End : std::uint8_t { passesDone, timeUp, stopKey, user };

  // Longest group name shown, in characters; a longer one is cut with "…".
  static constexpr std::size_t nameShown = 40;

  std::string group;
  Stop stop = Stop::never;
  // Before the first pass: the time until it begins.
  bool started = false;
  std::uint64_t startsInMs = 0;
  // The pass in progress, counted from 1, and the passes typed to their end.
  std::int64_t pass = 0;
  std::int64_t passesDone = 0;
  // Typings begun in the pass not typed to its end: a run ended in the middle of a pass.
  std::int64_t typingsInPass = 0;
  // afterPasses: how many passes the run types.
  std::int64_t passes = 0;
  // afterDelay and atTime: the time until the stop, until it has come.
  std::uint64_t stopsInMs = 0;
  // The stop has come and the pass in progress is finished first.
  bool lastPass = false;
  // Set once the run has said why it ends itself (its passes or its time); else the user ended it.
  End end = End::user;

  // Where the run is: "starts in 1:45, 5 passes", "starts now, until stopped", "pass 2 of 5", "pass 3, stops in 12:30",
  // "pass 3, until stopped", "pass 3, stops after this pass".
  [[nodiscard]] std::string where() const;
  // The group as the tool tip and the stop window name it: "Hunt" in quotes, cut when long.
  [[nodiscard]] std::string groupLine() const;
  // The icon's tool tip: the program, the group, where it is and how to stop it (stopNote, when
  // not empty), a line each.
  [[nodiscard]] std::string toolTip(std::string_view stopNote) const;
  // The notification as the run is armed: its title and its body, ending with howToStop.
  [[nodiscard]] std::string armedTitle() const;
  [[nodiscard]] std::string armedBody(std::string_view howToStop) const;
  // The notification when the run has ended: its title and its body, with the passes typed (and
  // the part of a pass cut short) and why it ended.
  [[nodiscard]] std::string endedTitle() const;
  [[nodiscard]] std::string endedBody() const;

  // A time left, rounded up to whole seconds, as m:ss or h:mm:ss ("1:45", "1:02:03").
  [[nodiscard]] static std::string clock(std::uint64_t ms);
};

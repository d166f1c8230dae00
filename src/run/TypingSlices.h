#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "keys/KeyCodes.h"
#include "tern/OwnerThread.h"

// One key-action list typed a slice at a time, so that whoever drives it serves its other work
// between two slices: a stop asked for during a long text is seen within a slice, and the window
// answers meanwhile. UI thread only.
class TypingSlices {
 public:
  using Clock = std::chrono::steady_clock;
  // Types list from position from on until the clock passes until; returns where the list goes
  // on from, list.size() once it is done (or stopped by the stop key).
  using Play = std::function<std::size_t(const KeyActions& list, std::size_t from, Clock::time_point until)>;

  // How long one slice types: short enough that a stop is seen at once, long enough that the
  // loop's own work between two slices costs little of the typing speed.
  static constexpr std::chrono::milliseconds sliceLength{5};

  explicit TypingSlices(Play play);

  // Takes a copy of list to type, in place of any list in progress. UI thread only.
  void start(const KeyActions& list);
  // Drops what is left of the list. UI thread only.
  void stop();
  // A list is begun and not yet typed to its end. UI thread only.
  [[nodiscard]] bool isTyping() const;
  // Types the next slice of the list in progress; true when the list is done with it. UI thread
  // only.
  bool typeSlice();

 private:
  const Tern::OwnerThread uiThread;
  const Play play;
  KeyActions list;
  std::size_t next = 0;
  bool typing = false;
};

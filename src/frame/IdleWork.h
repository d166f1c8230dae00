#pragma once

#include <functional>

// Work done a piece at a time whenever the toolkit's event loop has nothing else to do: every
// event, timer and file descriptor the loop watches (the stop window, the command line's
// requests, the signals) is served between two pieces. UI thread only.
class IdleWork {
 public:
  // piece does one piece and says whether more is to be done.
  explicit IdleWork(std::function<bool()> piece);
  ~IdleWork();
  IdleWork(const IdleWork&) = delete;
  IdleWork& operator=(const IdleWork&) = delete;

  // Calls piece whenever the loop is idle, until it says it is done or stop is called; already
  // started, it goes on as it is. UI thread only.
  void start();
  // UI thread only.
  void stop();

 private:
  static int onIdle(void* self);

  const std::function<bool()> piece;
  // The loop's source while started, else 0.
  unsigned source = 0;
};

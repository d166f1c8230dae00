#pragma once

#include "keys/KeyCodes.h"

class BaseCommand;
class TimerService;

// What a command's turn needs of the run in progress: its timers, the typing of a key-action
// list, and somebody to tell when the turn is over. At most one run is in progress at a time,
// and only it is current. UI thread only.
class CommandRun {
 public:
  CommandRun() = default;
  CommandRun(const CommandRun&) = delete;
  CommandRun& operator=(const CommandRun&) = delete;

  // The run's timer service. UI thread only.
  virtual TimerService& timers() = 0;
  // Whether a text may be typed now. When not (the user holds down a modifier the text did not
  // press, which would modify every key of it), the turn asks again a little later and types
  // then, as if it were late. UI thread only.
  [[nodiscard]] virtual bool mayType() = 0;
  // Types the command's key-action list into whatever window has the focus. The typing may go
  // on after this returns (a long text is typed a slice at a time); once it is done, the run
  // tells the command (BaseCommand::typed), which arms its next typing: the interval counts
  // from the end of a typing and turns never overlap. UI thread only.
  virtual void play(BaseCommand& command) = 0;
  // The command's turn has ended; the run moves on from its tree item. UI thread only.
  virtual void turnFinished(BaseCommand& command) = 0;

  // The run in progress; null when none is. UI thread only.
  [[nodiscard]] static CommandRun* current();
  // Makes run the one in progress, or none for null. UI thread only.
  static void setCurrent(CommandRun* run);

 protected:
  ~CommandRun() = default;
};

#pragma once

#include <wx/treebase.h>

#include <cstdint>
#include <memory>

#include "keys/KeyCodes.h"
#include "tern/LgrDate.h"
#include "tern/TimerService.h"

// What the sequencer needs of the window around it: the project, the window, the
// notification-area icon, the stop key, posted events, typing, timers, the clock and the
// keyboard layout. UI thread only.
class SequencerHost {
 public:
  virtual ~SequencerHost() = default;

  // Writes the project file, editors first; a failure is the host's to report. UI thread only.
  virtual void saveProject() = 0;
  // Hides the main window, then disables it. UI thread only.
  virtual void hideWindow() = 0;
  // Shows the main window, then enables it. UI thread only.
  virtual void showWindow() = 0;
  // What ends the run besides the stop key: the notification-area icon with "End Sequence Now"
  // and, where the icon or the key may not reach the user, the stop window. UI thread only.
  virtual void showStopControls() = 0;
  // UI thread only.
  virtual void removeStopControls() = 0;
  // From now on the global stop key ends the run. UI thread only.
  virtual void grabStopKey() = 0;
  // Gives the stop key back to the desktop. UI thread only.
  virtual void releaseStopKey() = 0;
  // Posts "CommandFinished" with item; its delivery calls Sequencer::onCommandFinished, after
  // the events posted before it. UI thread only.
  virtual void postCommandFinished(const wxTreeItemId& item) = 0;
  // Posts "EndSequence"; its delivery calls Sequencer::onEndSequence, in posting order. UI
  // thread only.
  virtual void postEndSequence() = 0;
  // Whether a text may be typed now: not while the user holds down a modifier key the run did
  // not press. UI thread only.
  [[nodiscard]] virtual bool mayType() const = 0;
  // Begins typing a key-action list (a copy of it) into whatever window has the focus. The host
  // types it a slice at a time while serving its other events, and calls Sequencer::onTyped
  // once it is all typed, unless stopTyping comes first. UI thread only.
  virtual void startTyping(const KeyActions& list) = 0;
  // Drops what is left of the list being typed, if any; no onTyped follows for it. UI thread
  // only.
  virtual void stopTyping() = 0;
  // Releases every key and mouse button that typing left held. UI thread only.
  virtual void releaseHeldInput() = 0;
  // A new timer service for one run; dropping it drops its pending timers. May throw when the
  // service cannot start. UI thread only.
  virtual std::unique_ptr<TimerService> makeTimerService() = 0;
  // The local wall-clock time now, as the group's dates are kept. UI thread only.
  [[nodiscard]] virtual LgrDate now() const = 0;
  // Brings the keyboard-layout lookup up to date with the keyboard. UI thread only.
  virtual void refreshKeyboardLayout() = 0;
  // Milliseconds on a clock that only goes forward, as the run's timers count. UI thread only.
  [[nodiscard]] virtual std::uint64_t steadyMs() const = 0;
};

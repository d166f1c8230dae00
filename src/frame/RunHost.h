#pragma once

#include <wx/timer.h>
#include <wx/treebase.h>

#include <functional>
#include <memory>
#include <string>

#include "frame/IdleWork.h"
#include "run/SequencerHost.h"
#include "run/TypingSlices.h"
#include "tern/OwnerThread.h"

class CommandTree;
class DesktopNotices;
class RunInput;
class Sequencer;
class StopWindow;
class TaskBarIcon;
class wxFrame;
namespace Tern {
class EventReceiver;
}

// The run, as the main window hosts it: the sequencer and what it needs of the window (hiding
// and showing it, the notification-area icon and the stop window, the stop key and the wait for
// its chord to be let go, typing, timers), the input service's notice before the first run,
// where the run is on the icon's tool tip and the stop window, and the desktop notifications as
// a run is armed and when it ends.
// The run's events are addressed to the window, which hands them here. UI thread only.
class RunHost final : private SequencerHost {
 public:
  // window is hidden during a run and receives its events; saveProject writes the project and
  // tells of a failure.
  RunHost(wxFrame& window, Tern::EventReceiver& receiver, CommandTree& tree, RunInput& input,
          std::function<void()> saveProject);
  ~RunHost() override;
  RunHost(const RunHost&) = delete;
  RunHost& operator=(const RunHost&) = delete;

  // Tells of the selected group's stop time while the window is still up, then asks for the
  // group to be run. The editors must be stored first.
  void runCurrentGroup();

  // The run's events, as the window receives them.
  void endSequence();
  // Ends a run in progress before this returns, its final commands typed: for a window that
  // closes. UI thread only.
  void endRunAtOnce();
  void runSequence();
  void commandFinished(const wxTreeItemId& item);
  // Stops the typing at once; the final commands follow once the user has let go of the key.
  void stopKeyPressed();
  // What the run holds has no release guardian and none can start: the run ends at once.
  void releaseGuardLost();

  // A group runs: from its start until the window is shown again.
  [[nodiscard]] bool isRunning() const;
  [[nodiscard]] TaskBarIcon& taskBarIcon() const { return *trayIcon; }
  // The stop window of the run in progress, if it shows one.
  [[nodiscard]] StopWindow* stopWindow() const { return runStopWindow.get(); }

 private:
  // Runs one of the sequencer's steps; a step that fails (the run's timers could not start or
  // stopped working) ends the run and tells the user, rather than leave the window hidden.
  // Tells the desktop how the run ended, once it has.
  template <typename Step>
  void runStep(Step step);
  void runEnded();
  void onChordWait();
  // Types the next slice of the text in progress, if typing may go on now; says whether more is
  // to be typed at the loop's next idle moment.
  bool typeSlice();
  // Shows where the run is on the icon's tool tip and the stop window, when it has changed.
  void showProgress();

  void saveProject() override;
  void hideWindow() override;
  void showWindow() override;
  void showStopControls() override;
  void removeStopControls() override;
  void grabStopKey() override;
  void releaseStopKey() override;
  void postCommandFinished(const wxTreeItemId& item) override;
  void postEndSequence() override;
  [[nodiscard]] bool mayType() const override;
  void startTyping(const KeyActions& list) override;
  void stopTyping() override;
  void releaseHeldInput() override;
  [[nodiscard]] std::unique_ptr<TimerService> makeTimerService() override;
  [[nodiscard]] LgrDate now() const override;
  void refreshKeyboardLayout() override;
  [[nodiscard]] std::uint64_t steadyMs() const override;

  const Tern::OwnerThread uiThread;
  wxFrame& window;
  Tern::EventReceiver& receiver;
  CommandTree& tree;
  RunInput& input;
  std::function<void()> save;
  std::unique_ptr<Sequencer> sequencer;
  std::unique_ptr<TaskBarIcon> trayIcon;
  std::unique_ptr<StopWindow> runStopWindow;
  // The stop key was grabbed for the run in progress.
  bool stopKeyGrabbed = false;
  // The input service's notice is shown before the first run only.
  bool backendNoticeShown = false;
  // After the stop key, watches for the user to let go of it before the final commands.
  wxTimer chordWait;
  // Runs while the icon or the stop window shows where the run is: once a second.
  wxTimer progressTick;
  // The run's stop key line, its ways to end it, and where it was last shown to be.
  std::string stopKeyNote;
  std::string howToStop;
  std::string progressShown;
  // The run in progress is ending by the stop key.
  bool endingByStopKey = false;
  std::unique_ptr<DesktopNotices> notices;
  // The run's texts, typed a slice at a time whenever the event loop is idle, so that the stop
  // window, the command line's requests and the signals are served during a long text.
  TypingSlices typing;
  IdleWork typingWork;
  // Typing waits while the icon's menu is open or the user holds a modifier, and looks again
  // this often.
  wxTimer typingResume;
};

#include "frame/RunHost.h"

#include <wx/datetime.h>
#include <wx/frame.h>

#include <chrono>

#include "commands/GroupCommand.h"
#include "commands/StopTimeNotice.h"
#include "frame/FrameEvents.h"
#include "input/RunInput.h"
#include "run/Sequencer.h"
#include "shell/DesktopNotices.h"
#include "shell/StopWindow.h"
#include "shell/TaskBarIcon.h"
#include "shell/UserDialogs.h"
#include "tern/OneShot.h"
#include "text/WxText.h"
#include "tree/CommandTree.h"

namespace {

constexpr int chordWaitPollMs = 10;
// As a held-back typing asks again before it starts.
constexpr int typingResumeMs = 10;
// The progress counts seconds.
constexpr int progressTickMs = 1000;

}  // namespace

RunHost::RunHost(wxFrame& frame, Tern::EventReceiver& events, CommandTree& commandTree, RunInput& runInput,
                 std::function<void()> saveProject)
    : window(frame),
      receiver(events),
      tree(commandTree),
      input(runInput),
      save(std::move(saveProject)),
      typing([this](const KeyActions& list, std::size_t from, TypingSlices::Clock::time_point until) {
        return input.playKeys(list, from, until);
      }),
      typingWork([this] { return typeSlice(); }) {
  sequencer = std::make_unique<Sequencer>(tree, static_cast<SequencerHost&>(*this));
  trayIcon = std::make_unique<TaskBarIcon>(TaskBarIcon::Hooks{
      [this] { postEndSequence(); },
      [this] {
        postEndSequence();
        window.Close();
      }});
  chordWait.SetOwner(&window);
  window.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { onChordWait(); }, chordWait.GetId());
  progressTick.SetOwner(&window);
  window.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { showProgress(); }, progressTick.GetId());
  notices = std::make_unique<DesktopNotices>();
  typingResume.SetOwner(&window);
  window.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { typingWork.start(); }, typingResume.GetId());
  // Called on the guardian's thread, where posting is all it may do; see grabStopKey.
  Tern::EventReceiver* target = &receiver;
  input.watchReleaseGuard([target] {
    try {
      Tern::Event::postOwned(std::make_unique<ReleaseGuardLostEvent>(target));
    } catch (const std::exception&) {
    }
  });
}

RunHost::~RunHost() {
  input.watchReleaseGuard({});
  // The icon's menu or the stop key may still post; the run's timers go with the sequencer.
  if (stopKeyGrabbed) input.releaseStopKey();
}

bool RunHost::isRunning() const { return sequencer->isRunning(); }

void RunHost::runCurrentGroup() {
  uiThread.assertCurrent("RunHost::runCurrentGroup");
  // Told while the window is still up: a message during the run would take the focus.
  if (const GroupCommand* group = tree.groupRecord(tree.runningGroup()); group != nullptr && !isRunning()) {
    if (const auto notice = StopTimeNotice::text(*group, wxDateTime::Now())) {
      UserDialogs::current().tell(WxText::fromUtf8(*notice), "Stop Time", UserDialogs::Icon::information, &window);
    }
  }
  Tern::Event::postOwned(std::make_unique<RunSequenceEvent>(&receiver));
}

template <typename Step>
void RunHost::runStep(Step step) {
  const bool wasRunning = isRunning();
  try {
    step();
  } catch (const std::exception&) {
    if (sequencer->isRunning()) sequencer->onEndSequence();
    UserDialogs::current().tell("The run stopped: its timers could not be started.\nPlease try again.",
                                "RUN ERROR", UserDialogs::Icon::error, &window);
  }
  if (wasRunning && !isRunning()) runEnded();
}

void RunHost::runEnded() {
  RunProgress ended = sequencer->progress();
  if (endingByStopKey) ended.end = RunProgress::End::stopKey;
  endingByStopKey = false;
  notices->show(ended.endedTitle(), ended.endedBody());
}

void RunHost::endSequence() {
  runStep([this] { sequencer->onEndSequence(); });
}

void RunHost::endRunAtOnce() {
  uiThread.assertCurrent("RunHost::endRunAtOnce");
  endSequence();
  // No loop is left to type the final commands once the window has gone.
  while (typing.isTyping()) {
    if (typing.typeSlice()) runStep([this] { sequencer->onTyped(); });
  }
  typingWork.stop();
}

void RunHost::runSequence() {
  const bool wasRunning = isRunning();
  if (!backendNoticeShown && !wasRunning) {
    backendNoticeShown = true;
    if (const auto notice = input.backendNotice()) {
      UserDialogs::current().tell(WxText::fromUtf8(*notice), "Zentak", UserDialogs::Icon::warning, &window);
    }
  }
  if (!isRunning()) {
    if (const auto refused = input.prepareRun()) {
      UserDialogs::current().tell(WxText::fromUtf8(*refused), "RUN ERROR", UserDialogs::Icon::error, &window);
      return;
    }
  }
  runStep([this] { sequencer->onRunSequence(); });
  if (!wasRunning && isRunning()) {
    // Its timers are armed now: the icon's first tool tip was made before.
    progressShown.clear();
    showProgress();
    const RunProgress armed = sequencer->progress();
    notices->show(armed.armedTitle(), armed.armedBody(howToStop));
  }
}

void RunHost::commandFinished(const wxTreeItemId& item) {
  runStep([this, &item] { sequencer->onCommandFinished(item); });
}

// What the run holds goes first: its own Shift, say, would otherwise count as the chord's and
// hold the final commands back for ever.
void RunHost::stopKeyPressed() {
  if (!isRunning() || chordWait.IsRunning()) return;
  endingByStopKey = true;
  sequencer->halt();
  releaseHeldInput();
  chordWait.Start(chordWaitPollMs);
}

// Typing stopped already, at the loss itself. The final commands are left out (the stop the
// input raised drops them): keys they hold would have nobody to let go of them should Zentak
// end suddenly. A stop key's wait for the chord to be let go is cut short for the same reason.
void RunHost::releaseGuardLost() {
  uiThread.assertCurrent("RunHost::releaseGuardLost");
  if (!isRunning()) return;
  chordWait.Stop();
  endingByStopKey = false;
  sequencer->halt();
  releaseHeldInput();
  endSequence();
  UserDialogs::current().tell(
      "The run stopped: Zentak could not restart the helper that lets go of held keys should Zentak end "
      "suddenly.\nThe keys and mouse buttons the run held were let go of; its final commands were not typed.",
      "RUN ERROR", UserDialogs::Icon::error, &window);
}

// The final commands typed while the user still holds Ctrl, Alt or Shift of the chord would
// come out as shortcuts in the user's window; however long the user holds them, they wait.
void RunHost::onChordWait() {
  if (input.stopKeyHeld()) return;
  chordWait.Stop();
  input.endStop();
  endSequence();
}

void RunHost::saveProject() { save(); }

void RunHost::hideWindow() {
  window.Hide();
  window.Disable();
}

void RunHost::showWindow() {
  window.Show();
  window.Enable();
  window.Raise();
}

void RunHost::showStopControls() {
  StopControls::Run run;
  run.typesThroughWayland = InputBackend::typesIntoWaylandWindows(input.backend());
  run.stopKeyGrabbed = stopKeyGrabbed;
  stopKeyNote = StopControls::stopKeyNote(input.stopKeyName(), run);
  run.trayIconShown = trayIcon->install(WxText::fromUtf8(sequencer->progress().toolTip(stopKeyNote)));
  const StopControls::Surface surface = StopControls::surface(run, StopWindow::toolkit());
  if (surface != StopControls::Surface::none) {
    runStopWindow = std::make_unique<StopWindow>(surface, WxText::fromUtf8(stopKeyNote), [this] { postEndSequence(); });
  }
  howToStop = StopControls::howToStop(input.stopKeyName(), run, surface);
  // Nothing shows the progress otherwise.
  if (run.trayIconShown || runStopWindow) progressTick.Start(progressTickMs);
}

void RunHost::removeStopControls() {
  progressTick.Stop();
  trayIcon->remove();
  runStopWindow.reset();
}

void RunHost::showProgress() {
  const RunProgress now = sequencer->progress();
  const std::string tip = now.toolTip(stopKeyNote);
  if (tip == progressShown) return;
  progressShown = tip;
  trayIcon->setToolTip(WxText::fromUtf8(tip));
  if (runStopWindow) runStopWindow->setProgress(WxText::fromUtf8(now.groupLine() + "\n" + now.where()));
}

void RunHost::grabStopKey() {
  // The key is pressed on another thread; posting is all it may do there. An event for a
  // window that has gone is refused, and the refusal has nobody to tell. Key repeat may post
  // more than one; all but the first are ignored.
  Tern::EventReceiver* target = &receiver;
  stopKeyGrabbed = input.grabStopKey([target] {
    try {
      Tern::Event::postOwned(std::make_unique<StopKeyEvent>(target));
    } catch (const std::exception&) {
    }
  });
}

void RunHost::releaseStopKey() {
  if (stopKeyGrabbed) input.releaseStopKey();
  stopKeyGrabbed = false;
}

void RunHost::postCommandFinished(const wxTreeItemId& item) {
  Tern::Event::postOwned(std::make_unique<CommandFinishedEvent>(&receiver, item));
}

void RunHost::postEndSequence() { Tern::Event::postOwned(std::make_unique<EndSequenceEvent>(&receiver)); }

// The icon's menu holds the keyboard while it is open: a key typed now would go into it, and an
// Enter would choose the item under the pointer.
bool RunHost::mayType() const { return !trayIcon->isMenuOpen() && !input.userHoldsModifier(); }

void RunHost::startTyping(const KeyActions& list) {
  typing.start(list);
  typingWork.start();
}

void RunHost::stopTyping() {
  if (typing.isTyping()) input.endText();
  typing.stop();
  typingWork.stop();
  typingResume.Stop();
}

bool RunHost::typeSlice() {
  if (!typing.isTyping()) return false;
  // What would go into the open menu, or come out modified by the user's key, waits; the loop
  // is left to sleep meanwhile.
  if (!mayType()) {
    input.endText();
    typingResume.StartOnce(typingResumeMs);
    return false;
  }
  if (!typing.typeSlice()) return true;
  runStep([this] { sequencer->onTyped(); });
  return typing.isTyping();
}

void RunHost::releaseHeldInput() { input.releaseHeldInput(); }

std::unique_ptr<TimerService> RunHost::makeTimerService() {
  // Handled after the timer's report, as the run's end drops the service that reports.
  return std::make_unique<OneShot>([this](std::exception_ptr failure) {
    window.CallAfter([this, failure] { runStep([&failure] { std::rethrow_exception(failure); }); });
  });
}

LgrDate RunHost::now() const { return {}; }

void RunHost::refreshKeyboardLayout() { input.refreshKeyboardLayout(); }

std::uint64_t RunHost::steadyMs() const {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

#include "run/Sequencer.h"

#include <algorithm>
#include <utility>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"

namespace {

std::uint64_t atLeastZero(std::int32_t ms) { return ms > 0 ? static_cast<std::uint64_t>(ms) : 0; }

}  // namespace

Sequencer::Sequencer(RunGroup& runGroup, SequencerHost& windowHost) : tree(runGroup), host(windowHost) {}

Sequencer::~Sequencer() {
  if (current() == this) setCurrent(nullptr);
}

void Sequencer::onRunSequence() {
  if (running) return;
  const wxTreeItemId groupItem = tree.runningGroup();
  GroupCommand* group = tree.groupRecord(groupItem);
  if (group == nullptr) return;
  host.saveProject();
  timerService = host.makeTimerService();
  running = true;
  setCurrent(this);
  host.hideWindow();
  // The key first: the icon and the stop window say how to end the run.
  host.grabStopKey();
  host.showStopControls();
  translateTexts(groupItem, *group);
  passesBegun = 0;
  passesDone = 0;
  typingsInPass = 0;
  endReason = RunProgress::End::user;
  // Both waits count from here: a stop delay includes the start delay.
  startAtMs = group->isStartAtTime() ? std::optional(wallMs(group->getStartTime())) : std::nullopt;
  startLeftMs = atLeastZero(group->getStartDelayMs());
  startDueMs = host.steadyMs() + startLeftMs;
  startTimerId = armLeg(startLeftMs, startAtMs);
  stopAtMs = std::nullopt;
  if (group->isStopAtTime()) {
    stopAtMs = wallMs(group->getStopTime());
    stopTimerId = armLeg(stopLeftMs, stopAtMs);
  } else if (group->isStopAfterDelay()) {
    stopLeftMs = atLeastZero(group->getStopDelayMs());
    stopDueMs = host.steadyMs() + stopLeftMs;
    stopTimerId = armLeg(stopLeftMs, stopAtMs);
  } else if (group->isStopAfterRepeats()) {
    passCount = 0;
  }
}

// A text translated earlier may have been translated for another layout: a run starts with every
// text translated for the one in force, synced once for all of them; each typing then checks
// the layout again (BaseCommand::getKeyActions).
void Sequencer::translateTexts(const wxTreeItemId& groupItem, GroupCommand& group) {
  host.refreshKeyboardLayout();
  group.reparse();
  for (wxTreeItemId item = tree.firstCommand(groupItem); item.IsOk(); item = tree.nextCommand(item)) {
    if (BaseCommand* command = tree.commandRecord(item)) command->reparse();
  }
}

void Sequencer::onOneShotFired(std::uint32_t id) {
  if (id == startTimerId) {
    if (waitGoesOn(startLeftMs, startAtMs)) {
      startTimerId = armLeg(startLeftMs, startAtMs);
      return;
    }
    startTimerId = 0;
    // The first pass begins here rather than through a posted event: a stop due at the same
    // moment (a stop time already passed, with "Finish Commands") is reported right after this,
    // and must find the first pass under way so that it ends after that pass, not before it.
    onCommandFinished(tree.runningGroup());
  } else if (id == stopTimerId) {
    if (waitGoesOn(stopLeftMs, stopAtMs)) {
      stopTimerId = armLeg(stopLeftMs, stopAtMs);
      return;
    }
    stopTimerId = 0;
    const GroupCommand* group = tree.groupRecord(tree.runningGroup());
    if (group != nullptr && group->isFinishCommands()) {
      stopRequested = true;
    } else {
      endFor(RunProgress::End::timeUp);
    }
  } else if (id == passTimerId) {
    passTimerId = 0;
    host.postCommandFinished(tree.runningGroup());
  }
}

void Sequencer::onCommandFinished(const wxTreeItemId& item) {
  if (!running || !timerService) return;
  wxTreeItemId next;
  if (const GroupCommand* group = tree.groupRecord(item)) {
    // Past the count rather than equal to count + 1: a negative count runs no pass, like 0, and
    // the largest count cannot overflow.
    const bool repeats = group->isStopAfterRepeats();
    if (repeats ? ++passCount > group->getRepeatCount() : stopRequested) {
      endFor(repeats ? RunProgress::End::passesDone : RunProgress::End::timeUp);
      return;
    }
    ++passesBegun;
    next = tree.firstCommand(item);
  } else {
    next = tree.nextCommand(item);
  }
  if (BaseCommand* command = next.IsOk() ? tree.commandRecord(next) : nullptr) {
    command->arm();
  } else {
    ++passesDone;
    typingsInPass = 0;
    // The pause is a timer, not a sleep: the UI thread keeps handling events, the stop key's
    // among them.
    passTimerId = timerService->arm(this, passPauseMs);
  }
}

// Outside a run this does nothing: an "End Sequence Now" picked twice, or a stop timer and the
// stop key both ending the run, must not type the final commands a second time.
void Sequencer::onEndSequence() {
  if (!running || typingFinals) return;
  // No turn may type between the final commands' keys: the run's timers go first.
  halt();
  const GroupCommand* group = tree.groupRecord(tree.runningGroup());
  if (group != nullptr && !group->getKeyActions().empty()) {
    typingFinals = true;
    host.startTyping(group->getKeyActions());
    return;
  }
  finishEnd();
}

void Sequencer::finishEnd() {
  typingFinals = false;
  // A text can leave a key or a button down (a <CTRL-DOWN> without its up); none stays held
  // once the run is over.
  host.releaseHeldInput();
  passCount = 0;
  stopRequested = false;
  host.removeStopControls();
  host.showWindow();
  running = false;
  host.releaseStopKey();
}

void Sequencer::halt() {
  setCurrent(nullptr);
  timerService.reset();
  host.stopTyping();
  typingCommand = nullptr;
  // The ids belonged to the dropped service; the next run's service hands out the same numbers.
  startTimerId = 0;
  stopTimerId = 0;
  passTimerId = 0;
}

void Sequencer::onTyped() {
  if (typingFinals) {
    finishEnd();
    return;
  }
  BaseCommand* const command = std::exchange(typingCommand, nullptr);
  // The interval counts from the end of the typing.
  if (command != nullptr && running && current() == this) command->typed();
}

TimerService& Sequencer::timers() { return *timerService; }

bool Sequencer::mayType() { return host.mayType(); }

void Sequencer::play(BaseCommand& command) {
  ++typingsInPass;
  typingCommand = &command;
  host.startTyping(command.getKeyActions());
}

void Sequencer::turnFinished(BaseCommand& command) { host.postCommandFinished(command.GetId()); }

void Sequencer::endFor(RunProgress::End reason) {
  endReason = reason;
  host.postEndSequence();
}

RunProgress Sequencer::progress() const {
  RunProgress shown;
  const GroupCommand* group = tree.groupRecord(tree.runningGroup());
  if (group == nullptr) return shown;
  shown.group = group->getName();
  shown.pass = passesBegun;
  shown.passesDone = passesDone;
  shown.typingsInPass = typingsInPass;
  shown.end = endReason;
  shown.started = passesBegun > 0 || (running && startTimerId == 0);
  shown.startsInMs = leftUntil(startAtMs, startDueMs);
  shown.lastPass = stopRequested;
  if (group->isStopAtTime() || group->isStopAfterDelay()) {
    shown.stop = group->isStopAtTime() ? RunProgress::Stop::atTime : RunProgress::Stop::afterDelay;
    shown.stopsInMs = stopTimerId != 0 ? leftUntil(stopAtMs, stopDueMs) : 0;
  } else if (group->isStopAfterRepeats()) {
    shown.stop = RunProgress::Stop::afterPasses;
    shown.passes = group->getRepeatCount();
  }
  return shown;
}

std::uint64_t Sequencer::leftUntil(const std::optional<std::int64_t>& atMs, std::uint64_t dueMs) const {
  if (atMs) {
    const std::int64_t ms = *atMs - host.now().milliseconds();
    return ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
  }
  const std::uint64_t now = host.steadyMs();
  return dueMs > now ? dueMs - now : 0;
}

std::int64_t Sequencer::wallMs(const wxDateTime& when) const {
  if (!when.IsValid()) return host.now().milliseconds();
  LgrDate target(0);
  target.setDate(when.GetYear(), static_cast<std::uint32_t>(when.GetMonth()) + 1, when.GetDay());
  target.setTime(when.GetHour(), when.GetMinute(), 0, 0);
  return target.milliseconds();
}

bool Sequencer::waitGoesOn(std::uint64_t& leftMs, const std::optional<std::int64_t>& atMs) const {
  if (atMs) {
    const std::int64_t ms = *atMs - host.now().milliseconds();
    leftMs = ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
  }
  return leftMs > 0;
}

std::uint32_t Sequencer::armLeg(std::uint64_t& leftMs, const std::optional<std::int64_t>& atMs) {
  (void)waitGoesOn(leftMs, atMs);
  const std::uint64_t leg = std::min<std::uint64_t>(leftMs, atMs ? wallLegMs : legMs);
  leftMs -= leg;
  return timerService->arm(this, static_cast<std::uint32_t>(leg));
}

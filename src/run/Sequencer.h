#pragma once

#include <wx/datetime.h>
#include <wx/treebase.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "commands/CommandRun.h"
#include "run/RunProgress.h"
#include "run/SequencerHost.h"
#include "tree/RunGroup.h"
#include "tern/OneShotClient.h"
#include "tern/TimerService.h"

// Runs one group: waits for its start, walks its commands in tree order pass after pass, each
// enabled command taking its turn of typings, stops as the group's stop option says, types the
// group's final commands and gives the screen back. No thread or loop of its own: the host's
// posted events and the run's timers drive it, all on the UI thread. UI thread only.
class Sequencer final : public OneShotClient, public CommandRun {
 public:
  // Pause between the end of a pass and the start of the next.
  static constexpr std::uint32_t passPauseMs = 50;
  // Longest single timer of a start or a stop wait; a longer wait is a chain of them, since a
  // timer holds at most 2^32 - 1 ms (about 49.7 days).
  static constexpr std::uint32_t legMs = 86'400'000;
  // Longest leg of a wait for a start or stop time. The timers count on a clock that stops
  // while the machine is suspended, so such a wait looks at the wall clock again after every
  // leg: after a resume the run starts or stops at most this late (the times count minutes).
  static constexpr std::uint32_t wallLegMs = 10'000;

  Sequencer(RunGroup& tree, SequencerHost& host);
  ~Sequencer() override;
  Sequencer(const Sequencer&) = delete;
  Sequencer& operator=(const Sequencer&) = delete;

  // "RunSequence": starts a run of the running group; ignored during a run and when there is
  // no group to run. Throws what the host's makeTimerService throws, the run not started. UI
  // thread only.
  void onRunSequence();
  // "CommandFinished": the group's item begins a pass (or ends the run when the stop option
  // says so); a command's item passes the turn to the next command. Ignored outside a run. UI
  // thread only.
  void onCommandFinished(const wxTreeItemId& item);
  // "EndSequence": stops the typing in progress at once, types the final commands and, once
  // they are typed, ends the run; ignored outside a run and while the final commands type. UI
  // thread only.
  void onEndSequence();
  // Stops the run's typing at once, its timers dropped; the run stays in progress, without
  // typing, until onEndSequence. UI thread only.
  void halt();
  // The host has typed the list it was last given: the typing command's turn goes on, or the
  // run ends after its final commands. UI thread only.
  void onTyped();
  // The start, stop or pass-pause timer has run out; other ids are ignored. UI thread only.
  void onOneShotFired(std::uint32_t id) override;

  // The run's timer service; only during a run. UI thread only.
  TimerService& timers() override;
  // As the host says. UI thread only.
  [[nodiscard]] bool mayType() override;
  // Hands the command's list to the host to type; its turn goes on once it is typed. UI thread
  // only.
  void play(BaseCommand& command) override;
  // Posts "CommandFinished" with the command's item. UI thread only.
  void turnFinished(BaseCommand& command) override;

  // UI thread only.
  [[nodiscard]] bool isRunning() const { return running; }
  // Passes begun in "Repeat Count" mode. UI thread only.
  [[nodiscard]] std::int64_t getPassCount() const { return passCount; }
  // A timed stop with "Finish Commands" waits for the end of the pass. UI thread only.
  [[nodiscard]] bool isStopRequested() const { return stopRequested; }
  // Where the run in progress is, or the last run was as it ended. UI thread only.
  [[nodiscard]] RunProgress progress() const;

 private:
  // A local date and time, to the minute, in LgrDate's milliseconds; one that cannot be read
  // counts as now, as loading a project treats it.
  [[nodiscard]] std::int64_t wallMs(const wxDateTime& when) const;
  // Whether a wait goes on: for a wait until a time of the wall clock (atMs), leftMs becomes
  // the time left until it, 0 once it has passed.
  [[nodiscard]] bool waitGoesOn(std::uint64_t& leftMs, const std::optional<std::int64_t>& atMs) const;
  // Arms the next leg of a wait and takes it off leftMs; a leg of a wait until a time of the
  // wall clock lasts at most wallLegMs.
  std::uint32_t armLeg(std::uint64_t& leftMs, const std::optional<std::int64_t>& atMs);
  // Translates the running group's texts with the keyboard layout of now.
  void translateTexts(const wxTreeItemId& groupItem, GroupCommand& group);
  // The time left until a wait's end: a time of the wall clock (atMs), or dueMs on the steady
  // clock.
  [[nodiscard]] std::uint64_t leftUntil(const std::optional<std::int64_t>& atMs, std::uint64_t dueMs) const;
  // Posts "EndSequence", the run ending for the reason given.
  void endFor(RunProgress::End reason);
  // Lets go of what the run held and gives the screen back: the run is over.
  void finishEnd();

  RunGroup& tree;
  SequencerHost& host;
  std::unique_ptr<TimerService> timerService;
  bool running = false;
  std::uint32_t startTimerId = 0;
  std::uint32_t stopTimerId = 0;
  std::uint32_t passTimerId = 0;
  // What remains of the start and stop waits after their current legs.
  std::uint64_t startLeftMs = 0;
  std::uint64_t stopLeftMs = 0;
  // The wall-clock times a Start Time and a Stop Time wait for.
  std::optional<std::int64_t> startAtMs;
  std::optional<std::int64_t> stopAtMs;
  std::int64_t passCount = 0;
  bool stopRequested = false;
  // On the steady clock: when the start and stop delays run out.
  std::uint64_t startDueMs = 0;
  std::uint64_t stopDueMs = 0;
  // Passes begun and typed to their end in this run; why it ended, once the run says so itself.
  std::int64_t passesBegun = 0;
  std::int64_t passesDone = 0;
  // Typings begun since the last pass was typed to its end.
  std::int64_t typingsInPass = 0;
  RunProgress::End endReason = RunProgress::End::user;
  // The command whose list the host is typing, if any; its turn goes on once it is typed.
  BaseCommand* typingCommand = nullptr;
  // The host is typing the final commands: the run ends once they are typed.
  bool typingFinals = false;
};

#include "run/Sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "tern/InstanceValidator.h"

namespace {

// What the keyboard-layout refresh switches to; appended to every translated text.
std::string layoutMark;

wxTreeItemId itemOf(std::size_t n) { return wxTreeItemId(reinterpret_cast<void*>(n)); }
std::size_t numberOf(const wxTreeItemId& item) { return reinterpret_cast<std::size_t>(item.GetID()); }

// Group item 1 with commands A (2 typings, 100 ms apart) and B (1 typing) as items 2 and 3 and
// final commands F; a host that logs "ms what" on hand-moved time from 2024-06-01 12:00 and
// delivers posted events in order.
class SequencerTest : public ::testing::Test, public RunGroup, public SequencerHost {
 protected:
  // A run's timers on the hand-moved clock; dropped with the run, its pending timers never fire.
  struct Timers final : TimerService {
    explicit Timers(SequencerTest& owner) : test(owner) { test.live = this; }
    ~Timers() override {
      if (test.live == this) test.live = nullptr;
    }
    std::uint32_t arm(OneShotClient* client, std::uint32_t delayMs) override {
      pending.emplace(std::pair{test.clockMs + delayMs, ++lastId}, client);
      return lastId;
    }
    SequencerTest& test;
    std::uint32_t lastId = 0;
    std::map<std::pair<std::uint64_t, std::uint32_t>, OneShotClient*> pending;
  };

  SequencerTest() {
    BaseCommand::setKeyParse([](std::string_view text, KeyActions& list) {
      list.assign(text.begin(), text.end());
      list.insert(list.end(), layoutMark.begin(), layoutMark.end());
    });
    layoutMark.clear();
    group.setFinalText("F");
    group.setStartDelayMs(0);
    for (const char* text : {"A", "B"}) {
      BaseCommand& command = *commands.emplace_back(std::make_unique<BaseCommand>());
      command.SetId(itemOf(commands.size() + 1));
      command.setText(text);
      command.setRunCount(text[0] == 'A' ? 2 : 1);
      command.setIntervalMs(100);
    }
  }
  ~SequencerTest() override { BaseCommand::setKeyParse({}); }

  void stopAfter(std::int32_t ms, bool finishCommands) {
    group.setStopDelay(ms);
    group.setFinishCommands(finishCommands);
  }
  void repeat(std::int32_t count) {
    group.setStopAfterDelay(false);
    group.setStopAfterRepeats(true);
    group.setRepeatCount(count);
  }
  // Delivers what was posted, then fires the earliest timer due by until (those due together in
  // the order armed, as OneShot reports them), and so on.
  void runTo(std::uint64_t until) {
    for (;;) {
      for (; !posted.empty(); posted.pop_front()) posted.front()();
      const bool timerDue = live != nullptr && !live->pending.empty() && live->pending.begin()->first.first <= until;
      if (typedDue && *typedDue <= until && (!timerDue || *typedDue <= live->pending.begin()->first.first)) {
        clockMs = *typedDue;
        typedDue.reset();
        sequencer.onTyped();
        continue;
      }
      if (!timerDue) break;
      const auto [due, client] = *live->pending.begin();
      live->pending.erase(live->pending.begin());
      clockMs = due.first;
      // As the timer service does: a client no longer alive is not told.
      if (Tern::InstanceValidator::isValid(client)) client->onOneShotFired(due.second);
    }
    clockMs = std::max(clockMs, until);
  }
  void note(const std::string& what) { log += (log.empty() ? "" : ", ") + std::to_string(clockMs) + " " + what; }

  // The selected item's group.
  wxTreeItemId runningGroup() const override { return commandRecord(selected) != nullptr ? itemOf(1) : selected; }
  GroupCommand* groupRecord(const wxTreeItemId& item) const override {
    return numberOf(item) == 1 ? &group : nullptr;
  }
  wxTreeItemId firstCommand(const wxTreeItemId&) const override { return commands.empty() ? wxTreeItemId() : itemOf(2); }
  wxTreeItemId nextCommand(const wxTreeItemId& item) const override {
    return numberOf(item) <= commands.size() ? itemOf(numberOf(item) + 1) : wxTreeItemId();
  }
  BaseCommand* commandRecord(const wxTreeItemId& item) const override {
    const std::size_t n = numberOf(item);
    return n >= 2 && n <= commands.size() + 1 ? commands[n - 2].get() : nullptr;
  }

  void saveProject() override { note("save"); }
  void hideWindow() override { note("hide"); }
  void showWindow() override { note("show"); }
  void showStopControls() override { note("tray"); }
  void removeStopControls() override { note("untray"); }
  void grabStopKey() override { note("grab"); }
  void releaseStopKey() override { note("ungrab"); }
  void postCommandFinished(const wxTreeItemId& item) override {
    posted.emplace_back([this, item] { sequencer.onCommandFinished(item); });
  }
  void postEndSequence() override { posted.emplace_back([this] { sequencer.onEndSequence(); }); }
  // A list takes typingMs to type: its end is reported like a timer due then, unless the typing
  // is stopped first.
  void startTyping(const KeyActions& list) override {
    note(std::string(list.begin(), list.end()));
    typed += (typed.empty() ? "" : ", ") + std::to_string(clockMs) + " " + std::string(list.begin(), list.end());
    typedDue = clockMs + typingMs;
  }
  void stopTyping() override {
    if (typedDue) note("cut");
    typedDue.reset();
  }
  bool mayType() const override { return clockMs >= typingHeldUntil; }
  void releaseHeldInput() override { note("release"); }
  std::unique_ptr<TimerService> makeTimerService() override { return std::make_unique<Timers>(*this); }
  LgrDate now() const override {
    LgrDate noon(0);
    noon.setDate(2024, 6, 1);
    noon.setTime(12, 0, 0, 0);
    return LgrDate(noon.nanoseconds() + static_cast<std::int64_t>(clockMs + wallAheadMs) * 1'000'000);
  }
  void refreshKeyboardLayout() override { layoutMark = nextLayoutMark; }
  std::uint64_t steadyMs() const override { return clockMs; }

  mutable GroupCommand group;
  std::vector<std::unique_ptr<BaseCommand>> commands;
  wxTreeItemId selected = itemOf(1);
  std::uint64_t clockMs = 0;
  // How far the wall clock is ahead of the timers' clock, which stops while the machine sleeps.
  std::uint64_t wallAheadMs = 0;
  Timers* live = nullptr;
  std::deque<std::function<void()>> posted;
  std::string log;
  std::string typed;
  std::string nextLayoutMark;
  // Until then the user holds a modifier down.
  std::uint64_t typingHeldUntil = 0;
  // How long typing a list takes, and when the list being typed is done.
  std::uint64_t typingMs = 0;
  std::optional<std::uint64_t> typedDue;
  Sequencer sequencer{*this, *this};
};

}  // namespace

// Catches passes out of tree order, a wrong number of passes (a Repeat Count of 0, or below,
// typing one), final commands not typed, keys left held after them, and the screen not given
// back in full.
TEST_F(SequencerTest, RepeatCountRunsThatManyPassesThenTheFinalCommandsAndGivesTheScreenBack) {
  repeat(2);
  sequencer.onRunSequence();
  runTo(1000);
  EXPECT_EQ(log, "0 save, 0 hide, 0 grab, 0 tray, 50 A, 150 A, 300 B, 500 A, 600 A, 750 B, 900 F, 900 release, "
                 "900 untray, 900 show, 900 ungrab");
  for (const std::int32_t none : {0, -4}) {
    group.setRepeatCount(none);
    sequencer.onRunSequence();
    runTo(clockMs + 1000);
  }
  EXPECT_EQ(typed, "50 A, 150 A, 300 B, 500 A, 600 A, 750 B, 900 F, 1000 F, 2000 F");
}

// Catches a first typing not 50 ms into a turn, typings not one interval apart, a turn that
// reports at its last typing instead of one interval later (3050 ms), and a disabled command
// that types, sleeps (reporting at once) or never reports: its pause and the pass's end add 50
// ms each.
TEST_F(SequencerTest, RunCountThreeTypesAt50And1050And2050AndADisabledCommandOnlyPauses) {
  repeat(1);
  commands[0]->setRunCount(3);
  commands[0]->setIntervalMs(1000);
  commands[1]->setEnabled(false);
  sequencer.onRunSequence();
  runTo(10000);
  EXPECT_EQ(typed, "50 A, 1050 A, 2050 A, 3150 F");
}

// Catches arming outside a run, a stale timer id acting, a random interval not used after the
// first typing, and a negative interval armed as a delay of some 49 days.
TEST_F(SequencerTest, StaleIdsAndArmingOutsideARunDoNothingAndIntervalsStaySane) {
  commands[0]->arm();
  EXPECT_EQ(commands[0]->getTimerId(), 0U);
  repeat(1);
  commands[0]->setRandomInterval(true);
  commands[0]->setRandomFromMs(700);
  commands[0]->setRandomToMs(700);
  commands[1]->setIntervalMs(-5);
  sequencer.onRunSequence();
  runTo(100);
  commands[0]->onOneShotFired(commands[0]->getTimerId() + 1);
  runTo(10000);
  EXPECT_EQ(typed, "50 A, 750 A, 1500 B, 1550 F");
}

// Catches a timed stop that ignores "Finish Commands" either way, and a waiting stop request
// that outlives its run and ends the next one at its first pass.
TEST_F(SequencerTest, StopDelayMidPassWithAndWithoutFinishCommandsThenANormalRun) {
  stopAfter(200, false);
  sequencer.onRunSequence();
  runTo(10000);
  stopAfter(200, true);
  sequencer.onRunSequence();
  runTo(20000);
  // A kept both typings of its interrupted turn: it only reports, a full interval in.
  EXPECT_EQ(typed, "50 A, 150 A, 200 F, 10150 B, 10300 F");
  typed.clear();
  group.setStopAfterDelay(false);
  group.setDontStop(true);
  sequencer.onRunSequence();
  runTo(21000);
  postEndSequence();
  runTo(30000);
  EXPECT_EQ(typed, "20050 A, 20150 A, 20300 B, 20500 A, 20600 A, 20750 B, 20950 A, 21000 F");
}

// Catches timer ids kept from a dropped service: the next run's service hands out the same
// numbers, and the old stop id would end the new run at its first pause.
TEST_F(SequencerTest, ASecondRunIgnoresTheTimerIdsOfTheFirst) {
  commands.clear();
  stopAfter(100000, false);
  sequencer.onRunSequence();
  runTo(500);
  postEndSequence();
  runTo(1000);
  repeat(3);
  sequencer.onRunSequence();
  runTo(5000);
  EXPECT_EQ(typed, "500 F, 1150 F");
}

// Catches End Sequence typing anything but the final commands during the start delay, timers
// firing after the end, and a second End Sequence (or one when idle) typing them again.
TEST_F(SequencerTest, EndSequenceDuringTheStartDelayAndWhenIdle) {
  sequencer.onEndSequence();
  EXPECT_EQ(log, "");
  group.setStartDelayMs(1000);
  sequencer.onRunSequence();
  runTo(500);
  postEndSequence();
  postEndSequence();
  runTo(10000);
  EXPECT_EQ(log, "0 save, 0 hide, 0 grab, 0 tray, 500 F, 500 release, 500 untray, 500 show, 500 ungrab");
}

// Catches a halted run that keeps typing, or that crashes on a turn's report already posted when
// its timers went; the final commands still come with the end.
TEST_F(SequencerTest, AHaltedRunTypesNothingMoreUntilItEnds) {
  repeat(1);
  sequencer.onRunSequence();
  runTo(60);
  sequencer.halt();
  postCommandFinished(itemOf(2));
  runTo(5000);
  EXPECT_EQ(typed, "50 A");
  EXPECT_TRUE(sequencer.isRunning());
  sequencer.onEndSequence();
  runTo(clockMs);
  EXPECT_EQ(typed, "50 A, 5000 F");
  EXPECT_FALSE(sequencer.isRunning());
}

// Catches turns that overlap a long typing (the next typing due while the last still types), an
// interval counted from a typing's start instead of its end, a stop that waits for a long text
// to end instead of cutting it, and a second stop (the icon's after a stop timer's) that cuts
// the final commands or types them again. Each list takes 300 ms to type.
TEST_F(SequencerTest, ALongTypingDelaysTheNextAndAStopCutsItAtOnce) {
  repeat(1);
  typingMs = 300;
  sequencer.onRunSequence();
  runTo(10000);
  EXPECT_EQ(typed, "50 A, 450 A, 900 B, 1350 F");
  log.clear();
  sequencer.onRunSequence();
  runTo(10100);
  postEndSequence();
  runTo(10110);
  EXPECT_TRUE(sequencer.isRunning());
  postEndSequence();
  runTo(20000);
  EXPECT_EQ(log, "10000 save, 10000 hide, 10000 grab, 10000 tray, 10050 A, 10100 cut, 10100 F, 10400 release, "
                 "10400 untray, 10400 show, 10400 ungrab");
  EXPECT_FALSE(sequencer.isRunning());
}

// Catches a wait beyond 2^32 - 1 ms that wraps (starting early) or never ends, and a stop
// time already passed that waits instead of stopping at once.
TEST_F(SequencerTest, AStartSixtyDaysAheadStartsThenAndAPassedStopStopsAtOnce) {
  group.setStopAfterDelay(false);
  group.setStopAtTime(true);
  group.setStopTime(wxDateTime(1, wxDateTime::May, 2024, 12, 0));
  sequencer.onRunSequence();
  runTo(1000);
  EXPECT_EQ(typed, "0 F");
  group.setStopAtTime(false);
  repeat(1);
  group.setStartAtTime(true);
  group.setStartTime(wxDateTime(31, wxDateTime::Jul, 2024, 12, 1));
  sequencer.onRunSequence();
  // 2024-07-31 12:01: sixty days and a minute after the clock's start.
  constexpr std::uint64_t startsAt = 60ULL * 86'400'000 + 60'000;
  runTo(startsAt + 49);
  EXPECT_EQ(typed, "0 F");
  runTo(startsAt + 50);
  EXPECT_EQ(typed, "0 F, " + std::to_string(startsAt + 50) + " A");
}

// Fault: a Start Time or Stop Time was turned into a delay once and counted on a clock that
// stops while the machine is suspended: after a 5-minute suspend the run started or stopped 5
// minutes late. Both are due at 12:10 by the wall clock; the machine sleeps 5 minutes at 12:01.
TEST_F(SequencerTest, StartAndStopTimesFollowTheWallClockAcrossASuspend) {
  for (const bool startAtTime : {true, false}) {
    clockMs = wallAheadMs = 0;
    group.setStartAtTime(startAtTime);
    group.setStopAfterDelay(false);
    group.setStopAtTime(!startAtTime);
    group.setStartTime(wxDateTime(1, wxDateTime::Jun, 2024, 12, 10));
    group.setStopTime(group.getStartTime());
    sequencer.onRunSequence();
    runTo(60'000);
    wallAheadMs = 300'000;
    runTo(300'050);
    EXPECT_TRUE(typed.ends_with(startAtTime ? "300050 A" : "300000 F")) << typed.substr(typed.size() - 20);
    sequencer.onEndSequence();
    runTo(clockMs);
  }
}

// Catches a run that starts from the selected command instead of its group's first, texts
// typed with the layout they were translated with when entered, and a group that translates
// its command text again instead of its final commands.
TEST_F(SequencerTest, ARunStartsFromItsGroupsFirstCommandWithTheLayoutOfItsStart) {
  repeat(1);
  selected = itemOf(3);
  nextLayoutMark = "'";
  sequencer.onRunSequence();
  runTo(1000);
  EXPECT_EQ(typed, "50 A', 150 A', 300 B', 450 F'");
}

// Catches a timer acted on for a command deleted while it waited.
TEST_F(SequencerTest, ACommandDeletedWhileItsTimerWaitsIsNotTold) {
  stopAfter(500, false);
  sequencer.onRunSequence();
  runTo(60);
  ASSERT_EQ(live->pending.size(), 2U);
  commands[0].reset();
  runTo(10000);
  EXPECT_EQ(typed, "50 A, 500 F");
}

// Catches a typing that goes ahead while the user holds a modifier (it would come out
// modified), one skipped or counted instead of delayed, and a turn that loses its timing after
// it: the first A falls due at 50 but waits, in 10 ms steps, until the modifier is up at 85.
TEST_F(SequencerTest, ATypingWaitsWhileTheUserHoldsAModifierAndKeepsItsCount) {
  repeat(1);
  typingHeldUntil = 85;
  sequencer.onRunSequence();
  runTo(10000);
  EXPECT_EQ(typed, "90 A, 190 A, 340 B, 490 F");
}

// Catches progress naming the wrong pass, a countdown that does not count down or counts from
// the run's start instead of the wait's, and an end told for the wrong reason or with the passes
// begun instead of those typed: a pass lasts 450 ms, and the stop cuts the eighteenth.
TEST_F(SequencerTest, TheProgressFollowsTheRunAndItsEnd) {
  group.setName("Hunt");
  group.setStartDelayMs(2000);
  stopAfter(10000, false);
  sequencer.onRunSequence();
  std::string seen;
  for (const std::uint64_t at : {0U, 1500U, 2100U, 2600U, 9999U, 10000U}) {
    runTo(at);
    seen += (at < 10000 ? sequencer.progress().where() : sequencer.progress().endedBody()) + "; ";
  }
  EXPECT_EQ(seen,
            "starts in 0:02, stops in 0:10; starts now, stops in 0:09; pass 1, stops in 0:08; "
            "pass 2, stops in 0:08; pass 18, stops in 0:01; "
            "17 full passes and part of the next typed: its stop delay ran out.; ");
}

// Catches the typings of a pass cut short left untold ("No pass typed" after text was typed),
// still counted once the pass was typed to its end (in the pause before the next), or carried
// into the next run: a pass lasts 450 ms, the next one typing its first text at 500.
TEST_F(SequencerTest, TheEndTellsThePartOfAPassCutShort) {
  group.setStopAfterDelay(false);
  group.setDontStop(true);
  const std::pair<std::uint64_t, const char*> cases[] = {
      {60, "Part of the first pass (1 typing) typed: ended with \"End Sequence Now\"."},
      {10, "No pass typed: ended with \"End Sequence Now\"."},
      {420, "1 pass typed: ended with \"End Sequence Now\"."},
      {520, "1 full pass and part of the next typed: ended with \"End Sequence Now\"."},
  };
  for (const auto& [at, body] : cases) {
    const std::uint64_t start = clockMs;
    sequencer.onRunSequence();
    runTo(start + at);
    postEndSequence();
    runTo(clockMs);
    EXPECT_EQ(sequencer.progress().endedBody(), body) << at;
  }
}

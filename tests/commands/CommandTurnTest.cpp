#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "commands/BaseCommand.h"
#include "commands/CommandRun.h"
#include "commands/RandomGenerator.h"
#include "support/ManualClock.h"

namespace {

// A run of hand-moved time that logs "ms type" and "ms end" for its commands.
class TurnRun final : public CommandRun {
 public:
  TurnRun() { setCurrent(this); }
  ~TurnRun() { setCurrent(nullptr); }
  TimerService& timers() override { return *service; }
  void play(const KeyActions&) override { note("type"); }
  void turnFinished(BaseCommand&) override { note("end"); }
  void note(const std::string& what) { log += (log.empty() ? "" : ", ") + std::to_string(clock.now) + " " + what; }

  ManualClock clock;
  std::unique_ptr<TimerService> service = clock.makeTimers();
  std::string log;
};

BaseCommand& typing(BaseCommand& command, std::int32_t runs, std::int32_t intervalMs) {
  command.setRunCount(runs);
  command.setIntervalMs(intervalMs);
  return command;
}

}  // namespace

// Catches a first typing not 50 ms in, typings not one interval apart, and a report at the last
// typing instead of one interval after it.
TEST(CommandTurn, RunCountThreeTypesAt50And1050And2050AndReportsAt3050) {
  TurnRun run;
  BaseCommand command;
  typing(command, 3, 1000).arm();
  run.clock.runTo(10000);
  EXPECT_EQ(run.log, "50 type, 1050 type, 2050 type, 3050 end");
  EXPECT_EQ(command.getRunsDone(), 0);
}

// Catches a disabled command that sleeps (reporting inside arm), types, or never reports.
TEST(CommandTurn, ADisabledCommandReportsAfter50msOnATimerWithoutTyping) {
  TurnRun run;
  BaseCommand command;
  command.setEnabled(false);
  command.arm();
  run.clock.runTo(49);
  EXPECT_EQ(run.log, "");
  run.clock.runTo(1000);
  EXPECT_EQ(run.log, "50 end");
}

// Catches arming outside a run, a stale id acting, and an interrupted turn losing its typings:
// the next run's first typing then waits a full interval and only the rest are typed.
TEST(CommandTurn, StaleIdsAndNoRunDoNothingAndAnInterruptedTurnKeepsItsTypings) {
  BaseCommand command;
  typing(command, 3, 1000).arm();
  EXPECT_EQ(command.getTimerId(), 0U);
  {
    TurnRun first;
    command.arm();
    first.clock.runTo(1050);
    command.onOneShotFired(command.getTimerId() + 1);
    EXPECT_EQ(first.log, "50 type, 1050 type");
  }
  EXPECT_EQ(command.getRunsDone(), 2);
  TurnRun second;
  command.arm();
  second.clock.runTo(10000);
  EXPECT_EQ(second.log, "1000 type, 2000 end");
}

// Catches a negative interval armed as a delay of some 49 days, a negative run count typing
// without end, and a random interval not used after the first typing.
TEST(CommandTurn, NegativeAndRandomIntervalsGiveSaneDelays) {
  TurnRun run;
  BaseCommand negative;
  BaseCommand never;
  typing(negative, 2, -5).arm();
  run.clock.runTo(100);
  typing(never, -1, 1000).arm();
  run.clock.runTo(1000);
  EXPECT_EQ(run.log, "50 type, 50 type, 50 end, 150 end");
  BaseCommand random;
  typing(random, 1, 5).setRandomInterval(true);
  random.setRandomFromMs(700);
  random.setRandomToMs(700);
  random.arm();
  run.clock.runTo(5000);
  EXPECT_EQ(run.log, "50 type, 50 type, 50 end, 150 end, 1050 type, 1750 end");
}

// Catches a changed formula or generator for spreads one value covers (same numbers, same
// order), an upper bound that can come out, and negative bounds giving negative delays.
TEST(RandomDelay, NarrowSpreadsKeepTheirNumbersAndBounds) {
  RandomGenerator::seed(1);
  EXPECT_EQ(RandomGenerator::between(5000, 2000), 2041U);
  EXPECT_EQ(RandomGenerator::between(2000, 5000), 2467U);
  std::uint32_t low = 5000;
  std::uint32_t high = 0;
  for (int i = 0; i < 30000; ++i) {
    const std::uint32_t delay = RandomGenerator::between(5000, 2000);
    low = std::min(low, delay);
    high = std::max(high, delay);
  }
  EXPECT_EQ(low, 2000U);
  EXPECT_EQ(high, 4999U);
  EXPECT_EQ(RandomGenerator::between(1000, 1000), 1000U);
  EXPECT_LT(RandomGenerator::between(-300, 40), 40U);
  EXPECT_EQ(RandomGenerator::between(-300, -40), 0U);
}

// Catches a wide spread that never reaches above 32,767 or spills past its upper bound.
TEST(RandomDelay, AWideSpreadReachesItsUpperPart) {
  RandomGenerator::seed(7);
  std::uint32_t high = 0;
  for (int i = 0; i < 3000; ++i) high = std::max(high, RandomGenerator::between(0, 100000));
  EXPECT_GT(high, 95000U);
  EXPECT_LT(high, 100000U);
}

// What the user is told of a run: where it is, how long until its start or stop, how it ended.

#include "run/RunProgress.h"

#include <gtest/gtest.h>

namespace {

using Stop = RunProgress::Stop;
using End = RunProgress::End;

RunProgress waiting(Stop stop, std::uint64_t startsInMs) {
  RunProgress run;
  run.stop = stop;
  run.startsInMs = startsInMs;
  run.passes = 5;
  run.stopsInMs = 750'000;
  return run;
}

RunProgress inPass(Stop stop, std::int64_t pass) {
  RunProgress run = waiting(stop, 0);
  run.started = true;
  run.pass = pass;
  return run;
}

}  // namespace

// Catches a countdown that shows 0:00 while time is left (rounded down), seconds or minutes
// without their two digits, and hours folded into minutes.
TEST(RunProgressTest, TimesLeftRoundUpToWholeSeconds) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0:00"},          {1, "0:01"},           {1000, "0:01"},       {1001, "0:02"},
      {105'000, "1:45"},    {750'000, "12:30"},    {3'599'001, "1:00:00"}, {3'723'000, "1:02:03"},
      {180'000'000, "50:00:00"},
  };
  for (const auto& [ms, shown] : cases) EXPECT_EQ(RunProgress::clock(ms), shown) << ms;
}

// Catches a stop option told wrong for the phase (and a start delay of a millisecond told as a
// second to wait): a pass count before the start, "of n" for a
// run that stops on time, a countdown for a run that finishes its pass after the stop came.
TEST(RunProgressTest, WhereTheRunIsForEveryStopOption) {
  RunProgress last = inPass(Stop::afterDelay, 3);
  last.lastPass = true;
  RunProgress one = waiting(Stop::afterPasses, 105'000);
  one.passes = 1;
  const std::pair<RunProgress, const char*> cases[] = {
      {waiting(Stop::afterPasses, 105'000), "starts in 1:45, 5 passes"},
      {one, "starts in 1:45, 1 pass"},
      {waiting(Stop::never, 105'000), "starts in 1:45, until stopped"},
      {waiting(Stop::never, 999), "starts now, until stopped"},
      {waiting(Stop::atTime, 105'000), "starts in 1:45, stops in 12:30"},
      {inPass(Stop::afterPasses, 2), "pass 2 of 5"},
      {inPass(Stop::afterDelay, 3), "pass 3, stops in 12:30"},
      {inPass(Stop::never, 3), "pass 3, until stopped"},
      {last, "pass 3, stops after this pass"},
  };
  for (const auto& [run, shown] : cases) EXPECT_EQ(run.where(), shown);
}

// Catches an end told for the wrong reason (a stop time as a delay, the stop key as the menu),
// and the passes typed miscounted in the text.
TEST(RunProgressTest, TheEndSaysThePassesTypedAndWhy) {
  const std::tuple<Stop, std::int64_t, End, const char*> cases[] = {
      {Stop::afterPasses, 5, End::passesDone, "5 passes typed: the run typed all its passes."},
      {Stop::afterDelay, 1, End::timeUp, "1 pass typed: its stop delay ran out."},
      {Stop::atTime, 7, End::timeUp, "7 passes typed: its stop time came."},
      {Stop::never, 12, End::stopKey, "12 passes typed: ended with the stop key."},
      {Stop::never, 0, End::user, "No pass typed: ended with \"End Sequence Now\"."},
  };
  for (const auto& [stop, done, end, body] : cases) {
    RunProgress run = inPass(stop, done + 1);
    run.passesDone = done;
    run.end = end;
    EXPECT_EQ(run.endedBody(), body);
  }
}

// Catches a run ended in the middle of a pass told as "No pass typed" after text was typed, or as
// whole passes only, so that the cut pass goes unmentioned; and a pass typed to its end (the
// pause before the next) told as cut.
TEST(RunProgressTest, ARunEndedInThePassSaysSo) {
  const std::tuple<std::int64_t, std::int64_t, End, const char*> cases[] = {
      {1, 3, End::stopKey, "1 full pass and part of the next typed: ended with the stop key."},
      {4, 1, End::user, "4 full passes and part of the next typed: ended with \"End Sequence Now\"."},
      {0, 1, End::stopKey, "Part of the first pass (1 typing) typed: ended with the stop key."},
      {0, 12, End::timeUp, "Part of the first pass (12 typings) typed: its stop delay ran out."},
      {0, 0, End::stopKey, "No pass typed: ended with the stop key."},
      {2, 0, End::stopKey, "2 passes typed: ended with the stop key."},
  };
  for (const auto& [done, typings, end, body] : cases) {
    RunProgress run = inPass(Stop::afterDelay, done + 1);
    run.passesDone = done;
    run.typingsInPass = typings;
    run.end = end;
    EXPECT_EQ(run.endedBody(), body);
  }
}

// Catches a tool tip without the group or the stop key (the notices are read at a real server),
// and a long name that makes the stop window as wide as the screen or is cut inside a character.
TEST(RunProgressTest, TheToolTipNamesTheGroupAndTheStopKey) {
  RunProgress run = inPass(Stop::afterPasses, 2);
  run.group = "Hunt";
  EXPECT_EQ(run.toolTip("Ctrl+Alt+Shift+Escape ends the run"),
            "Zentak: \"Hunt\"\npass 2 of 5\nCtrl+Alt+Shift+Escape ends the run");
  EXPECT_EQ(run.toolTip(""), "Zentak: \"Hunt\"\npass 2 of 5");
  run.group = std::string(RunProgress::nameShown - 1, 'x') + "éé";
  EXPECT_EQ(run.groupLine(), "\"" + std::string(RunProgress::nameShown - 1, 'x') + "é…\"");
}

// An exit asked for while modal dialogs are open: which are ended, when the exit runs, what may
// still open.

#include "shell/ExitGate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Dialog {
  int id;
};

struct Recorder {
  std::vector<int> ended;
  int exitsNow = 0;
  int exitsPosted = 0;
  ExitGate<Dialog> gate{{[this](Dialog& dialog) { ended.push_back(dialog.id); }, [this] { ++exitsNow; },
                         [this] { ++exitsPosted; }}};
};

}  // namespace

// Catches an exit run under a dialog's loop (its window destroyed beneath it), a dialog left
// open (the program running on without its window), a dialog ended twice, a second exit, and a
// dialog shown once the exit was asked for.
TEST(ExitGateTest, AnExitEndsTheOpenDialogsInnermostFirstAndRunsOnceAfterTheLast) {
  Recorder r;
  Dialog outer{1};
  Dialog inner{2};
  ASSERT_TRUE(r.gate.dialogOpening(outer));
  ASSERT_TRUE(r.gate.dialogOpening(inner));
  // A class and its base both report the same dialog.
  ASSERT_TRUE(r.gate.dialogOpening(inner));
  r.gate.request();
  r.gate.request();
  EXPECT_EQ(r.ended, (std::vector<int>{2, 1}));
  EXPECT_FALSE(r.gate.dialogOpening(outer));
  r.gate.dialogClosed(inner);
  r.gate.dialogClosed(inner);
  EXPECT_EQ(r.exitsPosted, 0);
  r.gate.dialogClosed(outer);
  r.gate.request();
  EXPECT_EQ(r.exitsPosted, 1);
  EXPECT_EQ(r.exitsNow, 0);
}

// Catches an exit that waits for nothing when no dialog is open.
TEST(ExitGateTest, WithNoDialogOpenTheExitRunsAtOnce) {
  Recorder r;
  Dialog closed{1};
  ASSERT_TRUE(r.gate.dialogOpening(closed));
  r.gate.dialogClosed(closed);
  r.gate.request();
  EXPECT_EQ(r.exitsNow, 1);
  EXPECT_TRUE(r.ended.empty());
  EXPECT_FALSE(r.gate.dialogOpening(closed));
}

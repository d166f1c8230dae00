// An exit asked for while modal dialogs are open: which are ended, when the exit runs, what may
// still open.

#include "shell/ExitGate.h"

#include <gtest/gtest.h>

#include <vector>

// Catches an exit run under a dialog's loop (its window destroyed beneath it), a dialog left
// open (the program running on without its window), a dialog ended twice, a second exit, and a
// dialog shown once the exit was asked for.
TEST(ExitGateTest, AnExitEndsTheOpenDialogsInnermostFirstAndRunsOnceAfterTheLast) {
  std::vector<int> ended;
  int exitsNow = 0;
  int exitsPosted = 0;
  ExitGate<int> gate{{[&](int& dialog) { ended.push_back(dialog); }, [&] { ++exitsNow; }, [&] { ++exitsPosted; }}};
  int outer = 1;
  int inner = 2;
  // The inner dialog is reported twice, as by a class and its base.
  for (int* dialog : {&outer, &inner, &inner}) ASSERT_TRUE(gate.dialogOpening(*dialog));
  gate.request();
  gate.request();
  EXPECT_EQ(ended, (std::vector<int>{2, 1}));
  EXPECT_FALSE(gate.dialogOpening(outer));
  for (int* dialog : {&inner, &inner}) gate.dialogClosed(*dialog);
  EXPECT_EQ(exitsPosted, 0);
  gate.dialogClosed(outer);
  gate.request();
  EXPECT_EQ(exitsPosted, 1);
  EXPECT_EQ(exitsNow, 0);
}

#include "shell/TaskBarIcon.h"

#include <gtest/gtest.h>
#include <wx/menu.h>

#include "shell/FrameIds.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"

namespace {

struct Choices {
  int ends = 0;
  int exits = 0;
};

TaskBarIcon::Hooks counting(Choices& choices) {
  return {[&choices] { ++choices.ends; }, [&choices] { ++choices.exits; }};
}

void choose(TaskBarIcon& icon, int id) {
  wxCommandEvent event(wxEVT_MENU, id);
  icon.ProcessEvent(event);
}

}  // namespace

// Catches a menu whose labels, order or ids differ from what the run's handlers expect.
TEST(TaskBarIconTest, TheMenuEndsTheRunOrTheProgram) {
  const auto menu = TaskBarIcon::makeMenu();
  ASSERT_EQ(menu->GetMenuItemCount(), 2U);
  EXPECT_EQ(menu->FindItemByPosition(0)->GetId(), FrameId::endSequence);
  EXPECT_EQ(menu->FindItemByPosition(0)->GetItemLabelText(), "End Sequence Now");
  EXPECT_EQ(menu->FindItemByPosition(1)->GetId(), wxID_EXIT);
  EXPECT_EQ(menu->FindItemByPosition(1)->GetItemLabelText(), "Exit Zentak");
  EXPECT_TRUE(menu->FindItemByPosition(0)->GetHelp().empty());

  Choices choices;
  TaskBarIcon icon(counting(choices));
  choose(icon, FrameId::endSequence);
  choose(icon, wxID_EXIT);
  EXPECT_EQ(choices.ends, 1);
  EXPECT_EQ(choices.exits, 1);
}

// Catches an icon reported as shown on a desktop without a notification area (the run must then
// rely on the stop key), and one that never reaches a real notification area.
TEST(TaskBarIconTest, TheIconAppearsOnlyWhereANotificationAreaIs) {
  Choices choices;
  TaskBarIcon icon(counting(choices));
  EXPECT_FALSE(icon.install("note"));
  EXPECT_FALSE(icon.IsIconInstalled());

  ChildProcess::Options trayer;
  trayer.argv = {"trayer", "--edge", "top", "--align", "right"};
  trayer.err = ChildProcess::Output::discard;
  const ChildProcess tray(trayer);
  ASSERT_TRUE(GuiTest::waitFor([] { return wxTaskBarIcon::IsAvailable(); }));
  EXPECT_TRUE(icon.install("Ctrl+Alt+Shift+Escape ends the run"));
  EXPECT_TRUE(icon.IsIconInstalled());
  icon.remove();
  EXPECT_FALSE(icon.IsIconInstalled());
}

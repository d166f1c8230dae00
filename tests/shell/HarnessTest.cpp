#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>

#include "support/GuiTest.h"
#include "support/RecordingDialogs.h"

TEST(GuiHarness, AModalDialogIsAnsweredFromInsideItsLoop) {
  wxFrame frame(nullptr, wxID_ANY, "owner");
  frame.Show();
  wxDialog dialog(&frame, wxID_ANY, "question");
  GuiTest::answerNextModal([](wxDialog& shown) { shown.EndModal(wxID_CANCEL); });
  EXPECT_EQ(dialog.ShowModal(), wxID_CANCEL);
}

TEST(GuiHarness, ClicksReachTheirHandlersAndAreCounted) {
  wxFrame frame(nullptr, wxID_ANY, "clicks");
  auto* button = new wxButton(&frame, wxID_ANY, "Press");
  frame.Show();
  GuiTest::EventCounter counter(*button, wxEVT_BUTTON);
  GuiTest::click(*button);
  GuiTest::click(*button);
  EXPECT_EQ(counter.count(), 2);
  EXPECT_TRUE(GuiTest::waitFor([&frame] { return frame.IsShownOnScreen(); }));
}

TEST(GuiHarness, MessagesGoToTheInstalledDialogs) {
  RecordingDialogs dialogs;
  UserDialogs::current().tell("text", "caption", UserDialogs::Icon::error, nullptr);
  ASSERT_EQ(dialogs.messages.size(), 1U);
  EXPECT_EQ(dialogs.messages[0].text, "text");
  EXPECT_EQ(dialogs.messages[0].caption, "caption");
}

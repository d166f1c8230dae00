#include "controls/CalendarDialog.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/calctrl.h>
#include <wx/frame.h>

#include "support/GuiTest.h"

namespace {

class CalendarDialogTest : public testing::Test {
 protected:
  CalendarDialogTest()
      : frame(new wxFrame(nullptr, wxID_ANY, "owner")), dialog(*new CalendarDialog(frame, wxID_ANY, "Select Date")) {
    frame->Show();
  }
  ~CalendarDialogTest() override {
    frame->Destroy();
    // Deleted now rather than at a later idle turn, before the fixture goes.
    GuiTest::flushEvents();
  }

  wxFrame* frame;
  // Owned by the frame.
  CalendarDialog& dialog;
};

}  // namespace

TEST_F(CalendarDialogTest, HoldsACalendarAndTheOkAndCancelButtons) {
  EXPECT_FALSE(dialog.IsShown());
  EXPECT_EQ(dialog.GetTitle(), "Select Date");
  EXPECT_FALSE(dialog.HasFlag(wxRESIZE_BORDER));
  auto* ok = dynamic_cast<wxButton*>(dialog.FindWindow(CalendarDialog::okId));
  auto* cancel = dynamic_cast<wxButton*>(dialog.FindWindow(CalendarDialog::cancelId));
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(ok->GetLabel(), "Ok");
  EXPECT_EQ(cancel->GetLabel(), "Cancel");
  EXPECT_NE(dialog.FindWindowByName("CalendarCtrl", &dialog), nullptr);
  EXPECT_TRUE(dialog.GetDate().IsSameDate(wxDateTime::Today()));
}

TEST_F(CalendarDialogTest, KeepsTheDateItIsGiven) {
  const wxDateTime date(29, wxDateTime::Feb, 2032);
  dialog.SetDate(date);
  EXPECT_TRUE(dialog.GetDate().IsSameDate(date));
}

TEST_F(CalendarDialogTest, ShownModallyItReturnsTheIdOfTheButtonPressed) {
  GuiTest::answerNextModal([](wxDialog& shown) { GuiTest::click(*shown.FindWindow(CalendarDialog::okId)); });
  EXPECT_EQ(dialog.ShowModal(), CalendarDialog::okId);
  GuiTest::answerNextModal([](wxDialog& shown) { GuiTest::click(*shown.FindWindow(CalendarDialog::cancelId)); });
  EXPECT_EQ(dialog.ShowModal(), CalendarDialog::cancelId);
}

TEST_F(CalendarDialogTest, ClosingItAnotherWayCountsAsCancel) {
  GuiTest::answerNextModal([](wxDialog& shown) { shown.Close(); });
  EXPECT_EQ(dialog.ShowModal(), CalendarDialog::cancelId);
}

#include "controls/DateTimeCtrl.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "controls/CalendarDialog.h"
#include "controls/DateOrder.h"
#include "support/GuiTest.h"
#include "support/OnlyChild.h"
#include "support/RecordingDialogs.h"

namespace {

wxDateTime at(int day, wxDateTime::Month month, int hour, int minute) {
  return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day), month, 2031, static_cast<wxDateTime::wxDateTime_t>(hour),
                    static_cast<wxDateTime::wxDateTime_t>(minute));
}

wxString dateText(const wxDateTime& value) { return value.Format("%x"); }

template <typename T>
T& childById(wxWindow& parent, wxWindowID id) {
  auto* found = dynamic_cast<T*>(parent.FindWindow(id));
  EXPECT_NE(found, nullptr) << id;
  return *found;
}

// The parts of one control as the user sees them.
struct Parts {
  explicit Parts(DateTimeCtrl& control)
      : date(GuiTest::onlyChild<wxTextCtrl>(control)),
        set(childById<wxButton>(control, DateTimeCtrl::setButtonId)),
        hour(childById<wxChoice>(control, DateTimeCtrl::hourListId)),
        minute(childById<wxChoice>(control, DateTimeCtrl::minuteListId)),
        amPm(childById<wxChoice>(control, DateTimeCtrl::amPmListId)) {}

  [[nodiscard]] wxString shown() const {
    return date.GetValue() + " " + hour.GetStringSelection() + minute.GetStringSelection() + " " +
           amPm.GetStringSelection();
  }

  wxTextCtrl& date;
  wxButton& set;
  wxChoice& hour;
  wxChoice& minute;
  wxChoice& amPm;
};

// A start and a stop control in a frame that answers the order question as the main window
// does: start strictly before stop.
class DateTimeCtrlTest : public testing::Test, public DateOrder {
 protected:
  DateTimeCtrlTest()
      : frame(new wxFrame(nullptr, wxID_ANY, "times")),
        start(new DateTimeCtrl(frame, 3013, *this)),
        stop(new DateTimeCtrl(frame, 3017, *this)),
        startParts(*start),
        stopParts(*stop) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(start, 0, wxALL, 10);
    column->Add(stop, 0, wxALL, 10);
    frame->SetSizerAndFit(column);
    frame->SetSize(frame->GetSize() + wxSize(200, 200));
    frame->Show();
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame->IsShownOnScreen(); }));
  }
  ~DateTimeCtrlTest() override {
    frame->Destroy();
    // Deleted now rather than at a later idle turn, before the fixture goes.
    GuiTest::flushEvents();
  }

  [[nodiscard]] bool DatesInOrder() const override {
    ++questions;
    return start->GetDateTime() < stop->GetDateTime();
  }

  // Presses the Set button of parts; in the calendar, picks date and closes it with buttonId.
  void pickOnCalendar(Parts& parts, const wxDateTime& date, wxWindowID buttonId) {
    GuiTest::answerNextModal([date, buttonId](wxDialog& dialog) {
      auto& calendar = dynamic_cast<CalendarDialog&>(dialog);
      calendar.SetDate(date);
      GuiTest::click(*calendar.FindWindow(buttonId));
    });
    GuiTest::click(parts.set);
  }

  void expectRefused() {
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_EQ(dialogs.messages[0].text, "Start date must come before stop date.");
    EXPECT_EQ(dialogs.messages[0].caption, "Invalid date selected");
    EXPECT_EQ(dialogs.messages[0].icon, UserDialogs::Icon::error);
    EXPECT_EQ(dialogs.messages[0].parent, nullptr);
  }

  RecordingDialogs dialogs;
  mutable int questions = 0;
  wxFrame* frame;
  DateTimeCtrl* start;
  DateTimeCtrl* stop;
  Parts startParts;
  Parts stopParts;
};

}  // namespace

TEST_F(DateTimeCtrlTest, AFreshControlShowsTodayAtOneInTheMorning) {
  EXPECT_EQ(start->GetName(), "panel");
  EXPECT_EQ(startParts.date.GetValue(), dateText(wxDateTime::Today()));
  EXPECT_FALSE(startParts.date.IsEditable());
  EXPECT_EQ(startParts.set.GetLabel(), "Set");
  ASSERT_EQ(startParts.hour.GetCount(), 12U);
  EXPECT_EQ(startParts.hour.GetString(0), "01");
  EXPECT_EQ(startParts.hour.GetString(11), "12");
  ASSERT_EQ(startParts.minute.GetCount(), 60U);
  EXPECT_EQ(startParts.minute.GetString(0), ":00");
  EXPECT_EQ(startParts.minute.GetString(59), ":59");
  ASSERT_EQ(startParts.amPm.GetCount(), 2U);
  EXPECT_EQ(startParts.amPm.GetString(0), "AM");
  EXPECT_EQ(startParts.amPm.GetString(1), "PM");
  EXPECT_EQ(startParts.shown(), dateText(wxDateTime::Today()) + " 01:00 AM");
  const wxDateTime today = wxDateTime::Today();
  EXPECT_EQ(start->GetDateTime(), wxDateTime(today.GetDay(), today.GetMonth(), today.GetYear(), 1, 0));
}

TEST_F(DateTimeCtrlTest, TimesAreShownOnTheTwelveHourDialAndReadBack) {
  start->SetDateTime(at(15, wxDateTime::Mar, 13, 5));
  EXPECT_EQ(startParts.shown(), dateText(at(15, wxDateTime::Mar, 0, 0)) + " 01:05 PM");
  EXPECT_EQ(start->GetDateTime(), at(15, wxDateTime::Mar, 13, 5));

  start->SetDateTime(at(16, wxDateTime::Apr, 23, 59));
  EXPECT_EQ(startParts.shown(), dateText(at(16, wxDateTime::Apr, 0, 0)) + " 11:59 PM");
  EXPECT_EQ(start->GetDateTime(), at(16, wxDateTime::Apr, 23, 59));

  start->SetDateTime(at(1, wxDateTime::Jan, 0, 30));
  EXPECT_EQ(startParts.shown(), dateText(at(1, wxDateTime::Jan, 0, 0)) + " 12:30 AM");
  EXPECT_EQ(start->GetDateTime(), at(1, wxDateTime::Jan, 0, 30));

  start->SetDateTime(at(1, wxDateTime::Jan, 12, 0));
  EXPECT_EQ(startParts.shown(), dateText(at(1, wxDateTime::Jan, 0, 0)) + " 12:00 PM");
  EXPECT_EQ(start->GetDateTime(), at(1, wxDateTime::Jan, 12, 0));

  // Seconds are not part of what the control shows.
  start->SetDateTime(at(2, wxDateTime::Feb, 9, 41) + wxTimeSpan::Seconds(37));
  EXPECT_EQ(start->GetDateTime(), at(2, wxDateTime::Feb, 9, 41));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(questions, 0);
}

TEST_F(DateTimeCtrlTest, AnInvalidValueChangesNothing) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(20, wxDateTime::Mar, 16, 45));
  const wxString before = stopParts.shown();
  stop->SetDateTime(wxDateTime());
  EXPECT_EQ(stopParts.shown(), before);
  EXPECT_EQ(stop->GetDateTime(), at(20, wxDateTime::Mar, 16, 45));

  // The last accepted value is still the one shown: a refused change returns to it.
  start->SetDateTime(at(21, wxDateTime::Mar, 10, 0));
  GuiTest::choose(stopParts.minute, 0);
  expectRefused();
  EXPECT_EQ(stopParts.shown(), before);
}

TEST_F(DateTimeCtrlTest, ACalendarDateOutOfOrderIsRefusedAndThePreviousDateShownAgain) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(20, wxDateTime::Mar, 10, 0));
  pickOnCalendar(stopParts, at(10, wxDateTime::Mar, 0, 0), CalendarDialog::okId);
  expectRefused();
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(stopParts.date.GetValue(), dateText(at(20, wxDateTime::Mar, 0, 0)));
  EXPECT_EQ(stop->GetDateTime(), at(20, wxDateTime::Mar, 10, 0));
  EXPECT_EQ(start->GetDateTime(), at(15, wxDateTime::Mar, 10, 0));
}

TEST_F(DateTimeCtrlTest, ACalendarDateInOrderIsTakenAndBecomesTheAcceptedValue) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(20, wxDateTime::Mar, 10, 0));
  pickOnCalendar(stopParts, at(25, wxDateTime::Apr, 0, 0), CalendarDialog::okId);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(stopParts.date.GetValue(), dateText(at(25, wxDateTime::Apr, 0, 0)));
  EXPECT_EQ(stop->GetDateTime(), at(25, wxDateTime::Apr, 10, 0));

  // A later refusal returns to the new date, not the one before it.
  GuiTest::choose(stopParts.minute, 0);
  start->SetDateTime(at(26, wxDateTime::Apr, 10, 0));
  GuiTest::choose(stopParts.minute, 30);
  expectRefused();
  EXPECT_EQ(stop->GetDateTime(), at(25, wxDateTime::Apr, 10, 0));
}

TEST_F(DateTimeCtrlTest, CancellingTheCalendarChangesNothing) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(20, wxDateTime::Mar, 10, 0));
  const wxString before = stopParts.shown();
  pickOnCalendar(stopParts, at(1, wxDateTime::Mar, 0, 0), CalendarDialog::cancelId);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(questions, 0);
  EXPECT_EQ(stopParts.shown(), before);
  EXPECT_EQ(stop->GetDateTime(), at(20, wxDateTime::Mar, 10, 0));

  // Pressing Set again opens the calendar on the shown date.
  wxDateTime opened;
  GuiTest::answerNextModal([&opened](wxDialog& dialog) {
    opened = dynamic_cast<CalendarDialog&>(dialog).GetDate();
    dialog.EndModal(CalendarDialog::cancelId);
  });
  GuiTest::click(stopParts.set);
  EXPECT_TRUE(opened.IsSameDate(at(20, wxDateTime::Mar, 0, 0)));
}

// A calendar window made with each control, or left behind by a pick, costs every start its
// time and memory.
TEST_F(DateTimeCtrlTest, ACalendarWindowLivesOnlyWhileTheUserPicks) {
  const auto calendars = [] {
    int count = 0;
    for (const wxWindow* window : wxTopLevelWindows) count += dynamic_cast<const CalendarDialog*>(window) != nullptr;
    return count;
  };
  EXPECT_EQ(calendars(), 0);
  int whilePicking = 0;
  GuiTest::answerNextModal([&](wxDialog& dialog) {
    whilePicking = calendars();
    dialog.EndModal(CalendarDialog::okId);
  });
  GuiTest::click(startParts.set);
  GuiTest::flushEvents();
  EXPECT_EQ(whilePicking, 1);
  EXPECT_EQ(calendars(), 0);
}

TEST_F(DateTimeCtrlTest, TheCalendarOpensCentredOnTheMainWindow) {
  wxRect shownAt;
  wxString title;
  GuiTest::answerNextModal([&](wxDialog& dialog) {
    shownAt = dialog.GetScreenRect();
    title = dialog.GetTitle();
    dialog.EndModal(CalendarDialog::cancelId);
  });
  GuiTest::click(stopParts.set);
  EXPECT_EQ(title, "Select Date");
  const wxRect frameRect = frame->GetScreenRect();
  const wxPoint frameCentre(frameRect.x + frameRect.width / 2, frameRect.y + frameRect.height / 2);
  const wxPoint dialogCentre(shownAt.x + shownAt.width / 2, shownAt.y + shownAt.height / 2);
  EXPECT_NEAR(dialogCentre.x, frameCentre.x, 2);
  EXPECT_NEAR(dialogCentre.y, frameCentre.y, 2);
}

TEST_F(DateTimeCtrlTest, EqualStartAndStopAreRefused) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(15, wxDateTime::Mar, 11, 0));
  GuiTest::choose(stopParts.hour, 9);
  expectRefused();
  EXPECT_EQ(stopParts.hour.GetStringSelection(), "11");
  EXPECT_EQ(stop->GetDateTime(), at(15, wxDateTime::Mar, 11, 0));

  // On the start side as well: the start may not move up to the stop.
  dialogs.messages.clear();
  GuiTest::choose(startParts.hour, 10);
  expectRefused();
  EXPECT_EQ(start->GetDateTime(), at(15, wxDateTime::Mar, 10, 0));
  EXPECT_EQ(startParts.hour.GetStringSelection(), "10");
}

TEST_F(DateTimeCtrlTest, AListChoiceInOrderIsTaken) {
  start->SetDateTime(at(15, wxDateTime::Mar, 10, 0));
  stop->SetDateTime(at(15, wxDateTime::Mar, 11, 0));
  GuiTest::choose(stopParts.amPm, 1);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(stop->GetDateTime(), at(15, wxDateTime::Mar, 23, 0));
  EXPECT_EQ(stopParts.shown(), dateText(at(15, wxDateTime::Mar, 0, 0)) + " 11:00 PM");
  GuiTest::choose(stopParts.minute, 59);
  EXPECT_EQ(stop->GetDateTime(), at(15, wxDateTime::Mar, 23, 59));
  // "12" in the night is midnight, before the start: refused, and every part back as it was.
  GuiTest::choose(stopParts.hour, 11);
  EXPECT_EQ(stop->GetDateTime(), at(15, wxDateTime::Mar, 12, 59));
  GuiTest::choose(stopParts.amPm, 0);
  expectRefused();
  EXPECT_EQ(stopParts.shown(), dateText(at(15, wxDateTime::Mar, 0, 0)) + " 12:59 PM");
  EXPECT_EQ(stop->GetDateTime(), at(15, wxDateTime::Mar, 12, 59));
  EXPECT_EQ(questions, 4);
}

TEST_F(DateTimeCtrlTest, DisablingTheControlDisablesEveryPart) {
  stop->Disable();
  EXPECT_FALSE(stop->IsThisEnabled());
  for (wxWindow* part : std::initializer_list<wxWindow*>{&stopParts.date, &stopParts.set, &stopParts.hour,
                                                         &stopParts.minute, &stopParts.amPm}) {
    EXPECT_FALSE(part->IsThisEnabled()) << part->GetName();
  }
  stop->Enable();
  for (wxWindow* part : std::initializer_list<wxWindow*>{&stopParts.date, &stopParts.set, &stopParts.hour,
                                                         &stopParts.minute, &stopParts.amPm}) {
    EXPECT_TRUE(part->IsThisEnabled()) << part->GetName();
  }
  EXPECT_TRUE(startParts.set.IsThisEnabled());
}

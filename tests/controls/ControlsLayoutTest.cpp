#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include <vector>

#include "controls/CalendarDialog.h"
#include "controls/DateOrder.h"
#include "controls/DateTimeCtrl.h"
#include "controls/IntervalCtrl.h"
#include "support/GuiTest.h"

namespace {

class AlwaysInOrder : public DateOrder {
 public:
  [[nodiscard]] bool DatesInOrder() const override { return true; }
};

// The windows a control made, left to right, leaving out its calendar dialog.
std::vector<wxWindow*> partsOf(const wxWindow& control) {
  std::vector<wxWindow*> parts;
  for (wxWindow* child : control.GetChildren()) {
    if (!child->IsTopLevel()) parts.push_back(child);
  }
  return parts;
}

// Every part has at least its natural size, lies inside the control and right of the one
// before it.
void expectNothingClipped(const wxWindow& control) {
  SCOPED_TRACE(control.GetClassInfo()->GetClassName());
  EXPECT_GE(control.GetSize().x, control.GetBestSize().x);
  EXPECT_GE(control.GetSize().y, control.GetBestSize().y);
  const wxSize client = control.GetClientSize();
  int left = 0;
  for (const wxWindow* part : partsOf(control)) {
    SCOPED_TRACE(part->GetClassInfo()->GetClassName());
    const wxRect rect = part->GetRect();
    EXPECT_GE(rect.width, part->GetBestSize().x);
    EXPECT_GE(rect.height, part->GetBestSize().y);
    EXPECT_GE(rect.x, left);
    EXPECT_GE(rect.y, 0);
    EXPECT_LE(rect.GetRight(), client.x - 1);
    EXPECT_LE(rect.GetBottom(), client.y - 1);
    left = rect.GetRight() + 1;
  }
}

// Each part's share of the control's width, in percent.
std::vector<double> sharesOf(const wxWindow& control) {
  std::vector<double> shares;
  for (const wxWindow* part : partsOf(control)) {
    shares.push_back(100.0 * part->GetSize().x / control.GetClientSize().x);
  }
  return shares;
}

// Both controls in a frame's sizer, as the main window will hold them; one of each is asked
// for the small size of the old fixed layout.
class ControlsLayoutTest : public testing::Test {
 protected:
  ControlsLayoutTest()
      : frame(new wxFrame(nullptr, wxID_ANY, "layout")),
        panel(new wxPanel(frame)),
        interval(new IntervalCtrl(panel, 3015)),
        smallInterval(new IntervalCtrl(panel, 3019, wxDefaultPosition, wxSize(180, 20))),
        dateTime(new DateTimeCtrl(panel, 3013, order)),
        smallDateTime(new DateTimeCtrl(panel, 3017, order, wxDefaultPosition, wxSize(180, 20))),
        column(new wxBoxSizer(wxVERTICAL)) {
    for (wxWindow* control : std::vector<wxWindow*>{interval, smallInterval, dateTime, smallDateTime}) {
      column->Add(control, 0, wxEXPAND | wxALL, 5);
    }
    panel->SetSizer(column);
    auto* whole = new wxBoxSizer(wxVERTICAL);
    whole->Add(panel, 1, wxEXPAND);
    frame->SetSizerAndFit(whole);
    frame->Show();
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame->IsShownOnScreen(); }));
    GuiTest::flushEvents();
    // Laid out again once shown, as the main window is on every resize: the widgets' natural
    // sizes are only final once they are realized.
    forgetNaturalSizes(*frame);
    frame->Fit();
    frame->Layout();
    GuiTest::flushEvents();
  }
  ~ControlsLayoutTest() override {
    frame->Destroy();
    // Deleted now rather than at a later idle turn, before the fixture goes.
    GuiTest::flushEvents();
  }

  static void forgetNaturalSizes(wxWindow& window) {
    window.InvalidateBestSize();
    for (wxWindow* child : window.GetChildren()) forgetNaturalSizes(*child);
  }

  void resizeTo(int width) {
    frame->SetSize(width, frame->GetSize().y);
    frame->Layout();
    GuiTest::flushEvents();
  }

  AlwaysInOrder order;
  wxFrame* frame;
  wxPanel* panel;
  IntervalCtrl* interval;
  IntervalCtrl* smallInterval;
  DateTimeCtrl* dateTime;
  DateTimeCtrl* smallDateTime;
  wxBoxSizer* column;
};

}  // namespace

TEST_F(ControlsLayoutTest, AtTheirNaturalSizeNoPartIsClipped) {
  for (const wxWindow* control : std::vector<wxWindow*>{interval, smallInterval, dateTime, smallDateTime}) {
    expectNothingClipped(*control);
    // No wider than its parts side by side: the proportions only share out extra width.
    int natural = 0;
    for (const wxWindow* part : partsOf(*control)) natural += part->GetBestSize().x;
    EXPECT_EQ(control->GetBestSize().x, natural);
  }
  EXPECT_EQ(smallInterval->GetSize(), interval->GetSize());
  EXPECT_EQ(smallDateTime->GetSize(), dateTime->GetSize());
}

TEST_F(ControlsLayoutTest, WiderControlsShareTheirWidthInTheirProportions) {
  resizeTo(1600);
  ASSERT_GE(interval->GetSize().x, 1500);
  for (const wxWindow* control : std::vector<wxWindow*>{interval, smallInterval, dateTime, smallDateTime}) {
    expectNothingClipped(*control);
  }
  const std::vector<double> intervalShares = sharesOf(*interval);
  ASSERT_EQ(intervalShares.size(), 2U);
  EXPECT_NEAR(intervalShares[0], 40, 0.5);
  EXPECT_NEAR(intervalShares[1], 60, 0.5);
  const std::vector<double> dateTimeShares = sharesOf(*dateTime);
  const std::vector<double> expected{30, 12, 18, 20, 20};
  ASSERT_EQ(dateTimeShares.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(dateTimeShares[i], expected[i], 0.5) << i;
}

TEST_F(ControlsLayoutTest, TheCalendarDialogFitsItsParts) {
  CalendarDialog dialog(frame, wxID_ANY, "Select Date");
  dialog.Show();
  GuiTest::flushEvents();
  forgetNaturalSizes(dialog);
  dialog.Fit();
  GuiTest::flushEvents();
  const wxSize client = dialog.GetClientSize();
  for (const wxWindow* part : dialog.GetChildren()) {
    SCOPED_TRACE(part->GetClassInfo()->GetClassName());
    const wxRect rect = part->GetRect();
    EXPECT_GE(rect.width, part->GetBestSize().x);
    EXPECT_GE(rect.height, part->GetBestSize().y);
    EXPECT_LE(rect.GetRight(), client.x - 1);
    EXPECT_LE(rect.GetBottom(), client.y - 1);
  }
  dialog.Hide();
}

// Catches natural sizes kept from before a font change: a control laid out at its natural size
// with parts clipped, or the date text only as wide as the dates were in the old font.
TEST_F(ControlsLayoutTest, ALargerFontIsMeasuredAfreshAndNothingIsClipped) {
  const std::vector<wxWindow*> controls{interval, smallInterval, dateTime, smallDateTime};
  // Hidden, the frame, whose size stays, does not squeeze them on the screen meanwhile; they
  // stay realized.
  frame->Hide();
  GuiTest::flushEvents();
  const wxFont larger = dateTime->GetFont().Scaled(2.5F);
  for (wxWindow* control : controls) {
    for (wxWindow* part : partsOf(*control)) part->SetFont(larger);
  }
  GuiTest::flushEvents();
  for (wxWindow* control : controls) {
    // At the natural size it reports, as its parent's sizer lays it out; then measured afresh.
    control->SetSize(control->GetBestSize());
    control->Layout();
    forgetNaturalSizes(*control);
    expectNothingClipped(*control);
  }
  const wxWindow* dateText = partsOf(*dateTime).front();
  const wxString longDate = wxDateTime(28, wxDateTime::Dec, 2088).Format("%x");
  EXPECT_GE(dateText->GetBestSize().x, dateText->GetTextExtent(longDate).x);
}

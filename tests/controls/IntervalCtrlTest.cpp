#include "controls/IntervalCtrl.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/uiaction.h>

#include <cstdint>
#include <utility>

#include "support/GuiTest.h"
#include "support/OnlyChild.h"

namespace {

std::pair<std::int32_t, std::int16_t> valueOf(const IntervalCtrl& control) {
  std::int32_t number = 0;
  std::int16_t unit = 0;
  control.GetValue(number, unit);
  return {number, unit};
}

// An interval control in a shown frame, beside a button that can take the focus from it.
class IntervalCtrlTest : public testing::Test {
 protected:
  IntervalCtrlTest()
      : frame(new wxFrame(nullptr, wxID_ANY, "interval")),
        control(new IntervalCtrl(frame, wxID_ANY)),
        other(new wxButton(frame, wxID_ANY, "Other")),
        field(GuiTest::onlyChild<wxSpinCtrl>(*control)),
        units(GuiTest::onlyChild<wxChoice>(*control)) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(control, 0, wxALL, 10);
    column->Add(other, 0, wxALL, 10);
    frame->SetSizerAndFit(column);
    frame->Show();
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame->IsShownOnScreen(); }));
  }
  ~IntervalCtrlTest() override {
    frame->Destroy();
    // Deleted now rather than at a later idle turn, before the fixture goes.
    GuiTest::flushEvents();
  }

  // Gives the number field the focus with all its text selected.
  void focusField() {
    frame->Raise();
    field.SetFocus();
    ASSERT_TRUE(GuiTest::waitFor([this] { return wxWindow::FindFocus() == &field; }));
    field.SetSelection(-1, -1);
  }

  // Types into the number field as the user would, over what it holds.
  void type(const char* text) {
    focusField();
    wxUIActionSimulator user;
    user.Text(text);
    ASSERT_TRUE(GuiTest::waitFor([this, text] { return field.GetTextValue() == text; }))
        << field.GetTextValue();
  }

  void moveFocusAway() {
    other->SetFocus();
    ASSERT_TRUE(GuiTest::waitFor([this] { return wxWindow::FindFocus() == other; }));
    GuiTest::flushEvents();
  }

  wxFrame* frame;
  IntervalCtrl* control;
  wxButton* other;
  wxSpinCtrl& field;
  wxChoice& units;
};

}  // namespace

TEST_F(IntervalCtrlTest, NeverGivenAValueItReadsTenWithNoUnit) {
  EXPECT_EQ(field.GetValue(), 10);
  EXPECT_EQ(field.GetMin(), 1);
  EXPECT_EQ(field.GetMax(), 9999);
  EXPECT_TRUE(field.HasFlag(wxSP_WRAP));
  EXPECT_EQ(field.GetName(), "wxSpinCtrl");
  EXPECT_EQ(control->GetName(), "panel");
  ASSERT_EQ(units.GetCount(), 5U);
  const char* names[] = {"Milliseconds", "Seconds", "Minutes", "Hours", "Days"};
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(units.GetString(i), names[i]);
  EXPECT_EQ(units.GetSelection(), wxNOT_FOUND);
  EXPECT_EQ(valueOf(*control), std::make_pair(10, std::int16_t{-1}));
  EXPECT_EQ(control->GetMilliseconds(), 0);
}

TEST_F(IntervalCtrlTest, PairsAreShownAndReadBackWithTheirLength) {
  control->SetValue(10, 1);
  EXPECT_EQ(field.GetTextValue(), "10");
  EXPECT_EQ(units.GetStringSelection(), "Seconds");
  EXPECT_EQ(valueOf(*control), std::make_pair(10, std::int16_t{1}));
  EXPECT_EQ(control->GetMilliseconds(), 10000);

  control->SetValue(596, 3);
  EXPECT_EQ(field.GetTextValue(), "596");
  EXPECT_EQ(control->GetMilliseconds(), 2145600000);

  control->SetValue(24, 4);
  EXPECT_EQ(units.GetStringSelection(), "Days");
  EXPECT_EQ(control->GetMilliseconds(), 2073600000);

  control->SetValue(250, 0);
  EXPECT_EQ(control->GetMilliseconds(), 250);
}

TEST_F(IntervalCtrlTest, PairsThatDoNotFitAreBroughtIntoTheUnitsRange) {
  control->SetValue(9999, 4);
  EXPECT_EQ(valueOf(*control), std::make_pair(24, std::int16_t{4}));
  EXPECT_EQ(field.GetTextValue(), "24");
  EXPECT_EQ(field.GetMax(), 24);

  control->SetValue(700, 3);
  EXPECT_EQ(valueOf(*control), std::make_pair(596, std::int16_t{3}));

  control->SetValue(0, 1);
  EXPECT_EQ(valueOf(*control), std::make_pair(1, std::int16_t{1}));

  // An unknown unit code shows no unit; the number keeps the field's own range.
  control->SetValue(9999, 9);
  EXPECT_EQ(units.GetSelection(), wxNOT_FOUND);
  EXPECT_EQ(valueOf(*control), std::make_pair(9999, std::int16_t{-1}));
  EXPECT_EQ(control->GetMilliseconds(), 0);
}

TEST_F(IntervalCtrlTest, ChoosingALongerUnitClampsTheNumberAndTheRangeFollows) {
  control->SetValue(9999, 2);
  GuiTest::choose(units, 3);
  EXPECT_EQ(valueOf(*control), std::make_pair(596, std::int16_t{3}));
  EXPECT_EQ(field.GetTextValue(), "596");
  GuiTest::choose(units, 4);
  EXPECT_EQ(valueOf(*control), std::make_pair(24, std::int16_t{4}));
  EXPECT_EQ(field.GetMax(), 24);
  EXPECT_EQ(control->GetMilliseconds(), 2073600000);

  // Back to a short unit: the number stays, the range opens again.
  GuiTest::choose(units, 1);
  EXPECT_EQ(valueOf(*control), std::make_pair(24, std::int16_t{1}));
  EXPECT_EQ(field.GetMax(), 9999);
}

TEST_F(IntervalCtrlTest, TypedNumbersAreClampedToTheRange) {
  control->SetValue(10, 1);
  type("20000");
  EXPECT_EQ(valueOf(*control), std::make_pair(9999, std::int16_t{1}));
  moveFocusAway();
  EXPECT_EQ(field.GetTextValue(), "9999");

  type("0");
  EXPECT_EQ(control->GetMilliseconds(), 1000);
  moveFocusAway();
  EXPECT_EQ(field.GetTextValue(), "1");

  control->SetValue(5, 4);
  type("30");
  EXPECT_EQ(valueOf(*control), std::make_pair(24, std::int16_t{4}));
}

TEST_F(IntervalCtrlTest, AnEmptiedFieldShowsTheLastNumberAgain) {
  control->SetValue(42, 2);
  focusField();
  wxUIActionSimulator user;
  user.Char(WXK_BACK);
  // The field takes no letters; emptying it is the only way to leave no number.
  ASSERT_TRUE(GuiTest::waitFor([this] { return field.GetTextValue() == "42"; })) << field.GetTextValue();
  EXPECT_EQ(valueOf(*control), std::make_pair(42, std::int16_t{2}));
  // Shown selected, so that typing replaces it.
  user.Text("7");
  ASSERT_TRUE(GuiTest::waitFor([this] { return field.GetTextValue() == "7"; })) << field.GetTextValue();
  user.Char(WXK_BACK);
  ASSERT_TRUE(GuiTest::waitFor([this] { return field.GetTextValue() == "7"; })) << field.GetTextValue();
  moveFocusAway();
  EXPECT_EQ(field.GetTextValue(), "7");
  EXPECT_EQ(valueOf(*control), std::make_pair(7, std::int16_t{2}));
  EXPECT_EQ(control->GetMilliseconds(), 7 * 60000);
}

TEST_F(IntervalCtrlTest, DisablingTheControlDisablesBothChildren) {
  control->SetValue(10, 1);
  control->Disable();
  EXPECT_FALSE(control->IsThisEnabled());
  EXPECT_FALSE(field.IsThisEnabled());
  EXPECT_FALSE(units.IsThisEnabled());
  control->Enable();
  EXPECT_TRUE(control->IsThisEnabled());
  EXPECT_TRUE(field.IsThisEnabled());
  EXPECT_TRUE(units.IsThisEnabled());
  control->Enable(false);
  EXPECT_FALSE(field.IsEnabled());
  EXPECT_FALSE(units.IsEnabled());
}

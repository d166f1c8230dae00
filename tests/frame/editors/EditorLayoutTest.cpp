#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <vector>

#include "PanelTestSupport.h"
#include "frame/editors/CommandPanel.h"
#include "shell/FrameIds.h"
#include "frame/editors/GroupPanel.h"

namespace {

using PanelTest::byId;

// Every window inside window has at least its natural size and lies within its parent.
void expectNothingClipped(const wxWindow& window) {
  const wxSize room = window.GetClientSize();
  for (const wxWindow* child : window.GetChildren()) {
    if (child->IsTopLevel() || !child->IsShown()) continue;
    SCOPED_TRACE(testing::Message() << child->GetClassInfo()->GetClassName() << " \"" << child->GetLabel() << "\"");
    const wxRect rect = child->GetRect();
    EXPECT_GE(rect.width, child->GetBestSize().x);
    EXPECT_GE(rect.height, child->GetBestSize().y);
    EXPECT_GE(rect.x, 0);
    EXPECT_GE(rect.y, 0);
    EXPECT_LE(rect.GetRight(), room.x - 1);
    EXPECT_LE(rect.GetBottom(), room.y - 1);
    expectNothingClipped(*child);
  }
}

std::vector<const wxStaticBox*> boxesOf(const wxWindow& panel) {
  std::vector<const wxStaticBox*> boxes;
  for (const wxWindow* child : panel.GetChildren()) {
    if (const auto* box = dynamic_cast<const wxStaticBox*>(child)) boxes.push_back(box);
  }
  return boxes;
}

// The boxes lie one under the other from the left margin to 97 % of the panel's width, the last
// one down to 97 % of its height, or as far as their natural size takes them when the panel is
// no larger than its own; every other control lies inside a box.
void expectBoxesFillThePanel(const wxWindow& panel, bool atNaturalSize) {
  const wxSize room = panel.GetClientSize();
  const std::vector<const wxStaticBox*> boxes = boxesOf(panel);
  ASSERT_EQ(boxes.size(), 3U);
  int top = 0;
  for (const wxStaticBox* box : boxes) {
    SCOPED_TRACE(box->GetLabel());
    const wxRect rect = box->GetRect();
    EXPECT_EQ(rect.x, 15);
    if (atNaturalSize) {
      EXPECT_GE(rect.GetRight() + 1, room.x * 0.97 - 2.0);
    } else {
      EXPECT_NEAR(rect.GetRight() + 1, room.x * 0.97, 2.0);
    }
    EXPECT_GE(rect.y, top);
    top = rect.GetBottom() + 1;
  }
  EXPECT_NEAR(boxes.back()->GetRect().GetBottom() + 1, room.y * 0.97, 2.0);
  for (const wxWindow* child : panel.GetChildren()) {
    if (child->IsTopLevel() || !child->IsShown() || dynamic_cast<const wxStaticBox*>(child) != nullptr) continue;
    SCOPED_TRACE(testing::Message() << child->GetClassInfo()->GetClassName() << " \"" << child->GetLabel() << "\"");
    int inside = 0;
    for (const wxStaticBox* box : boxes) inside += box->GetRect().Contains(child->GetRect()) ? 1 : 0;
    EXPECT_EQ(inside, 1);
  }
}

// The text takes its box's room but for the margins and the button, centred under it.
void expectTextFillsItsBox(const wxWindow& panel, wxWindowID textId) {
  const wxRect text = panel.FindWindow(textId)->GetRect();
  const wxRect box = boxesOf(panel).back()->GetRect();
  const wxRect button = byId<wxButton>(panel, FrameId::insertSpecial).GetRect();
  EXPECT_TRUE(box.Contains(text));
  EXPECT_TRUE(box.Contains(button));
  EXPECT_GE(text.width, box.width - 30);
  EXPECT_GE(text.height, box.height - button.height - 50);
  EXPECT_GT(button.y, text.GetBottom());
  EXPECT_NEAR(button.x + button.width / 2.0, text.x + text.width / 2.0, 1.0);
}

// A panel alone in a frame, as the main window holds it, laid out once shown: the widgets'
// natural sizes are only final once they are realized.
template <typename Panel>
class EditorLayoutTest : public testing::Test {
 protected:
  EditorLayoutTest() { PanelTest::forgetNaturalSizes(*frame); }

  void resizeTo(const wxSize& size) {
    // The X server answers the resize of a shown window when it gets to it, and an answer to an
    // earlier resize still on its way can undo this one: ask again until the size holds.
    for (int attempt = 0; attempt < 5 && panel->GetSize() != size; ++attempt) {
      frame->SetClientSize(size);
      GuiTest::waitFor([&] {
        frame->Layout();
        return panel->GetSize() == size;
      }, std::chrono::milliseconds(2000));
      GuiTest::flushEvents();
    }
    ASSERT_EQ(panel->GetSize(), size);
  }

  // At its natural size and larger, nothing is clipped, and the boxes keep their arrangement.
  void expectSoundLayout(wxWindowID textId) {
    const wxSize best = panel->GetBestSize();
    EXPECT_LE(best.x, 600);
    EXPECT_LE(best.y, 520);
    for (const wxSize size : {best, wxSize(best.x + 400, best.y + 250)}) {
      SCOPED_TRACE(testing::Message() << size.x << " x " << size.y);
      resizeTo(size);
      expectNothingClipped(*panel);
      expectBoxesFillThePanel(*panel, size == best);
      expectTextFillsItsBox(*panel, textId);
    }
  }

  PanelTest::InFrame<Panel> window{wxSize(1000, 700)};
  wxFrame* frame = window.frame;
  Panel* panel = window.panel;
};

using GroupPanelLayoutTest = EditorLayoutTest<GroupPanel>;
using CommandPanelLayoutTest = EditorLayoutTest<CommandPanel>;

}  // namespace

TEST_F(GroupPanelLayoutTest, NothingIsClippedAndTheBoxesFillThePanel) { expectSoundLayout(FrameId::finalText); }

TEST_F(GroupPanelLayoutTest, TheOptionControlsOfBothBoxesLineUpAndFinishCommandsSitsRight) {
  resizeTo(wxSize(700, 520));
  const int left = panel->FindWindow(FrameId::startDelayCtrl)->GetPosition().x;
  for (const wxWindowID id :
       {FrameId::startTimeCtrl, FrameId::stopDelayCtrl, FrameId::stopTimeCtrl, FrameId::repeatCountSpin}) {
    EXPECT_EQ(panel->FindWindow(id)->GetPosition().x, left) << id;
  }
  const wxRect finish = byId<wxCheckBox>(*panel, FrameId::finishCommands).GetRect();
  const wxRect dontStop = panel->FindWindow(FrameId::dontStop)->GetRect();
  const wxRect stopBox = PanelTest::boxLabelled(*panel, "Stop Options").GetRect();
  EXPECT_NEAR(finish.GetRight(), stopBox.GetRight() - 10, 4.0);
  EXPECT_LT(finish.y, dontStop.GetBottom());
  EXPECT_GT(finish.GetBottom(), dontStop.y);
}

TEST_F(CommandPanelLayoutTest, NothingIsClippedAndTheBoxesFillThePanel) { expectSoundLayout(FrameId::commandText); }

TEST_F(CommandPanelLayoutTest, TheBoundsLineUpWithTheFixedIntervalAndTheBracketJoinsThem) {
  resizeTo(wxSize(700, 520));
  const wxRect fixed = panel->FindWindow(FrameId::fixedInterval)->GetRect();
  const std::vector<wxWindow*> bounds = PanelTest::allWithId(*panel, FrameId::randomBound);
  ASSERT_EQ(bounds.size(), 2U);
  const wxRect first = bounds[0]->GetRect();
  const wxRect second = bounds[1]->GetRect();
  EXPECT_EQ(first.x, fixed.x);
  EXPECT_EQ(second.x, fixed.x);
  EXPECT_EQ(first.width, fixed.width);
  EXPECT_GT(second.y, first.GetBottom());
  const wxRect between = panel->boundLabelWindows()[0]->GetRect();
  const wxRect bracket = panel->boundLabelWindows()[1]->GetRect();
  EXPECT_LT(between.GetRight(), bracket.x);
  EXPECT_LT(bracket.GetRight(), fixed.x);
  EXPECT_LE(bracket.y, first.y + first.height / 2);
  EXPECT_GE(bracket.GetBottom(), second.y + second.height / 2);
  EXPECT_GT(between.y, first.y);
  EXPECT_LT(between.GetBottom(), second.GetBottom());
}

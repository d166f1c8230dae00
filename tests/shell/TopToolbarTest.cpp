#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/statusbr.h>

#include <vector>

#include "shell/FrameIds.h"
#include "shell/TopToolbar.h"
#include "support/GuiTest.h"

namespace {

struct ToolRow {
  int id;
  const char* tip;
  const char* status;
};

const std::vector<ToolRow> toolRows{
    {3000, "Add New Group", "  Add a new command group to your group list."},
    {3001, "Delete Current Group", "  Permanently delete the current group from your list."},
    {3002, "Add New Command", "  Add a new command to the current group."},
    {3003, "Delete Current Command", "  Delete the current command from the current group."},
    {3004, "Run Current Group", "  Run the current group."},
    {15, "Show Help", "  Show Help."},
};

const wxString defaultText = "  Press F1 for popup help";

// A main window as the program builds it: the toolbar, then a status bar whose field 1 the
// toolbar writes and where the frame shows menu help too.
class TopToolbarTest : public testing::Test {
 protected:
  TopToolbarTest() : frame(nullptr, wxID_ANY, "toolbar") {
    toolbar = new TopToolbar(&frame);
    frame.SetToolBar(toolbar);
    frame.CreateStatusBar(2);
    frame.SetStatusBarPane(TopToolbar::statusField);
    frame.SetStatusText(defaultText, TopToolbar::statusField);
    frame.Show();
    GuiTest::flushEvents();
  }

  wxString field1() const { return frame.GetStatusBar()->GetStatusText(1); }

  wxFrame frame;
  TopToolbar* toolbar;
};

}  // namespace

TEST_F(TopToolbarTest, HoldsTheSixToolsInOrderBetweenSeparators) {
  const std::vector<int> layout{-1, 3000, 3001, -1, 3002, 3003, -1, 3004, -1, 15, -1};
  ASSERT_EQ(toolbar->GetToolsCount(), layout.size());
  for (std::size_t pos = 0; pos < layout.size(); ++pos) {
    const wxToolBarToolBase* tool = toolbar->GetToolByPos(static_cast<int>(pos));
    ASSERT_NE(tool, nullptr) << pos;
    if (layout[pos] < 0) {
      EXPECT_TRUE(tool->IsSeparator()) << pos;
    } else {
      EXPECT_EQ(tool->GetId(), layout[pos]) << pos;
    }
  }
  EXPECT_EQ(FrameId::toolAddGroup, 3000);
  EXPECT_EQ(FrameId::toolDeleteGroup, 3001);
  EXPECT_EQ(FrameId::toolAddCommand, 3002);
  EXPECT_EQ(FrameId::toolDeleteCommand, 3003);
  EXPECT_EQ(FrameId::toolRunGroup, 3004);
  EXPECT_EQ(FrameId::popupHelp, 15);
}

TEST_F(TopToolbarTest, EachToolHasItsTipAndAPictureOf32By32) {
  EXPECT_EQ(toolbar->GetToolBitmapSize(), wxSize(32, 32));
  for (const ToolRow& row : toolRows) {
    const wxToolBarToolBase* tool = toolbar->FindById(row.id);
    ASSERT_NE(tool, nullptr) << row.id;
    EXPECT_EQ(tool->GetShortHelp(), row.tip) << row.id;
    EXPECT_EQ(tool->GetLongHelp(), row.tip) << row.id;
    EXPECT_TRUE(tool->GetLabel().empty()) << row.id;
    EXPECT_TRUE(tool->IsEnabled()) << row.id;
    const wxBitmap picture = tool->GetNormalBitmap();
    ASSERT_TRUE(picture.IsOk()) << row.id;
    EXPECT_EQ(picture.GetSize(), wxSize(32, 32)) << row.id;
  }
}

TEST_F(TopToolbarTest, IsHorizontalFlatBorderlessAndWhite) {
  EXPECT_FALSE(toolbar->IsVertical());
  EXPECT_TRUE(toolbar->HasFlag(wxTB_FLAT));
  EXPECT_EQ(toolbar->GetBorder(), wxBORDER_NONE);
  EXPECT_EQ(toolbar->GetBackgroundColour(), *wxWHITE);
  EXPECT_EQ(frame.GetToolBar(), toolbar);
}

TEST_F(TopToolbarTest, EnteringAToolDescribesItAndLeavingItRestoresTheDefault) {
  for (const ToolRow& row : toolRows) {
    // The toolkit's own path: the frame first shows the tool's help, then the toolbar's text.
    toolbar->OnMouseEnter(row.id);
    EXPECT_EQ(field1(), row.status) << row.id;
    toolbar->OnMouseEnter(wxID_ANY);
    EXPECT_EQ(field1(), defaultText) << row.id;
  }
}

TEST_F(TopToolbarTest, StatusTextsAreTheDefaultForAnyOtherId) {
  for (const ToolRow& row : toolRows) EXPECT_EQ(TopToolbar::statusTextFor(row.id), row.status);
  EXPECT_EQ(TopToolbar::defaultStatusText(), defaultText);
  EXPECT_EQ(TopToolbar::statusTextFor(wxID_ANY), defaultText);
  EXPECT_EQ(TopToolbar::statusTextFor(3005), defaultText);
  EXPECT_EQ(TopToolbar::statusTextFor(0), defaultText);
  toolbar->showStatusFor(3004);
  toolbar->showStatusFor(4);
  EXPECT_EQ(field1(), defaultText);
}

TEST_F(TopToolbarTest, LeavingTheToolbarRestoresTheDefaultAndPassesTheEventOn) {
  toolbar->showStatusFor(3002);
  ASSERT_EQ(field1(), toolRows[2].status);
  wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
  leave.SetEventObject(toolbar);
  toolbar->ProcessWindowEvent(leave);
  EXPECT_EQ(field1(), defaultText);
  EXPECT_TRUE(leave.GetSkipped());
}

TEST_F(TopToolbarTest, ClicksReachTheMainWindowWithTheToolsIds) {
  std::vector<int> received;
  frame.Bind(wxEVT_MENU, [&received](wxCommandEvent& event) { received.push_back(event.GetId()); });
  for (const ToolRow& row : toolRows) toolbar->OnLeftClick(row.id, false);
  EXPECT_EQ(received, (std::vector<int>{3000, 3001, 3002, 3003, 3004, 15}));
}

TEST(TopToolbarWithoutStatusBar, PointerOverAToolBeforeTheStatusBarExistsIsHarmless) {
  wxFrame frame(nullptr, wxID_ANY, "early");
  auto* toolbar = new TopToolbar(&frame);
  frame.SetToolBar(toolbar);
  frame.SetStatusBarPane(-1);
  toolbar->OnMouseEnter(3000);
  toolbar->OnMouseEnter(wxID_ANY);
  EXPECT_EQ(frame.GetStatusBar(), nullptr);

  frame.CreateStatusBar(1);
  frame.SetStatusText("only field", 0);
  toolbar->OnMouseEnter(3001);
  EXPECT_EQ(frame.GetStatusBar()->GetStatusText(0), "only field");
}

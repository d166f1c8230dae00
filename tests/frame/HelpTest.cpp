#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/spinctrl.h>
#include <wx/toolbar.h>

#include <functional>

#include "frame/editors/CommandPanel.h"
#include "input/DesktopInput.h"
#include "frame/editors/GroupPanel.h"
#include "frame/MyFrame.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "shell/HelpBook.h"
#include "shell/PopupTexts.h"
#include "support/GuiTest.h"
#include "support/ToolkitMessages.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

// The main window with the help book the build made, on a first start (one new group).
class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
    settings = Settings::file(dir.path() / "settings.conf");
    ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    frame = new MyFrame(dir.path(), *settings, input);
    frame->helpBook().setBook(ZENTAK_HELP_BOOK);
    frame->helpBook().setViewerModule(ZENTAK_HELP_MODULE);
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isProjectLoaded(); }));
    GuiTest::flushEvents();
  }

  void TearDown() override {
    bool gone = false;
    frame->Bind(wxEVT_DESTROY, [&gone, this](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == frame) gone = true;
      event.Skip();
    });
    frame->Close(true);
    EXPECT_TRUE(GuiTest::waitFor([&gone] { return gone; }));
    ::unsetenv("XDG_DATA_HOME");
    Tern::EventDispatcher::install(nullptr);
  }

  void menu(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    frame->GetEventHandler()->ProcessEvent(event);
    GuiTest::flushEvents();
  }

  void focus(wxWindow& window) {
    window.SetFocus();
    ASSERT_TRUE(GuiTest::waitFor([&window] { return wxWindow::FindFocus() == &window; }));
  }

  [[nodiscard]] bool contentsShown() const {
    HelpViewer* viewer = frame->helpBook().viewer();
    return viewer != nullptr && viewer->frame() != nullptr && viewer->frame()->IsShown();
  }

  [[nodiscard]] wxString popupText() const {
    const HelpPopup* popup = frame->helpBook().popup();
    return popup == nullptr ? wxString() : popup->text();
  }

  static wxString textOf(int id) {
    const std::string_view text = PopupTexts::find(id);
    return wxString::FromUTF8(text.data(), text.size());
  }

  // The toolkit's help window lays its scroll bars out at a negative size while it builds its
  // panes, whatever size it is given.
  const AllowedToolkitMessage helpWindowScrollBars{"assertion 'size >= 0' failed in GtkScrollbar"};
  TempDir dir;
  std::unique_ptr<Settings> settings;
  DesktopInput input;
  RecordingDialogs dialogs;
  MyFrame* frame = nullptr;
};

// Every window below panel inside the main window, panel excluded (the calendar dialog of a
// date-time control is a window of its own, where F1 means nothing).
void forEachChild(wxWindow& panel, const std::function<void(wxWindow&)>& visit) {
  for (wxWindow* child : panel.GetChildren()) {
    if (child->IsTopLevel()) continue;
    visit(*child);
    forEachChild(*child, visit);
  }
}

}  // namespace

// Fault: the number field inside an interval control (no id of its own) opened the contents
// instead of the interval's own help.
TEST_F(HelpTest, F1InAnIntervalsNumberFieldShowsTheIntervalsText) {
  menu(FrameId::addCommand);
  wxWindow* interval = frame->commandEditor().FindWindow(FrameId::fixedInterval);
  ASSERT_NE(interval, nullptr);
  wxSpinCtrl* field = nullptr;
  for (wxWindow* child : interval->GetChildren()) {
    if (field == nullptr) field = dynamic_cast<wxSpinCtrl*>(child);
  }
  ASSERT_NE(field, nullptr);
  ASSERT_LE(field->GetId(), 0);
  focus(*field);
  menu(FrameId::popupHelp);
  EXPECT_EQ(popupText(), textOf(FrameId::fixedInterval));
  EXPECT_FALSE(contentsShown());
}

// Faults: F1 in the tree, which has no help text of its own, showed nothing or a popup; the
// toolbar's help tool acted otherwise than F1.
TEST_F(HelpTest, F1InTheTreeAndTheHelpToolOpenTheContents) {
  focus(frame->commandTree());
  menu(FrameId::popupHelp);
  EXPECT_TRUE(contentsShown());
  EXPECT_EQ(frame->helpBook().popup(), nullptr);
  frame->helpBook().viewer()->frame()->Hide();

  wxWindow* text = frame->groupEditor().FindWindow(FrameId::finalText);
  ASSERT_NE(text, nullptr);
  focus(*text);
  frame->GetToolBar()->OnLeftClick(FrameId::popupHelp, false);
  GuiTest::flushEvents();
  EXPECT_EQ(popupText(), textOf(FrameId::finalText));
  EXPECT_FALSE(contentsShown());
}

// Fault: the Help menu's Contents and Index items did nothing.
TEST_F(HelpTest, TheHelpMenuOpensTheBook) {
  menu(FrameId::helpIndex);
  EXPECT_TRUE(contentsShown());
  EXPECT_EQ(frame->helpBook().viewer()->frame()->GetParent(), frame);
  frame->helpBook().viewer()->frame()->Hide();
  menu(FrameId::helpContents);
  EXPECT_TRUE(contentsShown());
  EXPECT_TRUE(dialogs.messages.empty());
}

// Fault: a control of the editors with an id of its own whose F1 fell back to the contents.
TEST_F(HelpTest, EveryEditorControlWithAnIdHasAPopupText) {
  int controls = 0;
  for (wxWindow* panel : {static_cast<wxWindow*>(&frame->groupEditor()), static_cast<wxWindow*>(&frame->commandEditor())}) {
    forEachChild(*panel, [&controls](wxWindow& child) {
      if (child.GetId() <= 0) return;
      ++controls;
      EXPECT_FALSE(PopupTexts::find(child.GetId()).empty()) << child.GetId() << " " << child.GetClassInfo()->GetClassName();
    });
  }
  // Both panels' controls, the two date-time controls' four parts each included.
  EXPECT_GE(controls, 30);
}

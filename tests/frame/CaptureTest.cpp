// Record and Pick Point through the real main window on the test's Xvfb: xdotool stands for the
// user, and xrecorder shows what the recorded input and its playback deliver to a window.

#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "frame/editors/CommandPanel.h"
#include "input/DesktopInput.h"
#include "frame/MyFrame.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

constexpr std::chrono::seconds patience{30};

int runToEnd(const std::vector<std::string>& argv) {
  ChildProcess::Options options;
  options.argv = argv;
  ChildProcess child(options);
  return child.wait(ChildProcess::Clock::now() + patience).value_or(-1);
}

int xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runToEnd(argv);
}

// Puts the US layout back however the test ends.
struct UsLayoutAtEnd {
  UsLayoutAtEnd() = default;
  UsLayoutAtEnd(const UsLayoutAtEnd&) = delete;
  UsLayoutAtEnd& operator=(const UsLayoutAtEnd&) = delete;
  ~UsLayoutAtEnd() { EXPECT_EQ(runToEnd({"setxkbmap", "us"}), 0); }
};

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
    settings = Settings::file(dir.path() / "settings.conf");
    BaseCommand::setKeyParse([this](std::string_view text, KeyActions& list) { input.parseKeys(text, list); },
                             [this] { return input.layoutGeneration(); });
  }

  void TearDown() override {
    if (frame != nullptr) frame->Close(true);
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame == nullptr; }));
    BaseCommand::setKeyParse({});
    Tern::EventDispatcher::install(nullptr);
  }

  // Opens the window on one group, typed once with Escape at its end, of one command with text,
  // and selects the command.
  void open(const std::string& text) {
    GroupCommand group;
    group.setName("Recorded");
    group.setStartDelay(0, 0);
    group.setStartDelayMs(0);
    group.setStopAfterDelay(false);
    group.setStopAfterRepeats(true);
    group.setRepeatCount(1);
    group.setFinalText("<ESC>");
    BaseCommand command;
    command.setText(text);
    command.setRunCount(1);
    command.setInterval(10, 0);
    command.setIntervalMs(10);
    std::string project;
    const ProjectFile::GroupBlock block{&group, {&command}};
    ProjectFile::writeProject(project, {block});
    ProjectFile::writeFileSafely(dir.path() / ProjectFile::fileName, project);
    frame = new MyFrame(dir.path(), *settings, input);
    frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == frame) frame = nullptr;
      event.Skip();
    });
    CommandTree& tree = frame->commandTree();
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isProjectLoaded(); }));
    wxTreeItemIdValue cookie;
    const wxTreeItemId groupItem = tree.GetFirstChild(tree.GetRootItem(), cookie);
    // A group's commands join the tree when it is opened.
    tree.Expand(groupItem);
    tree.SelectItem(tree.GetFirstChild(groupItem, cookie));
    GuiTest::flushEvents();
  }

  wxTextCtrl& text() { return frame->commandEditor().commandTextCtrl(); }

  // Presses an editor button, lets the user act (with xdotool), and waits for the window's return.
  void capture(int buttonId, const std::vector<std::vector<std::string>>& user) {
    GuiTest::click(*frame->commandEditor().FindWindow(buttonId));
    ASSERT_TRUE(GuiTest::waitFor([this] { return !frame->IsShown(); }));
    for (const auto& arguments : user) ASSERT_EQ(xdotool(arguments), 0);
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->IsShown(); }, patience));
  }

  TempDir dir;
  std::unique_ptr<Settings> settings;
  DesktopInput input;
  MyFrame* frame = nullptr;
};

ChildProcess::Options xrecorder() {
  ChildProcess::Options options;
  options.argv = {XRECORDER_PATH};
  options.out = ChildProcess::Output::capture;
  return options;
}

}  // namespace

// Catches a recording that loses or misnames a key or a button (capitals, characters of AltGr or
// of keys bound for a moment, named keys, Ctrl held, clicks), records the stop key, lands
// elsewhere than at the caret, or plays back as other input than the user gave.
TEST_F(CaptureTest, RecordedInputPlaysBackAsTheUserGaveIt) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  const UsLayoutAtEnd usAtEnd;
  ASSERT_EQ(runToEnd({"setxkbmap", "de"}), 0);
  open("[]");
  text().SetInsertionPoint(1);
  capture(FrameId::recordInput, {{"type", "--delay", "30", "Hé€"},
                                 {"key", "--delay", "30", "Return", "ctrl+a", "F5"},
                                 {"mousemove", "100", "200", "click", "1"},
                                 {"mousemove", "400", "300", "click", "3"},
                                 {"key", "ctrl+alt+shift+Escape"}});
  const std::string recorded = "Hé€<ENTER><CTRL-DOWN>a<CTRL-UP><F5><MOUSE-LEFT-CLICK 100 200><MOUSE-RIGHT-CLICK 400 300>";
  EXPECT_EQ(text().GetValue().utf8_string(), "[" + recorded + "]");
  // What the user gave, as xrecorder renders it. xrecorder itself may look é up after xdotool has
  // unbound its temporary key again, so its view of the original is compared from "€" on.
  const std::string userInput = "Hé€{Return}{Ctrl+a}{F5}{button 1 at 100,200}{button 3 at 400,300}";
  const std::string given = recorder.readUntil("{button 3 at 400,300}");
  EXPECT_EQ(given.substr(given.find("€")), userInput.substr(userInput.find("€")));

  wxCommandEvent run(wxEVT_MENU, FrameId::runGroup);
  frame->GetEventHandler()->ProcessEvent(run);
  ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isRunning(); }));
  ASSERT_TRUE(GuiTest::waitFor([this] { return !frame->isRunning() && frame->IsShown(); }, patience));
  EXPECT_EQ(recorder.readUntilEscape(), "[" + userInput + "]");
}

// Catches a pick that leaves the token as it was, writes other coordinates than the click's,
// changes the text on Escape, or leaves a template's X Y unfilled.
TEST_F(CaptureTest, PickPointFillsTheMouseTokenAtTheCaret) {
  open("a<MOUSE-RIGHT-DOWN 1 2>b");
  text().SetInsertionPoint(5);
  capture(FrameId::pickPoint, {{"mousemove", "321", "123", "click", "1"}});
  EXPECT_EQ(text().GetValue(), "a<MOUSE-RIGHT-DOWN 321 123>b");
  EXPECT_EQ(text().GetInsertionPoint(), 27);

  text().SetInsertionPoint(5);
  capture(FrameId::pickPoint, {{"mousemove", "5", "6", "key", "Escape"}});
  EXPECT_EQ(text().GetValue(), "a<MOUSE-RIGHT-DOWN 321 123>b");

  text().SetInsertionPoint(0);
  wxCommandEvent leftClick(wxEVT_MENU, 101);
  frame->GetEventHandler()->ProcessEvent(leftClick);
  capture(FrameId::pickPoint, {{"mousemove", "50", "60", "click", "1"}});
  EXPECT_EQ(text().GetValue(), "<MOUSE-LEFT-CLICK 50 60>a<MOUSE-RIGHT-DOWN 321 123>b");
}

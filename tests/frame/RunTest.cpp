// Runs of a group through the real main window on the test's Xvfb: the desktop's own input
// types into xrecorder, the window hides and comes back, and the icon and the stop key end runs.

#include <gtest/gtest.h>
#include <wx/taskbar.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "frame/DesktopInput.h"
#include "frame/MyFrame.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "shell/TaskBarIcon.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"
#include "support/RecorderClient.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/XKeyboardProbe.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

constexpr std::chrono::seconds patience{30};

std::unique_ptr<BaseCommand> command(const std::string& text, std::int32_t runCount) {
  auto record = std::make_unique<BaseCommand>();
  record->setText(text);
  record->setRunCount(runCount);
  // The editor shows, and stores back at the run's start, the number and unit.
  record->setInterval(10, 0);
  record->setIntervalMs(10);
  return record;
}

// A group that starts at once and stops only as the test sets it; the editor shows, and stores
// back at the run's start, the delay's number and unit.
void startAtOnce(GroupCommand& group, const std::string& name) {
  group.setName(name);
  group.setStartDelay(0, 0);
  group.setStartDelayMs(0);
  group.setStopAfterDelay(false);
}

ChildProcess::Options xrecorder() {
  ChildProcess::Options options;
  options.argv = {XRECORDER_PATH};
  options.out = ChildProcess::Output::capture;
  return options;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
    settings = Settings::file(dir.path() / "settings.conf");
  }

  void TearDown() override {
    if (frame != nullptr) frame->Close(true);
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame == nullptr; }));
    Tern::EventDispatcher::install(nullptr);
  }

  // Writes the project of one group with its commands, opens the window on it and selects the
  // group.
  void open(GroupCommand& group, const std::vector<std::unique_ptr<BaseCommand>>& commands = {}) {
    ProjectFile::GroupBlock block{&group, {}};
    for (const auto& c : commands) block.commands.push_back(c.get());
    std::string text;
    ProjectFile::writeProject(text, {block});
    ProjectFile::writeFileSafely(dir.path() / ProjectFile::fileName, text);
    frame = new MyFrame(dir.path(), *settings, *input);
    frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == frame) frame = nullptr;
      event.Skip();
    });
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isProjectLoaded(); }));
    CommandTree& tree = frame->commandTree();
    wxTreeItemIdValue cookie;
    tree.SelectItem(tree.GetFirstChild(tree.GetRootItem(), cookie));
    GuiTest::flushEvents();
  }

  // "Run Current Group" from the menu; waits until the run has hidden the window.
  void run() {
    wxCommandEvent event(wxEVT_MENU, FrameId::runGroup);
    frame->GetEventHandler()->ProcessEvent(event);
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isRunning() && !frame->IsShown(); }));
  }

  [[nodiscard]] bool ended() const { return !frame->isRunning() && frame->IsShown() && frame->IsEnabled(); }

  static void choose(TaskBarIcon& icon, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    icon.ProcessEvent(event);
  }

  TempDir dir;
  std::unique_ptr<Settings> settings;
  std::unique_ptr<DesktopInput> input = std::make_unique<DesktopInput>();
  MyFrame* frame = nullptr;
};

}  // namespace

// Catches a run that types in the wrong order or number, leaves the window hidden, keeps the
// final commands' Shift held, or starts without saving the project.
TEST_F(RunTest, AGroupTypesEachTurnInTreeOrderAndGivesTheScreenBack) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  GroupCommand group;
  startAtOnce(group, "Greet");
  group.setStopAfterRepeats(true);
  group.setRepeatCount(2);
  group.setFinalText("<SHIFT-DOWN>z<ESC>");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("ab", 2));
  commands.push_back(command("c<ENTER>", 1));
  open(group, commands);
  std::filesystem::remove(dir.path() / ProjectFile::fileName);

  run();
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  EXPECT_EQ(recorder.readUntilEscape(), "ababc{Return}ababc{Return}Z");
  EXPECT_FALSE(XKeyboardProbe(wxGetenv("DISPLAY")).anythingHeld());
  EXPECT_NE(ProjectFile::readFile(dir.path() / ProjectFile::fileName).find("Greet"), std::string::npos);
}

// Catches a "Don't Stop" run that the icon cannot end, and an exit during a run that loses the
// project or leaves the program behind.
TEST_F(RunTest, TheIconEndsADontStopRunAndItsExitEndsTheProgramWithTheProjectSaved) {
  ChildProcess::Options trayer;
  trayer.argv = {"trayer", "--edge", "top", "--align", "right"};
  trayer.err = ChildProcess::Output::discard;
  const ChildProcess tray(trayer);
  ASSERT_TRUE(GuiTest::waitFor([] { return wxTaskBarIcon::IsAvailable(); }));
  GroupCommand group;
  startAtOnce(group, "Forever");
  group.setDontStop(true);
  open(group);

  run();
  EXPECT_TRUE(frame->taskBarIcon().IsIconInstalled());
  choose(frame->taskBarIcon(), FrameId::endSequence);
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }));
  EXPECT_FALSE(frame->taskBarIcon().IsIconInstalled());

  run();
  std::filesystem::remove(dir.path() / ProjectFile::fileName);
  choose(frame->taskBarIcon(), wxID_EXIT);
  ASSERT_TRUE(GuiTest::waitFor([this] { return frame == nullptr; }));
  EXPECT_NE(ProjectFile::readFile(dir.path() / ProjectFile::fileName).find("Forever"), std::string::npos);
}

// Catches a "Don't Stop" run that only killing the program would end where the desktop has no
// notification area (as here), and a stop key that stays taken from the desktop after the run.
TEST_F(RunTest, TheStopKeyEndsADontStopRunWithoutANotificationArea) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  GroupCommand group;
  startAtOnce(group, "Forever");
  group.setDontStop(true);
  group.setFinalText("<ESC>");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("x", 1000000));
  open(group, commands);

  run();
  ChildProcess::Options press;
  press.argv = {"xdotool", "key", "ctrl+alt+shift+Escape"};
  const ChildProcess user(press);
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  std::string typed = recorder.readUntilEscape();
  // An x the run types while the chord's Shift is already down, before its Escape, comes out
  // in upper case, as the user's own Shift makes it.
  std::replace(typed.begin(), typed.end(), 'X', 'x');
  EXPECT_EQ(typed, std::string(typed.size(), 'x'));
  EXPECT_FALSE(XKeyboardProbe(wxGetenv("DISPLAY")).anythingHeld());
}

// Catches a desktop where no window receives the input, run without a word to the user or told
// again at every run, and an input service the status bar does not name.
TEST_F(RunTest, ADesktopWithoutInputIsToldOnceBeforeTheFirstRun) {
  input = std::make_unique<DesktopInput>("-no-such-display-");
  const RecordingDialogs dialogs;
  GroupCommand group;
  startAtOnce(group, "Unheard");
  group.setStopAfterRepeats(true);
  group.setRepeatCount(1);
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("a", 1));
  open(group, commands);
  EXPECT_EQ(frame->GetStatusBar()->GetStatusText(MyFrame::backendField), input->backendName());

  for (int pass = 0; pass < 2; ++pass) {
    run();
    ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  }
  ASSERT_EQ(dialogs.messages.size(), 1U);
  EXPECT_EQ(dialogs.messages.front().text, wxString::FromUTF8(*input->backendNotice()));
}

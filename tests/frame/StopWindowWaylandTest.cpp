// A run through the main window with the toolkit on a private headless sway, typing through the
// compositor's virtual keyboard into a native Wayland window (wev) that holds the focus: the
// stop window is a layer-shell surface, and a click on it ends the run.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/menu.h>

#include <memory>
#include <string>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/DesktopInput.h"
#include "frame/MyFrame.h"
#include "input/wayland/WaylandInjector.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "shell/StopWindow.h"
#include "support/GuiTest.h"
#include "support/SwayGuiTest.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"
#include "tern/EventDispatcher.h"
#include "tern/QueueDispatch.h"
#include "tern/WxWake.h"
#include "tree/CommandTree.h"

namespace {

constexpr std::chrono::seconds patience{30};

}  // namespace

// Catches a Wayland run that nothing the user can reach ends while a native window has the
// focus, a stop window that takes the keyboard from that window (the run's keys and final
// commands would go astray), is hidden under the fullscreen window, or whose click does not end
// the run as the icon's menu does.
TEST(StopWindowWaylandTest, AClickOnTheLayerSurfaceEndsARunIntoANativeWindowThatKeepsTheFocus) {
  Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
  const TempDir dir;
  const std::unique_ptr<Settings> settings = Settings::file(dir.path() / "settings.conf");
  WevRecorder wev(GuiTest::sway());
  DesktopInput input;
  ASSERT_EQ(input.backend(), InputBackend::Used::wayland);
  const StopControls::Toolkit toolkit = StopWindow::toolkit();
  EXPECT_EQ(toolkit.display, StopControls::Display::wayland);
  EXPECT_TRUE(toolkit.layerShell);

  GroupCommand group;
  group.setName("Forever");
  group.setStartDelay(0, 0);
  group.setStartDelayMs(0);
  group.setStopAfterDelay(false);
  group.setDontStop(true);
  group.setFinalText("<ESC>");
  BaseCommand typing;
  typing.setText("x");
  typing.setRunCount(1000000);
  typing.setInterval(10, 0);
  typing.setIntervalMs(10);
  std::string project;
  ProjectFile::writeProject(project, {{&group, {&typing}}});
  ProjectFile::writeFileSafely(dir.path() / ProjectFile::fileName, project);
  auto* frame = new MyFrame(dir.path(), *settings, input);
  ASSERT_TRUE(GuiTest::waitFor([frame] { return frame->isProjectLoaded(); }));
  CommandTree& tree = frame->commandTree();
  wxTreeItemIdValue cookie;
  tree.SelectItem(tree.GetFirstChild(tree.GetRootItem(), cookie));
  wev.waitForInput();

  wxCommandEvent runGroup(wxEVT_MENU, FrameId::runGroup);
  frame->GetEventHandler()->ProcessEvent(runGroup);
  ASSERT_TRUE(GuiTest::waitFor([frame] { return frame->isRunning() && frame->stopWindow() != nullptr; }));
  // wev, not the stop window, receives what the run types.
  int typed = 0;
  ASSERT_TRUE(GuiTest::waitFor([&] {
    while (const auto press = wev.nextPress(WevRecorder::Clock::now() + std::chrono::milliseconds(1))) {
      if (press->keysym == 'x') ++typed;
    }
    return typed >= 3;
  }, patience));

  const StopWindow& stop = *frame->stopWindow();
  wxButton& button = stop.button();
  const wxPoint inWindow = button.GetScreenPosition() - stop.window().GetScreenPosition() + button.GetSize() / 2;
  const int x = SwayServer::width - StopWindow::margin - stop.window().GetSize().GetWidth() + inWindow.x;
  const int y = StopWindow::margin + inWindow.y;
  bool pointed = false;
  button.Bind(wxEVT_ENTER_WINDOW, [&pointed](wxMouseEvent& event) {
    pointed = true;
    event.Skip();
  });
  WaylandInjector pointer(WaylandInjector::Options{});
  // A release with nothing pressed only moves the pointer, until the surface is there to meet it.
  ASSERT_TRUE(GuiTest::waitFor([&] {
    pointer.mouseEvent(MouseButton::left, false, x, y);
    pointer.flush();
    return pointed;
  }, patience));
  pointer.mouseEvent(MouseButton::left, true, x, y);
  pointer.mouseEvent(MouseButton::left, false, x, y);
  pointer.flush();
  ASSERT_TRUE(GuiTest::waitFor([frame] { return !frame->isRunning() && frame->IsShown(); }, patience));
  EXPECT_EQ(frame->stopWindow(), nullptr);
  // The final Escape reached wev after the click, which wev never saw.
  const std::string rest = wev.readUntilEscape();
  EXPECT_EQ(rest, std::string(rest.size(), 'x'));
  frame->Close(true);
  EXPECT_TRUE(GuiTest::waitFor([] { return wxTopLevelWindows.empty(); }));
  Tern::EventDispatcher::install(nullptr);
}

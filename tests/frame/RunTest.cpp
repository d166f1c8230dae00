// Runs of a group through the real main window on the test's Xvfb: the desktop's own input
// types into xrecorder, the window hides and comes back, and the icon and the stop key end runs.

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/taskbar.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "input/DesktopInput.h"
#include "frame/MyFrame.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "shell/FrameIds.h"
#include "shell/StopWindow.h"
#include "shell/TaskBarIcon.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"
#include "support/RecorderClient.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/WindowManager.h"
#include "support/XKeyboardProbe.h"
#include "support/XvfbServer.h"
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

// Types through XTest on the test's X server but says it types through the Wayland virtual
// keyboard, for which a run shows its stop window; or refuses every run, as a desktop does whose
// question the user declined.
class WaylandLikeInput final : public RunInput {
 public:
  explicit WaylandLikeInput(DesktopInput& typing, std::optional<std::string> refusal = std::nullopt)
      : real(typing), refused(std::move(refusal)) {}

  [[nodiscard]] std::optional<std::string> prepareRun() override { return refused; }
  std::size_t playKeys(const KeyActions& list, std::size_t from, std::chrono::steady_clock::time_point until) override {
    return real.playKeys(list, from, until);
  }
  [[nodiscard]] bool userHoldsModifier() const override { return real.userHoldsModifier(); }
  void endText() override { real.endText(); }
  void releaseHeldInput() override { real.releaseHeldInput(); }
  void refreshKeyboardLayout() override { real.refreshKeyboardLayout(); }
  bool grabStopKey(std::function<void()> pressed) override { return real.grabStopKey(std::move(pressed)); }
  void endStop() override { real.endStop(); }
  void releaseStopKey() override { real.releaseStopKey(); }
  [[nodiscard]] bool stopKeyHeld() const override { return real.stopKeyHeld(); }
  [[nodiscard]] std::string stopKeyName() const override { return real.stopKeyName(); }
  [[nodiscard]] InputBackend::Used backend() const override { return InputBackend::Used::wayland; }
  [[nodiscard]] std::string backendName() const override { return real.backendName(); }
  [[nodiscard]] std::optional<std::string> backendNotice() const override { return std::nullopt; }

 private:
  DesktopInput& real;
  std::optional<std::string> refused;
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tern::EventDispatcher::install(new Tern::QueueDispatch(&Tern::WxWake::wake));
    settings = Settings::file(dir.path() / "settings.conf");
  }

  void TearDown() override {
    if (frame != nullptr) frame->Close(true);
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame == nullptr; }));
    BaseCommand::setKeyParse({});
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
    frame = new MyFrame(dir.path(), *settings, runInput ? *runInput : *input);
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

  // Opens a "Don't Stop" group that types x until it is stopped, and then Escape.
  void openTypingUntilStopped() {
    startAtOnce(forever, "Forever");
    forever.setDontStop(true);
    forever.setFinalText("<ESC>");
    foreverCommands.push_back(command("x", 1000000));
    open(forever, foreverCommands);
  }

  // "Run Current Group" from the menu; waits until the run has hidden the window.
  void run() {
    wxCommandEvent event(wxEVT_MENU, FrameId::runGroup);
    frame->GetEventHandler()->ProcessEvent(event);
    ASSERT_TRUE(GuiTest::waitFor([this] { return frame->isRunning() && !frame->IsShown(); }));
  }

  [[nodiscard]] bool ended() const { return !frame->isRunning() && frame->IsShown() && frame->IsEnabled(); }

  // Starts trayer, its panel as wide as the icons in the top-right corner.
  static ChildProcess notificationArea() {
    ChildProcess::Options trayer;
    trayer.argv = {"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"};
    trayer.err = ChildProcess::Output::discard;
    return ChildProcess(trayer);
  }

  static void choose(TaskBarIcon& icon, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    icon.ProcessEvent(event);
  }

  TempDir dir;
  std::unique_ptr<Settings> settings;
  std::unique_ptr<DesktopInput> input = std::make_unique<DesktopInput>();
  GroupCommand forever;
  std::vector<std::unique_ptr<BaseCommand>> foreverCommands;
  // Types instead of input when set.
  std::unique_ptr<RunInput> runInput;
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

// Switches the keyboard layout of the test's X server.
int setLayout(const std::string& name) {
  ChildProcess::Options options;
  options.argv = {"setxkbmap", name};
  ChildProcess setxkbmap(options);
  return setxkbmap.wait(ChildProcess::Clock::now() + patience).value_or(-1);
}

// Puts the US layout back however the test ends.
struct UsLayoutAtEnd {
  UsLayoutAtEnd() = default;
  UsLayoutAtEnd(const UsLayoutAtEnd&) = delete;
  UsLayoutAtEnd& operator=(const UsLayoutAtEnd&) = delete;
  ~UsLayoutAtEnd() { EXPECT_EQ(setLayout("us"), 0); }
};

// Catches texts typed with the layout of the run's start after the user switched layouts:
// every line after a switch to German, French or Russian came out with the US positions'
// characters of that layout. Catches too spare keys kept bound after the run.
TEST_F(RunTest, EveryLineFollowsTheLayoutSwitchedDuringTheRun) {
  BaseCommand::setKeyParse([this](std::string_view text, KeyActions& list) { input->parseKeys(text, list); },
                           [this] { return input->layoutGeneration(); });
  const UsLayoutAtEnd restore;
  RecorderClient recorder{ChildProcess(xrecorder())};
  const std::string line = "azqywm@1{Return}";
  GroupCommand group;
  startAtOnce(group, "Switch");
  group.setStopAfterRepeats(true);
  group.setRepeatCount(1);
  group.setFinalText("<ESC>");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("azqywm@1<ENTER>", 12));
  commands.back()->setIntervalMs(150);
  open(group, commands);

  run();
  std::string typed;
  const auto linesTyped = [&] {
    typed += recorder.readReported();
    return typed.size() / line.size();
  };
  // Two lines at least with each layout, the switch falling between two typings.
  for (const char* layout : {"de", "fr", "ru"}) {
    const std::size_t before = linesTyped();
    ASSERT_TRUE(GuiTest::waitFor([&] { return linesTyped() >= before + 1; }, patience));
    EXPECT_EQ(setLayout(layout), 0);
    const std::size_t switched = linesTyped();
    ASSERT_TRUE(GuiTest::waitFor([&] { return linesTyped() >= switched + 2; }, patience)) << layout;
  }
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  typed += recorder.readUntilEscape();
  // The Latin letters, on no key of the Russian layout, were typed through spare keys, which go
  // back with the run.
  EXPECT_FALSE(XKeyboardProbe(wxGetenv("DISPLAY")).isBound('a'));
  std::string expected;
  for (int i = 0; i < 12; ++i) expected += line;
  EXPECT_EQ(typed, expected);
}

// Catches a "Don't Stop" run that the icon cannot end, and an exit during a run that loses the
// project or leaves the program behind.
TEST_F(RunTest, TheIconEndsADontStopRunAndItsExitEndsTheProgramWithTheProjectSaved) {
  const ChildProcess tray = notificationArea();
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
  openTypingUntilStopped();

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

// Catches a run that starts typing although the desktop refused its input (the user declined
// the desktop's question), and one that does not start without telling the user why.
TEST_F(RunTest, ARunTheDesktopRefusesDoesNotStartAndTheUserIsToldWhy) {
  const std::string why = "Zentak cannot type on this desktop: the request was declined.";
  runInput = std::make_unique<WaylandLikeInput>(*input, why);
  const RecordingDialogs dialogs;
  GroupCommand group;
  startAtOnce(group, "Refused");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("a", 1));
  open(group, commands);
  wxCommandEvent event(wxEVT_MENU, FrameId::runGroup);
  frame->GetEventHandler()->ProcessEvent(event);
  ASSERT_TRUE(GuiTest::waitFor([&dialogs] { return !dialogs.messages.empty(); }, patience));
  EXPECT_EQ(dialogs.messages.back().text, wxString::FromUTF8(why));
  EXPECT_FALSE(frame->isRunning());
  EXPECT_TRUE(frame->IsShown());
}

// Catches a run through the Wayland virtual keyboard that the user cannot end while a native
// Wayland window has the focus: its stop window must appear without taking the focus from the
// window typed into, and a click on its button must end the run as the icon's menu does (final
// commands into that window, nothing held, the main window back).
TEST_F(RunTest, TheStopWindowOfAWaylandRunKeepsTheFocusAwayAndItsButtonEndsTheRun) {
  // A window manager, which would give a window of its own the focus as it appears.
  const WindowManager openbox;
  RecorderClient recorder{ChildProcess(xrecorder())};
  const XKeyboardProbe server(wxGetenv("DISPLAY"));
  const std::uint64_t recorderWindow = server.focusWindow();
  runInput = std::make_unique<WaylandLikeInput>(*input);
  openTypingUntilStopped();

  // The window manager gives the main window the focus; the user gives it back to the window to
  // type into.
  ASSERT_TRUE(GuiTest::waitFor([&] { return server.focusWindow() != recorderWindow; }, patience));
  server.setFocus(recorderWindow);
  ASSERT_TRUE(GuiTest::waitFor([&] { return server.focusWindow() == recorderWindow; }, patience));

  run();
  ASSERT_TRUE(GuiTest::waitFor([this] { return frame->stopWindow() != nullptr; }));
  wxButton& button = frame->stopWindow()->button();
  EXPECT_EQ(button.GetLabel(), "End Sequence Now");
  const wxPoint target = button.GetScreenRect().GetPosition() + button.GetSize() / 2;
  // Shown on screen, above the window typed into, which keeps the focus.
  ASSERT_TRUE(GuiTest::waitFor([&] { return server.windowAt(target.x, target.y) != recorderWindow; }, patience));
  std::string typed;
  ASSERT_TRUE(GuiTest::waitFor([&] { return (typed += recorder.readReported()).size() >= 3; }, patience));
  EXPECT_EQ(server.focusWindow(), recorderWindow);

  ChildProcess::Options click;
  click.argv = {"xdotool", "mousemove", std::to_string(target.x), std::to_string(target.y), "click", "1"};
  const ChildProcess user(click);
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  EXPECT_EQ(frame->stopWindow(), nullptr);
  EXPECT_EQ(server.focusWindow(), recorderWindow);
  // The final Escape reached the recorder, and the click did not.
  typed += recorder.readUntilEscape();
  EXPECT_EQ(typed, std::string(typed.size(), 'x'));
  EXPECT_FALSE(server.anythingHeld());
}

// Catches the text in progress typed on after the stop key's press (every key of it modified by
// the chord the user still holds: ^C, ^D, shortcuts), and final commands typed while the user
// still holds the chord, or once a time limit has passed: modified, or lost to the stop key.
TEST_F(RunTest, AfterTheStopKeyNothingIsTypedUntilTheUserLetsGoThenTheFinalCommandsUnmodified) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  startAtOnce(forever, "Long");
  forever.setDontStop(true);
  forever.setFinalText("<ESC>");
  foreverCommands.push_back(command(std::string(20000, 'x'), 1000000));
  open(forever, foreverCommands);
  const std::vector<std::string> chord{"Control_L", "Alt_L", "Shift_L", "Escape"};

  run();
  // The user's keyboard, on a connection of its own, while the window's thread types: the
  // chord pressed in the middle of a text and held for longer than the old limit of 2 s.
  std::thread user([&chord] {
    const XKeyboardProbe keyboard(wxGetenv("DISPLAY"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    keyboard.pressKeys(chord, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    keyboard.pressKeys(chord, false);
  });
  const bool stopped = GuiTest::waitFor([this] { return ended(); }, patience);
  user.join();
  ASSERT_TRUE(stopped);
  const std::string typed = recorder.readUntilEscape();
  EXPECT_EQ(typed, std::string(typed.size(), 'x'));
  EXPECT_FALSE(XKeyboardProbe(wxGetenv("DISPLAY")).anythingHeld());
}

// Catches a text typed while the user holds a modifier the text did not press: it would come
// out modified ("ABC"). It waits until the user lets go, and then comes whole.
TEST_F(RunTest, ATextWaitsWhileTheUserHoldsShiftAndComesOutUnmodified) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  const XKeyboardProbe keyboard(wxGetenv("DISPLAY"));
  GroupCommand group;
  startAtOnce(group, "Held");
  group.setStopAfterRepeats(true);
  group.setRepeatCount(1);
  group.setFinalText("<ESC>");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("abc", 1));
  open(group, commands);

  keyboard.pressKeys({"Shift_L"}, true);
  run();
  // Long past the turn's first typing, 50 ms in.
  GuiTest::waitFor([] { return false; }, std::chrono::milliseconds(500));
  EXPECT_FALSE(ended());
  EXPECT_EQ(recorder.readReported(), "");
  keyboard.pressKeys({"Shift_L"}, false);
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  EXPECT_EQ(recorder.readUntilEscape(), "abc");
}

namespace {

// Runs xdotool with the arguments; returns its exit status.
int xdotool(std::vector<std::string> arguments) {
  ChildProcess::Options options;
  options.argv = {"xdotool"};
  options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
  ChildProcess user(options);
  return user.wait(ChildProcess::Clock::now() + patience).value_or(-1);
}

// Waits, off the UI thread, until cond holds; false when the patience runs out.
bool pollFor(const std::function<bool()>& cond) {
  const auto deadline = ChildProcess::Clock::now() + patience;
  while (!cond()) {
    if (ChildProcess::Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

}  // namespace

// Catches the run typing into the icon's open menu, which holds the keyboard: the keys went into
// the menu instead of the window, and an Enter chose the item under the pointer ("End Sequence
// Now" ended the run without a click). While the menu is open the typing waits; once Escape has
// closed it the run goes on, and every Enter typed reached the window. Catches too a left click
// on the icon that does not end the run.
TEST_F(RunTest, WhileTheIconsMenuIsOpenTheRunWaitsAndALeftClickEndsIt) {
  RecorderClient recorder{ChildProcess(xrecorder())};
  const XKeyboardProbe server(wxGetenv("DISPLAY"));
  const std::uint64_t recorderWindow = server.focusWindow();
  const ChildProcess tray = notificationArea();
  ASSERT_TRUE(GuiTest::waitFor([] { return wxTaskBarIcon::IsAvailable(); }));
  startAtOnce(forever, "Enters");
  forever.setDontStop(true);
  forever.setFinalText("<ESC>");
  foreverCommands.push_back(command("<ENTER>", 1000000));
  foreverCommands.back()->setIntervalMs(50);
  open(forever, foreverCommands);

  run();
  ASSERT_TRUE(frame->taskBarIcon().IsIconInstalled());
  std::string typed;
  ASSERT_TRUE(GuiTest::waitFor([&] { return count(typed += recorder.readReported(), "{Return}") >= 3; }, patience));
  // The panel holds the one icon: its left edge, found from the screen's right edge.
  int left = XvfbServer::width - 1;
  while (left > 0 && server.windowAt(left - 1, 2) != recorderWindow) --left;
  const int iconX = (left + XvfbServer::width) / 2;
  const int iconY = 12;
  // Where the menu's first item, "End Sequence Now", lies once the menu hangs from the pointer.
  const int itemX = iconX - 30;
  const int itemY = iconY + 14;

  // The user, on a thread of their own: the menu's loop holds the UI thread while it is open.
  std::atomic<bool> done{false};
  std::atomic<bool> menuSeen{false};
  std::thread user([&] {
    xdotool({"mousemove", std::to_string(iconX), std::to_string(iconY), "click", "3"});
    menuSeen = pollFor([&] { return server.windowAt(itemX, itemY) != recorderWindow; });
    xdotool({"mousemove", std::to_string(itemX), std::to_string(itemY)});
    // Forty typings fall due meanwhile.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    xdotool({"key", "Escape"});
    done = true;
  });
  const bool closed = GuiTest::waitFor([&] { return done.load() && !frame->taskBarIcon().isMenuOpen(); }, patience);
  user.join();
  ASSERT_TRUE(closed);
  EXPECT_TRUE(menuSeen);
  ASSERT_TRUE(frame->isRunning());
  const std::size_t afterMenu = count(typed += recorder.readReported(), "{Return}");
  ASSERT_TRUE(GuiTest::waitFor([&] { return count(typed += recorder.readReported(), "{Return}") >= afterMenu + 3; },
                               patience));

  EXPECT_EQ(xdotool({"mousemove", std::to_string(iconX), std::to_string(iconY), "click", "1"}), 0);
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  typed += recorder.readUntilEscape();
  const CommandTree& tree = frame->commandTree();
  const BaseCommand* enters = tree.commandRecord(tree.firstCommand(tree.runningGroup()));
  ASSERT_NE(enters, nullptr);
  EXPECT_EQ(count(typed, "{Return}"), static_cast<std::size_t>(enters->getRunsDone()));
  EXPECT_EQ(typed.size(), count(typed, "{Return}") * std::string("{Return}").size()) << typed;
}

// A private session bus, its address in this process's environment while it lives.
class SessionBus {
 public:
  SessionBus() {
    ChildProcess::Options daemon;
    daemon.argv = {"dbus-daemon", "--session", "--nofork", "--print-address=1"};
    daemon.out = ChildProcess::Output::capture;
    daemon.err = ChildProcess::Output::discard;
    bus.emplace(daemon);
    const auto address = bus->readLine(ChildProcess::Clock::now() + patience);
    if (!address) throw std::runtime_error("dbus-daemon gave no address");
    setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
    // The process's connection, which the notifications share, must not end the process with the bus.
    connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (connection == nullptr) throw std::runtime_error("no connection to the test's bus");
    g_dbus_connection_set_exit_on_close(connection, FALSE);
  }
  ~SessionBus() {
    g_object_unref(connection);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zentak-test-bus", 1);
  }
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;
  [[nodiscard]] bool hasOwner(const char* name) const {
    GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
                                                  G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (reply == nullptr) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned != FALSE;
  }

 private:
  std::optional<ChildProcess> bus;
  GDBusConnection* connection = nullptr;
};

// Catches a run armed or ended without a word to the desktop's notification server, and notices
// that do not say which group, when it starts, how to stop it, how many passes it typed or why
// it ended. The server prints each notification it shows.
TEST_F(RunTest, ArmingAndEndingARunAreToldToTheNotificationServer) {
  const SessionBus bus;
  ChildProcess::Options dunst;
  dunst.argv = {"dunst", "-print"};
  dunst.out = ChildProcess::Output::capture;
  dunst.err = ChildProcess::Output::discard;
  ChildProcess server(dunst);
  ASSERT_TRUE(GuiTest::waitFor([&] { return bus.hasOwner("org.freedesktop.Notifications"); }, patience));
  RecorderClient recorder{ChildProcess(xrecorder())};
  GroupCommand group;
  startAtOnce(group, "Told");
  group.setStopAfterRepeats(true);
  group.setRepeatCount(2);
  group.setFinalText("<ESC>");
  std::vector<std::unique_ptr<BaseCommand>> commands;
  commands.push_back(command("a", 1));
  open(group, commands);

  run();
  ASSERT_TRUE(GuiTest::waitFor([this] { return ended(); }, patience));
  EXPECT_EQ(recorder.readUntilEscape(), "aa");
  std::string shown;
  ASSERT_TRUE(GuiTest::waitFor(
      [&] {
        const auto soon = ChildProcess::Clock::now() + std::chrono::milliseconds(10);
        while (const auto line = server.readLine(soon)) shown += *line + "\n";
        return count(shown, "summary:") >= 2 && shown.ends_with("}\n");
      },
      patience))
      << shown;
  EXPECT_NE(shown.find("summary: 'Zentak runs \"Told\"'\n\tbody: 'Starts now, 2 passes.\n"
                       "To end the run, press Ctrl+Alt+Shift+Escape.'"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("summary: 'Zentak ended \"Told\"'\n\tbody: '2 passes typed: the run typed all its passes.'"),
            std::string::npos)
      << shown;
}

// The desktop input of a Wayland session: the backend is chosen by probing the compositor, and
// texts typed through it reach a native Wayland window.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "input/DesktopInput.h"
#include "support/KwinServer.h"
#include "support/SwayServer.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

// Sets an environment variable for one test and puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* variable, const std::string& value) : name(variable) {
    if (const char* old = std::getenv(variable)) previous = old;
    setenv(variable, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (previous) {
      setenv(name, previous->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name;
  std::optional<std::string> previous;
};

class DesktopInputWaylandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sway = std::make_unique<SwayServer>(); }
  static void TearDownTestSuite() { sway.reset(); }
  void SetUp() override { ASSERT_NE(sway, nullptr) << "no sway could be started"; }

  static inline std::unique_ptr<SwayServer> sway;
};

}  // namespace

// Catches a Wayland session typed into through XTest (which reaches no Wayland window), and a
// backend the user cannot see.
TEST_F(DesktopInputWaylandTest, AWaylandSessionTypesThroughTheCompositor) {
  WevRecorder wev(*sway);
  const ScopedEnv socket("WAYLAND_DISPLAY", sway->socketPath());
  DesktopInput input("-no-such-display-");
  EXPECT_EQ(input.backendName(), InputBackend::name(InputBackend::Used::wayland));
  EXPECT_FALSE(input.backendNotice());
  wev.waitForInput();
  input.refreshKeyboardLayout();
  KeyActions list;
  input.parseKeys("Wayland<ENTER>", list);
  list.push_back(KeyCode::escape);
  input.playKeys(list);
  EXPECT_EQ(wev.readUntilEscape(), "Wayland{Return}");
}

// Catches a Wayland session without a usable compositor that types nowhere without a word.
TEST_F(DesktopInputWaylandTest, NoUsableServiceIsToldToTheUser) {
  const TempDir dir;
  const ScopedEnv socket("WAYLAND_DISPLAY", (dir.path() / "wayland-9").string());
  const DesktopInput input("-no-such-display-");
  EXPECT_EQ(input.backendName(), InputBackend::name(InputBackend::Used::none));
  EXPECT_TRUE(input.backendNotice());
}

// Catches the user's choice of X11 being overridden by the probe.
TEST_F(DesktopInputWaylandTest, TheUsersChoiceOfX11SkipsTheCompositor) {
  const ScopedEnv socket("WAYLAND_DISPLAY", sway->socketPath());
  const DesktopInput input("-no-such-display-", StopChord::standard(), InputBackend::Choice::x11);
  EXPECT_EQ(input.backendName(), InputBackend::name(InputBackend::Used::none));
}

// Catches a KDE Plasma session typed into through XTest (which reaches no Wayland window) or
// through the desktop portal (slower, and a session to keep) while KWin grants fake input, a
// status bar that does not name it, and fake input wired without the clipboard, which would skip
// the characters KWin's keymap lacks instead of pasting them.
TEST(DesktopInputKwinTest, AKdeSessionTypesThroughKwinsFakeInput) {
  const KwinServer kwin(KwinServer::Options{{}, {}, true});
  WevRecorder wev(kwin);
  const ScopedEnv socket("WAYLAND_DISPLAY", kwin.socketPath());
  const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", kwin.sessionBus());
  DesktopInput input("-no-such-display-");
  EXPECT_EQ(input.backendName(), "Types with: KWin fake input");
  EXPECT_FALSE(input.backendNotice());
  wev.waitForInput();
  input.refreshKeyboardLayout();
  KeyActions list;
  input.parseKeys("KDE<ENTER>", list);
  list.push_back(KeyCode::escape);
  input.playKeys(list);
  EXPECT_EQ(wev.readUntilEscape(), "KDE{Return}");
  EXPECT_EQ(input.delivery(U'a'), KeyTextCheck::Delivery::typed);
  EXPECT_EQ(input.delivery(U'\u00e9'), KeyTextCheck::Delivery::pasted);
}

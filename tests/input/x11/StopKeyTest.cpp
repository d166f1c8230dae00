// The stop key on a private Xvfb. The user's keys come from xdotool: XTEST input like the run's,
// but on a connection no grab guard knows of.

#include "input/x11/StopKey.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "keys/KeyCodes.h"
#include "keys/StopChord.h"
#include "input/x11/XDisplay.h"
#include "input/x11/XTestInjector.h"
#include "support/ChildProcess.h"
#include "support/XKeyboardProbe.h"
#include "support/XvfbServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may be slow, and a passing test never waits this long.
constexpr auto patience = std::chrono::seconds(30);

const std::string userChord = "ctrl+alt+shift+Escape";

class StopKeyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<XvfbServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  void SetUp() override {
    ASSERT_NE(server, nullptr) << "no Xvfb could be started";
    recorder.emplace(server->spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
    ASSERT_EQ(recorder->readLine(Clock::now() + patience), "READY");
    stopKey.emplace(server->name(), [this] { ++presses; });
  }

  static void userPresses(const std::string& keys) { ASSERT_EQ(server->run({"xdotool", "key", keys}), 0); }

  // Whether the focused window, xrecorder, reports an Escape press.
  bool windowGetsEscape() {
    const auto deadline = Clock::now() + patience;
    while (const auto line = recorder->readLine(deadline)) {
      if (line->starts_with("K 0xff1b ")) return true;
    }
    return false;
  }

  bool pressedReaches(int count) const {
    const auto deadline = Clock::now() + patience;
    while (presses.load() < count && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return presses.load() >= count;
  }

  static inline std::unique_ptr<XvfbServer> server;
  std::optional<ChildProcess> recorder;
  std::atomic<int> presses{0};
  std::optional<StopKey> stopKey;
};

}  // namespace

// Catches lock modifiers (NumLock on Mod2, CapsLock on Lock) defeating the grab.
TEST_F(StopKeyTest, TheChordCountsWhateverLockIsOn) {
  ASSERT_TRUE(stopKey->grab(StopChord::standard()));
  const XKeyboardProbe keyboard(server->name());
  userPresses(userChord);
  EXPECT_TRUE(pressedReaches(1));
  keyboard.setNumLock(true);
  userPresses(userChord);
  EXPECT_TRUE(pressedReaches(2)) << "with NumLock on";
  keyboard.setNumLock(false);
  keyboard.setCapsLock(true);
  ASSERT_TRUE(keyboard.capsLockOn());
  userPresses(userChord);
  EXPECT_TRUE(pressedReaches(3)) << "with CapsLock on";
  keyboard.setCapsLock(false);
  EXPECT_EQ(presses.load(), 3) << "one press called back more than once";
}

// Catches a modifier the run holds, outside the chord, defeating the grab.
TEST_F(StopKeyTest, ModifiersTheRunHoldsDoNotDefeatTheChord) {
  XTestInjector injector(server->name());
  ASSERT_TRUE(stopKey->grab(*StopChord::parse("Ctrl+Alt+Escape")));
  injector.keyEvent(KeyCode::shift, true);
  injector.flush();
  userPresses("ctrl+alt+Escape");
  EXPECT_TRUE(pressedReaches(1));
  injector.keyEvent(KeyCode::shift, false);
}

// Catches a grab left behind after the run.
TEST_F(StopKeyTest, AfterReleaseTheChordReachesTheFocusedWindow) {
  ASSERT_TRUE(stopKey->grab(StopChord::standard()));
  stopKey->release();
  EXPECT_FALSE(stopKey->grabbed());
  userPresses(userChord);
  EXPECT_TRUE(windowGetsEscape());
  EXPECT_EQ(presses.load(), 0);
}

// Catches the run ending itself by typing the chord, and the grab not put back after it.
TEST_F(StopKeyTest, TheRunTypingTheChordGoesToTheWindow) {
  XTestInjector injector(server->name());
  injector.setGrabGuard(&*stopKey);
  ASSERT_TRUE(stopKey->grab(StopChord::standard()));
  for (const std::uint8_t key : {KeyCode::control, KeyCode::menu, KeyCode::shift, KeyCode::escape}) {
    injector.keyEvent(key, true);
  }
  for (const std::uint8_t key : {KeyCode::escape, KeyCode::shift, KeyCode::menu, KeyCode::control}) {
    injector.keyEvent(key, false);
  }
  injector.flush();
  // A press the grab took would not reach the window, so this also shows no call was made.
  EXPECT_TRUE(windowGetsEscape());
  EXPECT_EQ(presses.load(), 0);
  EXPECT_TRUE(stopKey->grabbed());
  userPresses(userChord);
  EXPECT_TRUE(pressedReaches(1));
  injector.setGrabGuard(nullptr);
}

// Catches a refused grab reported as success, leaving part of itself behind, or going unnoticed
// when another client takes the chord while it is lifted for a key of the run; and a chord on
// no key of the keyboard reported as grabbed.
TEST_F(StopKeyTest, AChordHeldElsewhereIsReported) {
  ASSERT_TRUE(stopKey->grab(StopChord::standard()));
  StopKey other(server->name(), [] {});
  EXPECT_FALSE(other.grab(StopChord::standard()));
  // Without Shift held this one is free, with Shift it is taken.
  EXPECT_FALSE(other.grab(*StopChord::parse("Ctrl+Alt+Escape")));
  EXPECT_FALSE(other.grabbed());
  stopKey->release();
  userPresses("ctrl+alt+Escape");
  EXPECT_TRUE(windowGetsEscape());

  ASSERT_TRUE(stopKey->grab(StopChord::standard()));
  stopKey->suspend();
  EXPECT_TRUE(other.grab(StopChord::standard()));
  stopKey->resume();
  EXPECT_FALSE(stopKey->grabbed());

  EXPECT_FALSE(stopKey->grab(*StopChord::parse("Ctrl+F24")));
}

// Catches a display that cannot be opened passing unnoticed.
TEST(StopKeyDisplayTest, AnUnopenableDisplayThrows) { EXPECT_THROW(StopKey(":65000", [] {}), XError); }

// The user's keys during typing, on a private Xvfb, from the server's own keyboard device
// (PersonKeyboard): the order of the user's keys and the run's is fixed without any timing.

#include <gtest/gtest.h>
// After gtest: Xlib's macros would clash with its names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/x11/StopKey.h"
#include "input/x11/XDisplay.h"
#include "input/x11/XTestInjector.h"
#include "keys/StopChord.h"
#include "support/ChildProcess.h"
#include "support/PersonKeyboard.h"
#include "support/XvfbServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may be slow, and a passing test never waits this long.
constexpr auto patience = std::chrono::seconds(30);

constexpr unsigned modifierBits = ShiftMask | ControlMask | Mod1Mask;

// A key press the focused window reported.
struct Reported {
  unsigned keysym = 0;
  unsigned state = 0;
};

class UserKeyboardHoldTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<XvfbServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  void SetUp() override {
    ASSERT_NE(server, nullptr) << "no Xvfb could be started";
    recorder.emplace(server->spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
    ASSERT_EQ(recorder->readLine(Clock::now() + patience), "READY");
  }

  // The key presses the window reported, up to the one that ends each case.
  std::vector<Reported> reportedUpToMarker() {
    std::vector<Reported> keys;
    const auto deadline = Clock::now() + patience;
    while (const auto line = recorder->readLine(deadline)) {
      Reported key;
      unsigned codePoint = 0;
      if (std::sscanf(line->c_str(), "K %x %u %x", &key.keysym, &codePoint, &key.state) != 3) continue;
      if (key.keysym == XK_period) break;
      keys.push_back(key);
    }
    return keys;
  }

  // The character that tells the end of a case.
  static void endCase(XTestInjector& injector) {
    injector.typeChar(U'.');
    injector.flush();
  }

  static void type(XTestInjector& injector, std::u32string_view text) {
    for (const char32_t c : text) injector.typeChar(c);
  }

  static inline std::unique_ptr<XvfbServer> server;
  std::optional<ChildProcess> recorder;
};

std::u32string letters(std::size_t count) {
  std::u32string text;
  for (std::size_t i = 0; i < count; ++i) text.push_back(U'a' + static_cast<char32_t>(i % 26));
  return text;
}

// What the window got against what was typed: every character, once, in order, unmodified.
// Keys other than letters are the user's (or Shift for the end marker) and are left out.
void expectExact(std::vector<Reported> got, std::u32string_view typed, const std::string& what) {
  std::erase_if(got, [](const Reported& key) { return key.keysym < XK_a || key.keysym > XK_z; });
  EXPECT_EQ(got.size(), typed.size()) << what << ": characters lost or doubled";
  std::size_t modified = 0;
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    if ((got[i].state & modifierBits) != 0) ++modified;
    if (i >= typed.size() || got[i].keysym != static_cast<unsigned>(typed[i])) ++wrong;
  }
  EXPECT_EQ(modified, 0U) << what << ": characters modified by the user's keys";
  EXPECT_EQ(wrong, 0U) << what << ": characters out of place";
}

}  // namespace

// Catches the user's modifiers, pressed while a text is being typed, modifying the characters
// the server handles after them (a Shift touch typing capitals, a chord's Ctrl typing control
// characters), and characters of the text lost or doubled around the touch.
TEST_F(UserKeyboardHoldTest, TheUsersModifiersNeverModifyTheText) {
  struct Case {
    std::string name;
    std::vector<std::string> keys;
  };
  const std::vector<Case> cases{
      {"a Shift touch", {"Shift_L"}},
      {"a chord's modifiers one after another", {"Control_L", "Alt_L", "Shift_L"}},
      {"AltGr and Super", {"ISO_Level3_Shift", "Super_L"}},
  };
  PersonKeyboard user(server->name());
  for (const Case& c : cases) {
    XTestInjector injector(server->name());
    const std::u32string text = letters(3000);
    type(injector, std::u32string_view(text).substr(0, 1000));
    for (const std::string& key : c.keys) user.press(key);
    type(injector, std::u32string_view(text).substr(1000, 1000));
    for (const std::string& key : c.keys) user.release(key);
    type(injector, std::u32string_view(text).substr(2000));
    injector.flush();
    endCase(injector);
    expectExact(reportedUpToMarker(), text, c.name);
  }
}

// Catches the chord, pressed key after key during a text, either modifying the characters typed
// between its first key and its last, or no longer ending the run when its keys reach no window.
TEST_F(UserKeyboardHoldTest, TheChordDuringATextStopsItUnmodified) {
  std::atomic<int> presses{0};
  StopKey stopKey(server->name(), [&presses] { ++presses; });
  ASSERT_TRUE(stopKey.grab(StopChord::standard()));
  XTestInjector injector(server->name());
  injector.setGrabGuard(&stopKey);
  PersonKeyboard user(server->name());
  const std::u32string text = letters(1000);
  type(injector, text);
  for (const std::string& key : std::initializer_list<std::string>{"Control_L", "Alt_L", "Shift_L"}) {
    user.press(key);
    type(injector, text);
  }
  user.press("Escape");
  // As the run does: it types on, a key at a time, until it hears of the stop.
  const std::u32string rest = letters(1'000'000);
  std::size_t after = 0;
  while (presses.load() == 0 && after < rest.size()) injector.typeChar(rest[after++]);
  for (const std::string& key : std::initializer_list<std::string>{"Escape", "Shift_L", "Alt_L", "Control_L"}) {
    user.release(key);
  }
  injector.flush();
  EXPECT_EQ(presses.load(), 1);
  stopKey.letGo();
  endCase(injector);
  injector.setGrabGuard(nullptr);
  const std::vector<Reported> got = reportedUpToMarker();
  // The characters typed after the stop's Escape may be cut short by the stop key's grab.
  ASSERT_GE(got.size(), 4 * text.size());
  std::size_t modified = 0;
  std::size_t others = 0;
  for (const Reported& key : got) {
    if ((key.state & modifierBits) != 0) ++modified;
    if (key.keysym < XK_a || key.keysym > XK_z) ++others;
  }
  EXPECT_EQ(modified, 0U) << "characters modified by the chord's keys";
  EXPECT_EQ(others, 0U) << "the chord's Escape reached the window";
}

// Catches the hold taking the user's keyboard while the user holds a key down: the key's release
// would then go to the hold, and the core keyboard would keep it down after the run.
TEST_F(UserKeyboardHoldTest, AKeyHeldBeforeTheTextIsNotLeftDown) {
  PersonKeyboard user(server->name());
  XTestInjector injector(server->name());
  user.press("Control_L");
  type(injector, U"abc");
  user.release("Control_L");
  injector.flush();
  type(injector, U"xyz");
  endCase(injector);
  std::vector<Reported> got = reportedUpToMarker();
  // The user's Ctrl reached the window, as it should with no hold.
  std::erase_if(got, [](const Reported& key) { return key.keysym == XK_Control_L; });
  ASSERT_EQ(got.size(), 6U);
  for (std::size_t i = 3; i < got.size(); ++i) EXPECT_EQ(got[i].state & ControlMask, 0U) << "Ctrl left down";
}

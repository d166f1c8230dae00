// Typing into real X clients on a private Xvfb: text goes through the live layout lookup, the
// player and XTEST injection, and the receiving client reports what it saw.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "text/Utf8.h"
#include "input/x11/XTestInjector.h"
#include "input/x11/XkbLayout.h"
#include "support/ChildProcess.h"
#include "support/OffLayoutChars.h"
#include "support/PrintableAscii.h"
#include "support/RecorderClient.h"
#include "support/TempDir.h"
#include "support/XKeyboardProbe.h"
#include "support/XvfbServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may be slow, and a passing test never waits this long.
constexpr auto patience = std::chrono::seconds(30);

constexpr std::uint32_t keysymF24 = XKB_KEY_F24;
constexpr std::uint32_t keysymChineseMiddle = 0x1004e2d;  // U+4E2D, on no key of the layouts used here

std::string offLayoutText() {
  std::string text;
  for (const char32_t c : offLayoutChars()) text += encodeUtf8(c);
  return text;
}

// Latin letters of both cases, every one of which is on no key of the Russian layout.
constexpr std::string_view englishParagraph =
    "The quick brown fox jumps over the lazy dog. THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG! "
    "Sphinx of black quartz, judge my vow; pack my box with five dozen liquor jugs.";

std::string readFile(const std::filesystem::path& path) {
  const std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One Xvfb for all the tests of a suite.
class XServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<XvfbServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  void SetUp() override { ASSERT_NE(server, nullptr) << "no Xvfb could be started"; }

  static inline std::unique_ptr<XvfbServer> server;
};

class XTypingTest : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (HasFatalFailure()) return;
    recorder = std::make_unique<RecorderClient>(server->spawn({XRECORDER_PATH}, ChildProcess::Output::capture));
  }

  // Parses text with the live layout, brought up to date first, plays it with an Escape press as
  // end marker, and returns what the recorder saw before that marker.
  std::string playAndRecord(std::string_view text, KeyboardLayout& layout, Injector& injector) {
    layout.sync();
    KeyActions list;
    KeyParser(tokens, layout).parseKeys(text, list);
    list.push_back(KeyCode::escape);
    Player(injector).playKeys(list);
    return recorder->readUntilEscape();
  }

  // As playAndRecord, with a layout lookup and an injector that last for this text only.
  std::string typeText(std::string_view text) {
    XkbLayout layout(server->name());
    XTestInjector injector(server->name());
    return playAndRecord(text, layout, injector);
  }

  KeyTokens tokens;
  std::unique_ptr<RecorderClient> recorder;
};

// Keypad keys type digits only with NumLock on; typing them must not depend on that state.
class KeypadTest : public XTypingTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    XTypingTest::SetUp();
    if (HasFatalFailure()) return;
    keyboard.emplace(server->name());
    keyboard->setNumLock(GetParam());
    ASSERT_EQ(keyboard->numLockOn(), GetParam());
  }
  void TearDown() override {
    if (keyboard) keyboard->setNumLock(false);
  }

  std::optional<XKeyboardProbe> keyboard;
};

// Each test switches the layout; it goes back to US after every test.
class LayoutSwitchTest : public XTypingTest {
 protected:
  void TearDown() override {
    if (server) {
      EXPECT_EQ(setLayout("us"), 0) << "the US layout could not be restored";
    }
  }

  [[nodiscard]] int setLayout(const std::string& name) const {
    return server->run({"setxkbmap", "-display", server->name(), name});
  }
};

class GermanLayoutTest : public LayoutSwitchTest {};
class RussianLayoutTest : public LayoutSwitchTest {};

// An xterm running `cat` into a file, with the focus.
class XtermTest : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (HasFatalFailure()) return;
    xterm = server->spawn({"env", "LC_ALL=C.UTF-8", "xterm", "-u8", "-geometry", "80x24+0+0", "-e", "sh", "-c",
                           "cat > \"$1\"", "sh", file.string()});
    ChildProcess search = server->spawn({"xdotool", "search", "--sync", "--onlyvisible", "--class", "xterm"},
                                        ChildProcess::Output::capture);
    const auto window = search.readLine(Clock::now() + patience);
    ASSERT_TRUE(window) << "no xterm window appeared";
    ASSERT_EQ(server->run({"xdotool", "windowfocus", "--sync", *window}), 0);
  }

  void TearDown() override { EXPECT_EQ(server->run({"setxkbmap", "-display", server->name(), "us"}), 0); }

  // Types the text with the layout in force into the terminal and returns what the file holds
  // once it is as long as expected, or when the patience runs out.
  std::string typeAndRead(std::string_view text, const std::string& expected) {
    XkbLayout layout(server->name());
    XTestInjector injector(server->name());
    KeyActions list;
    KeyParser(tokens, layout).parseKeys(text, list);
    Player(injector).playKeys(list);
    const auto deadline = Clock::now() + patience;
    std::string got = readFile(file);
    while (got.size() < expected.size() && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      got = readFile(file);
    }
    return got;
  }

  const KeyTokens tokens;
  const TempDir dir;
  const std::filesystem::path file = dir.path() / "typed.txt";
  std::optional<ChildProcess> xterm;
};

}  // namespace

TEST_F(XTypingTest, EveryPrintableAsciiCharacter) { EXPECT_EQ(typeText(printableAscii()), printableAscii()); }

TEST_F(XTypingTest, LineBreaksTabAndBackspaceTypeTheirKeys) {
  EXPECT_EQ(typeText("a<ENTER>b"), "a{Return}b");
  // Stored line breaks: a lone 3, and the pair 2 3, are one Enter each.
  EXPECT_EQ(typeText("a\x03"
                     "b\x02\x03"
                     "c"),
            "a{Return}b{Return}c");
  EXPECT_EQ(typeText("a<TAB>b<BACKSPACE>"), "a{Tab}b{BackSpace}");
}

TEST_F(XTypingTest, HeldShiftAppliesUntilReleased) { EXPECT_EQ(typeText("<SHIFT-DOWN>abc<SHIFT-UP>d"), "ABCd"); }

TEST_F(XTypingTest, FunctionKeysIncludingOnesTheKeymapLacks) {
  // The server's keymap has F1 to F12 only; F13 and F24 need keys bound for them.
  ASSERT_FALSE(XKeyboardProbe(server->name()).isBound(keysymF24));
  EXPECT_EQ(typeText("<F1><F12><F13><F24>"), "{F1}{F12}{F13}{F24}");
}

TEST_F(XTypingTest, TemporaryBindingsAreUndoneWhenTheInjectorGoes) {
  ASSERT_FALSE(XKeyboardProbe(server->name()).isBound(keysymF24));
  ASSERT_FALSE(XKeyboardProbe(server->name()).isBound(keysymChineseMiddle));
  {
    XkbLayout layout(server->name());
    XTestInjector injector(server->name());
    EXPECT_EQ(playAndRecord("<F24>\u4e2d<F24>\u4e2d", layout, injector), "{F24}\u4e2d{F24}\u4e2d");
  }
  EXPECT_FALSE(XKeyboardProbe(server->name()).isBound(keysymF24));
  EXPECT_FALSE(XKeyboardProbe(server->name()).isBound(keysymChineseMiddle));
}

// More distinct characters on no key than there are keycodes, each typed as a text of its own,
// so that every spare keycode is bound anew many times. Catches a full pool dropping
// characters, and a character typed on a binding changed since.
TEST_F(XTypingTest, MoreCharactersOnNoKeyThanKeycodes) {
  XkbLayout layout(server->name());
  XTestInjector injector(server->name());
  // 250 exceeds the spare keycodes of any keymap; the first characters then come round again.
  for (char32_t i = 0; i < 260; ++i) {
    const std::string character = encodeUtf8(U'\u4e00' + i % 250);
    ASSERT_EQ(playAndRecord(character, layout, injector), character);
  }
}

// Catches a spare keycode bound anew while the client has yet to translate the keys typed with
// it (characters coming out as others of the same text), and characters beyond the spare
// keycodes' capacity dropped; the second line types with keys bound for the first.
TEST_F(XTypingTest, TwoHundredCharactersOnNoKeyComeOutExact) {
  const std::string text = offLayoutText();
  EXPECT_EQ(typeText(text + "\x03" + text), text + "{Return}" + text);
}

TEST_F(XTypingTest, MouseClicksLandWhereAsked) {
  EXPECT_EQ(typeText("<MOUSE-LEFT-CLICK 0 0><MOUSE-LEFT-CLICK 1023 767>"), "{button 1 at 0,0}{button 1 at 1023,767}");
  EXPECT_EQ(typeText("<MOUSE-RIGHT-CLICK 100 200><MOUSE-MIDDLE-CLICK 300 400>"),
            "{button 3 at 100,200}{button 2 at 300,400}");
}

TEST_P(KeypadTest, KeypadDigitsTypeDigits) {
  EXPECT_EQ(typeText("<KEYPAD0><KEYPAD1><KEYPAD2><KEYPAD3><KEYPAD4><KEYPAD5><KEYPAD6><KEYPAD7><KEYPAD8><KEYPAD9>"),
            "0123456789");
  EXPECT_EQ(keyboard->numLockOn(), GetParam()) << "typing changed the NumLock state";
}

INSTANTIATE_TEST_SUITE_P(NumLock, KeypadTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& numLock) { return numLock.param ? "On" : "Off"; });

TEST_F(GermanLayoutTest, CharactersOnOtherLevelsAndOnNoKey) {
  ASSERT_EQ(setLayout("de"), 0);
  // '@' and the euro sign need AltGr; U+4E2D is on no key.
  EXPECT_EQ(typeText("@\u00e4\u20ac\u00df\u4e2d"), "@\u00e4\u20ac\u00df\u4e2d");
  EXPECT_EQ(typeText("zyZY\u00c4\u00d6\u00dc#'"), "zyZY\u00c4\u00d6\u00dc#'");
  EXPECT_FALSE(XKeyboardProbe(server->name()).isBound(keysymChineseMiddle));
}

TEST_F(GermanLayoutTest, EveryPrintableAsciiCharacter) {
  ASSERT_EQ(setLayout("de"), 0);
  // Among them are characters on AltGr levels and ones the layout has only as dead keys.
  EXPECT_EQ(typeText(printableAscii()), printableAscii());
}

// Catches Latin letters, all off the layout, typed on keys bound anew under the client's feet.
TEST_F(RussianLayoutTest, AnEnglishParagraphComesOutExact) {
  ASSERT_EQ(setLayout("ru"), 0);
  EXPECT_EQ(typeText(englishParagraph), englishParagraph);
}

TEST_F(GermanLayoutTest, AChangeAfterCreationIsFollowed) {
  XkbLayout layout(server->name());
  XTestInjector injector(server->name());
  EXPECT_EQ(playAndRecord("zy", layout, injector), "zy");
  ASSERT_EQ(setLayout("de"), 0);
  EXPECT_EQ(playAndRecord("zy@\u00f6", layout, injector), "zy@\u00f6");
}

TEST_F(XtermTest, ATerminalReceivesALine) {
  EXPECT_EQ(typeAndRead("hello, World! 123<ENTER>", "hello, World! 123\n"), "hello, World! 123\n");
}

// Catches spare keycodes bound anew while the terminal has yet to translate the keys typed with
// them: characters then come out as others of the same text.
TEST_F(XtermTest, CharactersOnNoKeyComeOutExact) {
  const std::string offLayout = offLayoutText() + "\n";
  ASSERT_EQ(typeAndRead(offLayoutText() + "<ENTER>", offLayout), offLayout);
  ASSERT_EQ(server->run({"setxkbmap", "-display", server->name(), "ru"}), 0);
  const std::string both = offLayout + std::string(englishParagraph) + "\n";
  EXPECT_EQ(typeAndRead(std::string(englishParagraph) + "<ENTER>", both), both);
}

// Typing into a real Wayland client on a private headless sway: text goes through the
// virtual keyboard's keymap, the player and the compositor's virtual keyboard and pointer, and
// wev reports what it saw.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "input/wayland/WaylandInjector.h"
#include "support/BusyCores.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/SwayServer.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"
#include "text/Utf8.h"

namespace {

// One sway for all the tests of the suite; a fresh wev for each test.
class WaylandTypingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sway = std::make_unique<SwayServer>(); }
  static void TearDownTestSuite() { sway.reset(); }

  void SetUp() override {
    ASSERT_NE(sway, nullptr) << "no sway could be started";
    wev = std::make_unique<WevRecorder>(*sway);
  }

  // An injector typing with the named layout; it waits until wev's keyboard has the focus.
  std::unique_ptr<WaylandInjector> connect(const std::string& layout) {
    auto injector = std::make_unique<WaylandInjector>(WaylandInjector::Options{sway->socketPath(), layout});
    wev->waitForInput();
    return injector;
  }

  // Parses text with the injector's keymap, plays it with an Escape press as end marker, and
  // returns what wev saw before that marker.
  std::string typeText(std::string_view text, const std::string& layout = "us") {
    const auto injector = connect(layout);
    KeyActions list;
    KeyParser(tokens, *injector).parseKeys(text, list);
    list.push_back(KeyCode::escape);
    Player(*injector).playKeys(list);
    return wev->readUntilEscape();
  }

  static inline std::unique_ptr<SwayServer> sway;
  KeyTokens tokens;
  std::unique_ptr<WevRecorder> wev;
};

}  // namespace

// Catches keys that land on the wrong keycode (the evdev offset) or lose their Shift level.
TEST_F(WaylandTypingTest, EveryPrintableAsciiCharacter) { EXPECT_EQ(typeText(printableAscii()), printableAscii()); }

// Catches named keys that find no key of the uploaded keymap.
TEST_F(WaylandTypingTest, EnterTabAndFunctionKeysTypeTheirKeys) {
  EXPECT_EQ(typeText("a<ENTER>b<TAB>c<F1><F5><F12><BACKSPACE>"), "a{Return}b{Tab}c{F1}{F5}{F12}{BackSpace}");
}

// Catches a held Shift that the compositor never hears of, or one still held afterwards.
TEST_F(WaylandTypingTest, ShiftHeldAppliesUntilReleased) {
  EXPECT_EQ(typeText("a<SHIFT-DOWN>bc<SHIFT-UP>d"), "aBCd");
}

// Catches keypad digits that come out as cursor keys without Num Lock.
TEST_F(WaylandTypingTest, KeypadDigitsTypeDigits) {
  EXPECT_EQ(typeText("<KEYPAD0><KEYPAD5><KEYPAD9>"), "059");
}

// Catches characters typed at their US position on a German keymap, AltGr levels that come
// out at level one, and characters no key of the layout has that get lost.
TEST_F(WaylandTypingTest, GermanKeymapTypesAltGrAndAddedCharacters) {
  EXPECT_EQ(typeText("zy@ä€中😀Ä|zy", "de"), "zy@ä€中😀Ä|zy");
}

// Catches added keys that garble or drop characters once the free keycodes run out and the
// keys are bound anew: 40 distinct characters the layout lacks, then again backwards.
TEST_F(WaylandTypingTest, ManyDistinctAddedCharactersAllArrive) {
  std::string forth;
  std::string back;
  for (char32_t c = 0x4e00; c < 0x4e00 + 40; ++c) {
    forth += encodeUtf8(c);
    back = encodeUtf8(c) + back;
  }
  EXPECT_EQ(typeText(forth + back), forth + back);
}

// Catches clicks off by the output's edge or scaled wrongly, and buttons swapped.
TEST_F(WaylandTypingTest, ClicksLandOnTheGivenPixels) {
  const auto injector = connect("us");
  EXPECT_EQ(injector->screenSize().width, SwayServer::width);
  EXPECT_EQ(injector->screenSize().height, SwayServer::height);
  KeyActions list;
  KeyParser(tokens, *injector)
      .parseKeys("<MOUSE-LEFT-CLICK 0 0><MOUSE-RIGHT-CLICK 1023 767><MOUSE-MIDDLE-CLICK 512 300>"
                 "<MOUSE-LEFT-CLICK 5000 -3>",
                 list);
  list.push_back(KeyCode::escape);
  Player(*injector).playKeys(list);
  EXPECT_EQ(wev->readUntilEscape(),
            "{button 1 at 0,0}{button 3 at 1023,767}{button 2 at 512,300}{button 1 at 1023,0}");
}

// Catches a backend chosen for a session that has no compositor behind the socket.
TEST(WaylandInjectorTest, NoCompositorIsAnError) {
  const TempDir dir;
  EXPECT_THROW(WaylandInjector(WaylandInjector::Options{(dir.path() / "wayland-9").string(), {}}), WaylandError);
}

// Catches a layout the user switches to that typing never follows, and an injector that takes
// its own uploaded keymap (extended with added keys) for the user's.
TEST_F(WaylandTypingTest, TheKeymapFollowsTheActiveKeyboardOfTheSeat) {
  const auto injector = connect({});
  ASSERT_EQ(injector->keyScan(U'a'), (KeyScan{'A', 0}));
  const std::uint64_t usGeneration = injector->generation();
  // Another keyboard of the seat, French, becomes the active one once it types.
  WaylandInjector french(WaylandInjector::Options{sway->socketPath(), "fr"});
  french.keyEvent(KeyCode::shift, true);
  french.keyEvent(KeyCode::shift, false);
  french.flush();
  const auto deadline = std::chrono::steady_clock::now() + WevRecorder::patience;
  while (injector->keyScan(U'a') != KeyScan{'Q', 0} && std::chrono::steady_clock::now() < deadline) {
    injector->sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(injector->keyScan(U'a'), (KeyScan{'Q', 0}));
  // Texts translated for the US keymap would type French characters.
  const std::uint64_t frenchGeneration = injector->generation();
  EXPECT_NE(frenchGeneration, usGeneration);

  KeyActions list;
  KeyParser(tokens, *injector).parseKeys("a中z", list);
  list.push_back(KeyCode::escape);
  Player(*injector).playKeys(list);
  EXPECT_EQ(wev->readUntilEscape(), "a中z");
  injector->sync();
  EXPECT_EQ(injector->keyScan(U'a'), (KeyScan{'Q', 0}));
  EXPECT_EQ(injector->generation(), frenchGeneration) << "a key added for a character counted as a switch";
}

// Catches typing that floods a window which reads its events late (a burst or a rate larger
// than the compositor buffers for it): the compositor then cuts the window off, and an
// application cut off usually exits with the user's unsaved work.
TEST(WaylandPacingTest, ASlowWindowOnABusyMachineGetsEveryCharacterAndStaysConnected) {
  const SwayServer sway;
  SlowClient client(sway);
  const std::string text = printableFlood(3000);
  {
    const BusyCores busy(std::chrono::seconds(60));
    WaylandInjector injector(WaylandInjector::Options{sway.socketPath(), "us"});
    client.waitForFocus();
    const KeyTokens tokens;
    KeyActions list;
    KeyParser(tokens, injector).parseKeys(text, list);
    list.push_back(KeyCode::escape);
    Player(injector).playKeys(list);
  }
  const SlowClient::Result result = client.finish();
  EXPECT_EQ(result.faultAgainst(text), "");
}

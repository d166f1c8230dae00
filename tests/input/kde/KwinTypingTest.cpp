// Typing into a real Wayland client on a private KWin through its fake input: text goes through
// the keymap KWin hands Zentak's keyboard, the player and fake input's keys and pointer, and wev
// reports what it saw.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "input/wayland/DataControlPasteBoard.h"
#include "input/kde/KwinInjector.h"
#include "input/paste/PastingInjector.h"
#include "keys/Player.h"
#include "input/bus/SessionBus.h"
#include "support/BusyCores.h"
#include "support/GtkTextWindow.h"
#include "support/KwinServer.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

// Parses text with the injector's keymap, plays it with an Escape press as end marker, and
// returns what wev saw before that marker.
std::string typeInto(KwinInjector& injector, WevRecorder& wev, const std::string& text) {
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, injector).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
  return wev.readUntilEscape();
}

// A data folder whose desktop entry grants this test program KWin's fake input, as the
// package's and ./scripts/run's entries grant Zentak.
void writeGrant(const std::filesystem::path& dataDir) {
  std::filesystem::create_directories(dataDir / "applications");
  std::ofstream(dataDir / "applications" / "zentak-kwin-tests.desktop")
      << "[Desktop Entry]\nType=Application\nName=Zentak tests\nExec=\"" << std::filesystem::read_symlink("/proc/self/exe").string()
      << "\"\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n";
}

struct LayoutCase {
  const char* layout;
  std::string text;
  std::string seen;
};

}  // namespace

// Catches keys sent at XKB's keycodes instead of evdev's, Shift and AltGr characters typed at
// level one (modifier keys not pressed, or the wrong ones), named keys that find no key, a held
// Shift that KWin never hears of or that stays held, and a character the layout lacks typed as
// another instead of skipped.
TEST(KwinTypingTest, TextKeysAndHeldShiftArriveExactlyOnUsAndGerman) {
  const LayoutCase cases[] = {
      {"us", printableAscii() + "<ENTER>a<TAB>b<F1><F12>a<SHIFT-DOWN>bc<SHIFT-UP>d中e",
       printableAscii() + "{Return}a{Tab}b{F1}{F12}aBCde"},
      {"de", "zy@€|{ä}Ä~<ENTER><F5>a<SHIFT-DOWN>ö<SHIFT-UP>😀z", "zy@€|{ä}Ä~{Return}{F5}aÖz"},
  };
  for (const LayoutCase& c : cases) {
    const KwinServer kwin(KwinServer::Options{{}, c.layout});
    WevRecorder wev(kwin);
    KwinInjector injector(kwin.socketPath());
    wev.waitForInput();
    EXPECT_EQ(typeInto(injector, wev, c.text), c.seen) << c.layout;
  }
}

// Catches characters mapped with KWin's first layout while the user switched to another (z and y
// swapped, @ typed as "), and a switch back that the next texts never hear of.
TEST(KwinTypingTest, TextsFollowASwitchBetweenKwinsLayouts) {
  struct SwitchCase {
    std::uint32_t layout;
    std::string text;
  };
  const SwitchCase cases[] = {{1, "zy@€"}, {0, "zy@"}};
  const KwinServer kwin(KwinServer::Options{{}, "us,de"});
  WevRecorder wev(kwin);
  KwinInjector injector(kwin.socketPath(), kwin.sessionBus());
  wev.waitForInput();
  const SessionBus bus(kwin.sessionBus());
  for (const SwitchCase& c : cases) {
    bus.call("org.kde.KWin", "/Layouts", "org.kde.KeyboardLayouts", "setLayout", g_variant_new("(u)", c.layout),
             "setLayout");
    const std::uint64_t before = injector.generation();
    injector.sync();
    EXPECT_NE(injector.generation(), before) << c.layout;
    EXPECT_EQ(typeInto(injector, wev, c.text), c.text) << c.layout;
  }
}

// Catches characters the layout lacks skipped instead of pasted or pasted out of order; the
// user's clipboard lost, left holding the pasted text, or no longer served after the paste; an
// empty clipboard left holding the pasted text; and a clipboard too big to keep overwritten.
TEST(KwinTypingTest, CharactersTheLayoutLacksArePastedAndTheUsersClipboardComesBack) {
  struct PasteCase {
    const char* layout;
    std::optional<std::string> clipboard;
    std::size_t limit;
    std::string text;
    std::string seen;
  };
  const std::string userPaste = "<ENTER><CTRL-DOWN>v<CTRL-UP>";
  const PasteCase cases[] = {
      {"us", "user words", DataControlPasteBoard::clipboardLimit, "aé€中b" + userPaste, "aé€中b\nuser words"},
      {"de", "user words", DataControlPasteBoard::clipboardLimit, "aäł中€b" + userPaste, "aäł中€b\nuser words"},
      {"us", std::nullopt, DataControlPasteBoard::clipboardLimit, "aéb" + userPaste, "aéb\n"},
      {"us", "user words", 4, "aéb" + userPaste, "ab\nuser words"},
  };
  for (const PasteCase& c : cases) {
    const KwinServer kwin(KwinServer::Options{{}, c.layout});
    GtkTextWindow window(kwin, c.clipboard);
    KwinInjector keys(kwin.socketPath());
    DataControlPasteBoard board(kwin.socketPath(), c.limit);
    PastingInjector injector(keys, board, PasteKey::standard());
    const KeyTokens tokens;
    KeyActions list;
    KeyParser(tokens, keys).parseKeys(c.text, list);
    list.push_back(KeyCode::escape);
    Player(injector).playKeys(list);
    EXPECT_EQ(window.readUntilEscape(), c.seen) << c.layout << " " << c.text;
  }
}

// Catches clicks off by the output's place in KWin's layout, scaled wrongly or clamped to the
// wrong edge, and buttons swapped.
TEST(KwinTypingTest, ClicksLandOnTheGivenPixels) {
  const KwinServer kwin(KwinServer::Options{});
  WevRecorder wev(kwin);
  KwinInjector injector(kwin.socketPath());
  wev.waitForInput();
  // wev asks for its pointer only once KWin announces one, which it does when the injector joins:
  // clicks sent before KWin has seen that request reach no pointer of wev's.
  int attempts = 0;
  while (typeInto(injector, wev, "<MOUSE-LEFT-CLICK 0 0>").empty()) ASSERT_LT(++attempts, 50) << "no click arrives";
  EXPECT_EQ(injector.screenSize().width, KwinServer::width);
  EXPECT_EQ(injector.screenSize().height, KwinServer::height);
  EXPECT_EQ(typeInto(injector, wev,
                     "<MOUSE-LEFT-CLICK 10 20><MOUSE-RIGHT-CLICK 1023 767><MOUSE-MIDDLE-CLICK 512 300>"
                     "<MOUSE-LEFT-CLICK 5000 -3>"),
            "{button 1 at 10,20}{button 3 at 1023,767}{button 2 at 512,300}{button 1 at 1023,0}");
}

// Catches a program that needs KWin's permission checks off: KWin offers fake input to a program
// its desktop entry grants (Exec its path), and to no other, which then has to fall back.
TEST(KwinTypingTest, FakeInputNeedsTheDesktopEntrysGrant) {
  for (const bool granted : {true, false}) {
    const TempDir data;
    if (granted) writeGrant(data.path());
    const KwinServer kwin(KwinServer::Options{data.path().string(), "us"});
    if (!granted) {
      EXPECT_THROW(KwinInjector{kwin.socketPath()}, WaylandError);
      continue;
    }
    WevRecorder wev(kwin);
    KwinInjector injector(kwin.socketPath());
    wev.waitForInput();
    EXPECT_EQ(typeInto(injector, wev, "Granted!"), "Granted!");
  }
}

// Catches typing that floods a window which reads its events late: KWin then cuts the window off,
// and an application cut off usually exits with the user's unsaved work.
TEST(KwinTypingTest, ASlowWindowOnABusyMachineGetsEveryCharacterAndStaysConnected) {
  const KwinServer kwin(KwinServer::Options{});
  SlowClient client(kwin);
  const std::string text = printableFlood(3000);
  {
    const BusyCores busy(std::chrono::seconds(60));
    KwinInjector injector(kwin.socketPath());
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

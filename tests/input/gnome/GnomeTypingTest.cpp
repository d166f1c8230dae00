// Typing into real Wayland clients on a private headless mutter, through GNOME's own
// remote-desktop interface and through the desktop portal's.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <glib.h>

#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <string_view>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "input/gnome/MutterPasteBoard.h"
#include "input/gnome/MutterSession.h"
#include "input/paste/PasteKey.h"
#include "input/paste/PastingInjector.h"
#include "input/gnome/PortalSession.h"
#include "keys/Player.h"
#include "input/gnome/RemoteDesktopInjector.h"
#include "support/BusyCores.h"
#include "support/ConsentAnswerer.h"
#include "support/GtkTextWindow.h"
#include "support/MutterServer.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

std::unique_ptr<RemoteDesktopInjector> mutterInjector(const MutterServer& mutter) {
  auto injector = std::make_unique<RemoteDesktopInjector>(std::make_unique<MutterSession>(mutter.busAddress()),
                                                          InputPacer::gnome);
  injector->open();
  return injector;
}

// An injector typing through the portal's session, opened with the user's answer.
std::unique_ptr<RemoteDesktopInjector> portalInjector(
    MutterServer& mutter, const TempDir& config, ConsentAnswerer::Monitor monitor = ConsentAnswerer::Monitor::notAsked,
    const std::string& waylandSocket = {}) {
  mutter.startPortal();
  auto injector = std::make_unique<RemoteDesktopInjector>(
      std::make_unique<PortalSession>(mutter.busAddress(), config.path() / "token"), InputPacer::gnome,
      waylandSocket);
  const ConsentAnswerer user(mutter, true, monitor);
  injector->open();
  return injector;
}

// Parses text with the layout, plays it through the injector with an Escape press as end marker.
void play(Injector& injector, KeyboardLayout& layout, std::string_view text) {
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, layout).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
}

void play(RemoteDesktopInjector& injector, std::string_view text) { play(injector, injector, text); }

// What the window received up to the Escape press, while this thread runs the default main
// context as the program's event loop does: the clipboard given back is served from there.
std::string readRunningTheMainContext(GtkTextWindow& window) {
  auto received = std::async(std::launch::async, [&window] { return window.readUntilEscape(); });
  while (received.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
    }
  }
  return received.get();
}

// What the test types: ASCII with Shift characters, named keys, a held Shift and two clicks,
// the second below and right of the first.
constexpr std::string_view mixedText =
    "aZ~{1!}<ENTER>b<TAB>c<F1><F12>a<SHIFT-DOWN>bc<SHIFT-UP>d"
    "<MOUSE-LEFT-CLICK 630 390><MOUSE-RIGHT-CLICK 650 410>";
constexpr std::string_view expectedSeen = "aZ~{1!}{Return}b{Tab}c{F1}{F12}aBCd{button 1}{button 3 below right}";

// What wev saw, with each click after the first placed relative to the one before: GNOME
// accelerates the pointer's moves, so that a click lands near its position, not on it.
std::string withClicksRelative(const std::string& seen) {
  std::string out;
  std::optional<std::pair<int, int>> last;
  for (std::size_t at = 0; at < seen.size();) {
    int button = 0;
    int x = 0;
    int y = 0;
    if (std::sscanf(seen.c_str() + at, "{button %d at %d,%d}", &button, &x, &y) != 3) {
      out += seen[at++];
      continue;
    }
    out += "{button " + std::to_string(button);
    if (last) out += std::string(y > last->second ? " below" : " above") + (x > last->first ? " right" : " left");
    out += "}";
    last = {x, y};
    at = seen.find('}', at) + 1;
  }
  return out;
}

// Mutter shows a new window growing from half its size: clicks land on its pixels only once it
// has grown. Clicks its top-left corner until one lands there.
void waitUntilShownWhole(RemoteDesktopInjector& injector, GtkTextWindow& window) {
  constexpr int tries = 100;
  for (int i = 0; i < tries; ++i) {
    play(injector, "<MOUSE-LEFT-CLICK 0 0>");
    if (window.readUntilEscape() == "<CLICK 1 0 0>") return;
  }
  FAIL() << "no click reached the window's corner";
}

}  // namespace

// Catches characters lost while mutter makes its virtual keyboard, Shift levels and named keys
// that type the wrong key, a held Shift never pressed, and clicks sent with the wrong button or
// moved the wrong way; and, without PipeWire, a session that fails for want of a screen cast.
TEST(MutterTypingTest, MixedTextAndClicksArriveExactly) {
  const MutterServer mutter;
  WevRecorder wev(mutter);
  const auto injector = mutterInjector(mutter);
  wev.waitForInput();
  play(*injector, mixedText);
  EXPECT_EQ(withClicksRelative(wev.readUntilEscape()), expectedSeen);
}

// Types a long text into the slow client while every core spins: the client must get all of it
// and stay connected.
template <typename MakeInjector>
void expectASlowWindowGetsEverything(MutterServer& mutter, MakeInjector makeInjector) {
  const std::string text = printableFlood(2000);
  // The session is opened before the machine gets busy: a loaded desktop answering its own
  // question may see keys out of step with its buttons.
  const auto injector = makeInjector();
  // Started once the session is open, so that no key of the question's answer reaches it.
  SlowClient client(mutter);
  client.waitForFocus();
  {
    const BusyCores busy(std::chrono::seconds(60));
    play(*injector, text);
  }
  const SlowClient::Result result = client.finish();
  EXPECT_EQ(result.faultAgainst(text), "");
}

// Catches typing that floods a window which reads its events late: mutter then cuts the window
// off, and an application cut off usually exits with the user's unsaved work.
TEST(MutterTypingTest, ASlowWindowOnABusyMachineGetsEveryCharacterAndStaysConnected) {
  MutterServer mutter;
  expectASlowWindowGetsEverything(mutter, [&mutter] { return mutterInjector(mutter); });
}

// Catches a session used before the desktop's consent, answers of the portal's requests that are
// never seen (they come as signals), and the portal's keysyms or clicks going astray; and,
// without PipeWire, a session that fails for want of a screen cast.
TEST(PortalTypingTest, MixedTextAndClicksArriveExactly) {
  MutterServer mutter;
  const TempDir config;
  const auto injector = portalInjector(mutter, config);
  // Started once the question is answered, so that the answering keys never reach it.
  WevRecorder wev(mutter);
  wev.waitForInput();
  play(*injector, mixedText);
  EXPECT_EQ(withClicksRelative(wev.readUntilEscape()), expectedSeen);
}

// Catches flooding through the portal, which passes every request on to mutter.
TEST(PortalTypingTest, ASlowWindowOnABusyMachineGetsEveryCharacterAndStaysConnected) {
  MutterServer mutter;
  const TempDir config;
  expectASlowWindowGetsEverything(mutter, [&] { return portalInjector(mutter, config); });
}

// Catches clicks that miss their pixels (relative motion, which GNOME accelerates; a stream
// that is not the primary monitor's; x and y swapped) and a monitor size not taken from the
// screen-cast stream, through mutter's interface and through the portal's.
TEST(GnomePointerTest, ClicksLandOnTheirPixelsAndTheStreamGivesTheMonitorSize) {
  struct Click {
    const char* token;
    int button;
    int x;
    int y;
  };
  constexpr int right = MutterServer::width - 1;
  constexpr int bottom = MutterServer::height - 1;
  const Click clicks[] = {{"LEFT", 1, 0, 0},          {"LEFT", 1, right, 0}, {"RIGHT", 3, 640, 400},
                          {"LEFT", 1, right, bottom}, {"LEFT", 1, 0, bottom}, {"RIGHT", 3, 17, 23}};
  std::string text;
  std::string expected;
  for (const Click& click : clicks) {
    const std::string place = std::to_string(click.x) + " " + std::to_string(click.y);
    text += std::string("<MOUSE-") + click.token + "-CLICK " + place + ">";
    expected += "<CLICK " + std::to_string(click.button) + " " + place + ">";
  }
  for (const bool throughPortal : {false, true}) {
    SCOPED_TRACE(throughPortal ? "portal" : "mutter");
    MutterServer mutter(MutterServer::PipeWire::on);
    const TempDir config;
    const auto injector =
        throughPortal ? portalInjector(mutter, config, ConsentAnswerer::Monitor::asked) : mutterInjector(mutter);
    EXPECT_EQ(injector->screenSize().width, MutterServer::width);
    EXPECT_EQ(injector->screenSize().height, MutterServer::height);
    // Started once the question is answered, so that the answering keys never reach it.
    GtkTextWindow window(mutter);
    waitUntilShownWhole(*injector, window);
    play(*injector, text);
    EXPECT_EQ(window.readUntilEscape(), expected);
  }
}

// Catches a declined question taken for consent, or one that leaves typing to go on unasked.
TEST(PortalTypingTest, ADeclinedQuestionIsAnErrorAndTypesNothing) {
  MutterServer mutter;
  mutter.startPortal();
  const TempDir config;
  RemoteDesktopInjector injector(std::make_unique<PortalSession>(mutter.busAddress(), config.path() / "token"),
                                 InputPacer::gnome);
  {
    const ConsentAnswerer user(mutter, false);
    EXPECT_THROW(injector.open(), RemoteDesktopError);
  }
  // The end marker comes from another keyboard.
  MutterSession marker(mutter.busAddress());
  marker.open();
  WevRecorder wev(mutter);
  wev.waitForInput();
  play(injector, "a");
  marker.keysym(XKB_KEY_Escape, true);
  marker.keysym(XKB_KEY_Escape, false);
  marker.roundTrip();
  EXPECT_EQ(wev.readUntilEscape(), "");
}

// Each case names the fault it catches. The text types a, b and the € of mutter's layout, and
// pastes é and 中; Ctrl+V then pastes what the clipboard holds after the run.
TEST(MutterPasteTest, CharactersTheLayoutLacksArriveByPasteAndTheUsersClipboardComesBack) {
  const struct {
    const char* fault;
    std::optional<std::string> usersClipboard;
    std::size_t keptLimit;
    std::string received;
  } cases[] = {
      {"pasted characters dropped or typed as others, a paste served before the window's fetch, the "
       "user's clipboard lost or not served afterwards",
       "user words", MutterPasteBoard::standardKeptLimit, "a\u00e9\u20ac\u4e2db\nuser words"},
      {"the pasted text left on a clipboard the user had left empty", std::nullopt,
       MutterPasteBoard::standardKeptLimit, "a\u00e9\u20ac\u4e2db\n"},
      {"a clipboard too large to keep replaced by the paste", "user words", 4, "a\u20acb\nuser words"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const MutterServer mutter;
    auto session = std::make_unique<MutterSession>(mutter.busAddress());
    MutterSession& shared = *session;
    RemoteDesktopInjector injector(std::move(session), InputPacer::gnome, mutter.socketPath());
    // Mutter focuses a window only once it has a keyboard, which the session makes.
    injector.open();
    GtkTextWindow window(mutter, c.usersClipboard);
    MutterPasteBoard board(shared, c.keptLimit);
    PastingInjector typing(injector, board, PasteKey::standard());
    play(typing, injector, "a\u00e9\u20ac\u4e2db<ENTER><CTRL-DOWN>v<CTRL-UP>");
    EXPECT_EQ(readRunningTheMainContext(window), c.received);
  }
}

// Catches a layout's own characters taken for missing ones (pasted needlessly), missing ones
// taken for typeable (mutter would drop them), and a keymap asked of no compositor at all.
TEST(MutterPasteTest, CanTypeTellsTheCharactersTheDesktopsKeymapHas) {
  const MutterServer mutter;
  RemoteDesktopInjector withKeymap(std::make_unique<MutterSession>(mutter.busAddress()), InputPacer::gnome,
                                   mutter.socketPath());
  withKeymap.open();
  const RemoteDesktopInjector withoutKeymap(std::make_unique<MutterSession>(mutter.busAddress()), InputPacer::gnome);
  const struct {
    const RemoteDesktopInjector& injector;
    char32_t c;
    bool typeable;
  } cases[] = {
      {withKeymap, U'a', true},       {withKeymap, U'Z', true},      {withKeymap, U'~', true},
      {withKeymap, U'\u00e9', false}, {withKeymap, U'\u4e2d', false}, {withoutKeymap, U'\u00e9', true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.injector.canType(c.c), c.typeable) << "U+" << std::hex << static_cast<std::uint32_t>(c.c);
  }
}

// Catches characters the desktop's keymap lacks typed as other ones through the portal, which
// has no clipboard to paste them with here.
TEST(PortalTypingTest, CharactersTheKeymapLacksAreSkipped) {
  MutterServer mutter;
  const TempDir config;
  const auto injector = portalInjector(mutter, config, ConsentAnswerer::Monitor::notAsked, mutter.socketPath());
  // Started once the question is answered, so that the answering keys never reach it.
  GtkTextWindow window(mutter);
  play(*injector, "a\u00e9\u20ac\u4e2db");
  EXPECT_EQ(window.readUntilEscape(), "a\u20acb");
}

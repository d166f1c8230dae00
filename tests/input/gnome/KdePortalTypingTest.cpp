// Typing into real Wayland clients on a private KWin through the desktop portal's remote desktop,
// which Plasma's backend grants an input-only session without asking and passes on to KWin's
// fake input.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "input/gnome/PortalSession.h"
#include "input/gnome/RemoteDesktopInjector.h"
#include "support/BusyCores.h"
#include "support/KwinServer.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

// An injector on the portal's session, opened.
std::unique_ptr<RemoteDesktopInjector> portalInjector(const KwinServer& kwin, const TempDir& config) {
  auto injector = std::make_unique<RemoteDesktopInjector>(
      std::make_unique<PortalSession>(kwin.sessionBus(), config.path() / "token"), InputPacer::gnome);
  injector->open();
  return injector;
}

// Parses text for the injector, plays it with an Escape press as end marker.
void play(RemoteDesktopInjector& injector, std::string_view text) {
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, injector).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
}

struct LayoutCase {
  const char* layout;
  std::string text;
  std::string seen;
};

}  // namespace

// Catches a session given up while Plasma's backend, just started, still ends it for want of
// screens; keysyms it cannot place on the layout in force, Shift and AltGr characters typed at
// the wrong level, named keys sent at the wrong key codes, a held Shift never pressed or never
// let go, and clicks that miss their pixels.
TEST(KdePortalTypingTest, MixedTextAndClicksArriveExactlyOnUsAndGerman) {
  const LayoutCase cases[] = {
      {"us", printableAscii() + "<ENTER>b<TAB>c<F1><F12>a<SHIFT-DOWN>bc<SHIFT-UP>d<MOUSE-LEFT-CLICK 10 20><MOUSE-RIGHT-CLICK 1000 700>",
       printableAscii() + "{Return}b{Tab}c{F1}{F12}aBCd{button 1 at 10,20}{button 3 at 1000,700}"},
      {"de", "zy@€|{ä}Ä~<ENTER><F5>a<SHIFT-DOWN>ö<SHIFT-UP>z<MOUSE-MIDDLE-CLICK 512 300>",
       "zy@€|{ä}Ä~{Return}{F5}aÖz{button 2 at 512,300}"},
  };
  for (const LayoutCase& c : cases) {
    const KwinServer kwin(KwinServer::Options{{}, c.layout, true});
    const TempDir config;
    const auto injector = portalInjector(kwin, config);
    WevRecorder wev(kwin);
    wev.waitForInput();
    play(*injector, c.text);
    EXPECT_EQ(wev.readUntilEscape(), c.seen) << c.layout;
  }
}

// Catches flooding through the portal, whose backend passes every request on to KWin's fake
// input: KWin then cuts the slow window off, and an application cut off usually exits with the
// user's unsaved work.
TEST(KdePortalTypingTest, ASlowWindowOnABusyMachineGetsEveryCharacterAndStaysConnected) {
  const KwinServer kwin(KwinServer::Options{{}, {}, true});
  const TempDir config;
  const std::string text = printableFlood(2000);
  const auto injector = portalInjector(kwin, config);
  SlowClient client(kwin);
  client.waitForFocus();
  {
    const BusyCores busy(std::chrono::seconds(60));
    play(*injector, text);
  }
  const SlowClient::Result result = client.finish();
  EXPECT_EQ(result.faultAgainst(text), "");
}

// Runs of the real program started from its window, typing into a GTK text view natively on a
// private compositor: KWin (fake input), mutter (its own remote desktop, and the desktop
// portal's) and sway (the virtual keyboard), each on a US and a German keyboard.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <optional>
#include <string>
#include <vector>

#include "ProgramOnCompositor.h"
#include "keys/KeyCodes.h"
#include "input/gnome/MutterSession.h"
#include "input/wayland/WaylandInjector.h"
#include "support/ConsentAnswerer.h"
#include "support/GtkTextWindow.h"
#include "support/KwinServer.h"
#include "support/MutterServer.h"
#include "support/SwayServer.h"

namespace {

// What a run types on a keyboard layout: ASCII, named keys, a held Shift, and the layout's own
// Shift and AltGr characters.
struct Layout {
  std::string name;
  std::string typed;
  std::string seen;
};

const std::string namedKeys = "Hi there, 42.<ENTER>x<TAB>y<F1><F12>a<SHIFT-DOWN>bc<SHIFT-UP>d ";
const std::string namedKeysSeen = "Hi there, 42.\nx\ty<F1><F12>aBCd ";

std::vector<Layout> layouts() {
  const std::string us = "~{!}@#$%^&*()_+|:\"?`";
  const std::string de = "yzYZ\"§$%&/()=?*'_:;@{[]}\\~|²³µäöüßÄÖÜ";
  return {{"us", namedKeys + us, namedKeysSeen + us}, {"de", namedKeys + de, namedKeysSeen + de}};
}

// Characters no key of either layout types, then the user's own paste: they are pasted (KWin,
// mutter, GNOME's portal) or typed through keys added to the keymap (sway), and the user's
// clipboard is back afterwards.
const std::string userClipboard = "user words";
const std::string offLayout = "é€中<CTRL-DOWN>v<CTRL-UP>";
const std::string offLayoutSeen = "é€中" + userClipboard;

// Away from the run's stop window, which sits at the top right.
const std::string clicks = "<MOUSE-LEFT-CLICK 100 200><MOUSE-RIGHT-CLICK 300 400>";
const std::string clicksSeen = "<CLICK 1 100 200><CLICK 3 300 400>";

// The user's window is up; the user opens the program's window, which takes the focus, and
// starts the run there; the program hides its window, the focus goes back to the user's
// window, and the text is typed into it. What the view received.
std::string typedFromTheWindow(const WaylandServer& server, const ProgramOnCompositor::Options& options) {
  GtkTextWindow view(server, userClipboard);
  ProgramOnCompositor::Options program = options;
  program.text += "<ESCAPE>";
  ProgramOnCompositor zentak(server, program);
  view.waitForFocusLoss();
  zentak.startRun();
  view.waitForFocus();
  return view.readUntilEscape();
}

}  // namespace

// Catches a run that KWin's fake input is not chosen for, keys looked up in a US keymap on a
// German keyboard (y and z swapped, AltGr characters lost), named keys, a held Shift or clicks
// going astray, characters the keymap lacks skipped instead of pasted, the user's clipboard lost,
// and typing into the program's own window as it hides.
TEST(WaylandRunTest, OnKwinARunFromTheWindowTypesExactly) {
  for (const Layout& layout : layouts()) {
    SCOPED_TRACE(layout.name);
    const KwinServer kwin({.grantingDataDir = {}, .layout = layout.name});
    EXPECT_EQ(typedFromTheWindow(kwin,
                                 {.text = layout.typed + clicks + offLayout, .inputBackend = "auto", .busAddress = {}, .finalText = {}}),
              layout.seen + clicksSeen + offLayoutSeen);
  }
}

// Catches the same faults on sway's virtual keyboard, which types with the keymap of the user's
// keyboard (here a virtual one, used last).
TEST(WaylandRunTest, OnSwayARunFromTheWindowTypesExactly) {
  for (const Layout& layout : layouts()) {
    SCOPED_TRACE(layout.name);
    const SwayServer sway;
    WaylandInjector userKeyboard({.display = sway.socketPath(), .layout = layout.name});
    userKeyboard.keyEvent(KeyCode::shift, true);
    userKeyboard.keyEvent(KeyCode::shift, false);
    userKeyboard.flush();
    EXPECT_EQ(typedFromTheWindow(sway, {.text = layout.typed + clicks + offLayout,
                                        .inputBackend = "auto",
                                        .busAddress = "unix:path=/nonexistent/zentak-test-bus",
                                        .finalText = {}}),
              layout.seen + clicksSeen + offLayoutSeen);
  }
}

// Catches a long text on sway's virtual keyboard that --stop could not end: typed whole on the
// window's thread, the copy could not answer until it was done. The text's first Escape tells
// that typing is under way; the final command's Escape must come long before its end.
TEST(WaylandRunTest, OnSwayALongTextStopsAtOnceByTheCommandLine) {
  constexpr std::size_t length = 1'000'000;
  const SwayServer sway;
  // The seat has a keyboard once one has typed: the user's.
  WaylandInjector userKeyboard({.display = sway.socketPath(), .layout = "us"});
  userKeyboard.keyEvent(KeyCode::shift, true);
  userKeyboard.keyEvent(KeyCode::shift, false);
  userKeyboard.flush();
  GtkTextWindow view(sway);
  ProgramOnCompositor zentak(sway, {.text = "<ESCAPE>" + std::string(length, 'x'),
                                    .inputBackend = "auto",
                                    .busAddress = "unix:path=/nonexistent/zentak-test-bus",
                                    .finalText = "<ESCAPE>"});
  view.waitForFocusLoss();
  zentak.startRun();
  view.waitForFocus();
  // The view reports a moment after the Escape, with what came meanwhile.
  EXPECT_EQ(view.readUntilEscape().find_first_not_of('x'), std::string::npos);
  EXPECT_EQ(zentak.stopRun(), 0);
  const std::string typed = view.readUntilEscape();
  EXPECT_EQ(typed.find_first_not_of('x'), std::string::npos) << typed.substr(0, 80);
  EXPECT_LT(typed.size(), length / 2);
}

// Catches the same faults through GNOME's remote desktop: mutter's own interface (chosen by the
// user) and the desktop portal (chosen by auto), whose question the user answers as the run
// starts, picking the monitor whose screen cast places the pointer.
TEST(WaylandRunTest, OnMutterARunFromTheWindowTypesExactly) {
  struct Case {
    std::string inputBackend;
    bool portal;
  };
  for (const Case& service : {Case{"mutter", false}, Case{"auto", true}}) {
    for (const Layout& layout : layouts()) {
      SCOPED_TRACE(service.inputBackend + " " + layout.name);
      MutterServer mutter(MutterServer::PipeWire::on, layout.name);
      // The seat has a keyboard once one has typed: the user's.
      MutterSession userKeyboard(mutter.busAddress());
      userKeyboard.open();
      userKeyboard.keysym(XKB_KEY_Shift_L, true);
      userKeyboard.keysym(XKB_KEY_Shift_L, false);
      userKeyboard.roundTrip();
      std::optional<ConsentAnswerer> user;
      if (service.portal) {
        mutter.startPortal();
        user.emplace(mutter, true, ConsentAnswerer::Monitor::asked);
      }
      EXPECT_EQ(typedFromTheWindow(mutter, {.text = layout.typed + clicks + offLayout,
                                            .inputBackend = service.inputBackend,
                                            .busAddress = {},
                                            .finalText = {}}),
                layout.seen + clicksSeen + offLayoutSeen);
    }
  }
}

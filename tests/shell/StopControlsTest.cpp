// Which stop window a run shows, and what it and the icon say about the stop key.

#include "shell/StopControls.h"

#include <gtest/gtest.h>

namespace {

using StopControls::Display;
using StopControls::Run;
using StopControls::Surface;
using StopControls::Toolkit;

constexpr Toolkit x11{Display::x11, false};
constexpr Toolkit waylandWithLayerShell{Display::wayland, true};
constexpr Toolkit waylandWithout{Display::wayland, false};

Run run(bool wayland, bool icon, bool key) {
  Run r;
  r.typesThroughWayland = wayland;
  r.trayIconShown = icon;
  r.stopKeyGrabbed = key;
  return r;
}

}  // namespace

// Catches a Wayland run without a way to end it from a native window (the icon and the key see
// nothing there, however they came up), and a stop window on an X11 desktop that has the icon or
// the key already.
TEST(StopControlsTest, AWaylandRunOrOneWithoutIconAndKeyShowsTheStopWindow) {
  for (const bool icon : {false, true}) {
    for (const bool key : {false, true}) {
      EXPECT_EQ(StopControls::surface(run(true, icon, key), waylandWithLayerShell), Surface::layerShell);
      EXPECT_EQ(StopControls::surface(run(true, icon, key), x11), Surface::x11Window);
    }
  }
  EXPECT_EQ(StopControls::surface(run(false, false, false), x11), Surface::x11Window);
  EXPECT_EQ(StopControls::surface(run(false, false, false), waylandWithLayerShell), Surface::layerShell);
  EXPECT_EQ(StopControls::surface(run(false, true, false), x11), Surface::none);
  EXPECT_EQ(StopControls::surface(run(false, false, true), x11), Surface::none);
  EXPECT_EQ(StopControls::surface(run(false, true, true), x11), Surface::none);
}

// Catches an ordinary Wayland window shown as the stop window, which would take the keyboard
// focus from the window the run types into.
TEST(StopControlsTest, WithoutLayerShellAWaylandToolkitShowsNone) {
  EXPECT_EQ(StopControls::surface(run(true, false, false), waylandWithout), Surface::none);
  EXPECT_EQ(StopControls::surface(run(true, false, false), Toolkit{}), Surface::none);
}

// Catches a stop key named where it was not grabbed, and one promised to work in a native
// Wayland window, which it cannot see.
TEST(StopControlsTest, TheNoteNamesTheKeyOnlyWhereItWorks) {
  EXPECT_EQ(StopControls::stopKeyNote("Ctrl+Alt+Shift+Escape", run(false, true, true)),
            "Ctrl+Alt+Shift+Escape ends the run");
  EXPECT_EQ(StopControls::stopKeyNote("Ctrl+Alt+Shift+Escape", run(true, false, true)),
            "Ctrl+Alt+Shift+Escape ends the run in X11 windows");
  EXPECT_EQ(StopControls::stopKeyNote("Ctrl+Alt+Shift+Escape", run(false, true, false)), "");
}

// Catches a notice promising a way to end the run that this run does not offer (the icon where
// no notification area is, the key where it was not grabbed), and one offering none at all.
TEST(StopControlsTest, HowToStopListsEveryWayThisRunOffers) {
  const std::tuple<StopControls::Run, Surface, const char*> cases[] = {
      {run(false, true, true), Surface::none, "To end the run, press Ctrl+Alt+Shift+Escape or click Zentak's icon."},
      {run(true, true, true), Surface::layerShell,
       "To end the run, press Ctrl+Alt+Shift+Escape in an X11 window, click Zentak's icon or click \"End "
       "Sequence Now\" at the top right."},
      {run(false, false, false), Surface::x11Window, "To end the run, click \"End Sequence Now\" at the top right."},
      {run(true, false, false), Surface::none, "To end the run, end Zentak."},
  };
  for (const auto& [r, surface, text] : cases) {
    EXPECT_EQ(StopControls::howToStop("Ctrl+Alt+Shift+Escape", r, surface), text);
  }
}

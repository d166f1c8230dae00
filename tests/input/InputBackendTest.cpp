// Which input service a run types through, and what the user is told about it.

#include "input/InputBackend.h"

#include <gtest/gtest.h>

#include <string>

using InputBackend::Choice;
using InputBackend::Used;

// Catches a Wayland session that goes straight to XTest (reaching X11 windows only), and a
// user's choice that is not honoured.
TEST(InputBackendTest, WaylandIsProbedFirstInAWaylandSessionUnlessTheUserChoseOtherwise) {
  EXPECT_TRUE(InputBackend::plan(Choice::automatic, true).tryWayland);
  EXPECT_TRUE(InputBackend::plan(Choice::automatic, true).tryX11);
  EXPECT_FALSE(InputBackend::plan(Choice::automatic, false).tryWayland);
  EXPECT_TRUE(InputBackend::plan(Choice::automatic, false).tryX11);
  EXPECT_FALSE(InputBackend::plan(Choice::x11, true).tryWayland);
  EXPECT_TRUE(InputBackend::plan(Choice::wayland, false).tryWayland);
  EXPECT_FALSE(InputBackend::plan(Choice::wayland, false).tryX11);
}

// Catches KWin's fake input or the portal never probed on their desktops, either probed outside
// a Wayland session (the portal would ask a consent for what XTest does unasked), mutter's
// unstable interface picked without being chosen, and a chosen service that others stand in for.
TEST(InputBackendTest, EachServiceIsProbedWhereItBelongsOrWhenChosen) {
  struct Case {
    Choice choice;
    bool waylandSession;
    InputBackend::Plan expected;
  };
  const Case cases[] = {
      {Choice::automatic, true, {.tryWayland = true, .tryX11 = true, .tryKde = true, .tryPortal = true}},
      {Choice::automatic, false, {.tryX11 = true}},
      {Choice::wayland, true, {.tryWayland = true}},
      {Choice::kde, false, {.tryKde = true}},
      {Choice::portal, true, {.tryPortal = true}},
      {Choice::mutter, true, {.tryMutter = true}},
      {Choice::mutter, false, {.tryMutter = true}},
  };
  for (const Case& c : cases) {
    const InputBackend::Plan plan = InputBackend::plan(c.choice, c.waylandSession);
    SCOPED_TRACE(std::string(InputBackend::format(c.choice)) + (c.waylandSession ? " on Wayland" : " on X11"));
    EXPECT_EQ(plan.tryWayland, c.expected.tryWayland);
    EXPECT_EQ(plan.tryX11, c.expected.tryX11);
    EXPECT_EQ(plan.tryKde, c.expected.tryKde);
    EXPECT_EQ(plan.tryPortal, c.expected.tryPortal);
    EXPECT_EQ(plan.tryMutter, c.expected.tryMutter);
  }
  EXPECT_TRUE(InputBackend::notice(Used::none, Choice::kde, true)) << "a refused grant must be told";
  EXPECT_FALSE(InputBackend::notice(Used::kde, Choice::automatic, true));
  EXPECT_NE(InputBackend::name(Used::kde), InputBackend::name(Used::wayland));
}

// Catches a setting text read as another service, or one the program writes but cannot read.
TEST(InputBackendTest, SettingTextsReadBack) {
  for (const Choice choice : {Choice::automatic, Choice::wayland, Choice::x11, Choice::kde, Choice::portal, Choice::mutter}) {
    EXPECT_EQ(InputBackend::parse(InputBackend::format(choice)), choice);
  }
  EXPECT_FALSE(InputBackend::parse("Wayland "));
  EXPECT_FALSE(InputBackend::parse(""));
}

// Catches silence where the user's windows would receive nothing, and a warning where they do.
TEST(InputBackendTest, TheUserIsToldOnlyWhenWindowsReceiveNothing) {
  EXPECT_TRUE(InputBackend::notice(Used::none, Choice::automatic, false));
  EXPECT_TRUE(InputBackend::notice(Used::none, Choice::wayland, true));
  EXPECT_TRUE(InputBackend::notice(Used::x11, Choice::automatic, true));
  EXPECT_FALSE(InputBackend::notice(Used::x11, Choice::x11, true));
  EXPECT_FALSE(InputBackend::notice(Used::x11, Choice::automatic, false));
  EXPECT_FALSE(InputBackend::notice(Used::wayland, Choice::automatic, true));
  EXPECT_NE(InputBackend::name(Used::wayland), InputBackend::name(Used::x11));
}

// Catches a run on GNOME's remote desktop left without the stop window, whose stop key sees
// only X11 windows.
TEST(InputBackendTest, EveryWaylandServiceCountsAsOne) {
  for (const Used used : {Used::wayland, Used::portal, Used::mutter}) {
    EXPECT_TRUE(InputBackend::typesIntoWaylandWindows(used));
  }
  EXPECT_FALSE(InputBackend::typesIntoWaylandWindows(Used::x11));
  EXPECT_FALSE(InputBackend::typesIntoWaylandWindows(Used::none));
}

#include "keys/Player.h"

#include <gtest/gtest.h>

#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/RecordingInjector.h"
#include "keys/StopSignal.h"
#include "keys/UsLayout.h"

namespace {

class PlayerTest : public ::testing::Test {
 protected:
  std::string play(std::string_view text) {
    KeyActions list;
    parser.parseKeys(text, list);
    injector.events.clear();
    player.playKeys(list);
    return injector.describe();
  }

  KeyTokens tokens;
  UsLayout layout;
  KeyParser parser{tokens, layout};
  RecordingInjector injector;
  Player player{injector};
};

}  // namespace

TEST_F(PlayerTest, AnEmptyListInjectsNothing) {
  player.playKeys({});
  EXPECT_TRUE(injector.events.empty());
}

TEST_F(PlayerTest, ModifierCodesPressAndReleaseTheirKeys) {
  player.playKeys({151, 67, 152});
  EXPECT_EQ(injector.describe(), "K 17 down\nK 67 down\nK 67 up\nK 17 up\n");
  EXPECT_EQ(play("<ALT-DOWN><SHIFT-DOWN><SHIFT-UP><ALT-UP>"), "K 18 down\nK 16 down\nK 16 up\nK 18 up\n");
}

TEST_F(PlayerTest, EveryListEndsWithOneFlush) {
  play("ab<MOUSE-LEFT-CLICK 1 2>");
  ASSERT_FALSE(injector.events.empty());
  EXPECT_EQ(injector.events.back().kind, RecordingInjector::Event::Kind::flush);
  EXPECT_EQ(std::count_if(injector.events.begin(), injector.events.end(),
                          [](const auto& e) { return e.kind == RecordingInjector::Event::Kind::flush; }),
            1);
}

TEST_F(PlayerTest, ShiftedCharactersAreWrappedInShift) {
  EXPECT_EQ(play("aB"), "K 65 down\nK 65 up\nK 16 down\nK 66 down\nK 66 up\nK 16 up\n");
}

TEST_F(PlayerTest, MouseTokens) {
  EXPECT_EQ(play("<MOUSE-LEFT-CLICK 0 0>"), "M left down 0 0\nM left up 0 0\n");
  EXPECT_EQ(play("<MOUSE-RIGHT-CLICK 1023 767>"), "M right down 1023 767\nM right up 1023 767\n");
  EXPECT_EQ(play("<MOUSE-MIDDLE-CLICK -300 70000>"), "M middle down -300 70000\nM middle up -300 70000\n");
  EXPECT_EQ(play("<MOUSE-LEFT-DOWN 1 2><MOUSE-LEFT-UP 3 4>"), "M left down 1 2\nM left up 3 4\n");
  EXPECT_EQ(play("<MOUSE-RIGHT-DOWN 5 6><MOUSE-RIGHT-UP 7 8>"), "M right down 5 6\nM right up 7 8\n");
  EXPECT_EQ(play("<MOUSE-MIDDLE-DOWN 9 10><MOUSE-MIDDLE-UP 11 12>"), "M middle down 9 10\nM middle up 11 12\n");
  EXPECT_EQ(play("<MOUSE-LEFT-CLICK 5 6>x"), "M left down 5 6\nM left up 5 6\nK 88 down\nK 88 up\n");
}

TEST_F(PlayerTest, TypeCharacterCodeReachesTheInjector) {
  EXPECT_EQ(play("a\xE2\x82\xAC" "b"), "K 65 down\nK 65 up\nT 8364\nK 66 down\nK 66 up\n");
}

// Catches characters the injector is not told of ahead, and mouse coordinates read as characters.
TEST_F(PlayerTest, TheInjectorLearnsTheListsCharactersAhead) {
  play("<MOUSE-LEFT-CLICK 157 157>\xE2\x82\xAC" "x\xE4\xB8\xAD");
  EXPECT_EQ(injector.expected, U"\u20ac\u4e2d");
}

TEST_F(PlayerTest, CutShortListsStopAtTheirEnd) {
  player.playKeys({KeyCode::mouseLeftClick, 0, 5});
  EXPECT_EQ(injector.describe(), "M left down 5 0\nM left up 5 0\n");
  injector.events.clear();
  player.playKeys({65, KeyCode::typeChar, 0x41, 0});
  EXPECT_EQ(injector.describe(), "K 65 down\nK 65 up\n");
}

TEST_F(PlayerTest, HeldKeysAndButtonsAreReleasedOnRequest) {
  play("<SHIFT-DOWN>a");
  EXPECT_TRUE(player.holdsAnything());
  play("<CTRL-DOWN><MOUSE-LEFT-DOWN 40 50><MOUSE-MIDDLE-DOWN 1 1><MOUSE-MIDDLE-UP 2 2>");
  injector.events.clear();
  player.releaseAll();
  EXPECT_EQ(injector.describe(), "M left up 40 50\nK 16 up\nK 17 up\n");
  EXPECT_FALSE(player.holdsAnything());
  injector.events.clear();
  player.releaseAll();
  EXPECT_TRUE(injector.events.empty());
}

TEST_F(PlayerTest, AReleasedModifierIsNoLongerHeld) {
  play("<SHIFT-DOWN>a<SHIFT-UP><CTRL>");
  EXPECT_FALSE(player.holdsAnything());
}

// Catches a stop seen only after the whole text, or a later text typed while the stop stands:
// the user's chord would modify all of it.
TEST(PlayerStopTest, ARaisedStopEndsTheTextBetweenTwoActions) {
  // Raises the stop as the second character goes out.
  struct StoppingInjector final : RecordingInjector {
    void typeChar(char32_t c) override {
      RecordingInjector::typeChar(c);
      if (events.size() == 2) stop.raise();
    }
    StopSignal stop;
  } injector;
  Player player(injector, &injector.stop);
  player.playKeys({KeyCode::typeChar, 'a', 0, 0, 0, KeyCode::typeChar, 'b', 0, 0, 0, KeyCode::typeChar, 'c', 0, 0, 0});
  EXPECT_EQ(injector.describe(), "T 97\nT 98\n");
  player.playKeys({KeyCode::typeChar, 'd', 0, 0, 0});
  EXPECT_EQ(injector.describe(), "T 97\nT 98\n");
  injector.stop.lower();
  player.playKeys({KeyCode::typeChar, 'e', 0, 0, 0});
  EXPECT_EQ(injector.describe(), "T 97\nT 98\nT 101\n");
}

// Catches a text typed in slices that loses, doubles or reorders an action at a slice's edge (a
// character's code point or a click's coordinates cut in two), a slice that types nothing when
// its time is already up (the text would never end), and a stop that a slice does not end at
// once: each call here has no time, so it types one action.
TEST_F(PlayerTest, ATextPlayedASliceAtATimeComesOutAsAWholeOneAndAStopEndsIt) {
  KeyActions list;
  parser.parseKeys("a\u20acB<MOUSE-LEFT-CLICK 7 -8><CTRL-DOWN>c", list);
  player.playKeys(list);
  const std::string whole = injector.describe();
  injector.events.clear();
  std::size_t calls = 0;
  for (std::size_t from = 0; from < list.size(); ++calls) {
    const std::size_t next = player.playSome(list, from, Player::Clock::now());
    ASSERT_GT(next, from);
    from = next;
  }
  EXPECT_EQ(injector.describe(), whole);
  EXPECT_EQ(calls, 8U);
  EXPECT_EQ(injector.expected, U"\u20ac");

  StopSignal stop;
  Player stopped(injector, &stop);
  injector.events.clear();
  const std::size_t after = stopped.playSome(list, 0, Player::Clock::now());
  stop.raise();
  EXPECT_EQ(stopped.playSome(list, after, Player::Clock::time_point::max()), list.size());
  EXPECT_EQ(injector.describe(), "K 65 down\nK 65 up\n");
}

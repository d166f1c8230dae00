// The keymap a virtual keyboard types with, compiled from real layouts: which key and level
// types a character, where virtual-key codes land, and the keys added for characters a layout
// lacks.

#include "keys/VirtualKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <set>
#include <utility>
#include <vector>

namespace {

constexpr std::uint8_t altGr = KeyMod::ctrl | KeyMod::alt;

std::uint32_t keycodeNamed(const VirtualKeymap& keymap, const char* name) {
  return xkb_keymap_key_by_name(keymap.layoutKeymap(), name);
}

// Every keysym of every key, layout and level of a keymap.
std::vector<std::vector<xkb_keysym_t>> allSyms(xkb_keymap* map, std::uint32_t lastKeycode) {
  std::vector<std::vector<xkb_keysym_t>> result;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(map); code <= lastKeycode; ++code) {
    std::vector<xkb_keysym_t> key;
    for (xkb_layout_index_t layout = 0; layout < xkb_keymap_num_layouts_for_key(map, code); ++layout) {
      for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(map, code, layout); ++level) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(map, code, layout, level, &syms);
        key.insert(key.end(), syms, syms + count);
        key.push_back(XKB_KEY_NoSymbol);
      }
    }
    result.push_back(key);
  }
  return result;
}

// Catches a lookup that answers with the US key instead of the layout's, or with the wrong level.
TEST(VirtualKeymapTest, CharactersMapToTheKeyAndLevelOfEachLayout) {
  struct Case {
    const char* layout;
    char32_t c;
    KeyScan expected;
  };
  const std::vector<Case> cases = {
      {"us", U'a', {'A', 0}},          {"us", U'A', {'A', KeyMod::shift}},   {"us", U'@', {'2', KeyMod::shift}},
      {"us", U' ', {' ', 0}},          {"de", U'z', {'Y', 0}},               {"de", U'@', {'Q', altGr}},
      {"de", U'ä', {222, 0}},          {"de", U'€', {'E', altGr}},           {"de", U'Ä', {222, KeyMod::shift}},
      {"fr", U'a', {'Q', 0}},          {"fr", U'1', {'1', KeyMod::shift}},   {"fr", U'é', {'2', 0}},
      {"ru", U'й', {'Q', 0}},          {"ru", U'Я', {'Z', KeyMod::shift}},   {"ru", U'.', {191, 0}},
  };
  for (const Case& test : cases) {
    const VirtualKeymap keymap = VirtualKeymap::fromLayout(test.layout);
    EXPECT_EQ(keymap.keyScan(test.c), test.expected) << test.layout << " U+" << std::hex << unsigned(test.c);
  }
}

// Catches characters off the main block or beyond Shift and AltGr being offered as key scans,
// which the parser would then type as the wrong key.
TEST(VirtualKeymapTest, CharactersOutsideTheTypingBlockAreNoKeyScans) {
  const VirtualKeymap de = VirtualKeymap::fromLayout("de");
  EXPECT_FALSE(de.keyScan(U'中'));
  EXPECT_FALSE(de.keyScan(U'\t'));
  // The keypad's digits sit off the main block: typed, but not as a key scan.
  const VirtualKeymap us = VirtualKeymap::fromLayout("us");
  ASSERT_NE(us.strokeFor(U'/'), nullptr);
  EXPECT_EQ(us.strokeFor(U'/')->keycode, keycodeNamed(us, "AB10"));
}

// Catches virtual-key codes landing on the key that types their letter on a foreign layout
// rather than on their position, and named keys that find no key.
TEST(VirtualKeymapTest, VirtualKeysLandOnTheirPositionOrTheirKeysym) {
  const VirtualKeymap de = VirtualKeymap::fromLayout("de");
  EXPECT_EQ(de.keycodeForVk('Z'), keycodeNamed(de, "AB01"));
  EXPECT_EQ(de.keycodeForVk('Y'), keycodeNamed(de, "AD06"));
  EXPECT_EQ(de.keycodeForVk(116), keycodeNamed(de, "FK05"));
  // Keypad digits need Num Lock on the keypad: they get keys of their own instead.
  EXPECT_FALSE(de.keycodeForVk(97));
  EXPECT_EQ(de.keycodeForVk(13), keycodeNamed(de, "RTRN"));
  EXPECT_EQ(de.keycodeForVk(16), keycodeNamed(de, "LFSH"));
  // Right Alt is AltGr on this layout: a level-3 shift key stands in for it.
  const std::optional<std::uint32_t> rightAlt = de.keycodeForVk(165);
  ASSERT_TRUE(rightAlt);
  const xkb_keysym_t* syms = nullptr;
  ASSERT_EQ(xkb_keymap_key_get_syms_by_level(de.layoutKeymap(), *rightAlt, 0, 0, &syms), 1);
  EXPECT_EQ(syms[0], XKB_KEY_ISO_Level3_Shift);
  EXPECT_FALSE(de.keycodeForVk(0));
}

// Catches an added key that takes a keycode the layout uses, changes what the layout's own keys
// type, or yields a keymap text the compositor cannot compile.
TEST(VirtualKeymapTest, AddedCharactersGetKeysOfTheirOwnAndTheLayoutKeepsItsKeys) {
  VirtualKeymap de = VirtualKeymap::fromLayout("de");
  const std::uint32_t lastLayoutKeycode = xkb_keymap_max_keycode(de.layoutKeymap());
  const auto before = allSyms(de.layoutKeymap(), lastLayoutKeycode);

  EXPECT_EQ(de.add(U'a'), keycodeNamed(de, "AC01"));
  const std::uint32_t middle = de.add(U'中');
  const std::uint32_t smile = de.add(U'😀');
  ASSERT_NE(middle, 0U);
  ASSERT_NE(smile, 0U);
  EXPECT_NE(middle, smile);
  EXPECT_EQ(de.add(U'中'), middle);
  EXPECT_EQ(xkb_keymap_num_layouts_for_key(de.layoutKeymap(), middle), 0U);
  EXPECT_EQ(de.add(U'\x07'), 0U);

  const VirtualKeymap extended(de.text());
  // Passed on by the compositor, the keymap is still known for its owner's; the layout's and
  // another owner's are not.
  EXPECT_TRUE(de.isOwn(extended.layoutText()));
  EXPECT_FALSE(de.isOwn(de.layoutText()));
  VirtualKeymap other = VirtualKeymap::fromLayout("de");
  other.setOwner("another");
  EXPECT_FALSE(de.isOwn(other.text()));
  ASSERT_NE(extended.strokeFor(U'中'), nullptr);
  EXPECT_EQ(extended.strokeFor(U'中')->keycode, middle);
  EXPECT_EQ(extended.strokeFor(U'中')->mods, 0U);
  ASSERT_NE(extended.strokeFor(U'😀'), nullptr);
  EXPECT_EQ(extended.strokeFor(U'😀')->keycode, smile);
  auto after = allSyms(extended.layoutKeymap(), lastLayoutKeycode);
  after[middle - xkb_keymap_min_keycode(de.layoutKeymap())] = {};
  after[smile - xkb_keymap_min_keycode(de.layoutKeymap())] = {};
  EXPECT_EQ(after, before);
}

// The keycodes up to 255 a layout leaves without symbols: those added keys may take.
std::size_t freeXKeycodes(const VirtualKeymap& keymap) {
  xkb_keymap* map = keymap.layoutKeymap();
  std::size_t count = 0;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(map); code <= 255; ++code) {
    if (code > xkb_keymap_max_keycode(map) || xkb_keymap_num_layouts_for_key(map, code) == 0) ++count;
  }
  return count;
}

constexpr char32_t firstHan = 0x4e00;
char32_t han(std::size_t i) { return firstHan + static_cast<char32_t>(i); }

// Catches added keys going past keycode 255, which X clients under XWayland never receive, and
// a limit on added characters once the free keycodes run out.
TEST(VirtualKeymapTest, AddedKeysStayWithinTheXKeycodes) {
  for (const char* layout : {"us", "de"}) {
    VirtualKeymap keymap = VirtualKeymap::fromLayout(layout);
    const std::uint32_t lastLayoutKeycode = xkb_keymap_max_keycode(keymap.layoutKeymap());
    const auto before = allSyms(keymap.layoutKeymap(), lastLayoutKeycode);
    const std::size_t count = freeXKeycodes(keymap) * 3;
    std::set<std::uint32_t> keycodes;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t keycode = keymap.add(han(i));
      ASSERT_NE(keycode, 0U) << layout << " " << i;
      EXPECT_LE(keycode, 255U) << layout << " " << i;
      keycodes.insert(keycode);
    }
    EXPECT_EQ(keycodes.size(), freeXKeycodes(keymap)) << layout;

    // The last characters added are the ones bound, and the layout's keys type what they did.
    const VirtualKeymap extended(keymap.text());
    for (std::size_t i = count - keycodes.size(); i < count; ++i) {
      ASSERT_NE(extended.strokeFor(han(i)), nullptr) << layout << " " << i;
      EXPECT_EQ(extended.strokeFor(han(i))->keycode, keymap.strokeFor(han(i))->keycode) << layout << " " << i;
    }
    EXPECT_EQ(extended.strokeFor(han(0)), nullptr) << layout;
    auto after = allSyms(extended.layoutKeymap(), lastLayoutKeycode);
    for (const std::uint32_t keycode : keycodes) {
      if (keycode <= lastLayoutKeycode) after[keycode - xkb_keymap_min_keycode(keymap.layoutKeymap())] = {};
    }
    EXPECT_EQ(after, before) << layout;
  }
}

// Catches a re-binding that takes the key just typed (an X client may still be looking it up)
// or a character's key that moves while it stays bound.
TEST(VirtualKeymapTest, TheLeastRecentlyUsedAddedKeyIsTakenOver) {
  VirtualKeymap us = VirtualKeymap::fromLayout("us");
  const std::size_t count = freeXKeycodes(us);
  std::vector<std::uint32_t> keycodes;
  for (std::size_t i = 0; i < count; ++i) keycodes.push_back(us.add(han(i)));
  EXPECT_EQ(us.add(han(0)), keycodes[0]);
  us.use(keycodes[1]);

  EXPECT_EQ(us.add(han(count)), keycodes[2]);
  EXPECT_EQ(us.strokeFor(han(2)), nullptr);
  EXPECT_EQ(us.add(han(count + 1)), keycodes[3]);
  EXPECT_EQ(us.add(han(0)), keycodes[0]);
  EXPECT_EQ(us.add(han(1)), keycodes[1]);
  // A character taken off its key gets the least recently used one when it comes back.
  EXPECT_EQ(us.add(han(2)), keycodes[4]);

  const VirtualKeymap extended(us.text());
  for (const auto& [c, keycode] : {std::pair{han(count), keycodes[2]}, std::pair{han(2), keycodes[4]}}) {
    ASSERT_NE(extended.strokeFor(c), nullptr);
    EXPECT_EQ(extended.strokeFor(c)->keycode, keycode);
  }
  EXPECT_EQ(extended.strokeFor(han(4)), nullptr);
}

// Catches a held key re-bound under the user's finger, so that its release types nothing or
// lifts another character.
TEST(VirtualKeymapTest, AHeldAddedKeyIsNeverTakenOver) {
  VirtualKeymap us = VirtualKeymap::fromLayout("us");
  const std::size_t count = freeXKeycodes(us);
  const std::uint32_t held = us.addKeysym(XKB_KEY_F35);
  us.setHeld(held, true);
  for (std::size_t i = 0; i < count * 2; ++i) EXPECT_NE(us.add(han(i)), held) << i;
  EXPECT_EQ(us.addKeysym(XKB_KEY_F35), held);

  // With every added key held, a new character gets none rather than a held one.
  std::vector<std::uint32_t> keycodes;
  for (std::size_t i = 0; i + 1 < count; ++i) keycodes.push_back(us.add(han(i + count * 2)));
  for (const std::uint32_t keycode : keycodes) us.setHeld(keycode, true);
  EXPECT_EQ(us.add(U'😀'), 0U);
  us.setHeld(keycodes[5], false);
  EXPECT_EQ(us.add(U'😀'), keycodes[5]);
}

// Catches named keys a layout lacks (F13 and up on some) being dropped instead of added.
TEST(VirtualKeymapTest, AKeysymTheLayoutLacksIsAdded) {
  VirtualKeymap us = VirtualKeymap::fromLayout("us");
  const std::uint32_t keycode = us.addKeysym(XKB_KEY_F35);
  ASSERT_NE(keycode, 0U);
  EXPECT_EQ(us.addKeysym(XKB_KEY_F35), keycode);
  EXPECT_EQ(us.addKeysym(XKB_KEY_Return), keycodeNamed(us, "RTRN"));
  const VirtualKeymap extended(us.text());
  const xkb_keysym_t* syms = nullptr;
  ASSERT_EQ(xkb_keymap_key_get_syms_by_level(extended.layoutKeymap(), keycode, 0, 0, &syms), 1);
  EXPECT_EQ(syms[0], XKB_KEY_F35);
}

}  // namespace

// The keymap a virtual keyboard types with, compiled from real layouts: which key and level
// types a character, where virtual-key codes land, and the keys added for characters a layout
// lacks.

#include "keys/VirtualKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <set>
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

// Catches a limit on added characters (the keycodes a layout leaves free run out after a few
// dozen) and added keys that collide once they go past the X keycode range.
TEST(VirtualKeymapTest, AddedKeysGoOnPastTheFreeKeycodes) {
  VirtualKeymap us = VirtualKeymap::fromLayout("us");
  std::set<std::uint32_t> keycodes;
  constexpr char32_t first = 0x4e00;
  constexpr int count = 400;
  for (int i = 0; i < count; ++i) keycodes.insert(us.add(first + static_cast<char32_t>(i)));
  EXPECT_EQ(keycodes.size(), static_cast<std::size_t>(count));
  EXPECT_FALSE(keycodes.contains(0));
  EXPECT_GT(*keycodes.rbegin(), 255U);

  const VirtualKeymap extended(us.text());
  for (int i = 0; i < count; ++i) {
    const VirtualKeymap::Stroke* stroke = extended.strokeFor(first + static_cast<char32_t>(i));
    ASSERT_NE(stroke, nullptr) << i;
    EXPECT_EQ(stroke->keycode, us.strokeFor(first + static_cast<char32_t>(i))->keycode) << i;
  }
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

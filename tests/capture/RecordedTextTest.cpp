#include "capture/RecordedText.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <string>
#include <variant>
#include <vector>

namespace {

using Input = std::variant<RecordedText::Key, RecordedText::Button>;

// A key typing a character; shifted when Shift chose its level.
Input typed(std::uint32_t keysym, char32_t c, bool shifted = false, bool pressed = true) {
  return RecordedText::Key{pressed, keysym, keysym, c, shifted};
}
Input down(std::uint32_t keysym) { return RecordedText::Key{true, keysym, keysym, 0, false}; }
Input up(std::uint32_t keysym) { return RecordedText::Key{false, keysym, keysym, 0, false}; }
Input press(int button, std::int32_t x, std::int32_t y) { return RecordedText::Button{true, button, x, y}; }
Input release(int button, std::int32_t x, std::int32_t y) { return RecordedText::Button{false, button, x, y}; }

struct Case {
  // The fault the case would catch.
  const char* fault;
  std::vector<Input> inputs;
  std::string expected;
};

void feed(RecordedText& text, const std::vector<Input>& inputs) {
  for (const Input& input : inputs) {
    if (const auto* key = std::get_if<RecordedText::Key>(&input)) {
      text.key(*key);
    } else {
      text.button(std::get<RecordedText::Button>(input));
    }
  }
}

std::string record(const std::vector<Input>& inputs) {
  RecordedText text(StopChord::standard());
  feed(text, inputs);
  return text.text();
}

const std::uint32_t a = XKB_KEY_a;
const std::uint32_t shiftL = XKB_KEY_Shift_L;
const std::uint32_t ctrlL = XKB_KEY_Control_L;
const std::uint32_t altL = XKB_KEY_Alt_L;

}  // namespace

TEST(RecordedTextTest, InputsBecomeTheTokenTextThatTypesThemAgain) {
  const std::vector<Case> cases{
      {"characters lost or their level written as Shift", {down(shiftL), typed(XKB_KEY_H, U'H', true), up(shiftL),
        typed(a, U'a'), typed(XKB_KEY_eacute, U'é'), typed(XKB_KEY_EuroSign, U'€')}, "Haé€"},
      {"Caps Lock written although the capital shows it", {down(XKB_KEY_Caps_Lock), typed(XKB_KEY_A, U'A'),
        up(XKB_KEY_Caps_Lock)}, "A"},
      {"AltGr written although the character shows it", {down(XKB_KEY_ISO_Level3_Shift), typed(XKB_KEY_at, U'@'),
        up(XKB_KEY_ISO_Level3_Shift)}, "@"},
      {"named keys written as characters (Enter as CR) or by a long alias",
       {typed(XKB_KEY_Return, U'\r'), typed(XKB_KEY_Tab, U'\t'), down(XKB_KEY_F5), down(XKB_KEY_Escape),
        down(XKB_KEY_Left), down(XKB_KEY_KP_Enter), down(XKB_KEY_KP_7)},
       "<ENTER><TAB><F5><ESC><LEFT><ENTER><KEYPAD7>"},
      {"Ctrl held around a key not written as DOWN and UP", {down(ctrlL), typed(a, U'a'), up(ctrlL)},
       "<CTRL-DOWN>a<CTRL-UP>"},
      {"Shift with an arrow lost, since no character shows it",
       {down(shiftL), down(XKB_KEY_Right), up(shiftL)}, "<SHIFT-DOWN><RIGHT><SHIFT-UP>"},
      {"Shift+Tab's own keysym played as a plain Tab", {down(shiftL), RecordedText::Key{true, XKB_KEY_ISO_Left_Tab, XKB_KEY_Tab, 0, true}, up(shiftL)},
       "<SHIFT-DOWN><TAB><SHIFT-UP>"},
      {"a modifier pressed alone lost or held", {down(altL), up(altL), down(XKB_KEY_Shift_R), up(XKB_KEY_Shift_R)},
       "<ALT><R-SHIFT>"},
      {"a button let go where pressed not written as a click, or one dragged as a click",
       {press(1, 10, 20), release(1, 10, 20), press(3, 5, 5), release(3, 50, 60)},
       "<MOUSE-LEFT-CLICK 10 20><MOUSE-RIGHT-DOWN 5 5><MOUSE-RIGHT-UP 50 60>"},
      {"a key between a button's press and release written before the press",
       {press(2, 1, 2), typed(a, U'a'), release(2, 1, 2)}, "<MOUSE-MIDDLE-DOWN 1 2>a<MOUSE-MIDDLE-UP 1 2>"},
      {"Ctrl+click loses its Ctrl", {down(ctrlL), press(1, 7, 8), release(1, 7, 8), up(ctrlL)},
       "<CTRL-DOWN><MOUSE-LEFT-CLICK 7 8><CTRL-UP>"},
      {"a key without token or character lost silently", {down(XKB_KEY_XF86AudioMute), press(4, 0, 0),
        release(4, 0, 0), down(XKB_KEY_Super_L), typed(a, U'a'), up(XKB_KEY_Super_L)},
       "<NO-TOKEN XF86AudioMute><NO-TOKEN Button4><NO-TOKEN Super_L>a"},
      {"a < written so that it opens a token", {typed(XKB_KEY_less, U'<'), down(XKB_KEY_F1), typed(XKB_KEY_less, U'<'),
        typed(a, U'a'), typed(XKB_KEY_less, U'<')}, "<<F1><NO-TOKEN less>a<"},
      {"the stop chord, or its modifiers, recorded", {typed(a, U'a'), down(ctrlL), down(altL), down(shiftL),
        down(XKB_KEY_Escape), typed(a, U'a')}, "a"},
      {"keys held at the chord left down when played", {down(ctrlL), typed(a, U'a'), down(altL), down(shiftL),
        down(XKB_KEY_Escape), press(1, 3, 4)}, "<CTRL-DOWN>a<CTRL-UP>"},
      {"a button held at the end left down when played", {press(1, 3, 4)}, "<MOUSE-LEFT-CLICK 3 4>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(record(c.inputs), c.expected) << c.fault;
  }
}

// Catches the click on the recorder's own stop button kept in the text, whether its release
// came before the end or not, or an earlier click dropped in its place.
TEST(RecordedTextTest, TheEndingClickIsLeftOut) {
  for (const bool released : {false, true}) {
    RecordedText text(StopChord::standard());
    feed(text, {press(1, 1, 1), release(1, 1, 1), typed(a, U'a'), press(1, 9, 9)});
    if (released) feed(text, {release(1, 9, 9)});
    text.dropLastClick();
    EXPECT_EQ(text.text(), "<MOUSE-LEFT-CLICK 1 1>a") << released;
  }
}

#include "capture/RecordedText.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <map>

#include "keys/KeyPositions.h"
#include "keys/KeyTextCheck.h"
#include "keys/KeyTokens.h"
#include "text/Utf8.h"

namespace {

// The token of each named key, by its keysym: the shortest of a key's names ("<ENTER>" rather
// than "<RETURN>", "<ESC>" rather than "<ESCAPE>").
const std::map<std::uint32_t, std::string>& namedTokens() {
  static const std::map<std::uint32_t, std::string> table = [] {
    std::map<std::uint32_t, std::string> byKeysym;
    const KeyTokens tokens;
    for (const auto& [token, code] : tokens.entries()) {
      const std::uint32_t keysym = KeyPositions::namedKeysym(code);
      if (keysym == XKB_KEY_NoSymbol) continue;
      const auto [it, added] = byKeysym.emplace(keysym, token);
      if (!added && token.size() < it->second.size()) it->second = token;
    }
    // The keypad's Enter is the same key to a window.
    byKeysym.emplace(XKB_KEY_KP_Enter, byKeysym.at(XKB_KEY_Return));
    return byKeysym;
  }();
  return table;
}

struct ModifierKey {
  std::uint32_t keysym;
  std::size_t modifier;
  bool right;
};

// Ctrl, Alt, Shift and Super, in the order of RecordedText::Modifier.
constexpr std::array<ModifierKey, 10> modifierKeys{{
    {XKB_KEY_Control_L, 0, false},
    {XKB_KEY_Control_R, 0, true},
    {XKB_KEY_Alt_L, 1, false},
    {XKB_KEY_Alt_R, 1, true},
    {XKB_KEY_Meta_L, 1, false},
    {XKB_KEY_Meta_R, 1, true},
    {XKB_KEY_Shift_L, 2, false},
    {XKB_KEY_Shift_R, 2, true},
    {XKB_KEY_Super_L, 3, false},
    {XKB_KEY_Super_R, 3, true},
}};

// Keys whose effect shows in the characters typed, or which choose a level: AltGr and the locks.
bool showsInCharacters(std::uint32_t keysym) {
  return keysym == XKB_KEY_Caps_Lock || keysym == XKB_KEY_Shift_Lock || keysym == XKB_KEY_Num_Lock ||
         keysym == XKB_KEY_Mode_switch || (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock);
}

constexpr std::array<const char*, 3> downTokens{"<CTRL-DOWN>", "<ALT-DOWN>", "<SHIFT-DOWN>"};
constexpr std::array<const char*, 3> upTokens{"<CTRL-UP>", "<ALT-UP>", "<SHIFT-UP>"};
constexpr std::array<const char*, 3> tapTokens{"<CTRL>", "<ALT>", "<SHIFT>"};
constexpr std::array<const char*, 3> rightTapTokens{"<R-CTRL>", "<R-ALT>", "<R-SHIFT>"};

constexpr std::size_t shiftIndex = 2;
constexpr std::size_t superIndex = 3;

std::string noToken(const std::string& name) { return std::string(KeyTextCheck::noTokenPrefix) + name + ">"; }

std::string keysymName(std::uint32_t keysym) {
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return "unknown";
  return name.data();
}

std::string buttonToken(int button, const char* action, std::int32_t x, std::int32_t y) {
  static constexpr std::array<const char*, 4> names{"", "LEFT", "MIDDLE", "RIGHT"};
  return std::string("<MOUSE-") + names[static_cast<std::size_t>(button)] + "-" + action + " " + std::to_string(x) +
         " " + std::to_string(y) + ">";
}

bool hasToken(int button) { return button >= 1 && button <= 3; }

}  // namespace

RecordedText::RecordedText(const StopChord& stopChord) : chord(stopChord) {}

void RecordedText::write(const std::string& piece) {
  if (lessPending) {
    // Before anything but another "<", a "<" would open a token; the language cannot write it.
    out += piece.starts_with('<') ? "<" : noToken("less");
    lessPending = false;
  }
  lastClick.reset();
  if (piece == "<") {
    lessPending = true;
    return;
  }
  out += piece;
}

bool RecordedText::chordHeld() const {
  const std::uint8_t wanted = chord.modifiers();
  const std::array<std::uint8_t, 4> bits{StopChord::ctrl, StopChord::alt, StopChord::shift, StopChord::super};
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if ((wanted & bits[i]) != 0 && modifiers[i].held == Held::up) return false;
  }
  return true;
}

void RecordedText::flushModifiers(bool shiftShown) {
  for (std::size_t i = 0; i < modifiers.size(); ++i) {
    ModifierState& state = modifiers[i];
    const bool shift = i == shiftIndex;
    if (state.held == Held::pending || (state.held == Held::shownInCharacters && !shiftShown)) {
      if (shift && shiftShown) {
        state.held = Held::shownInCharacters;
        continue;
      }
      write(i == superIndex ? noToken(state.right ? "Super_R" : "Super_L") : downTokens[i]);
      state.held = Held::written;
    }
  }
}

void RecordedText::flushButton() {
  if (!pressedButton) return;
  write(buttonToken(pressedButton->button, "DOWN", pressedButton->x, pressedButton->y));
  pressedButton.reset();
}

void RecordedText::key(const Key& key) {
  if (done) return;
  for (const ModifierKey& modifier : modifierKeys) {
    if (modifier.keysym != key.baseKeysym) continue;
    ModifierState& state = modifiers[modifier.modifier];
    if (key.pressed) {
      if (state.held == Held::up) state = {Held::pending, modifier.right};
    } else if (state.held == Held::written) {
      // Super has no token: its press was named as skipped, its release says nothing more.
      if (modifier.modifier != superIndex) write(upTokens[modifier.modifier]);
      state.held = Held::up;
    } else if (state.held == Held::pending) {
      flushButton();
      write(modifier.modifier == superIndex
                ? noToken(keysymName(key.baseKeysym))
                : (state.right ? rightTapTokens : tapTokens)[modifier.modifier]);
      state.held = Held::up;
    } else {
      state.held = Held::up;
    }
    return;
  }
  if (!key.pressed || showsInCharacters(key.baseKeysym) || showsInCharacters(key.keysym)) return;
  if ((key.keysym == chord.keysym() || key.baseKeysym == chord.keysym()) && chordHeld()) {
    done = true;
    return;
  }
  flushButton();
  const auto& named = namedTokens();
  auto token = named.find(key.keysym);
  // Shift+Tab gives ISO_Left_Tab, which is still the Tab key.
  if (token == named.end() && key.character == 0) token = named.find(key.baseKeysym);
  if (token != named.end()) {
    // A token shows no level: a Shift held with it must be pressed when it is played.
    flushModifiers(false);
    write(token->second);
  } else if (key.character != 0 && KeyPositions::typeable(key.character)) {
    flushModifiers(key.shiftShown);
    write(encodeUtf8(key.character));
  } else {
    flushModifiers(false);
    write(noToken(keysymName(key.keysym)));
  }
}

void RecordedText::button(const Button& button) {
  if (done) return;
  if (!hasToken(button.button)) {
    if (button.pressed) {
      flushButton();
      flushModifiers(false);
      write(noToken("Button" + std::to_string(button.button)));
    }
    return;
  }
  if (button.pressed) {
    flushButton();
    flushModifiers(false);
    pressedButton = button;
    return;
  }
  if (pressedButton && pressedButton->button == button.button) {
    const bool still = pressedButton->x == button.x && pressedButton->y == button.y;
    if (still) {
      write(buttonToken(button.button, "CLICK", button.x, button.y));
      lastClick = out.size() - buttonToken(button.button, "CLICK", button.x, button.y).size();
      pressedButton.reset();
      return;
    }
  }
  flushButton();
  write(buttonToken(button.button, "UP", button.x, button.y));
}

void RecordedText::dropLastClick() {
  if (pressedButton) {
    pressedButton.reset();
  } else if (lastClick) {
    out.resize(*lastClick);
    lastClick.reset();
  }
}

std::string RecordedText::text() const {
  RecordedText end = *this;
  if (end.pressedButton) {
    end.write(buttonToken(end.pressedButton->button, "CLICK", end.pressedButton->x, end.pressedButton->y));
  }
  for (std::size_t i = end.modifiers.size(); i-- > 0;) {
    if (end.modifiers[i].held == Held::written && i != superIndex) end.write(upTokens[i]);
  }
  if (end.lessPending) end.out += "<";
  return end.out;
}

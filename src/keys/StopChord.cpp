#include "keys/StopChord.h"

#include <xkbcommon/xkbcommon.h>

#include <array>

#include "keys/ChordText.h"

namespace {

// Keys that change the state of others rather than type: Shift to Hyper with the locks among
// them, the ISO level, latch and group keys, Mode_switch and Num_Lock.
bool isModifierKeysym(xkb_keysym_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock) || keysym == XKB_KEY_Mode_switch ||
         keysym == XKB_KEY_Num_Lock;
}

}  // namespace

StopChord StopChord::standard() {
  // Three modifiers are never held by accident while a run waits to start, every keyboard has
  // Escape, and no common desktop binds this exact chord.
  return {ctrl | alt | shift, XKB_KEY_Escape};
}

std::optional<StopChord> StopChord::parse(std::string_view text) {
  const auto parts = ChordText::split(text);
  if (!parts) return std::nullopt;
  xkb_keysym_t keysym = xkb_keysym_from_name(parts->key.c_str(), XKB_KEYSYM_NO_FLAGS);
  if (keysym == XKB_KEY_NoSymbol) {
    keysym = xkb_keysym_from_name(parts->key.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
  }
  if (keysym == XKB_KEY_NoSymbol || isModifierKeysym(keysym)) {
    return std::nullopt;
  }
  return StopChord(parts->modifiers, keysym);
}

std::string StopChord::format() const {
  std::string text = ChordText::modifierPrefix(mods);
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(sym, name.data(), name.size()) > 0) {
    text += name.data();
  }
  return text;
}

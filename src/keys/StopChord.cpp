#include "keys/StopChord.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

struct ModifierName {
  std::string_view name;
  std::uint8_t bit;
};

// The first spelling of each modifier is the one format writes.
constexpr std::array<ModifierName, 5> modifierNames{{
    {"Ctrl", StopChord::ctrl},
    {"Control", StopChord::ctrl},
    {"Alt", StopChord::alt},
    {"Shift", StopChord::shift},
    {"Super", StopChord::super},
}};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::optional<std::uint8_t> modifierBit(std::string_view name) {
  for (const ModifierName& modifier : modifierNames) {
    if (equalIgnoringCase(name, modifier.name)) {
      return modifier.bit;
    }
  }
  return std::nullopt;
}

// Keys that change the state of others rather than type: Shift to Hyper with the locks among
// them, the ISO level, latch and group keys, Mode_switch and Num_Lock.
bool isModifierKeysym(xkb_keysym_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock) || keysym == XKB_KEY_Mode_switch ||
         keysym == XKB_KEY_Num_Lock;
}

std::string_view trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

StopChord StopChord::standard() {
  // Three modifiers are never held by accident while a run waits to start, every keyboard has
  // Escape, and no common desktop binds this exact chord.
  return {ctrl | alt | shift, XKB_KEY_Escape};
}

std::optional<StopChord> StopChord::parse(std::string_view text) {
  std::uint8_t mods = 0;
  std::size_t separator = text.find('+');
  for (; separator != std::string_view::npos; separator = text.find('+')) {
    const auto bit = modifierBit(trimmed(text.substr(0, separator)));
    if (!bit) {
      return std::nullopt;
    }
    mods = static_cast<std::uint8_t>(mods | *bit);
    text.remove_prefix(separator + 1);
  }
  const std::string keyName(trimmed(text));
  if (mods == 0 || keyName.empty() || modifierBit(keyName)) {
    return std::nullopt;
  }
  xkb_keysym_t keysym = xkb_keysym_from_name(keyName.c_str(), XKB_KEYSYM_NO_FLAGS);
  if (keysym == XKB_KEY_NoSymbol) {
    keysym = xkb_keysym_from_name(keyName.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
  }
  if (keysym == XKB_KEY_NoSymbol || isModifierKeysym(keysym)) {
    return std::nullopt;
  }
  return StopChord(mods, keysym);
}

std::string StopChord::format() const {
  std::string text;
  std::uint8_t written = 0;
  for (const ModifierName& modifier : modifierNames) {
    if ((mods & modifier.bit) != 0 && (written & modifier.bit) == 0) {
      text.append(modifier.name).push_back('+');
      written = static_cast<std::uint8_t>(written | modifier.bit);
    }
  }
  std::array<char, 64> name{};
  if (xkb_keysym_get_name(sym, name.data(), name.size()) > 0) {
    text += name.data();
  }
  return text;
}

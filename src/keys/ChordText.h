#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A key chord as the settings file spells it, such as "Ctrl+Alt+Shift+Escape": modifier names
// (Ctrl or Control, Alt, Shift, Super; any case) joined by "+" to one key's name, blanks around
// the names ignored. Plain text work; any thread.
class ChordText {
 public:
  // Modifier bits of a chord.
  static constexpr std::uint8_t ctrl = 0x1;
  static constexpr std::uint8_t alt = 0x2;
  static constexpr std::uint8_t shift = 0x4;
  static constexpr std::uint8_t super = 0x8;

  struct Parts {
    std::uint8_t modifiers = 0;
    std::string key;
  };

  // The modifiers and the key's name; nothing for an unknown modifier name, no modifier, an
  // empty key name or a modifier's name in the key's place.
  [[nodiscard]] static std::optional<Parts> split(std::string_view text);
  // The modifiers as split reads them back, each followed by "+", in the order Ctrl, Alt, Shift,
  // Super: "Ctrl+Shift+".
  [[nodiscard]] static std::string modifierPrefix(std::uint8_t modifiers);
  [[nodiscard]] static bool equalIgnoringCase(std::string_view a, std::string_view b);
};

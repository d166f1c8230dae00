#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keys/ChordText.h"

// The key chord that ends a run from any window: at least one of Ctrl, Alt, Shift and Super,
// and one key named by its X keysym. Written as text such as "Ctrl+Alt+Shift+Escape": modifier
// names in any case, the key last. A value type; any thread.
class StopChord {
 public:
  // Modifier bits of a chord.
  static constexpr std::uint8_t ctrl = ChordText::ctrl;
  static constexpr std::uint8_t alt = ChordText::alt;
  static constexpr std::uint8_t shift = ChordText::shift;
  static constexpr std::uint8_t super = ChordText::super;

  // Ctrl+Alt+Shift+Escape.
  [[nodiscard]] static StopChord standard();

  // The chord a text names; nothing for an empty text, an unknown modifier or key name, a chord
  // without a modifier, or a modifier key in the key's place. The key's name is matched
  // exactly first, then in any case ("escape" is Escape).
  [[nodiscard]] static std::optional<StopChord> parse(std::string_view text);

  // The text parse reads back: modifiers in the order Ctrl, Alt, Shift, Super, then the key.
  [[nodiscard]] std::string format() const;

  [[nodiscard]] std::uint8_t modifiers() const { return mods; }
  [[nodiscard]] std::uint32_t keysym() const { return sym; }

  friend bool operator==(const StopChord&, const StopChord&) = default;

 private:
  StopChord(std::uint8_t modifiers, std::uint32_t keysym) : mods(modifiers), sym(keysym) {}

  std::uint8_t mods;
  std::uint32_t sym;
};

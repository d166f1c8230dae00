#pragma once

#include <cstdint>
#include <optional>

// Modifier bits of a key-scan answer, as the layout lookup gives them.
namespace KeyMod {
inline constexpr std::uint8_t shift = 0x1;
inline constexpr std::uint8_t ctrl = 0x2;
inline constexpr std::uint8_t alt = 0x4;
}  // namespace KeyMod

// The key that types one character: its key code and the modifiers held while it is tapped.
// AltGr is reported as ctrl | alt.
struct KeyScan {
  std::uint8_t keyCode = 0;
  std::uint8_t mods = 0;
  friend bool operator==(const KeyScan&, const KeyScan&) = default;
};

// The keyboard-layout lookup: for a character, the key of the main typing block that types it.
// UI thread only.
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;

  // Brings the lookup up to date with the keyboard; called once before a batch of texts is
  // translated.
  virtual void sync() {}

  // Counts the changes of the layout that sync has seen: a list translated under another
  // generation no longer types its text.
  [[nodiscard]] virtual std::uint64_t generation() const { return 0; }

  // The key typing the Unicode character c, or nothing when no key of the layout types it.
  [[nodiscard]] virtual std::optional<KeyScan> keyScan(char32_t c) const = 0;
};

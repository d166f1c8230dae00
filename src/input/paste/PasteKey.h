#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The key chord a window pastes its clipboard at, as typing presses it: at least one of Ctrl,
// Alt and Shift, and one key, a letter or Insert. Written as text such as "Ctrl+V" (most
// windows), "Ctrl+Shift+V" (terminals) or "Shift+Insert": names in any case, the key last.
// A value type; any thread.
class PasteKey {
 public:
  // Ctrl+V.
  [[nodiscard]] static PasteKey standard();

  // The chord a text names; nothing for an empty text, an unknown name, a chord without a
  // modifier or with a modifier in the key's place.
  [[nodiscard]] static std::optional<PasteKey> parse(std::string_view text);

  // The text parse reads back: modifiers in the order Ctrl, Alt, Shift, then the key.
  [[nodiscard]] std::string format() const;

  // The virtual-key codes of the modifiers, in the order they are pressed.
  [[nodiscard]] std::vector<std::uint8_t> modifierKeys() const;
  // The virtual-key code of the key.
  [[nodiscard]] std::uint8_t keyCode() const { return key; }
  // The key as the lower-case letter it types, which finds it on any layout; nothing when it
  // is no letter key.
  [[nodiscard]] std::optional<char32_t> letter() const;

  friend bool operator==(const PasteKey&, const PasteKey&) = default;

 private:
  PasteKey(std::uint8_t modifiers, std::uint8_t keyCode) : mods(modifiers), key(keyCode) {}

  std::uint8_t mods;
  std::uint8_t key;
};

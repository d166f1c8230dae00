#include "input/paste/PasteKey.h"

#include <array>
#include <cctype>

#include "keys/ChordText.h"
#include "keys/KeyCodes.h"

namespace {

// Virtual-key numbers of the letters are their upper-case ASCII codes; Insert's is 45.
constexpr std::uint8_t insertKey = 45;

// The modifiers a paste key may hold, in the order they are pressed, with their keys.
struct ModifierKey {
  std::uint8_t bit;
  std::uint8_t keyCode;
};
constexpr std::array<ModifierKey, 3> modifierKeyCodes{{
    {ChordText::ctrl, KeyCode::control},
    {ChordText::alt, KeyCode::menu},
    {ChordText::shift, KeyCode::shift},
}};

std::optional<std::uint8_t> keyOfName(std::string_view name) {
  if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])) != 0) {
    return static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  if (ChordText::equalIgnoringCase(name, "Insert")) return insertKey;
  return std::nullopt;
}

}  // namespace

PasteKey PasteKey::standard() { return {ChordText::ctrl, 'V'}; }

std::optional<PasteKey> PasteKey::parse(std::string_view text) {
  const auto parts = ChordText::split(text);
  if (!parts || (parts->modifiers & ChordText::super) != 0) return std::nullopt;
  const auto key = keyOfName(parts->key);
  if (!key) return std::nullopt;
  return PasteKey(parts->modifiers, *key);
}

std::string PasteKey::format() const {
  const std::string text = ChordText::modifierPrefix(mods);
  if (key == insertKey) return text + "Insert";
  return text + static_cast<char>(key);
}

std::vector<std::uint8_t> PasteKey::modifierKeys() const {
  std::vector<std::uint8_t> keys;
  for (const ModifierKey& modifier : modifierKeyCodes) {
    if ((mods & modifier.bit) != 0) keys.push_back(modifier.keyCode);
  }
  return keys;
}

std::optional<char32_t> PasteKey::letter() const {
  if (key >= 'A' && key <= 'Z') return static_cast<char32_t>(key - 'A' + 'a');
  return std::nullopt;
}

#include "keys/PasteKey.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "keys/KeyCodes.h"

namespace {

constexpr std::uint8_t ctrlBit = 0x1;
constexpr std::uint8_t altBit = 0x2;
constexpr std::uint8_t shiftBit = 0x4;

// Virtual-key numbers of the letters are their upper-case ASCII codes; Insert's is 45.
constexpr std::uint8_t insertKey = 45;

struct ModifierName {
  std::string_view name;
  std::uint8_t bit;
  std::uint8_t keyCode;
};

// The first spelling of each modifier is the one format writes; this is also the order of presses.
constexpr std::array<ModifierName, 4> modifierNames{{
    {"Ctrl", ctrlBit, KeyCode::control},
    {"Control", ctrlBit, KeyCode::control},
    {"Alt", altBit, KeyCode::menu},
    {"Shift", shiftBit, KeyCode::shift},
}};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::optional<std::uint8_t> modifierBit(std::string_view name) {
  for (const ModifierName& modifier : modifierNames) {
    if (equalIgnoringCase(name, modifier.name)) return modifier.bit;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> keyOfName(std::string_view name) {
  if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])) != 0) {
    return static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  if (equalIgnoringCase(name, "Insert")) return insertKey;
  return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

PasteKey PasteKey::standard() { return {ctrlBit, 'V'}; }

std::optional<PasteKey> PasteKey::parse(std::string_view text) {
  std::uint8_t mods = 0;
  for (std::size_t separator = text.find('+'); separator != std::string_view::npos; separator = text.find('+')) {
    const auto bit = modifierBit(trimmed(text.substr(0, separator)));
    if (!bit) return std::nullopt;
    mods = static_cast<std::uint8_t>(mods | *bit);
    text.remove_prefix(separator + 1);
  }
  const auto key = keyOfName(trimmed(text));
  if (mods == 0 || !key) return std::nullopt;
  return PasteKey(mods, *key);
}

std::string PasteKey::format() const {
  std::string text;
  std::uint8_t written = 0;
  for (const ModifierName& modifier : modifierNames) {
    if ((mods & modifier.bit) != 0 && (written & modifier.bit) == 0) {
      text.append(modifier.name).push_back('+');
      written = static_cast<std::uint8_t>(written | modifier.bit);
    }
  }
  if (key == insertKey) return text + "Insert";
  return text + static_cast<char>(key);
}

std::vector<std::uint8_t> PasteKey::modifierKeys() const {
  std::vector<std::uint8_t> keys;
  std::uint8_t pressed = 0;
  for (const ModifierName& modifier : modifierNames) {
    if ((mods & modifier.bit) != 0 && (pressed & modifier.bit) == 0) {
      keys.push_back(modifier.keyCode);
      pressed = static_cast<std::uint8_t>(pressed | modifier.bit);
    }
  }
  return keys;
}

std::optional<char32_t> PasteKey::letter() const {
  if (key >= 'A' && key <= 'Z') return static_cast<char32_t>(key - 'A' + 'a');
  return std::nullopt;
}

#include "keys/ChordText.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

struct ModifierName {
  std::string_view name;
  std::uint8_t bit;
};

// The first spelling of each modifier is the one modifierPrefix writes.
constexpr std::array<ModifierName, 5> modifierNames{{
    {"Ctrl", ChordText::ctrl},
    {"Control", ChordText::ctrl},
    {"Alt", ChordText::alt},
    {"Shift", ChordText::shift},
    {"Super", ChordText::super},
}};

std::optional<std::uint8_t> modifierBit(std::string_view name) {
  for (const ModifierName& modifier : modifierNames) {
    if (ChordText::equalIgnoringCase(name, modifier.name)) return modifier.bit;
  }
  return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<ChordText::Parts> ChordText::split(std::string_view text) {
  Parts parts;
  for (std::size_t separator = text.find('+'); separator != std::string_view::npos; separator = text.find('+')) {
    const auto bit = modifierBit(trimmed(text.substr(0, separator)));
    if (!bit) return std::nullopt;
    parts.modifiers = static_cast<std::uint8_t>(parts.modifiers | *bit);
    text.remove_prefix(separator + 1);
  }
  parts.key = trimmed(text);
  if (parts.modifiers == 0 || parts.key.empty() || modifierBit(parts.key)) return std::nullopt;
  return parts;
}

std::string ChordText::modifierPrefix(std::uint8_t modifiers) {
  std::string text;
  std::uint8_t written = 0;
  for (const ModifierName& modifier : modifierNames) {
    if ((modifiers & modifier.bit) != 0 && (written & modifier.bit) == 0) {
      text.append(modifier.name).push_back('+');
      written = static_cast<std::uint8_t>(written | modifier.bit);
    }
  }
  return text;
}

bool ChordText::equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

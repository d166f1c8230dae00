#include "tree/ItemNames.h"

namespace {

std::string candidate(std::string_view name, NameStyle style, unsigned n) {
  const std::string number = std::to_string(n);
  if (style == NameStyle::plain) return std::string(name) + number;
  return "Copy (" + number + ") of " + std::string(name);
}

}  // namespace

std::string ItemNames::unique(std::string_view name, NameStyle style, const Taken& taken) {
  std::string result(name);
  // A plain name's first variant carries 2, the name itself being the first; a copy starts at 1.
  unsigned n = style == NameStyle::plain ? 1 : 0;
  while (taken(result)) result = candidate(name, style, ++n);
  return result;
}

std::string ItemNames::label(std::string_view name) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    // A byte other than a UTF-8 continuation byte starts a character.
    if ((static_cast<unsigned char>(name[i]) & 0xC0U) == 0x80U) continue;
    if (++characters > longestLabel) return std::string(name.substr(0, i)) + "\u2026";
  }
  return std::string(name);
}

std::string ItemNames::withoutBreakingBytes(std::string_view label) {
  std::string name;
  name.reserve(label.size());
  for (const char c : label) {
    if (c != '\x7f' && c != '\r' && c != '\n') name += c;
  }
  return name;
}

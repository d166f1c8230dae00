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

std::string ItemNames::withoutBreakingBytes(std::string_view label) {
  std::string name;
  name.reserve(label.size());
  for (const char c : label) {
    if (c != '\x7f' && c != '\r' && c != '\n') name += c;
  }
  return name;
}

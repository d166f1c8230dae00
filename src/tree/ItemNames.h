#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// How a taken name is changed: "Attack" becomes "Attack2", "Attack3", ... for new, imported and
// moved items, and "Copy (1) of Attack", "Copy (2) of Attack", ... for copies.
enum class NameStyle { plain, copy };

// The naming rules of tree items, on names as UTF-8 byte strings.
class ItemNames {
 public:
  using Taken = std::function<bool(const std::string& name)>;

  // name itself when it is not taken; otherwise the first candidate of the style that is not.
  [[nodiscard]] static std::string unique(std::string_view name, NameStyle style, const Taken& taken);

  // Characters of a name a label shows at most: a name read from a file may be of any length,
  // and the toolkit takes seconds to measure and draw a label of a million characters.
  static constexpr std::size_t longestLabel = 256;

  // The label that shows a name: the name itself, or its first longestLabel characters and an
  // ellipsis, cut between two characters.
  [[nodiscard]] static std::string label(std::string_view name);

  // An edited label as a name: DEL separates the record's fields and CR and LF end the project
  // file's lines, so none of them may stay in a name.
  [[nodiscard]] static std::string withoutBreakingBytes(std::string_view label);
};

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the "Insert Special" menu offers: the tokens of the key-token language in seven submenus,
// each item with its menu id, its label (also its help text) and the text it inserts.
class MenuTokens {
 public:
  struct Item {
    int id;
    std::string label;
    // The label itself, or a short form of the same token.
    std::string inserted;
  };
  struct Submenu {
    int id;
    std::string title;
    std::vector<Item> items;
  };

  // The submenus in menu order.
  [[nodiscard]] static const std::vector<Submenu>& submenus();
  // The text an item inserts; nothing for an id no item has.
  [[nodiscard]] static std::optional<std::string_view> textFor(int id);
  // Where the mouse templates' coordinates stand, to be typed over: the offset of "X Y" in an
  // inserted text, or nothing when it has none.
  [[nodiscard]] static std::optional<std::size_t> placeholderIn(std::string_view inserted);
  static constexpr std::string_view placeholder = "X Y";
};

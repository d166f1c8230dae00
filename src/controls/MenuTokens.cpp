#include "controls/MenuTokens.h"

#include <initializer_list>
#include <utility>

namespace {

using Item = MenuTokens::Item;
using Submenu = MenuTokens::Submenu;

// Items that insert their own label, with ids in order from first.
std::vector<Item> labelled(int first, std::initializer_list<std::string_view> labels) {
  std::vector<Item> items;
  for (const std::string_view label : labels) items.push_back({first++, std::string(label), std::string(label)});
  return items;
}

std::vector<Item> withIds(std::initializer_list<std::pair<int, std::string_view>> entries) {
  std::vector<Item> items;
  for (const auto& [id, label] : entries) items.push_back({id, std::string(label), std::string(label)});
  return items;
}

// "<" prefix n ">" for n from first to last, with ids ascending from firstId.
std::vector<Item> numbered(int firstId, std::string_view prefix, int first, int last) {
  std::vector<Item> items;
  for (int n = first; n <= last; ++n) {
    std::string label = "<" + std::string(prefix) + std::to_string(n) + ">";
    items.push_back({firstId + n - first, label, label});
  }
  return items;
}

std::vector<Submenu> build() {
  std::vector<Item> modifiers =
      withIds({{92, "<CTRL-DOWN>"}, {93, "<CTRL-UP>"}, {94, "<ALT-DOWN>"}, {95, "<ALT-UP>"}, {96, "<SHIFT-DOWN>"},
               {97, "<SHIFT-UP>"}, {87, "<CTRL>"}, {88, "<ALT>"}, {90, "<SHIFT>"}, {91, "<R-SHIFT>"},
               {98, "<CAPS-LOCK>"}, {99, "<NUM-LOCK>"}, {100, "<SCROLL-LOCK>"}});
  // Two lock keys insert the short form of their token.
  for (Item& item : modifiers) {
    if (item.id == 98) item.inserted = "<CAPS>";
    if (item.id == 100) item.inserted = "<SCROLL>";
  }
  std::vector<Item> keypad = labelled(71, {"<MULTIPLY>", "<ADD>", "<SEPARATOR>", "<SUBTRACT>", "<DECIMAL>", "<DIVIDE>"});
  for (Item& digit : numbered(77, "KEYPAD", 0, 9)) keypad.push_back(std::move(digit));
  return {
      {19999, "Mouse Control",
       labelled(101, {"<MOUSE-LEFT-CLICK X Y>", "<MOUSE-LEFT-DOWN X Y>", "<MOUSE-LEFT-UP X Y>",
                      "<MOUSE-RIGHT-CLICK X Y>", "<MOUSE-RIGHT-DOWN X Y>", "<MOUSE-RIGHT-UP X Y>",
                      "<MOUSE-MIDDLE-CLICK X Y>", "<MOUSE-MIDDLE-DOWN X Y>", "<MOUSE-MIDDLE-UP X Y>"})},
      {20000, "TTY Functions",
       withIds({{70, "<SPACE>"}, {25, "<BACKSPACE>"}, {26, "<TAB>"}, {27, "<CLEAR>"}, {28, "<ENTER>"},
                {29, "<PAUSE>"}, {30, "<ESCAPE>"}, {31, "<DELETE>"}})},
      {20001, "Cursor Control and Motion",
       withIds({{34, "<UP-ARROW>"}, {36, "<DOWN-ARROW>"}, {33, "<LEFT-ARROW>"}, {35, "<RIGHT-ARROW>"},
                {37, "<PAGE-UP>"}, {38, "<PAGE-DOWN>"}, {32, "<HOME>"}, {39, "<END>"}})},
      {20005, "Key Modifiers", std::move(modifiers)},
      {20004, "Keypad Functions and Numbers", std::move(keypad)},
      {20003, "Auxilary Functions", numbered(46, "F", 1, 24)},
      {20002, "Misc functions", labelled(40, {"<SELECT>", "<PRINT>", "<EXECUTE>", "<INSERT>", "<HELP>", "<CANCEL>"})},
  };
}

}  // namespace

const std::vector<Submenu>& MenuTokens::submenus() {
  static const std::vector<Submenu> menus = build();
  return menus;
}

std::optional<std::string_view> MenuTokens::textFor(int id) {
  for (const Submenu& submenu : submenus()) {
    for (const Item& item : submenu.items) {
      if (item.id == id) return item.inserted;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> MenuTokens::placeholderIn(std::string_view inserted) {
  const std::size_t at = inserted.find(placeholder);
  if (at == std::string_view::npos) return std::nullopt;
  return at;
}

#include "controls/MenuTokens.h"

#include <gtest/gtest.h>

#include <set>

#include "keys/KeyCodes.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/UsLayout.h"

namespace {

std::vector<std::pair<int, std::string>> titles() {
  std::vector<std::pair<int, std::string>> out;
  for (const auto& submenu : MenuTokens::submenus()) out.emplace_back(submenu.id, submenu.title);
  return out;
}

}  // namespace

TEST(MenuTokens, SevenSubmenusInOrderWithTheirIdsAndTitles) {
  EXPECT_EQ(titles(), (std::vector<std::pair<int, std::string>>{{19999, "Mouse Control"},
                                                                {20000, "TTY Functions"},
                                                                {20001, "Cursor Control and Motion"},
                                                                {20005, "Key Modifiers"},
                                                                {20004, "Keypad Functions and Numbers"},
                                                                {20003, "Auxilary Functions"},
                                                                {20002, "Misc functions"}}));
}

// Faults: an item missing, sharing an id, or outside the range the window routes; the order of
// a submenu changed.
TEST(MenuTokens, EveryIdFrom25To109But89IsOneItem) {
  std::set<int> ids;
  for (const auto& submenu : MenuTokens::submenus()) {
    for (const auto& item : submenu.items) EXPECT_TRUE(ids.insert(item.id).second) << item.id;
  }
  std::set<int> expected;
  for (int id = 25; id <= 109; ++id) {
    if (id != 89) expected.insert(id);
  }
  EXPECT_EQ(ids, expected);
  const auto& menus = MenuTokens::submenus();
  EXPECT_EQ(menus[0].items.front().label, "<MOUSE-LEFT-CLICK X Y>");
  EXPECT_EQ(menus[0].items.back().id, 109);
  EXPECT_EQ(menus[1].items.front().id, 70);
  EXPECT_EQ(menus[1].items.front().label, "<SPACE>");
  EXPECT_EQ(menus[2].items[1].label, "<DOWN-ARROW>");
  EXPECT_EQ(menus[2].items[1].id, 36);
  EXPECT_EQ(menus[3].items[6].id, 87);
  EXPECT_EQ(menus[4].items.back().label, "<KEYPAD9>");
  EXPECT_EQ(menus[4].items.back().id, 86);
  EXPECT_EQ(menus[5].items.back().label, "<F24>");
  EXPECT_EQ(menus[5].items.back().id, 69);
  EXPECT_EQ(menus[6].items.back().label, "<CANCEL>");
  EXPECT_EQ(menus[6].items.back().id, 45);
}

TEST(MenuTokens, ItemsInsertTheirLabelButTheTwoLocksTheirShortForm) {
  EXPECT_EQ(MenuTokens::textFor(98), "<CAPS>");
  EXPECT_EQ(MenuTokens::textFor(100), "<SCROLL>");
  EXPECT_EQ(MenuTokens::textFor(99), "<NUM-LOCK>");
  EXPECT_EQ(MenuTokens::textFor(28), "<ENTER>");
  EXPECT_EQ(MenuTokens::textFor(101), "<MOUSE-LEFT-CLICK X Y>");
  EXPECT_FALSE(MenuTokens::textFor(89));
  EXPECT_FALSE(MenuTokens::textFor(19999));
  for (const auto& submenu : MenuTokens::submenus()) {
    for (const auto& item : submenu.items) {
      if (item.id != 98 && item.id != 100) {
        EXPECT_EQ(item.inserted, item.label);
      }
    }
  }
}

// Fault: a menu entry that inserts, or is labelled with, something the language drops would
// type nothing when the group runs.
TEST(MenuTokens, EveryLabelAndInsertedTextIsATokenOfTheLanguage) {
  const KeyTokens tokens;
  UsLayout layout;
  const KeyParser parser(tokens, layout);
  for (const auto& submenu : MenuTokens::submenus()) {
    for (const auto& item : submenu.items) {
      for (const std::string& text : {item.label, item.inserted}) {
        KeyActions list;
        parser.parseKeys(text, list);
        EXPECT_FALSE(list.empty()) << text;
        // One token, not characters typed one by one: a key code, or a mouse code and its point.
        EXPECT_EQ(list.size(), submenu.id == 19999 ? 11U : 1U) << text;
      }
    }
  }
}

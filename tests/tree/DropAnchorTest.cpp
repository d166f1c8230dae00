#include "tree/DropAnchor.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// root 1; groups 2 and 3; commands 4, 5 and 6 in group 2 and 7 in group 3; 0 is no item.
struct SmallTree {
  using Item = int;

  struct Node {
    ItemLevel level;
    Item parent;
    Item previous;
  };

  std::map<Item, Node> nodes{
      {1, {ItemLevel::root, 0, 0}},    {2, {ItemLevel::group, 1, 0}},   {3, {ItemLevel::group, 1, 2}},
      {4, {ItemLevel::command, 2, 0}}, {5, {ItemLevel::command, 2, 4}}, {6, {ItemLevel::command, 2, 5}},
      {7, {ItemLevel::command, 3, 0}},
  };

  [[nodiscard]] ItemLevel level(const Item& item) const {
    const auto found = nodes.find(item);
    return found == nodes.end() ? ItemLevel::none : found->second.level;
  }
  [[nodiscard]] Item previousSibling(const Item& item) const { return nodes.at(item).previous; }
  [[nodiscard]] Item parent(const Item& item) const { return nodes.at(item).parent; }
};

}  // namespace

TEST(DropAnchor, AGroupTargetTakesTheCommandAsItsFirstChild) {
  const SmallTree tree;
  EXPECT_EQ(DropAnchor::find(tree, 2), 2);
  EXPECT_EQ(DropAnchor::find(tree, 3), 3);
}

TEST(DropAnchor, ACommandTargetPlacesTheCommandJustBeforeIt) {
  const SmallTree tree;
  EXPECT_EQ(DropAnchor::find(tree, 5), 4);
  EXPECT_EQ(DropAnchor::find(tree, 6), 5);
}

TEST(DropAnchor, TheFirstCommandOfAGroupAnchorsAtItsGroup) {
  const SmallTree tree;
  EXPECT_EQ(DropAnchor::find(tree, 4), 2);
  EXPECT_EQ(DropAnchor::find(tree, 7), 3);
}

TEST(DropAnchor, TheRootAndNoItemGiveNoAnchor) {
  const SmallTree tree;
  EXPECT_EQ(DropAnchor::find(tree, 1), 0);
  EXPECT_EQ(DropAnchor::find(tree, 0), 0);
}

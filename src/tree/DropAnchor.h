#pragma once

#include <concepts>

#include "tree/ItemLevel.h"

// A tree as the drop rule sees it: an item's level, its previous sibling and its parent, with a
// default-constructed Item standing for no item.
template <class Tree>
concept DropTree = requires(const Tree& tree, const typename Tree::Item& item) {
  { tree.level(item) } -> std::same_as<ItemLevel>;
  { tree.previousSibling(item) } -> std::same_as<typename Tree::Item>;
  { tree.parent(item) } -> std::same_as<typename Tree::Item>;
};

// Where a command dropped on a target item goes. The anchor is either a group, of which the
// command becomes the first child, or a command, right after which it is placed.
class DropAnchor {
 public:
  // On a group: that group. On a command: its previous sibling, so the drop lands just before
  // the target, or its group when it is the first. On the root or on no item: no anchor.
  template <DropTree Tree>
  static typename Tree::Item find(const Tree& tree, const typename Tree::Item& target) {
    switch (tree.level(target)) {
      case ItemLevel::group:
        return target;
      case ItemLevel::command: {
        const typename Tree::Item previous = tree.previousSibling(target);
        if (tree.level(previous) != ItemLevel::none) return previous;
        return tree.parent(target);
      }
      case ItemLevel::root:
      case ItemLevel::none:
        break;
    }
    return {};
  }
};

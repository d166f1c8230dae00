#pragma once

#include <cstddef>
#include <memory>
#include <optional>

class BaseCommand;

// A place in the tree by position: a group, or a command of a group.
struct TreeSpot {
  std::size_t group = 0;
  std::optional<std::size_t> command;
};

// What the tree's undoable steps change: records enter and leave the tree, or change places
// with others, whole. A record that leaves keeps its state exactly, so that it comes back the
// same. UI thread only.
class TreeModel {
 public:
  virtual ~TreeModel() = default;
  // Takes the group (its commands held by its record) or the command at spot out of the tree.
  virtual std::unique_ptr<BaseCommand> take(const TreeSpot& spot) = 0;
  // Puts a record in at spot: a group record when spot names no command.
  virtual void put(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) = 0;
  // Puts record in place of the one at spot, which is handed back; a group's commands stay.
  virtual std::unique_ptr<BaseCommand> swap(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) = 0;
  // Selects what stands at spot, or the nearest there is: the item before one past the last,
  // the group of a command that is gone.
  virtual void select(const TreeSpot& spot) = 0;
};

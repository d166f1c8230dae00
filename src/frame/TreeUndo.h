#pragma once

#include <wx/treebase.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "frame/TreeActions.h"
#include "history/TreeHistory.h"
#include "history/TreeModel.h"
#include "tern/OwnerThread.h"

class BaseCommand;
class CommandTree;

// The tree's changes as undoable steps on the command tree: the actions report what they did
// (or have it done) by item, and Undo and Redo take it back and make it again, the editors
// showing the record selected after. UI thread only.
class TreeUndo final : private TreeModel {
 public:
  // changed is told of every change a step makes, undone and redone ones too.
  TreeUndo(CommandTree& tree, TreeActions::Editors& editors, std::function<void()> changed);

  // An item was put into the tree.
  void added(const wxString& name, const wxTreeItemId& item);
  // Takes an item out of the tree, keeping it for an undo.
  void remove(const wxString& name, const wxTreeItemId& item);
  // A copy of the item's record before a change; null for the root or no item.
  [[nodiscard]] std::unique_ptr<BaseCommand> copyOf(const wxTreeItemId& item) const;
  // The item's record has changed from before: kept as a step unless it stores the same.
  void changed(const wxString& name, const wxTreeItemId& item, std::unique_ptr<BaseCommand> before);
  // A command left the tree at from (original being its record then) and came in as item.
  void moved(const wxString& name, const TreeSpot& from, std::unique_ptr<BaseCommand> original,
             const wxTreeItemId& item);
  // Moves a group to another position among the groups.
  void moveGroup(const wxTreeItemId& group, std::size_t to);
  // The editors are stored first, so that what they hold is a step of its own.
  void undo();
  void redo();

  [[nodiscard]] TreeSpot spotOf(const wxTreeItemId& item) const;
  [[nodiscard]] TreeHistory& history() { return steps; }

 private:
  std::unique_ptr<BaseCommand> take(const TreeSpot& spot) override;
  void put(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) override;
  std::unique_ptr<BaseCommand> swap(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) override;
  void select(const TreeSpot& spot) override;
  [[nodiscard]] TreeModel& model() { return *this; }
  // The item at spot; no item when there is none.
  [[nodiscard]] wxTreeItemId itemAt(const TreeSpot& spot) const;

  const Tern::OwnerThread uiThread;
  CommandTree& tree;
  TreeActions::Editors& editors;
  TreeHistory steps;
};

#include "frame/TreeUndo.h"

#include <algorithm>
#include <string>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "history/TreeStep.h"
#include "tree/CommandTree.h"

namespace {

// What a record stores, to tell whether a change changed anything.
std::string stored(const BaseCommand& record) {
  std::string out;
  record.save(out);
  return out;
}

}  // namespace

TreeUndo::TreeUndo(CommandTree& commandTree, TreeActions::Editors& windowEditors, std::function<void()> changed)
    : tree(commandTree), editors(windowEditors), steps(std::move(changed)) {}

TreeSpot TreeUndo::spotOf(const wxTreeItemId& item) const {
  if (tree.isGroupItem(item)) return TreeSpot{tree.indexOf(item), {}};
  return TreeSpot{tree.indexOf(tree.GetItemParent(item)), tree.indexOf(item)};
}

wxTreeItemId TreeUndo::itemAt(const TreeSpot& spot) const {
  const wxTreeItemId group = tree.childAt(tree.GetRootItem(), spot.group);
  if (!spot.command || !group.IsOk()) return group;
  tree.openGroup(group);
  return tree.childAt(group, *spot.command);
}

void TreeUndo::added(const wxString& name, const wxTreeItemId& item) {
  uiThread.assertCurrent("TreeUndo::added");
  if (!item.IsOk()) return;
  auto step = std::make_unique<TreeStep>(model(), name);
  step->slot(spotOf(item), nullptr);
  steps.keep(std::move(step));
}

void TreeUndo::remove(const wxString& name, const wxTreeItemId& item) {
  uiThread.assertCurrent("TreeUndo::remove");
  if (tree.record(item) == nullptr) return;
  auto step = std::make_unique<TreeStep>(model(), name);
  step->slot(spotOf(item), nullptr);
  steps.submit(std::move(step));
}

std::unique_ptr<BaseCommand> TreeUndo::copyOf(const wxTreeItemId& item) const {
  if (const GroupCommand* group = tree.groupRecord(item)) return group->copy();
  if (const BaseCommand* command = tree.commandRecord(item)) return command->clone();
  return nullptr;
}

void TreeUndo::changed(const wxString& name, const wxTreeItemId& item, std::unique_ptr<BaseCommand> before) {
  uiThread.assertCurrent("TreeUndo::changed");
  const BaseCommand* now = tree.record(item);
  if (before == nullptr || now == nullptr || stored(*before) == stored(*now)) return;
  auto step = std::make_unique<TreeStep>(model(), name);
  step->record(spotOf(item), std::move(before));
  steps.keep(std::move(step));
}

void TreeUndo::moved(const wxString& name, const TreeSpot& from, std::unique_ptr<BaseCommand> original,
                     const wxTreeItemId& item) {
  uiThread.assertCurrent("TreeUndo::moved");
  if (!item.IsOk() || original == nullptr) return;
  auto step = std::make_unique<TreeStep>(model(), name);
  step->slot(from, std::move(original)).slot(spotOf(item), nullptr);
  steps.keep(std::move(step));
}

void TreeUndo::moveGroup(const wxTreeItemId& group, std::size_t to) {
  uiThread.assertCurrent("TreeUndo::moveGroup");
  if (!tree.isGroupItem(group)) return;
  const std::size_t from = tree.indexOf(group);
  to = std::min(to, tree.GetChildrenCount(tree.GetRootItem(), false) - 1);
  if (from == to) return;
  auto step = std::make_unique<TreeStep>(model(), "Move Group");
  step->moveGroup(from, to);
  steps.submit(std::move(step));
}

void TreeUndo::undo() {
  uiThread.assertCurrent("TreeUndo::undo");
  editors.storeEditors();
  steps.undo();
}

void TreeUndo::redo() {
  uiThread.assertCurrent("TreeUndo::redo");
  editors.storeEditors();
  steps.redo();
}

std::unique_ptr<BaseCommand> TreeUndo::take(const TreeSpot& spot) { return tree.takeItem(itemAt(spot)); }

void TreeUndo::put(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) {
  if (!spot.command) {
    auto* group = dynamic_cast<GroupCommand*>(record.get());
    if (group != nullptr) {
      record.release();
      tree.insertGroup(spot.group, std::unique_ptr<GroupCommand>(group));
    }
    return;
  }
  tree.insertCommand(itemAt(TreeSpot{spot.group, {}}), *spot.command, std::move(record));
}

std::unique_ptr<BaseCommand> TreeUndo::swap(const TreeSpot& spot, std::unique_ptr<BaseCommand> record) {
  return tree.replaceRecord(itemAt(spot), std::move(record));
}

void TreeUndo::select(const TreeSpot& spot) {
  const wxTreeItemId root = tree.GetRootItem();
  const std::size_t groups = tree.GetChildrenCount(root, false);
  wxTreeItemId item = groups == 0 ? root : itemAt(TreeSpot{std::min(spot.group, groups - 1), {}});
  if (spot.command && item != root) {
    tree.openGroup(item);
    if (const std::size_t commands = tree.GetChildrenCount(item, false); commands > 0) {
      item = tree.childAt(item, std::min(*spot.command, commands - 1));
    }
  }
  tree.EnsureVisible(item);
  tree.SelectItem(item);
  // The selection may stay on the item whose record changed: the editors show the new one.
  if (const GroupCommand* group = tree.groupRecord(item)) {
    editors.showGroup(*group);
  } else if (const BaseCommand* command = tree.commandRecord(item)) {
    editors.showCommand(*command);
  }
}

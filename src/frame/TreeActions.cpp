#include "frame/TreeActions.h"

#include <wx/utils.h>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "frame/ProjectKeeper.h"
#include "frame/ProjectTree.h"
#include "shell/UserDialogs.h"
#include "tree/CommandTree.h"
#include "tree/ItemNames.h"

namespace {

const std::string newGroupName = "Command Group ";
const std::string newCommandName = "Command ";

// Whether item lies under ancestor, not counting ancestor itself.
bool isBelow(const wxTreeCtrl& tree, const wxTreeItemId& item, const wxTreeItemId& ancestor) {
  if (!item.IsOk()) return false;
  for (wxTreeItemId parent = tree.GetItemParent(item); parent.IsOk(); parent = tree.GetItemParent(parent)) {
    if (parent == ancestor) return true;
  }
  return false;
}

}  // namespace

TreeActions::TreeActions(wxWindow& parent, CommandTree& commandTree, Editors& windowEditors, ProjectKeeper& projectKeeper)
    : window(parent), tree(commandTree), editors(windowEditors), keeper(projectKeeper) {
  tree.Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, [this](wxTreeEvent& event) { tree.beginLabelEdit(event); });
  tree.Bind(wxEVT_TREE_END_LABEL_EDIT, &TreeActions::onEndLabelEdit, this);
  tree.Bind(wxEVT_TREE_ITEM_COLLAPSING, &TreeActions::onItemCollapsing, this);
  tree.Bind(wxEVT_TREE_BEGIN_DRAG, &TreeActions::onBeginDrag, this);
  tree.Bind(wxEVT_TREE_BEGIN_RDRAG, &TreeActions::onBeginDrag, this);
  tree.Bind(wxEVT_TREE_END_DRAG, &TreeActions::onEndDrag, this);
  tree.Bind(wxEVT_TREE_KEY_DOWN, &TreeActions::onTreeKeyDown, this);
  tree.Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) { onControlKey(event, true); });
  tree.Bind(wxEVT_KEY_UP, [this](wxKeyEvent& event) { onControlKey(event, false); });
}

wxTreeItemId TreeActions::selectedGroup() const { return tree.groupOf(tree.GetSelection()); }

void TreeActions::addGroup() {
  uiThread.assertCurrent("TreeActions::addGroup");
  keeper.changed();
  auto group = std::make_unique<GroupCommand>();
  group->setName(newGroupName);
  GroupCommand& shown = *group;
  const wxTreeItemId item = tree.appendGroup(std::move(group), NameStyle::plain);
  tree.SelectItem(item);
  editors.showGroup(shown);
}

void TreeActions::addCommand() {
  uiThread.assertCurrent("TreeActions::addCommand");
  keeper.changed();
  const wxTreeItemId groupItem = selectedGroup();
  if (!groupItem.IsOk()) return;
  auto command = std::make_unique<BaseCommand>();
  command->setName(newCommandName);
  BaseCommand& shown = *command;
  const wxTreeItemId item = tree.appendCommand(groupItem, std::move(command), NameStyle::plain);
  tree.SelectItem(item);
  editors.showCommand(shown);
}

void TreeActions::deleteGroup() {
  uiThread.assertCurrent("TreeActions::deleteGroup");
  keeper.changed();
  const wxTreeItemId item = selectedGroup();
  if (!item.IsOk()) return;
  const wxTreeItemId root = tree.GetRootItem();
  const wxTreeItemId next = tree.GetNextSibling(item);
  const wxTreeItemId previous = tree.GetPrevSibling(item);
  tree.Delete(item);
  if (!tree.HasChildren(root)) tree.SetItemImage(root, CommandTree::rootClosedImage);
  tree.SelectItem(next.IsOk() ? next : previous.IsOk() ? previous : root);
}

void TreeActions::deleteCommand() {
  uiThread.assertCurrent("TreeActions::deleteCommand");
  keeper.changed();
  const wxTreeItemId item = tree.GetSelection();
  if (tree.commandRecord(item) == nullptr) return;
  const wxTreeItemId groupItem = tree.GetItemParent(item);
  const wxTreeItemId next = tree.GetNextSibling(item);
  const wxTreeItemId previous = tree.GetPrevSibling(item);
  tree.Delete(item);
  if (!tree.HasChildren(groupItem)) tree.SetItemImage(groupItem, CommandTree::groupClosedImage);
  tree.SelectItem(next.IsOk() ? next : previous.IsOk() ? previous : groupItem);
}

void TreeActions::rename(bool groupOnly) {
  uiThread.assertCurrent("TreeActions::rename");
  const wxTreeItemId selected = tree.GetSelection();
  if (!selected.IsOk() || selected == tree.GetRootItem()) return;
  tree.EditLabel(groupOnly ? selectedGroup() : selected);
}

void TreeActions::duplicateGroup() {
  uiThread.assertCurrent("TreeActions::duplicateGroup");
  keeper.changed();
  editors.storeEditors();
  const wxTreeItemId source = selectedGroup();
  const GroupCommand* group = tree.groupRecord(source);
  if (group == nullptr) {
    UserDialogs::current().tell("Please try again", "Internal Error", UserDialogs::Icon::error, &window);
    return;
  }
  const wxTreeItemId copy = tree.appendGroup(group->clone(), NameStyle::copy);
  for (const BaseCommand* command : ProjectTree::groupBlock(tree, source).commands) {
    tree.appendCommand(copy, command->clone(), {});
  }
  tree.Expand(copy);
  tree.SelectItem(copy);
  tree.SetFocus();
}

void TreeActions::duplicateCommand() {
  uiThread.assertCurrent("TreeActions::duplicateCommand");
  keeper.changed();
  const wxTreeItemId source = tree.GetSelection();
  const BaseCommand* command = tree.commandRecord(source);
  if (command == nullptr) return;
  std::unique_ptr<BaseCommand> copy = command->clone();
  BaseCommand& shown = *copy;
  // Named after it is selected: the selection change stores the editors into the source.
  const wxTreeItemId item = tree.appendCommand(tree.GetItemParent(source), std::move(copy), {});
  tree.SelectItem(item);
  editors.showCommand(shown);
  std::string name = shown.getName();
  tree.makeNameUnique(name, item, NameStyle::copy);
  shown.setName(name);
  tree.Refresh();
}

void TreeActions::onEndLabelEdit(wxTreeEvent& event) {
  tree.endLabelEdit(event);
  keeper.changed();
}

void TreeActions::onItemCollapsing(wxTreeEvent& event) {
  // The tree drops a selection that the collapse hides without a changing event, so the editors
  // are stored now or their edits are lost.
  if (keeper.isLoaded() && isBelow(tree, tree.GetSelection(), event.GetItem())) editors.storeEditors();
  tree.itemCollapsing(event);
  event.Skip();
}

void TreeActions::onBeginDrag(wxTreeEvent& event) { dragItem = tree.beginDrag(event); }

void TreeActions::onEndDrag(wxTreeEvent& event) {
  const wxTreeItemId dragged = dragItem;
  dragItem = wxTreeItemId();
  if (!dragged.IsOk()) return;
  keeper.changed();
  editors.storeEditors();
  const bool copy = copyOnDrop || wxGetKeyState(WXK_CONTROL);
  const wxTreeItemId dropped = tree.dropCommand(dragged, event.GetItem(), copy);
  if (const BaseCommand* command = tree.commandRecord(dropped)) editors.showCommand(*command);
}

void TreeActions::onTreeKeyDown(wxTreeEvent& event) {
  if (event.GetKeyCode() == WXK_DELETE) {
    const wxTreeItemId selected = tree.GetSelection();
    if (tree.groupRecord(selected) != nullptr) {
      deleteGroup();
    } else if (tree.commandRecord(selected) != nullptr) {
      deleteCommand();
    }
    return;
  }
  event.Skip();
}

void TreeActions::onControlKey(wxKeyEvent& event, bool down) {
  if (event.GetKeyCode() == WXK_CONTROL) copyOnDrop = down;
  event.Skip();
}

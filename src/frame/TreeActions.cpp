#include "frame/TreeActions.h"

#include <wx/frame.h>
#include <wx/utils.h>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "history/DeletedNote.h"
#include "frame/FrameMenus.h"
#include "project/keeper/ProjectKeeper.h"
#include "frame/ProjectTree.h"
#include "frame/TreeUndo.h"
#include "shell/TopToolbar.h"
#include "shell/UserDialogs.h"
#include "tree/CommandTree.h"
#include "tree/ItemNames.h"
#include "text/WxText.h"

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

TreeActions::TreeActions(wxWindow& parent, CommandTree& commandTree, Editors& windowEditors, ProjectKeeper& projectKeeper,
                         TreeUndo& history)
    : window(parent), tree(commandTree), editors(windowEditors), keeper(projectKeeper), undo(history) {
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

wxTreeItemId TreeActions::appendNewGroup() {
  keeper.changed();
  auto group = std::make_unique<GroupCommand>();
  group->setName(newGroupName);
  GroupCommand& shown = *group;
  const wxTreeItemId item = tree.appendGroup(std::move(group), NameStyle::plain);
  tree.SelectItem(item);
  editors.showGroup(shown);
  return item;
}

void TreeActions::addGroup() {
  uiThread.assertCurrent("TreeActions::addGroup");
  const wxTreeItemId item = appendNewGroup();
  undo.added("Add Group", item);
  tree.EditLabel(item);
}

void TreeActions::addDefaultGroup() {
  uiThread.assertCurrent("TreeActions::addDefaultGroup");
  appendNewGroup();
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
  undo.added("Add Command", item);
  tree.EditLabel(item);
}

// The editors are stored first: what they held comes back with the record.
void TreeActions::deleteGroup() {
  uiThread.assertCurrent("TreeActions::deleteGroup");
  keeper.changed();
  editors.storeEditors();
  const wxTreeItemId item = selectedGroup();
  const GroupCommand* group = tree.groupRecord(item);
  if (group == nullptr) return;
  const std::string note = DeletedNote::group(group->getName(), ProjectTree::groupBlock(tree, item).commands.size(),
                                              FrameMenus::keyText(wxID_UNDO));
  undo.remove("Delete Group", item);
  showStatus(note);
}

void TreeActions::deleteCommand() {
  uiThread.assertCurrent("TreeActions::deleteCommand");
  keeper.changed();
  editors.storeEditors();
  const wxTreeItemId item = tree.GetSelection();
  const BaseCommand* command = tree.commandRecord(item);
  if (command == nullptr) return;
  const std::string note = DeletedNote::command(command->getName(), FrameMenus::keyText(wxID_UNDO));
  undo.remove("Delete Command", item);
  showStatus(note);
}

void TreeActions::showStatus(const std::string& text) {
  if (auto* frame = dynamic_cast<wxFrame*>(&window)) frame->SetStatusText(WxText::fromUtf8(text), TopToolbar::statusField);
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
  undo.added("Duplicate Group", copy);
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
  undo.added("Duplicate Command", item);
}

void TreeActions::onEndLabelEdit(wxTreeEvent& event) {
  const wxTreeItemId item = event.GetItem();
  std::unique_ptr<BaseCommand> before = undo.copyOf(item);
  tree.endLabelEdit(event);
  undo.changed(tree.isGroupItem(item) ? "Rename Group" : "Rename Command", item, std::move(before));
  keeper.changed();
}

void TreeActions::onItemCollapsing(wxTreeEvent& event) {
  // The tree drops a selection that the collapse hides without a changing event, so the editors
  // are stored now or their edits are lost.
  if (keeper.isLoaded() && isBelow(tree, tree.GetSelection(), event.GetItem())) editors.storeEditors();
  tree.itemCollapsing(event);
  event.Skip();
}

void TreeActions::onBeginDrag(wxTreeEvent& event) {
  if (tree.isGroupItem(event.GetItem())) {
    event.Allow();
    dragItem = event.GetItem();
    return;
  }
  dragItem = tree.beginDrag(event);
}

void TreeActions::onEndDrag(wxTreeEvent& event) {
  const wxTreeItemId dragged = dragItem;
  dragItem = wxTreeItemId();
  if (!dragged.IsOk()) return;
  keeper.changed();
  editors.storeEditors();
  if (tree.isGroupItem(dragged)) {
    // A group dropped on a group or one of its commands takes that group's place; dropped
    // anywhere else it goes last.
    const wxTreeItemId target = tree.groupOf(event.GetItem());
    undo.moveGroup(dragged, target.IsOk() ? tree.indexOf(target) : tree.GetChildrenCount(tree.GetRootItem(), false));
    return;
  }
  const bool copy = copyOnDrop || wxGetKeyState(WXK_CONTROL);
  const TreeSpot from = undo.spotOf(dragged);
  std::unique_ptr<BaseCommand> original = copy ? nullptr : undo.copyOf(dragged);
  const wxTreeItemId dropped = tree.dropCommand(dragged, event.GetItem(), copy);
  if (copy) {
    undo.added("Copy Command", dropped);
  } else {
    undo.moved("Move Command", from, std::move(original), dropped);
  }
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

#pragma once

#include <wx/treebase.h>

#include <string>

#include "tern/OwnerThread.h"

class BaseCommand;
class CommandTree;
class GroupCommand;
class ProjectKeeper;
class TreeUndo;
class wxKeyEvent;
class wxTreeEvent;
class wxWindow;

// The actions on the tree's groups and commands, as the menus, tools and keys start them: add,
// delete, duplicate, rename, drag (a command's copy with Ctrl held; a group moves among the
// groups) and collapse; each keeps the editors and the records in step, tells the keeper of the
// change and leaves it in the undo history. A new group or command opens for renaming; a delete
// says on the status bar what went and how to bring it back. UI thread only.
class TreeActions {
 public:
  // What the actions need of the window's editors.
  class Editors {
   public:
    virtual ~Editors() = default;
    // Writes the editors into the selected item's record.
    virtual void storeEditors() = 0;
    // Shows the group editor filled from group, or the command editor filled from command.
    virtual void showGroup(const GroupCommand& group) = 0;
    virtual void showCommand(const BaseCommand& command) = 0;
  };

  // Binds the tree's label, drag, collapse and key events; window parents the messages and
  // shows the status; the actions' steps go to undo.
  TreeActions(wxWindow& window, CommandTree& tree, Editors& editors, ProjectKeeper& keeper, TreeUndo& undo);

  void addGroup();
  // The group an empty project starts with: no step, no renaming.
  void addDefaultGroup();
  void addCommand();
  void deleteGroup();
  void deleteCommand();
  void duplicateGroup();
  void duplicateCommand();
  // Starts editing a label: the selected group (or the group of the selected command) when
  // groupOnly, else the selected item itself.
  void rename(bool groupOnly);

 private:
  [[nodiscard]] wxTreeItemId selectedGroup() const;
  wxTreeItemId appendNewGroup();
  void showStatus(const std::string& text);
  void onEndLabelEdit(wxTreeEvent& event);
  void onItemCollapsing(wxTreeEvent& event);
  void onBeginDrag(wxTreeEvent& event);
  void onEndDrag(wxTreeEvent& event);
  void onTreeKeyDown(wxTreeEvent& event);
  void onControlKey(wxKeyEvent& event, bool down);

  const Tern::OwnerThread uiThread;
  wxWindow& window;
  CommandTree& tree;
  Editors& editors;
  ProjectKeeper& keeper;
  TreeUndo& undo;
  bool copyOnDrop = false;
  wxTreeItemId dragItem;
};

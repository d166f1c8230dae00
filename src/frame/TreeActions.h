#pragma once

#include <wx/treebase.h>

#include "tern/OwnerThread.h"

class BaseCommand;
class CommandTree;
class GroupCommand;
class ProjectKeeper;
class wxKeyEvent;
class wxTreeEvent;
class wxWindow;

// The actions on the tree's groups and commands, as the menus, tools and keys start them: add,
// delete, duplicate, rename, drag (a copy with Ctrl held) and collapse; each keeps the editors
// and the records in step and tells the keeper of the change. UI thread only.
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

  // Binds the tree's label, drag, collapse and key events; window parents the messages.
  TreeActions(wxWindow& window, CommandTree& tree, Editors& editors, ProjectKeeper& keeper);

  void addGroup();
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
  bool copyOnDrop = false;
  wxTreeItemId dragItem;
};

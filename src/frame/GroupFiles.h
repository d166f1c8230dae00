#pragma once

#include <filesystem>

#include "frame/TreeActions.h"
#include "tern/OwnerThread.h"

class CommandTree;
class ProjectKeeper;
class TreeUndo;
class wxWindow;

// Moves one group between the tree and a group file the user chooses: Export Group writes the
// selected group, Import Group reads one into a new group under the next free name. Failures are
// told, and an export offers the chooser again; an import is a step of the undo history. UI
// thread only.
class GroupFiles {
 public:
  // The choosers start in folder; window parents them and the messages.
  GroupFiles(wxWindow& window, CommandTree& tree, TreeActions::Editors& editors, ProjectKeeper& keeper,
             TreeUndo& undo, std::filesystem::path folder);

  void exportGroup();
  void importGroup();

 private:
  const Tern::OwnerThread uiThread;
  wxWindow& window;
  CommandTree& tree;
  TreeActions::Editors& editors;
  ProjectKeeper& keeper;
  TreeUndo& undo;
  const std::filesystem::path folder;
};

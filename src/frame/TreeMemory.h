#pragma once

#include <wx/treebase.h>

#include "project/TreeState.h"

class CommandTree;

// The command tree's open groups and selection, taken from the tree as it shows them and given
// back to it at the next start. UI thread only.
class TreeMemory {
 public:
  [[nodiscard]] static TreeState capture(const CommandTree& tree);
  // Opens the groups the state names and returns the item it had selected (its group when the
  // command is gone); no item when nothing of the selection is left. Entries the tree no longer
  // matches are passed over.
  [[nodiscard]] static wxTreeItemId restore(CommandTree& tree, const TreeState& state);
};

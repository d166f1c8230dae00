#pragma once

#include <wx/cmdproc.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "history/TreeModel.h"

class BaseCommand;

// One undoable change of the tree, as the Edit menu names it ("Delete Group"): a list of edits
// made in order, taken back in reverse order, then what the last one touched selected. Each
// edit holds what the tree lacks on its side of the step, so a step is made the same way
// whether the change is still to be made or already made. UI thread only.
class TreeStep final : public wxCommand {
 public:
  TreeStep(TreeModel& model, const wxString& name);

  // A group or a command entering or leaving the tree at spot: outside holds it while it is out
  // of the tree now, and is null while it is in.
  TreeStep& slot(const TreeSpot& spot, std::unique_ptr<BaseCommand> outside);
  // The record at spot changes: other is the record on the other side of the step.
  TreeStep& record(const TreeSpot& spot, std::unique_ptr<BaseCommand> other);
  // A group moves from one position among the groups to another.
  TreeStep& moveGroup(std::size_t from, std::size_t to);

  bool Do() override;
  bool Undo() override;

 private:
  struct Edit {
    enum class Kind { slot, record, move } kind;
    TreeSpot spot;
    std::size_t to = 0;
    std::unique_ptr<BaseCommand> held;
  };

  // Makes the edit (forward) or takes it back, and returns the spot it touched.
  TreeSpot apply(Edit& edit, bool forward);

  TreeModel& tree;
  std::vector<Edit> edits;
};

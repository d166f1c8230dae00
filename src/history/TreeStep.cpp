#include "history/TreeStep.h"

#include "commands/BaseCommand.h"

TreeStep::TreeStep(TreeModel& model, const wxString& name) : wxCommand(true, name), tree(model) {}

TreeStep& TreeStep::slot(const TreeSpot& spot, std::unique_ptr<BaseCommand> outside) {
  edits.push_back({Edit::Kind::slot, spot, 0, std::move(outside)});
  return *this;
}

TreeStep& TreeStep::record(const TreeSpot& spot, std::unique_ptr<BaseCommand> other) {
  edits.push_back({Edit::Kind::record, spot, 0, std::move(other)});
  return *this;
}

TreeStep& TreeStep::moveGroup(std::size_t from, std::size_t to) {
  edits.push_back({Edit::Kind::move, TreeSpot{from, {}}, to, nullptr});
  return *this;
}

// An entry or a record change is its own inverse: what is out goes in, and the other way.
TreeSpot TreeStep::apply(Edit& edit, bool forward) {
  switch (edit.kind) {
    case Edit::Kind::slot:
      if (edit.held != nullptr) {
        tree.put(edit.spot, std::move(edit.held));
      } else {
        edit.held = tree.take(edit.spot);
      }
      return edit.spot;
    case Edit::Kind::record:
      edit.held = tree.swap(edit.spot, std::move(edit.held));
      return edit.spot;
    case Edit::Kind::move:
      break;
  }
  const std::size_t from = forward ? edit.spot.group : edit.to;
  const std::size_t to = forward ? edit.to : edit.spot.group;
  tree.put(TreeSpot{to, {}}, tree.take(TreeSpot{from, {}}));
  return TreeSpot{to, {}};
}

bool TreeStep::Do() {
  TreeSpot last;
  for (Edit& edit : edits) last = apply(edit, true);
  if (!edits.empty()) tree.select(last);
  return true;
}

bool TreeStep::Undo() {
  TreeSpot last;
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) last = apply(*edit, false);
  if (!edits.empty()) tree.select(last);
  return true;
}

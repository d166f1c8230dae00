#include "frame/TreeMemory.h"

#include <string>
#include <vector>

#include "commands/BaseCommand.h"
#include "tree/CommandTree.h"

namespace {

// The children of an item in order, with their records' names.
struct Children {
  std::vector<wxTreeItemId> items;
  std::vector<std::string> names;

  Children(const CommandTree& tree, const wxTreeItemId& parent) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree.GetFirstChild(parent, cookie); c.IsOk(); c = tree.GetNextChild(parent, cookie)) {
      const BaseCommand* record = tree.record(c);
      items.push_back(c);
      names.push_back(record != nullptr ? record->getName() : std::string());
    }
  }

  [[nodiscard]] TreeState::Step step(const wxTreeItemId& item) const {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == item) return {i, names[i]};
    }
    return {};
  }

  [[nodiscard]] wxTreeItemId find(const TreeState::Step& step) const {
    const auto at = TreeState::find(step, names);
    return at ? items[*at] : wxTreeItemId();
  }
};

}  // namespace

TreeState TreeMemory::capture(const CommandTree& tree) {
  TreeState state;
  const Children groups(tree, tree.GetRootItem());
  for (std::size_t i = 0; i < groups.items.size(); ++i) {
    if (tree.IsExpanded(groups.items[i])) state.openGroups.push_back({i, groups.names[i]});
  }
  const wxTreeItemId selected = tree.GetSelection();
  const wxTreeItemId group = tree.groupOf(selected);
  if (!group.IsOk()) return state;
  state.selected.push_back(groups.step(group));
  if (selected != group) state.selected.push_back(Children(tree, group).step(selected));
  return state;
}

wxTreeItemId TreeMemory::restore(CommandTree& tree, const TreeState& state) {
  const Children groups(tree, tree.GetRootItem());
  for (const TreeState::Step& step : state.openGroups) {
    if (const wxTreeItemId group = groups.find(step); group.IsOk()) tree.Expand(group);
  }
  if (state.selected.empty()) return {};
  const wxTreeItemId group = groups.find(state.selected.front());
  if (!group.IsOk() || state.selected.size() < 2) return group;
  tree.openGroup(group);
  const wxTreeItemId command = Children(tree, group).find(state.selected[1]);
  return command.IsOk() ? command : group;
}

#include "frame/ProjectTree.h"

#include <vector>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "tree/CommandTree.h"

ProjectTree::Filler::Filler(CommandTree& target, std::optional<NameStyle> groupNames)
    : tree(target), groupNaming(groupNames) {}

void ProjectTree::Filler::group(std::unique_ptr<GroupCommand> record) {
  lastGroup = tree.appendGroup(std::move(record), groupNaming);
}

void ProjectTree::Filler::command(std::unique_ptr<BaseCommand> record) {
  tree.holdCommand(lastGroup, std::move(record));
}

ProjectFile::GroupBlock ProjectTree::groupBlock(const CommandTree& tree, const wxTreeItemId& groupItem) {
  ProjectFile::GroupBlock block{tree.groupRecord(groupItem), {}};
  if (block.group == nullptr) return block;
  const auto& unopened = block.group->unopenedCommands();
  block.commands.reserve(unopened.size() + tree.GetChildrenCount(groupItem, false));
  for (const auto& command : unopened) block.commands.push_back(command.get());
  wxTreeItemIdValue cookie;
  // A group's children are its commands.
  for (wxTreeItemId c = tree.GetFirstChild(groupItem, cookie); c.IsOk(); c = tree.GetNextChild(groupItem, cookie)) {
    if (const BaseCommand* command = tree.record(c)) block.commands.push_back(command);
  }
  return block;
}

std::string ProjectTree::text(const CommandTree& tree, std::size_t sizeHint) {
  const wxTreeItemId root = tree.GetRootItem();
  std::vector<ProjectFile::GroupBlock> blocks;
  wxTreeItemIdValue groupCookie;
  for (wxTreeItemId g = tree.GetFirstChild(root, groupCookie); g.IsOk(); g = tree.GetNextChild(root, groupCookie)) {
    ProjectFile::GroupBlock block = groupBlock(tree, g);
    if (block.group != nullptr) blocks.push_back(std::move(block));
  }
  std::string out;
  out.reserve(sizeHint + sizeHint / 8);
  ProjectFile::writeProject(out, blocks);
  return out;
}

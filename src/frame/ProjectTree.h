#pragma once

#include <wx/treebase.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "project/ProjectFile.h"
#include "tree/ItemNames.h"

class BaseCommand;
class CommandTree;
class GroupCommand;

// The command tree in the project file's form, both ways: the records a project or group file
// reader makes go into the tree in file order, and the tree's groups come out as the file's
// blocks. UI thread only.
class ProjectTree {
 public:
  // Puts what a reader makes into the tree. Command names are taken as stored; group names
  // too, unless a style for them is given.
  class Filler final : public ProjectFile::Sink {
   public:
    explicit Filler(CommandTree& target, std::optional<NameStyle> groupNames = {});
    void group(std::unique_ptr<GroupCommand> record) override;
    void command(std::unique_ptr<BaseCommand> record) override;
    // The item of the group read last; unset when none was.
    [[nodiscard]] const wxTreeItemId& lastGroupItem() const { return lastGroup; }

   private:
    CommandTree& tree;
    std::optional<NameStyle> groupNaming;
    wxTreeItemId lastGroup;
  };

  // A group item's record and its commands, those never opened first; no record for an item
  // that is not a group.
  [[nodiscard]] static ProjectFile::GroupBlock groupBlock(const CommandTree& tree, const wxTreeItemId& groupItem);
  // The whole tree in the project file's form; sizeHint reserves about that much room, so that
  // the text does not grow by copying itself again and again.
  [[nodiscard]] static std::string text(const CommandTree& tree, std::size_t sizeHint);
};

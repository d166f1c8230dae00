#pragma once

#include <wx/treebase.h>

class BaseCommand;
class GroupCommand;

// The command tree as a run sees it: the running group, its commands in tree order, and the
// records of their items. UI thread only.
class RunGroup {
 public:
  virtual ~RunGroup() = default;

  // The group to run: the selected group item, or the group of the selected command. UI thread
  // only.
  [[nodiscard]] virtual wxTreeItemId runningGroup() const = 0;
  // The record of a group item; null for any other item. UI thread only.
  [[nodiscard]] virtual GroupCommand* groupRecord(const wxTreeItemId& item) const = 0;
  // The first command item of a group item; unset when it has none. UI thread only.
  [[nodiscard]] virtual wxTreeItemId firstCommand(const wxTreeItemId& group) const = 0;
  // The command item after a command item of the same group; unset after the last. UI thread
  // only.
  [[nodiscard]] virtual wxTreeItemId nextCommand(const wxTreeItemId& command) const = 0;
  // The record of a command item; null for any other item. UI thread only.
  [[nodiscard]] virtual BaseCommand* commandRecord(const wxTreeItemId& item) const = 0;
};

#pragma once

#include <wx/treectrl.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tree/ItemLevel.h"
#include "tree/ItemNames.h"
#include "tree/RunGroup.h"

class BaseCommand;
class GroupCommand;

// The tree of the project: one root, the groups under it and the commands under each group.
// Every group and command record is the data of its item and is deleted with it; a label always
// shows the name in its item's record (a long one cut short). A group's commands may be held
// without items until the group is first opened (expanded, run, or given another command): a
// loaded project's many commands then cost their records only. The main window handles the
// tree's notifications and calls the operations below from its handlers. UI thread only.
class CommandTree : public wxTreeCtrl, public RunGroup {
 public:
  // Indexes into the tree's image list.
  enum Image : int { rootOpenImage = 0, rootClosedImage, groupOpenImage, groupClosedImage, commandImage };
  using NameStyle = ::NameStyle;

  static constexpr std::string_view rootLabel = "Available Commands";

  CommandTree(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = wxTR_DEFAULT_STYLE | wxTR_EDIT_LABELS,
              const wxValidator& validator = wxDefaultValidator, const wxString& name = wxTreeCtrlNameStr);
  ~CommandTree() override;
  CommandTree(const CommandTree&) = delete;
  CommandTree& operator=(const CommandTree&) = delete;

  // The root "Available Commands", without a record.
  wxTreeItemId addRootItem();

  [[nodiscard]] ItemLevel level(const wxTreeItemId& item) const;
  // An item whose parent is the root.
  [[nodiscard]] bool isGroupItem(const wxTreeItemId& item) const;
  [[nodiscard]] bool isCommandItem(const wxTreeItemId& item) const;
  // The item's record; null for the root and for no item.
  [[nodiscard]] BaseCommand* record(const wxTreeItemId& item) const;
  // The group item itself, or a command's group; no item for the root.
  [[nodiscard]] wxTreeItemId groupOf(const wxTreeItemId& item) const;

  // A run's view: the group of the selection, and its commands in tree order.
  [[nodiscard]] wxTreeItemId runningGroup() const override { return groupOf(GetSelection()); }
  [[nodiscard]] GroupCommand* groupRecord(const wxTreeItemId& item) const override;
  [[nodiscard]] wxTreeItemId firstCommand(const wxTreeItemId& group) const override;
  [[nodiscard]] wxTreeItemId nextCommand(const wxTreeItemId& command) const override;
  [[nodiscard]] BaseCommand* commandRecord(const wxTreeItemId& item) const override;

  // Appends a record as the last group, or as the last command of a group, labelled with its
  // name; with a style, the name is first made unique among its new siblings. Gives the
  // receiving parent its expanded image. No item (and the record deleted) when there is no root
  // or the parent is not a group.
  wxTreeItemId appendGroup(std::unique_ptr<GroupCommand> group, std::optional<NameStyle> naming);
  wxTreeItemId appendCommand(const wxTreeItemId& group, std::unique_ptr<BaseCommand> command,
                             std::optional<NameStyle> naming);
  // Appends a command as the last of a group without making its item while the group has none
  // (as a project is read); the group shows that it can be opened. Otherwise as appendCommand.
  void holdCommand(const wxTreeItemId& group, std::unique_ptr<BaseCommand> command);
  // Makes the items of the commands a group holds without them, in their order.
  void openGroup(const wxTreeItemId& group);

  // The position of a group among the groups, or of a command in its group.
  [[nodiscard]] std::size_t indexOf(const wxTreeItemId& item) const;
  // The child of parent at a position; no item past the last.
  [[nodiscard]] wxTreeItemId childAt(const wxTreeItemId& parent, std::size_t at) const;
  // Puts a record in at a position (past the last: last), labelled with its name as it is: a
  // group with the commands it holds, or a command of a group. For undoing and redoing, where
  // the record comes back exactly as it left.
  wxTreeItemId insertGroup(std::size_t at, std::unique_ptr<GroupCommand> group);
  wxTreeItemId insertCommand(const wxTreeItemId& group, std::size_t at, std::unique_ptr<BaseCommand> command);
  // Takes a group or command item out of the tree and hands its record over, a group's commands
  // held by it as never opened; the parent left empty shows its closed image.
  std::unique_ptr<BaseCommand> takeItem(const wxTreeItemId& item);
  // Puts record in place of the item's own, which is handed back; a group's commands stay with
  // the item.
  std::unique_ptr<BaseCommand> replaceRecord(const wxTreeItemId& item, std::unique_ptr<BaseCommand> record);

  // No other child of the item's parent has this label; always true for the root or no item.
  [[nodiscard]] bool isNameUnique(const wxString& name, const wxTreeItemId& item) const;
  // Leaves a unique name alone; otherwise replaces it by the first unique candidate of the
  // style and sets it as the item's label. The caller stores the name into the record.
  void makeNameUnique(wxString& name, const wxTreeItemId& item, NameStyle style);
  // The same on a record's name (UTF-8).
  void makeNameUnique(std::string& name, const wxTreeItemId& item, NameStyle style);

  // Renames a group or a command to label, without DEL, CR and LF. A name a sibling already has
  // is refused with a message over messageParent, or over the tree's top-level window when it is
  // null. Returns whether the name was taken.
  bool renameItem(const wxTreeItemId& item, const wxString& label, wxWindow* messageParent = nullptr);

  // Shows the item and edits its label in an editor at least as wide as the toolkit's natural
  // size; sized to the label alone, a short or hidden label's editor would clip its text.
  wxTextCtrl* EditLabel(const wxTreeItemId& item, wxClassInfo* textCtrlClass = wxCLASSINFO(wxTextCtrl)) override;

  // For the label-editing notifications: the root's label cannot be edited, and an edit that
  // ends unless cancelled renames the item; the event is vetoed, as the label is already set.
  void beginLabelEdit(wxTreeEvent& event) const;
  void endLabelEdit(wxTreeEvent& event);

  // For the collapsing notification: the root takes every group down with it first.
  void itemCollapsing(const wxTreeEvent& event);
  void collapseGroups();

  // For the begin-drag notifications: allows dragging a command, and returns it; a group or the
  // root is not dragged, and no item is returned.
  wxTreeItemId beginDrag(wxTreeEvent& event) const;
  // The group a drop on target puts the command first in, or the command it goes after; no item
  // when the drop is to be ignored.
  [[nodiscard]] wxTreeItemId findDropAnchor(const wxTreeItemId& target) const;
  // Drops a copy of a dragged command at target's anchor, through its record's text, and selects
  // it. Without copy the dragged item goes; the new name is then made unique, in the plain style
  // for a move and the copy style for a copy. Returns the new item; no item when ignored.
  wxTreeItemId dropCommand(const wxTreeItemId& dragged, const wxTreeItemId& target, bool copy);

 private:
  // The items are a view of the records: making a group's items changes nothing a reader of the
  // records sees, so the readers may make them.
  void openGroupFor(const wxTreeItemId& group) const;
  [[nodiscard]] static wxString labelOf(std::string_view name);
  // Gives the item the image for its expanded state unless it has it already.
  void setExpandedImage(const wxTreeItemId& item, Image image);
};

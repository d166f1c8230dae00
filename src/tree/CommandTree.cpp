#include "tree/CommandTree.h"

#include <wx/imaglist.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "resources/Resources.h"
#include "shell/UserDialogs.h"
#include "text/WxText.h"
#include "tree/DropAnchor.h"

namespace {

constexpr int imageSide = 16;

// The command tree as the drop rule sees it.
class DropView {
 public:
  using Item = wxTreeItemId;

  explicit DropView(const CommandTree& commands) : tree(commands) {}

  [[nodiscard]] ItemLevel level(const Item& item) const { return tree.level(item); }
  [[nodiscard]] Item previousSibling(const Item& item) const { return tree.GetPrevSibling(item); }
  [[nodiscard]] Item parent(const Item& item) const { return tree.GetItemParent(item); }

 private:
  const CommandTree& tree;
};

}  // namespace

CommandTree::CommandTree(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxValidator& validator, const wxString& name)
    : wxTreeCtrl(parent, id, pos, size, style | wxCLIP_CHILDREN, validator, name) {
  SetBackgroundColour(*wxWHITE);
  auto* images = new wxImageList(imageSide, imageSide, true, 1);
  for (const char* resource : {"ROOTOPENICON", "ROOTCLOSEDICON", "GROUPOPENICON", "GROUPCLOSEDICON", "COMMANDICON"}) {
    images->Add(Resources::bitmap(resource));
  }
  AssignImageList(images);
  Bind(wxEVT_TREE_ITEM_EXPANDING, [this](wxTreeEvent& event) {
    openGroup(event.GetItem());
    event.Skip();
  });
}

CommandTree::~CommandTree() = default;

wxTreeItemId CommandTree::addRootItem() {
  return AddRoot(wxString::FromUTF8(rootLabel.data(), rootLabel.size()), rootClosedImage);
}

ItemLevel CommandTree::level(const wxTreeItemId& item) const {
  if (!item.IsOk()) return ItemLevel::none;
  const wxTreeItemId parent = GetItemParent(item);
  if (!parent.IsOk()) return ItemLevel::root;
  return parent == GetRootItem() ? ItemLevel::group : ItemLevel::command;
}

bool CommandTree::isGroupItem(const wxTreeItemId& item) const { return level(item) == ItemLevel::group; }

bool CommandTree::isCommandItem(const wxTreeItemId& item) const { return level(item) == ItemLevel::command; }

// The tree makes every item with data itself, and each one's data is a record: no run-time
// check is needed, which a save would make for every command.
BaseCommand* CommandTree::record(const wxTreeItemId& item) const {
  if (!item.IsOk()) return nullptr;
  return static_cast<BaseCommand*>(GetItemData(item));
}

GroupCommand* CommandTree::groupRecord(const wxTreeItemId& item) const {
  return dynamic_cast<GroupCommand*>(record(item));
}

wxTreeItemId CommandTree::firstCommand(const wxTreeItemId& group) const {
  if (!isGroupItem(group)) return {};
  openGroupFor(group);
  wxTreeItemIdValue cookie;
  return GetFirstChild(group, cookie);
}

wxTreeItemId CommandTree::nextCommand(const wxTreeItemId& command) const {
  return isCommandItem(command) ? GetNextSibling(command) : wxTreeItemId();
}

BaseCommand* CommandTree::commandRecord(const wxTreeItemId& item) const {
  return isCommandItem(item) ? record(item) : nullptr;
}

wxTreeItemId CommandTree::groupOf(const wxTreeItemId& item) const {
  switch (level(item)) {
    case ItemLevel::group:
      return item;
    case ItemLevel::command:
      return GetItemParent(item);
    case ItemLevel::root:
    case ItemLevel::none:
      break;
  }
  return {};
}

wxString CommandTree::labelOf(std::string_view name) { return WxText::fromUtf8(ItemNames::label(name)); }

void CommandTree::setExpandedImage(const wxTreeItemId& item, Image image) {
  // Setting an image measures the item again; filling a large tree would do so for every child.
  if (GetItemImage(item, wxTreeItemIcon_Expanded) != image) SetItemImage(item, image, wxTreeItemIcon_Expanded);
}

wxTreeItemId CommandTree::appendGroup(std::unique_ptr<GroupCommand> group, std::optional<NameStyle> naming) {
  const wxTreeItemId root = GetRootItem();
  if (!root.IsOk() || group == nullptr) return {};
  wxString name = WxText::fromUtf8(group->getName());
  GroupCommand* owned = group.get();
  const wxTreeItemId item = AppendItem(root, labelOf(owned->getName()), groupClosedImage, -1, group.release());
  if (naming) {
    makeNameUnique(name, item, *naming);
    owned->setName(WxText::toUtf8(name));
  }
  setExpandedImage(root, rootOpenImage);
  return item;
}

wxTreeItemId CommandTree::appendCommand(const wxTreeItemId& group, std::unique_ptr<BaseCommand> command,
                                        std::optional<NameStyle> naming) {
  if (!isGroupItem(group) || command == nullptr) return {};
  openGroup(group);
  wxString name = WxText::fromUtf8(command->getName());
  BaseCommand* owned = command.get();
  const wxTreeItemId item = AppendItem(group, labelOf(owned->getName()), commandImage, -1, command.release());
  if (naming) {
    makeNameUnique(name, item, *naming);
    owned->setName(WxText::toUtf8(name));
  }
  setExpandedImage(group, groupOpenImage);
  return item;
}

void CommandTree::holdCommand(const wxTreeItemId& group, std::unique_ptr<BaseCommand> command) {
  GroupCommand* owner = isGroupItem(group) ? groupRecord(group) : nullptr;
  if (owner == nullptr || command == nullptr) return;
  if (GetChildrenCount(group, false) > 0) {
    appendCommand(group, std::move(command), {});
    return;
  }
  std::vector<std::unique_ptr<BaseCommand>>& held = owner->unopenedCommands();
  if (held.empty()) {
    SetItemHasChildren(group, true);
    setExpandedImage(group, groupOpenImage);
  }
  held.push_back(std::move(command));
}

void CommandTree::openGroup(const wxTreeItemId& group) {
  GroupCommand* owner = isGroupItem(group) ? groupRecord(group) : nullptr;
  if (owner == nullptr || owner->unopenedCommands().empty()) return;
  std::vector<std::unique_ptr<BaseCommand>> held = std::move(owner->unopenedCommands());
  owner->unopenedCommands().clear();
  for (std::unique_ptr<BaseCommand>& command : held) {
    const wxString label = labelOf(command->getName());
    AppendItem(group, label, commandImage, -1, command.release());
  }
  // The button follows the items from now on: a group whose last command goes shows none.
  SetItemHasChildren(group, false);
}

std::size_t CommandTree::indexOf(const wxTreeItemId& item) const {
  std::size_t at = 0;
  for (wxTreeItemId before = GetPrevSibling(item); before.IsOk(); before = GetPrevSibling(before)) ++at;
  return at;
}

wxTreeItemId CommandTree::childAt(const wxTreeItemId& parent, std::size_t at) const {
  if (!parent.IsOk()) return {};
  wxTreeItemIdValue cookie;
  wxTreeItemId child = GetFirstChild(parent, cookie);
  for (; child.IsOk() && at > 0; --at) child = GetNextChild(parent, cookie);
  return child;
}

wxTreeItemId CommandTree::insertGroup(std::size_t at, std::unique_ptr<GroupCommand> group) {
  const wxTreeItemId root = GetRootItem();
  if (!root.IsOk() || group == nullptr) return {};
  at = std::min(at, GetChildrenCount(root, false));
  const bool holds = !group->unopenedCommands().empty();
  const wxString label = labelOf(group->getName());
  const wxTreeItemId item = InsertItem(root, at, label, groupClosedImage, -1, group.release());
  if (holds) {
    SetItemHasChildren(item, true);
    setExpandedImage(item, groupOpenImage);
  }
  setExpandedImage(root, rootOpenImage);
  return item;
}

wxTreeItemId CommandTree::insertCommand(const wxTreeItemId& group, std::size_t at,
                                        std::unique_ptr<BaseCommand> command) {
  if (!isGroupItem(group) || command == nullptr) return {};
  openGroup(group);
  at = std::min(at, GetChildrenCount(group, false));
  const wxString label = labelOf(command->getName());
  const wxTreeItemId item = InsertItem(group, at, label, commandImage, -1, command.release());
  setExpandedImage(group, groupOpenImage);
  return item;
}

std::unique_ptr<BaseCommand> CommandTree::takeItem(const wxTreeItemId& item) {
  const ItemLevel taken = level(item);
  if (taken != ItemLevel::group && taken != ItemLevel::command) return nullptr;
  std::unique_ptr<BaseCommand> owned(record(item));
  if (auto* group = dynamic_cast<GroupCommand*>(owned.get())) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = GetFirstChild(item, cookie); c.IsOk(); c = GetNextChild(item, cookie)) {
      group->unopenedCommands().emplace_back(record(c));
      SetItemData(c, nullptr);
    }
  }
  SetItemData(item, nullptr);
  const wxTreeItemId parent = GetItemParent(item);
  Delete(item);
  if (!HasChildren(parent)) SetItemImage(parent, taken == ItemLevel::group ? rootClosedImage : groupClosedImage);
  return owned;
}

std::unique_ptr<BaseCommand> CommandTree::replaceRecord(const wxTreeItemId& item, std::unique_ptr<BaseCommand> next) {
  std::unique_ptr<BaseCommand> old(record(item));
  if (old == nullptr || next == nullptr) {
    old.release();
    return next;
  }
  auto* oldGroup = dynamic_cast<GroupCommand*>(old.get());
  if (auto* nextGroup = dynamic_cast<GroupCommand*>(next.get()); oldGroup != nullptr && nextGroup != nullptr) {
    nextGroup->unopenedCommands() = std::move(oldGroup->unopenedCommands());
    oldGroup->unopenedCommands().clear();
  }
  SetItemText(item, labelOf(next->getName()));
  SetItemData(item, next.release());
  return old;
}

void CommandTree::openGroupFor(const wxTreeItemId& group) const { const_cast<CommandTree*>(this)->openGroup(group); }

bool CommandTree::isNameUnique(const wxString& name, const wxTreeItemId& item) const {
  if (level(item) == ItemLevel::root || level(item) == ItemLevel::none) return true;
  const std::string wanted = WxText::toUtf8(name);
  const wxTreeItemId parent = GetItemParent(item);
  wxTreeItemIdValue cookie;
  for (wxTreeItemId sibling = GetFirstChild(parent, cookie); sibling.IsOk(); sibling = GetNextChild(parent, cookie)) {
    if (sibling == item) continue;
    // A label may show a long name cut short; an item without a record has its label only.
    const BaseCommand* named = record(sibling);
    if ((named != nullptr ? named->getName() : WxText::toUtf8(GetItemText(sibling))) == wanted) return false;
  }
  return true;
}

void CommandTree::makeNameUnique(wxString& name, const wxTreeItemId& item, NameStyle style) {
  if (isNameUnique(name, item)) return;
  name = WxText::fromUtf8(ItemNames::unique(WxText::toUtf8(name), style, [this, &item](const std::string& candidate) {
    return !isNameUnique(WxText::fromUtf8(candidate), item);
  }));
  SetItemText(item, labelOf(WxText::toUtf8(name)));
}

void CommandTree::makeNameUnique(std::string& name, const wxTreeItemId& item, NameStyle style) {
  wxString label = WxText::fromUtf8(name);
  if (isNameUnique(label, item)) return;
  makeNameUnique(label, item, style);
  name = WxText::toUtf8(label);
}

bool CommandTree::renameItem(const wxTreeItemId& item, const wxString& label, wxWindow* messageParent) {
  BaseCommand* named = record(item);
  if (named == nullptr) return false;
  const std::string name = ItemNames::withoutBreakingBytes(WxText::toUtf8(label));
  const wxString kept = WxText::fromUtf8(name);
  if (!isNameUnique(kept, item)) {
    UserDialogs::current().tell("No duplicate command names.", "Rename Error", UserDialogs::Icon::error,
                                messageParent != nullptr ? messageParent : wxGetTopLevelParent(this));
    return false;
  }
  named->setName(name);
  SetItemText(item, labelOf(name));
  return true;
}

wxTextCtrl* CommandTree::EditLabel(const wxTreeItemId& item, wxClassInfo* textCtrlClass) {
  if (item.IsOk()) EnsureVisible(item);
  wxTextCtrl* editor = wxTreeCtrl::EditLabel(item, textCtrlClass);
  if (editor != nullptr) {
    wxSize size = editor->GetSize();
    size.IncTo(editor->GetBestSize());
    editor->SetSize(size);
  }
  return editor;
}

void CommandTree::beginLabelEdit(wxTreeEvent& event) const {
  const ItemLevel edited = level(event.GetItem());
  if (edited == ItemLevel::root || edited == ItemLevel::none) event.Veto();
}

void CommandTree::endLabelEdit(wxTreeEvent& event) {
  if (event.IsEditCancelled()) return;
  // A label left as shown keeps the name, whole even where the label shows it cut short.
  if (event.GetLabel() != GetItemText(event.GetItem())) renameItem(event.GetItem(), event.GetLabel());
  // The label is already what the record holds; allowed, the toolkit would put the typed text back.
  event.Veto();
}

void CommandTree::itemCollapsing(const wxTreeEvent& event) {
  if (level(event.GetItem()) == ItemLevel::root) collapseGroups();
}

void CommandTree::collapseGroups() {
  const wxTreeItemId root = GetRootItem();
  if (!root.IsOk()) return;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId group = GetFirstChild(root, cookie); group.IsOk(); group = GetNextChild(root, cookie)) {
    Collapse(group);
  }
}

wxTreeItemId CommandTree::beginDrag(wxTreeEvent& event) const {
  const wxTreeItemId item = event.GetItem();
  if (!isCommandItem(item)) {
    event.Veto();
    return {};
  }
  event.Allow();
  return item;
}

wxTreeItemId CommandTree::findDropAnchor(const wxTreeItemId& target) const {
  return DropAnchor::find(DropView(*this), target);
}

wxTreeItemId CommandTree::dropCommand(const wxTreeItemId& dragged, const wxTreeItemId& target, bool copy) {
  if (!isCommandItem(dragged)) return {};
  const BaseCommand* source = record(dragged);
  const wxTreeItemId anchor = findDropAnchor(target);
  if (source == nullptr || !anchor.IsOk()) return {};

  std::unique_ptr<BaseCommand> duplicate = source->clone();
  BaseCommand* owned = duplicate.get();
  wxString name = WxText::fromUtf8(owned->getName());
  const wxString label = labelOf(owned->getName());

  const bool intoGroup = isGroupItem(anchor);
  const wxTreeItemId group = intoGroup ? anchor : GetItemParent(anchor);
  openGroup(group);
  const wxTreeItemId item = intoGroup ? InsertItem(group, 0, label, commandImage, -1, duplicate.release())
                                      : InsertItem(group, anchor, label, commandImage, -1, duplicate.release());
  setExpandedImage(group, groupOpenImage);
  // A drop into a collapsed group would otherwise select a command nobody sees.
  EnsureVisible(item);
  SelectItem(item);

  if (!copy) Delete(dragged);
  makeNameUnique(name, item, copy ? NameStyle::copy : NameStyle::plain);
  owned->setName(WxText::toUtf8(name));
  Refresh();
  return item;
}

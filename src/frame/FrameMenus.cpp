#include "frame/FrameMenus.h"

#include <wx/accel.h>
#include <wx/cmdproc.h>
#include <wx/frame.h>
#include <wx/menu.h>

#include <initializer_list>
#include <vector>

#include "shell/FrameIds.h"
#include "shell/TopToolbar.h"
#include "shell/WebLinks.h"

namespace {

struct MenuEntry {
  int id;
  wxString label;
  wxString help;
  // A key that starts the entry from anywhere in the window; none when keyCode is 0.
  int keyFlags = wxACCEL_NORMAL;
  int keyCode = 0;
};

// Every entry of the window's menus, and the keys that start them.
const std::vector<MenuEntry>& entries() {
  static const std::vector<MenuEntry> table{
      {FrameId::exitProgram, "E&xit", "Exit Zentak"},
      {wxID_UNDO, "&Undo", "Undo the last change to the groups and commands.", wxACCEL_CTRL, 'Z'},
      {wxID_REDO, "&Redo", "Redo the change last undone.", wxACCEL_CTRL | wxACCEL_SHIFT, 'Z'},
      {FrameId::addGroup, "&Add New Group", "Add a new group of commands."},
      {FrameId::duplicateGroup, "Du&plicate Group", "Make a duplicate copy of the selected group."},
      {FrameId::deleteGroup, "&Delete Group", "Delete the selected group."},
      {FrameId::renameGroup, "&Rename Group", "Rename the selected group."},
      {FrameId::exportGroup, "&Export Group", "Export the selected group to file."},
      {FrameId::importGroup, "&Import Group", "Import a group file."},
      // Its own mnemonic: the Group menu and its context menu hold "&Add New Group" too.
      {FrameId::addCommand, "Add New &Command", "Add a new command to the group."},
      {FrameId::duplicateCommand, "Du&plicate Command", "Make a duplicate copy of the selected command."},
      {FrameId::deleteCommand, "&Delete Command", "Delete the selected command."},
      {FrameId::renameCommand, "&Rename Command", "Rename the selected command."},
      // Its own mnemonic: "Add New &Command" sits in the same menu.
      {FrameId::recordInput, "Rec&ord", "Record keys and mouse buttons into the text being edited."},
      {FrameId::runGroup, "&Run Current Group", "Runs the currently selected command group.", wxACCEL_CTRL, 'R'},
      {FrameId::helpContents, "&Contents", "Display the help contents."},
      {FrameId::helpIndex, "&Index", "Display the help index."},
      {FrameId::webSite, WebLinks::menuLabel(), WebLinks::menuHelp()},
      {FrameId::checkVersion, "Check For New &Version", "Check for a new version of Zentak."},
      {FrameId::tellFriend, "Tell-A-&Friend", "Tell a friend about Zentak."},
      {FrameId::about, "&About Zentak", "Display the about box."},
      // The popup help of the control with the focus: a key only.
      {FrameId::popupHelp, {}, {}, wxACCEL_NORMAL, WXK_F1},
  };
  return table;
}

constexpr int separator = wxID_SEPARATOR;

const MenuEntry* entryOf(int id) {
  for (const MenuEntry& entry : entries()) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

// The entry's key as a menu item shows it; empty when it has none.
wxString keyOf(const MenuEntry& entry) {
  if (entry.keyCode == 0) return {};
  return wxAcceleratorEntry(entry.keyFlags, entry.keyCode).ToString();
}

// A label with its key after a tab, which the menu shows and answers.
wxString labelWithKey(const MenuEntry& entry) {
  const wxString key = keyOf(entry);
  return key.empty() ? entry.label : entry.label + '\t' + key;
}

wxMenu* makeMenu(std::initializer_list<int> ids) {
  auto* menu = new wxMenu;
  for (int id : ids) {
    if (id == separator) {
      menu->AppendSeparator();
      continue;
    }
    if (const MenuEntry* entry = entryOf(id)) menu->Append(id, labelWithKey(*entry), entry->help);
  }
  return menu;
}

wxMenu* makeGroupMenu() {
  return makeMenu({FrameId::addGroup, FrameId::duplicateGroup, FrameId::deleteGroup, FrameId::renameGroup, separator,
                   FrameId::addCommand, separator, FrameId::exportGroup, FrameId::importGroup});
}

wxMenu* makeCommandMenu() {
  return makeMenu({FrameId::addCommand, FrameId::duplicateCommand, FrameId::deleteCommand, FrameId::renameCommand,
                   separator, FrameId::recordInput});
}

}  // namespace

FrameMenus::FrameMenus(wxFrame& window) : frame(window) {
  // The menu items answer their own keys; the table holds those of entries without an item.
  std::vector<wxAcceleratorEntry> keys;
  for (const MenuEntry& entry : entries()) {
    if (entry.keyCode != 0 && entry.label.empty()) keys.emplace_back(entry.keyFlags, entry.keyCode, entry.id);
  }
  frame.SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));

  groupMenu = makeGroupMenu();
  commandMenu = makeCommandMenu();
  groupPopup.reset(makeGroupMenu());
  commandPopup.reset(makeCommandMenu());
  rootPopup.reset(makeMenu({FrameId::addGroup, FrameId::importGroup}));

  auto* bar = new wxMenuBar;
  bar->Append(makeMenu({FrameId::exitProgram}), "&File");
  editMenu = makeMenu({wxID_UNDO, wxID_REDO});
  bar->Append(editMenu, "&Edit");
  bar->Append(groupMenu, "&Group");
  bar->Append(commandMenu, "&Command");
  wxMenu* run = makeMenu({FrameId::runGroup});
  runItem = run->FindItemByPosition(0);
  bar->Append(run, "&Run");
  bar->Append(makeMenu({FrameId::helpContents, FrameId::helpIndex, separator, FrameId::webSite, FrameId::checkVersion,
                        FrameId::tellFriend, separator, FrameId::about}),
              "&Help");
  frame.SetMenuBar(bar);
}

FrameMenus::~FrameMenus() = default;

void FrameMenus::enableFor(bool commandSelected, TopToolbar& tools) {
  runItem->Enable(true);
  for (int id : {FrameId::toolRunGroup, FrameId::toolAddGroup, FrameId::toolDeleteGroup, FrameId::toolAddCommand}) {
    tools.EnableTool(id, true);
  }
  tools.EnableTool(FrameId::toolDeleteCommand, commandSelected);
  for (wxMenu* menu : {groupMenu, groupPopup.get()}) {
    for (int id = FrameId::addGroup; id <= FrameId::importGroup; ++id) menu->Enable(id, true);
  }
  for (wxMenu* menu : {commandMenu, commandPopup.get()}) {
    menu->Enable(FrameId::addCommand, true);
    for (int id = FrameId::duplicateCommand; id <= FrameId::renameCommand; ++id) menu->Enable(id, commandSelected);
  }
}

void FrameMenus::followHistory(wxCommandProcessor& history) {
  history.SetEditMenu(editMenu);
  history.SetUndoAccelerator('\t' + wxString::FromUTF8(keyText(wxID_UNDO)));
  history.SetRedoAccelerator('\t' + wxString::FromUTF8(keyText(wxID_REDO)));
  history.SetMenuStrings();
}

std::string FrameMenus::keyText(int id) {
  const MenuEntry* entry = entryOf(id);
  return entry != nullptr ? keyOf(*entry).utf8_string() : std::string();
}

wxMenu& FrameMenus::popup(Popup which) const {
  switch (which) {
    case Popup::root: return *rootPopup;
    case Popup::group: return *groupPopup;
    case Popup::command: break;
  }
  return *commandPopup;
}

#include "frame/GroupFiles.h"

#include <optional>
#include <system_error>

#include "commands/GroupCommand.h"
#include "project/keeper/ProjectKeeper.h"
#include "frame/ProjectTree.h"
#include "frame/TreeUndo.h"
#include "project/GroupFile.h"
#include "shell/UserDialogs.h"
#include "text/WxText.h"
#include "tree/CommandTree.h"

namespace {

const wxString exportTitle = "Export Group As";
const wxString exportWildcard = "Zentak Group Export Files (*.zgf)|*.zgf";
const wxString importTitle = "Import Group From";
const wxString importWildcard = "Zentak Group Exported Files (*.zgf)|*.zgf";

// A path from a file chooser, in the file system's encoding.
std::filesystem::path chosenPath(const wxString& chosen) { return {std::string(chosen.fn_str())}; }

}  // namespace

GroupFiles::GroupFiles(wxWindow& parent, CommandTree& commandTree, TreeActions::Editors& windowEditors,
                       ProjectKeeper& projectKeeper, TreeUndo& history, std::filesystem::path start)
    : window(parent), tree(commandTree), editors(windowEditors), keeper(projectKeeper), undo(history),
      folder(std::move(start)) {}

void GroupFiles::exportGroup() {
  uiThread.assertCurrent("GroupFiles::exportGroup");
  editors.storeEditors();
  UserDialogs& dialogs = UserDialogs::current();
  const ProjectFile::GroupBlock block = ProjectTree::groupBlock(tree, tree.groupOf(tree.GetSelection()));
  if (block.group == nullptr) {
    dialogs.tell("Please try again", "Internal Error", UserDialogs::Icon::error, &window);
    return;
  }
  // Until the group is written or the user gives up, each failure offers the chooser again.
  for (;;) {
    const std::optional<wxString> chosen = dialogs.chooseFileToSave(
        &window, exportTitle, exportWildcard, WxText::fromUtf8(folder.string()), WxText::fromUtf8(block.group->getName()));
    if (!chosen) return;
    const std::filesystem::path path = GroupFile::withGroupExtension(chosenPath(*chosen));
    // The chooser asked about the name as written, not about the one the extension made.
    std::error_code unknown;
    if (path != chosenPath(*chosen) && std::filesystem::exists(path, unknown) &&
        !dialogs.ask("\"" + WxText::fromUtf8(path.filename().string()) + "\" already exists.\nDo you want to replace it?",
                     exportTitle, &window)) {
      continue;
    }
    switch (GroupFile::save(path, block)) {
      case GroupFile::SaveOutcome::saved:
        return;
      case GroupFile::SaveOutcome::notWritable:
        dialogs.tell("File appears to be read-only.\nPlease select a different file.", "Save Failed",
                     UserDialogs::Icon::error, &window);
        break;
      case GroupFile::SaveOutcome::writeFailed:
        dialogs.tell("Failed to write group file.\nPlease try again.", "Save Failed", UserDialogs::Icon::error, &window);
        break;
    }
  }
}

void GroupFiles::importGroup() {
  uiThread.assertCurrent("GroupFiles::importGroup");
  editors.storeEditors();
  UserDialogs& dialogs = UserDialogs::current();
  const std::optional<wxString> chosen =
      dialogs.chooseFileToOpen(&window, importTitle, importWildcard, WxText::fromUtf8(folder.string()));
  if (!chosen) return;
  const std::filesystem::path path = chosenPath(*chosen);
  if (!GroupFile::hasGroupExtension(path)) {
    dialogs.tell("Invalid file type.\nPlease select a valid .ZGF file.", "Unknown File Type", UserDialogs::Icon::error,
                 &window);
    return;
  }
  std::error_code unknown;
  if (!std::filesystem::exists(path, unknown)) {
    dialogs.tell("File does not exist", "Invalid File", UserDialogs::Icon::error, &window);
    return;
  }
  std::string text;
  try {
    text = ProjectFile::readFile(path);
  } catch (const std::system_error&) {
    dialogs.tell("Unable to open file.\nPlease try again.", "Open File Error", UserDialogs::Icon::error, &window);
    return;
  }
  keeper.changed();
  ProjectTree::Filler filler(tree, NameStyle::plain);
  const bool whole = ProjectFile::readGroupFile(text, filler);
  // What was read before a failure stays, and is shown.
  if (const wxTreeItemId added = filler.lastGroupItem(); added.IsOk()) {
    tree.Expand(added);
    tree.SelectItem(added);
    undo.added("Import Group", added);
  }
  if (!whole) {
    dialogs.tell("Failed to load group file.\nPlease try again.", "LOAD ERROR", UserDialogs::Icon::error, nullptr);
  }
  tree.SetFocus();
}

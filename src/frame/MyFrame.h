#pragma once

#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/treebase.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/FrameEvents.h"
#include "project/keeper/ProjectKeeper.h"
#include "frame/TreeActions.h"
#include "keys/KeyTextCheck.h"
#include "project/ProjectFile.h"
#include "shell/WindowPlacement.h"
#include "tern/EventReceiver.h"
#include "tern/OwnerThread.h"

class BaseCommand;
class CommandPanel;
class CommandTree;
class DialogSafeExit;
class EditorCapture;
class FrameMenus;
class GroupCommand;
class GroupFiles;
class GroupPanel;
class HelpBook;
class RunHost;
class RunInput;
class Settings;
class StopWindow;
class TaskBarIcon;
class ThemeBitmaps;
class TopToolbar;
class TreeSplitter;
class TreeUndo;
class wxCloseEvent;
class wxEventFilter;
class wxEventLoopSource;
class wxEventLoopSourceHandler;
class wxPanel;
class wxSizer;
class wxTextCtrl;
class wxTreeEvent;

// The main window: menus, toolbar, the command tree on the left and the editor panels on the
// right, the status bar. It builds the rooms that do the work (the project keeper, the run host,
// the tree's actions, group files, the menus), routes the events to them, and keeps the editors
// and the records in step as the selection moves. UI thread only.
class MyFrame : public wxFrame,
                public Tern::EventReceiver,
                private FrameEventHandler,
                private ProjectKeeper::Window,
                private TreeActions::Editors {
 public:
  // The status bar field naming the service that types.
  static constexpr int backendField = 2;

  // programFolder holds the project file; settings keep the window's size and position; a run
  // types with input and is stopped through it.
  MyFrame(const std::filesystem::path& programFolder, Settings& settings, RunInput& input);
  ~MyFrame() override;

  void receive(Tern::CountedPtr<Tern::Event> event) override;

  // Writes the editors into the selected item's record.
  void storeEditors() override;
  // Shows the group editor filled from group, or the command editor filled from command.
  void showGroup(const GroupCommand& group) override;
  void showCommand(const BaseCommand& command) override;

  // Writes the whole tree to the project file; a failure is reported to the user.
  void saveProject();
  // Writes the whole tree to the project file, telling nothing; false when the save of a run's
  // start will have something to tell (a failure, or the project written elsewhere). UI thread.
  bool saveBeforeRun();
  // Saves the project when it differs from what this window last saved; a failure is told once
  // until a save succeeds. Nothing is saved before the project is loaded or during a run, whose
  // start saves. UI thread.
  void saveIfChanged();
  // Saves and closes the window without a message or a refusal, for a logout or a termination
  // signal; a failed save goes to a recovery file. Open modal dialogs are cancelled first, and
  // the window closes once their loops have returned. UI thread.
  void exitQuietly();
  // UI thread only. The display is gone and the program ends right after: the project is
  // written, to its file or else to a recovery file, with nothing shown and nothing typed.
  void saveWithoutDisplay();
  // UI thread only. Brings the window to the front for a second copy started on this project;
  // false during a run, which keeps the window out of the way, or before the project is loaded.
  bool bringToFront();
  // Stores the editors and asks for the selected group to be run.
  void runCurrentGroup();

  [[nodiscard]] CommandTree& commandTree() const { return *tree; }
  [[nodiscard]] GroupPanel& groupEditor() const { return *groupPanel; }
  // The command editor, made when first needed.
  [[nodiscard]] CommandPanel& commandEditor();
  // How the editors' checks learn which characters the desktop will paste or skip.
  [[nodiscard]] KeyTextCheck::DeliveryOf characterDelivery();
  [[nodiscard]] bool isProjectLoaded() const { return keeper->isLoaded(); }
  // A group runs: from its start until the window is shown again.
  [[nodiscard]] bool isRunning() const override;
  [[nodiscard]] TaskBarIcon& taskBarIcon() const;
  // The stop window of the run in progress, if it shows one.
  [[nodiscard]] StopWindow* stopWindow() const;
  // The manual and the popup help; the application tells it where the book is.
  [[nodiscard]] HelpBook& helpBook() const { return *manual; }
  [[nodiscard]] std::filesystem::path projectPath() const { return folder / ProjectFile::fileName; }
  // The tree's undo history.
  [[nodiscard]] TreeUndo& treeUndo() const { return *undo; }

 private:
  void loadProject() override;
  void selectItem(const wxTreeItemId& item) override;
  void endSequence() override;
  void runSequence() override;
  void commandFinished(const wxTreeItemId& item) override;
  void stopKeyPressed() override;

  // What the project keeper needs of the window.
  std::string projectText(std::size_t sizeHint) override;
  void startAutosave(int delayMs) override;
  void tell(const std::string& message, const std::string& title, UserDialogs::Icon icon) override;
  void tellAtExit(const std::string& message, UserDialogs::Icon icon) override;

  // Saves the project as the window closes. A failed save refuses the first close that can be
  // refused, so that the user can mend the cause; after that the project goes to a recovery
  // file in the user's data folder.
  void onClose(wxCloseEvent& event);

  void buildPanels();
  void buildStatusBar();
  void fitMinimumToEditors();
  // Lays the editor just shown out and keeps the window big enough for it.
  void layOutEditors();
  void storeGeometry(const wxRect& r);
  void bindEvents();

  // Writes the editors into the item's record, a change of it being a step of the history.
  void storeInto(const wxTreeItemId& item);
  void postSelect(const wxTreeItemId& item);
  void onSelChanging(wxTreeEvent& event);
  void onSelChanged(wxTreeEvent& event);
  // Shows the newly selected item's record; the root passes the selection on to a group.
  void selectionChanged(const wxTreeItemId& item);
  // Pops the "Insert Special" menu up at the button pressed.
  void onInsertSpecialButton(wxCommandEvent& event);
  // Types the token of an "Insert Special" item into the text box of the selected group's or
  // command's editor, at the caret over any selection, and gives the box the focus.
  void insertSpecial(int id);
  // The text box of the selected group's or command's editor.
  wxTextCtrl& editedText();
  void onTreeRightDown(wxMouseEvent& event);
  void onCharHook(wxKeyEvent& event);

  const Tern::OwnerThread uiThread;
  // Made before any control, whose first measuring would otherwise load the SVG renderer.
  std::unique_ptr<ThemeBitmaps> themeBitmaps;
  const std::filesystem::path folder;
  Settings& settings;
  RunInput& input;
  TreeSplitter* splitter = nullptr;
  CommandTree* tree = nullptr;
  wxTreeItemId rootItem;
  TopToolbar* toolbar = nullptr;
  WindowPlacement placement{*this};
  wxPanel* emptyPanel = nullptr;
  GroupPanel* groupPanel = nullptr;
  CommandPanel* commandPanel = nullptr;
  // The column of editor panels, which the command editor joins when it is made.
  wxSizer* editorColumn = nullptr;
  std::unique_ptr<FrameMenus> menus;
  std::unique_ptr<ProjectKeeper> keeper;
  std::unique_ptr<RunHost> run;
  std::unique_ptr<TreeUndo> undo;
  // The shown record as the editors store it untouched: storing that is no step of the history,
  // though a record the editors did not make may store differently (a new command's interval).
  // Each store moves it on.
  std::string shownAs;
  // Record and Pick Point.
  std::unique_ptr<EditorCapture> capture;
  std::unique_ptr<TreeActions> actions;
  std::unique_ptr<GroupFiles> groupFiles;
  std::unique_ptr<HelpBook> manual;
  // Fires a few seconds after the last change.
  wxTimer autosave;
  // Watches for a termination signal; the source goes before its handler.
  std::unique_ptr<wxEventLoopSourceHandler> exitHandler;
  std::unique_ptr<wxEventLoopSource> exitSource;
  // Runs the quiet exit past any open modal dialog.
  std::unique_ptr<DialogSafeExit> safeExit;
  // Restarts the autosave on every change in the editors.
  std::unique_ptr<wxEventFilter> changeWatch;
};

#pragma once

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/treebase.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "frame/FrameEvents.h"
#include "project/ProjectFile.h"
#include "shell/UserDialogs.h"
#include "shell/WindowPlacement.h"
#include "tern/EventReceiver.h"
#include "frame/SequencerHost.h"
#include "tern/OwnerThread.h"

class BaseCommand;
class CommandPanel;
class CommandTree;
class DialogSafeExit;
class GroupCommand;
class GroupPanel;
class HelpBook;
class Settings;
class TopToolbar;
class RunInput;
class wxEventLoopSource;
class wxEventLoopSourceHandler;
class Sequencer;
class StopWindow;
class TaskBarIcon;
class wxMenuItem;
class wxPanel;
class wxCloseEvent;
class wxEventFilter;
class wxTreeEvent;

// The main window: menus, toolbar, the command tree on the left and the editor panels on the
// right, the status bar. It loads the project once the event loop runs, keeps the editors and
// the records in step, carries out the actions on groups and commands, runs a group (hidden,
// with the notification-area icon, the stop key and, where those may not
// reach the user, the stop window) and saves the project and its geometry
// when it goes. UI thread only.
class MyFrame : public wxFrame, public Tern::EventReceiver, private FrameEventHandler, private SequencerHost {
 public:
  // The status bar field naming the service that types.
  static constexpr int backendField = 2;

  // programFolder holds the project file; settings keep the window's size and position; a run
  // types with input and is stopped through it.
  MyFrame(const std::filesystem::path& programFolder, Settings& settings, RunInput& input);
  ~MyFrame() override;

  void receive(Tern::CountedPtr<Tern::Event> event) override;

  // Writes the editors into the selected item's record.
  void storeEditors();
  // Shows the group editor filled from group, or the command editor filled from command.
  void showGroup(const GroupCommand& group);
  void showCommand(const BaseCommand& command);

  // Writes the whole tree to the project file; a failure is reported to the user.
  void saveProject() override;
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
  [[nodiscard]] bool isProjectLoaded() const { return projectLoaded; }
  // A group runs: from its start until the window is shown again.
  [[nodiscard]] bool isRunning() const;
  [[nodiscard]] TaskBarIcon& taskBarIcon() const { return *trayIcon; }
  // The stop window of the run in progress, if it shows one.
  [[nodiscard]] StopWindow* stopWindow() const { return runStopWindow.get(); }
  // The manual and the popup help; the application tells it where the book is.
  [[nodiscard]] HelpBook& helpBook() const { return *manual; }
  [[nodiscard]] std::filesystem::path projectPath() const { return folder / ProjectFile::fileName; }

  // Actions on groups and commands, as the menus, tools and keys start them.
  void addGroup();
  void addCommand();
  void deleteGroup();
  void deleteCommand();
  void duplicateGroup();
  void duplicateCommand();
  // Writes the selected group to a group file the user chooses; reads one into a new group.
  void exportGroup();
  void importGroup();
  // Types the token of an "Insert Special" item into the text box of the selected group's or
  // command's editor, at the caret over any selection, and gives the box the focus.
  void insertSpecial(int id);
  // Starts editing a label: the selected group (or the group of the selected command) when
  // groupOnly, else the selected item itself.
  void rename(bool groupOnly);

 private:
  void loadProject() override;
  void selectItem(const wxTreeItemId& item) override;
  void endSequence() override;
  void runSequence() override;
  void commandFinished(const wxTreeItemId& item) override;
  // Stops the typing at once; the final commands follow once the user has let go of the key.
  void stopKeyPressed() override;
  void onChordWait(wxTimerEvent& event);
  // Runs one of the sequencer's steps; a step that fails (the run's timers could not start or
  // stopped working) ends the run and tells the user, rather than leave the window hidden.
  template <typename Step>
  void runStep(Step step);

  // What a run needs of the window.
  void hideWindow() override;
  void showWindow() override;
  void showStopControls() override;
  void removeStopControls() override;
  void grabStopKey() override;
  void releaseStopKey() override;
  void postCommandFinished(const wxTreeItemId& item) override;
  void postEndSequence() override;
  [[nodiscard]] bool mayType() const override;
  void playKeys(const KeyActions& list) override;
  void releaseHeldInput() override;
  [[nodiscard]] std::unique_ptr<TimerService> makeTimerService() override;
  [[nodiscard]] LgrDate now() const override;
  void refreshKeyboardLayout() override;

  // Saves the project as the window closes. A failed save refuses the first close that can be
  // refused, so that the user can mend the cause; after that the project goes to a recovery
  // file in the user's data folder.
  void onClose(wxCloseEvent& event);
  // An editor or a tree action changed the project: it is saved once the user pauses.
  void projectChanged();
  void onAutosave(wxTimerEvent& event);
  // Takes a termination signal the handler recorded.
  // After the project file could not be written at close: whether the window may go.
  bool keepAfterFailedSave(const std::string& text, bool canStay);
  // A save error at exit, unless the exit must be quiet.
  void tellUser(const wxString& message, UserDialogs::Icon icon);
  // A group item's record and its commands; no record for an item that is not a group.
  [[nodiscard]] ProjectFile::GroupBlock groupBlock(const wxTreeItemId& groupItem) const;
  // The whole tree in the project file's form.
  [[nodiscard]] std::string projectText() const;
  // Replaces the project file with text; false when it could not.
  bool writeProjectFile(const std::string& text);

  void buildMenus();
  void buildPanels();
  void buildStatusBar();
  void fitMinimumToEditors();
  void storeGeometry(const wxRect& r);
  void bindEvents();

  [[nodiscard]] wxTreeItemId selectedGroup() const;
  void postSelect(const wxTreeItemId& item);
  void enableForSelection(bool commandSelected);

  void onSelChanging(wxTreeEvent& event);
  void onSelChanged(wxTreeEvent& event);
  // Shows the newly selected item's record; the root passes the selection on to a group.
  void selectionChanged(const wxTreeItemId& item);
  // Pops the "Insert Special" menu up at the button pressed.
  void onInsertSpecialButton(wxCommandEvent& event);
  void onBeginLabelEdit(wxTreeEvent& event);
  void onEndLabelEdit(wxTreeEvent& event);
  void onItemCollapsing(wxTreeEvent& event);
  void onBeginDrag(wxTreeEvent& event);
  void onEndDrag(wxTreeEvent& event);
  void onTreeKeyDown(wxTreeEvent& event);
  void onTreeRightDown(wxMouseEvent& event);
  void onKeyDown(wxKeyEvent& event);
  void onKeyUp(wxKeyEvent& event);
  void onCharHook(wxKeyEvent& event);

  const Tern::OwnerThread uiThread;
  const std::filesystem::path folder;
  Settings& settings;
  RunInput& input;
  std::unique_ptr<Sequencer> sequencer;
  std::unique_ptr<TaskBarIcon> trayIcon;
  std::unique_ptr<StopWindow> runStopWindow;
  std::unique_ptr<HelpBook> manual;
  // The stop key was grabbed for the run in progress.
  bool stopKeyGrabbed = false;
  // The input service's notice is shown before the first run only.
  bool backendNoticeShown = false;
  // After the stop key, watches for the user to let go of it before the final commands.
  wxTimer chordWait;
  CommandTree* tree = nullptr;
  wxTreeItemId rootItem;
  TopToolbar* toolbar = nullptr;
  WindowPlacement placement{*this};
  wxPanel* emptyPanel = nullptr;
  GroupPanel* groupPanel = nullptr;
  CommandPanel* commandPanel = nullptr;
  // The column of editor panels, which the command editor joins when it is made.
  wxSizer* editorColumn = nullptr;
  // Owned by the menu bar.
  wxMenu* groupMenu = nullptr;
  wxMenu* commandMenu = nullptr;
  // The context menus of the root, a group and a command.
  std::unique_ptr<wxMenu> rootPopup;
  std::unique_ptr<wxMenu> groupPopup;
  std::unique_ptr<wxMenu> commandPopup;
  wxMenuItem* runItem = nullptr;
  bool projectLoaded = false;
  bool copyOnDrop = false;
  wxTreeItemId dragItem;
  // The project file holds what the load did not read: it is kept under another name before the
  // first save.
  bool keepBeforeSave = false;
  // Fires a few seconds after the last change.
  wxTimer autosave;
  // Looks for a termination signal; a signal handler may do no more than record it.
  // Watches for a termination signal; the source goes before its handler.
  std::unique_ptr<wxEventLoopSourceHandler> exitHandler;
  std::unique_ptr<wxEventLoopSource> exitSource;
  // Runs the quiet exit past any open modal dialog.
  std::unique_ptr<DialogSafeExit> safeExit;
  // Restarts the autosave on every change in the editors.
  std::unique_ptr<wxEventFilter> changeWatch;
  // The text of the last successful save; nothing changed while the tree still writes it.
  std::string lastSaved;
  // The autosave's failure was told; told again only after a save has succeeded.
  bool autosaveFailureTold = false;
  // A close was refused because the project could not be saved.
  bool exitSaveFailed = false;
  // The exit has nobody to answer a message (a logout or a signal).
  bool quietExit = false;
};

#include "frame/MyFrame.h"

#include <wx/accel.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/app.h>
#include <wx/eventfilter.h>
#include <wx/bmpbuttn.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/spinctrl.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include <malloc.h>

#include <functional>
#include <optional>
#include <system_error>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "commands/StopTimeNotice.h"
#include "controls/TokenMenu.h"
#include "controls/MenuTokens.h"
#include "frame/CommandPanel.h"
#include "frame/GroupPanel.h"
#include "frame/RunInput.h"
#include "frame/Sequencer.h"
#include "project/GroupFile.h"
#include "project/ProjectFile.h"
#include "project/RecoveryFile.h"
#include "project/Settings.h"
#include "project/WindowGeometry.h"
#include "resources/Resources.h"
#include "shell/AboutBox.h"
#include "shell/DialogSafeExit.h"
#include "shell/FrameIds.h"
#include "shell/HelpBook.h"
#include "shell/StopWindow.h"
#include "shell/TaskBarIcon.h"
#include "shell/TopToolbar.h"
#include "shell/UserDialogs.h"
#include "shell/WebLinks.h"
#include "tern/ExitSignals.h"
#include "tern/OneShot.h"
#include "text/Version.h"
#include "text/WxText.h"
#include "tree/CommandTree.h"
#include "tree/ItemNames.h"

namespace {

const std::string newGroupName = "Command Group ";
// Room for a few characters of a label beside the tree's scroll bar.
constexpr int treeMinWidth = 100;
const std::string newCommandName = "Command ";

// Puts what a project or group file reader makes into the tree, in file order. Command names
// are taken as stored; group names too, unless a style for them is given.
class TreeFiller final : public ProjectFile::Sink {
 public:
  explicit TreeFiller(CommandTree& target, std::optional<NameStyle> groupNames = {})
      : tree(target), groupNaming(groupNames) {}

  void group(std::unique_ptr<GroupCommand> record) override {
    lastGroup = tree.appendGroup(std::move(record), groupNaming);
  }
  void command(std::unique_ptr<BaseCommand> record) override { tree.holdCommand(lastGroup, std::move(record)); }

  [[nodiscard]] const wxTreeItemId& lastGroupItem() const { return lastGroup; }

 private:
  CommandTree& tree;
  std::optional<NameStyle> groupNaming;
  wxTreeItemId lastGroup;
};

// Whether item lies under ancestor, not counting ancestor itself.
bool isBelow(const wxTreeCtrl& tree, const wxTreeItemId& item, const wxTreeItemId& ancestor) {
  if (!item.IsOk()) return false;
  for (wxTreeItemId parent = tree.GetItemParent(item); parent.IsOk(); parent = tree.GetItemParent(parent)) {
    if (parent == ancestor) return true;
  }
  return false;
}

// How long the user pauses before the changes are saved: long enough not to write at every
// keystroke, short enough that a crash or a power cut loses little.
constexpr int autosaveDelayMs = 3000;

// Ends the program quietly once a termination signal has arrived; the event loop calls it when
// the signals' pipe has a byte, so nothing polls.
class ExitSignalWatch final : public wxEventLoopSourceHandler {
 public:
  explicit ExitSignalWatch(std::function<void()> exit) : onExit(std::move(exit)) {}

  void OnReadWaiting() override {
    Tern::ExitSignals::drain();
    if (Tern::ExitSignals::received() != 0) onExit();
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  std::function<void()> onExit;
};

// Reports every change the user makes in the window's editors. Setting a control's value from a
// record reports one too; such a save finds nothing changed and writes nothing.
class EditorChangeFilter final : public wxEventFilter {
 public:
  EditorChangeFilter(wxWindow& frame, std::function<void()> changed) : window(frame), onChange(std::move(changed)) {
    wxEvtHandler::AddFilter(this);
  }
  ~EditorChangeFilter() override { wxEvtHandler::RemoveFilter(this); }
  EditorChangeFilter(const EditorChangeFilter&) = delete;
  EditorChangeFilter& operator=(const EditorChangeFilter&) = delete;

  int FilterEvent(wxEvent& event) override {
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_TEXT || type == wxEVT_SPINCTRL || type == wxEVT_CHECKBOX || type == wxEVT_RADIOBUTTON ||
        type == wxEVT_CHOICE || type == wxEVT_BUTTON) {
      auto* source = dynamic_cast<wxWindow*>(event.GetEventObject());
      if (source != nullptr && wxGetTopLevelParent(source) == &window) onChange();
    }
    return Event_Skip;
  }

 private:
  wxWindow& window;
  std::function<void()> onChange;
};

// The folder recovery files go to, as the user should look for it.
wxString recoveryFolderText() {
  try {
    return WxText::fromUtf8(RecoveryFile::folder().string());
  } catch (const std::exception&) {
    return "~/.local/share/Zentak";
  }
}

// Where the window was at the last exit, as far as it fits the screen. The frame is created there:
// a window manager places a window by the position it has when first shown.
wxRect restoredRect(Settings& settings) {
  const wxSize screen = wxGetDisplaySize();
  const WindowGeometry g = WindowGeometry::restore(settings.read("width"), settings.read("height"),
                                                   settings.read("xpos"), settings.read("ypos"), screen.GetWidth(),
                                                   screen.GetHeight());
  return {g.x, g.y, g.width, g.height};
}

}  // namespace

MyFrame::MyFrame(const std::filesystem::path& programFolder, Settings& store, RunInput& runInput)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, restoredRect(store).GetPosition(), restoredRect(store).GetSize()),
      folder(programFolder), settings(store), input(runInput) {
  SetBackgroundColour(*wxWHITE);
  wxAcceleratorEntry help(wxACCEL_NORMAL, WXK_F1, FrameId::popupHelp);
  SetAcceleratorTable(wxAcceleratorTable(1, &help));
  SetIcons(Resources::iconBundle("MAINICON"));
  buildMenus();
  buildPanels();
  toolbar = new TopToolbar(this);
  SetToolBar(toolbar);
  toolbar->Realize();
  buildStatusBar();
  Layout();
  fitMinimumToEditors();
  sequencer = std::make_unique<Sequencer>(*tree, static_cast<SequencerHost&>(*this));
  trayIcon = std::make_unique<TaskBarIcon>(TaskBarIcon::Hooks{
      [this] { postEndSequence(); },
      [this] {
        postEndSequence();
        Close();
      }});
  manual = std::make_unique<HelpBook>(this);
  bindEvents();
  changeWatch = std::make_unique<EditorChangeFilter>(*this, [this] { projectChanged(); });
  safeExit = std::make_unique<DialogSafeExit>([this] {
    quietExit = true;
    Close(true);
  });
  if (Tern::ExitSignals::wakeFd() >= 0) {
    exitHandler = std::make_unique<ExitSignalWatch>([this] { exitQuietly(); });
    exitSource.reset(
        wxEventLoopBase::AddSourceForFD(Tern::ExitSignals::wakeFd(), exitHandler.get(), wxEVENT_SOURCE_INPUT));
  }
  Tern::Event::postOwned(std::make_unique<LoadFileEvent>(this, projectPath().string()));
  tree->SetFocus();
  SetTitle(WxText::fromUtf8(Version::title));
}

MyFrame::~MyFrame() {
  // The icon's menu or the stop key may still post; the run's timers go with the sequencer.
  if (stopKeyGrabbed) input.releaseStopKey();
}

void MyFrame::receive(Tern::CountedPtr<Tern::Event> event) {
  uiThread.assertCurrent("MyFrame::receive");
  routeFrameEvent(event, *this);
}

bool MyFrame::isRunning() const { return sequencer->isRunning(); }

template <typename Step>
void MyFrame::runStep(Step step) {
  try {
    step();
  } catch (const std::exception&) {
    if (sequencer->isRunning()) sequencer->onEndSequence();
    UserDialogs::current().tell("The run stopped: its timers could not be started.\nPlease try again.",
                                "RUN ERROR", UserDialogs::Icon::error, this);
  }
}

void MyFrame::endSequence() { runStep([this] { sequencer->onEndSequence(); }); }

void MyFrame::runSequence() {
  if (!backendNoticeShown && !isRunning()) {
    backendNoticeShown = true;
    if (const auto notice = input.backendNotice()) {
      UserDialogs::current().tell(WxText::fromUtf8(*notice), "Zentak", UserDialogs::Icon::warning, this);
    }
  }
  runStep([this] { sequencer->onRunSequence(); });
}

void MyFrame::commandFinished(const wxTreeItemId& item) { runStep([this, &item] { sequencer->onCommandFinished(item); }); }

namespace {

constexpr int chordWaitPollMs = 10;

}  // namespace

// What the run holds goes first: its own Shift, say, would otherwise count as the chord's and
// hold the final commands back for ever.
void MyFrame::stopKeyPressed() {
  if (!isRunning() || chordWait.IsRunning()) return;
  sequencer->halt();
  releaseHeldInput();
  chordWait.Start(chordWaitPollMs);
}

// The final commands typed while the user still holds Ctrl, Alt or Shift of the chord would
// come out as shortcuts in the user's window; however long the user holds them, they wait.
void MyFrame::onChordWait(wxTimerEvent&) {
  if (input.stopKeyHeld()) return;
  chordWait.Stop();
  input.endStop();
  endSequence();
}

void MyFrame::hideWindow() {
  Hide();
  Disable();
}

void MyFrame::showWindow() {
  Show();
  Enable();
  Raise();
}

void MyFrame::showStopControls() {
  StopControls::Run run;
  run.typesThroughWayland = input.backend() == InputBackend::Used::wayland;
  run.stopKeyGrabbed = stopKeyGrabbed;
  const wxString note = WxText::fromUtf8(StopControls::stopKeyNote(input.stopKeyName(), run));
  run.trayIconShown = trayIcon->install(note);
  const StopControls::Surface surface = StopControls::surface(run, StopWindow::toolkit());
  if (surface != StopControls::Surface::none) {
    runStopWindow = std::make_unique<StopWindow>(surface, note, [this] { postEndSequence(); });
  }
}

void MyFrame::removeStopControls() {
  trayIcon->remove();
  runStopWindow.reset();
}

void MyFrame::grabStopKey() {
  // The key is pressed on another thread; posting is all it may do there. An event for a
  // window that has gone is refused, and the refusal has nobody to tell. Key repeat may post
  // more than one; all but the first are ignored.
  Tern::EventReceiver* receiver = this;
  stopKeyGrabbed = input.grabStopKey([receiver] {
    try {
      Tern::Event::postOwned(std::make_unique<StopKeyEvent>(receiver));
    } catch (const std::exception&) {
    }
  });
}

void MyFrame::releaseStopKey() {
  if (stopKeyGrabbed) input.releaseStopKey();
  stopKeyGrabbed = false;
}

void MyFrame::postCommandFinished(const wxTreeItemId& item) {
  Tern::Event::postOwned(std::make_unique<CommandFinishedEvent>(this, item));
}

void MyFrame::postEndSequence() { Tern::Event::postOwned(std::make_unique<EndSequenceEvent>(this)); }

bool MyFrame::mayType() const { return !input.userHoldsModifier(); }

void MyFrame::playKeys(const KeyActions& list) { input.playKeys(list); }

void MyFrame::releaseHeldInput() { input.releaseHeldInput(); }

std::unique_ptr<TimerService> MyFrame::makeTimerService() {
  // Handled after the timer's report, as the run's end drops the service that reports.
  return std::make_unique<OneShot>([this](std::exception_ptr failure) {
    CallAfter([this, failure] { runStep([&failure] { std::rethrow_exception(failure); }); });
  });
}

LgrDate MyFrame::now() const { return {}; }

void MyFrame::refreshKeyboardLayout() { input.refreshKeyboardLayout(); }

namespace {

wxMenu* makeGroupMenu() {
  auto* menu = new wxMenu;
  menu->Append(FrameId::addGroup, "&Add New Group", "Add a new group of commands.");
  menu->Append(FrameId::duplicateGroup, "Du&plicate Group", "Make a duplicate copy of the selected group.");
  menu->Append(FrameId::deleteGroup, "&Delete Group", "Delete the selected group.");
  menu->Append(FrameId::renameGroup, "&Rename Group", "Rename the selected group.");
  menu->AppendSeparator();
  menu->Append(FrameId::addCommand, "&Add New Command", "Add a new command to the group.");
  menu->AppendSeparator();
  menu->Append(FrameId::exportGroup, "&Export Group", "Export the selected group to file.");
  menu->Append(FrameId::importGroup, "&Import Group", "Import a group file.");
  return menu;
}

wxMenu* makeCommandMenu() {
  auto* menu = new wxMenu;
  menu->Append(FrameId::addCommand, "&Add New Command", "Add a new command to the group.");
  menu->Append(FrameId::duplicateCommand, "Du&plicate Command", "Make a duplicate copy of the selected command.");
  menu->Append(FrameId::deleteCommand, "&Delete Command", "Delete the selected command.");
  menu->Append(FrameId::renameCommand, "&Rename Command", "Rename the selected command.");
  return menu;
}

}  // namespace

void MyFrame::buildMenus() {
  auto* file = new wxMenu;
  file->Append(FrameId::exitProgram, "E&xit", "Exit Zentak");

  // A menu on the menu bar cannot pop up as well: the context menus are twins of the bar's.
  groupMenu = makeGroupMenu();
  commandMenu = makeCommandMenu();
  groupPopup.reset(makeGroupMenu());
  commandPopup.reset(makeCommandMenu());

  auto* run = new wxMenu;
  runItem = run->Append(FrameId::runGroup, "&Run Current Group", "Runs the currently selected command group.");

  auto* help = new wxMenu;
  help->Append(FrameId::helpContents, "&Contents", "Display the help contents.");
  help->Append(FrameId::helpIndex, "&Index", "Display the help index.");
  help->AppendSeparator();
  help->Append(FrameId::webSite, WebLinks::menuLabel(), WebLinks::menuHelp());
  help->Append(FrameId::checkVersion, "Check For New &Version", "Check for a new version of Zentak.");
  help->Append(FrameId::tellFriend, "Tell-A-&Friend", "Tell a friend about Zentak.");
  help->AppendSeparator();
  help->Append(FrameId::about, "&About Zentak", "Display the about box.");

  rootPopup = std::make_unique<wxMenu>();
  rootPopup->Append(FrameId::addGroup, "&Add New Group", "Add a new group of commands.");
  rootPopup->Append(FrameId::importGroup, "&Import Group", "Import a group file.");

  auto* bar = new wxMenuBar;
  bar->Append(file, "&File");
  bar->Append(groupMenu, "&Group");
  bar->Append(commandMenu, "&Command");
  bar->Append(run, "&Run");
  bar->Append(help, "&Help");
  SetMenuBar(bar);
}

void MyFrame::buildPanels() {
  tree = new CommandTree(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxTR_HAS_BUTTONS | wxTR_EDIT_LABELS | wxBORDER_SUNKEN);
  tree->SetName("listCtrl");
  // The tree's natural width follows its longest label and would take room from the editors; held
  // to a small minimum it gets only its share of the width, and longer labels scroll.
  tree->SetMinSize(wxSize(tree->FromDIP(treeMinWidth), -1));
  emptyPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN);
  groupPanel = new GroupPanel(this);
  groupPanel->Hide();

  editorColumn = new wxBoxSizer(wxVERTICAL);
  editorColumn->Add(emptyPanel, 1, wxEXPAND);
  editorColumn->Add(groupPanel, 1, wxEXPAND);
  auto* sizer = new wxBoxSizer(wxHORIZONTAL);
  sizer->Add(tree, 30, wxEXPAND);
  sizer->Add(editorColumn, 70, wxEXPAND);
  SetSizer(sizer);

  rootItem = tree->addRootItem();
  tree->Expand(rootItem);
}

void MyFrame::buildStatusBar() {
  wxStatusBar* bar = CreateStatusBar(3, wxSTB_SIZEGRIP);
  // Menu and tool help goes to field 1; field 0 holds the logo, field 2 the service that types.
  SetStatusBarPane(1);
  const wxBitmap logo = Resources::bitmap("SMALLLOGO");
  auto* button = new wxBitmapButton(bar, FrameId::webSite, logo, wxPoint(2, 3));
  button->SetCursor(wxCursor(wxCURSOR_HAND));
  button->SetToolTip(WebLinks::logoToolTip());
  const wxString backend = WxText::fromUtf8(input.backendName());
  const int widths[] = {button->GetBestSize().GetWidth() + 2, -1, bar->GetTextExtent(backend).GetWidth() + 24};
  bar->SetStatusWidths(3, widths);
  bar->SetMinHeight(button->GetBestSize().GetHeight());
  SetStatusText(TopToolbar::defaultStatusText(), TopToolbar::statusField);
  SetStatusText(backend, backendField);
}

CommandPanel& MyFrame::commandEditor() {
  // Hidden until a command is first selected, and a fifth of the window's making: made then.
  if (commandPanel == nullptr) {
    commandPanel = new CommandPanel(this);
    commandPanel->Hide();
    commandPanel->MoveAfterInTabOrder(groupPanel);
    editorColumn->Add(commandPanel, 1, wxEXPAND);
  }
  return *commandPanel;
}

// With the toolkit's natural sizes the editors need more than 300 x 300: the smallest size is the
// one that keeps every control of either editor (once made) whole beside the tree at its share.
void MyFrame::fitMinimumToEditors() {
  wxSize editor = groupPanel->GetBestSize();
  if (commandPanel != nullptr) editor.IncTo(commandPanel->GetBestSize());
  SetMinSize(wxDefaultSize);
  SetMinClientSize(wxSize(editor.GetWidth() * 10 / 7 + 1, editor.GetHeight()));
  wxSize smallest = GetMinSize();
  smallest.IncTo(wxSize(WindowGeometry::minimumSize, WindowGeometry::minimumSize));
  SetMinSize(smallest);
}

void MyFrame::storeGeometry(const wxRect& r) {
  settings.write("width", r.GetWidth());
  settings.write("height", r.GetHeight());
  settings.write("xpos", r.GetX());
  settings.write("ypos", r.GetY());
}

void MyFrame::bindEvents() {
  const auto menu = [this](int id, void (MyFrame::*action)()) {
    Bind(wxEVT_MENU, [this, action](wxCommandEvent&) { (this->*action)(); }, id);
  };
  menu(FrameId::addGroup, &MyFrame::addGroup);
  menu(FrameId::toolAddGroup, &MyFrame::addGroup);
  menu(FrameId::duplicateGroup, &MyFrame::duplicateGroup);
  menu(FrameId::deleteGroup, &MyFrame::deleteGroup);
  menu(FrameId::toolDeleteGroup, &MyFrame::deleteGroup);
  menu(FrameId::addCommand, &MyFrame::addCommand);
  menu(FrameId::toolAddCommand, &MyFrame::addCommand);
  menu(FrameId::duplicateCommand, &MyFrame::duplicateCommand);
  menu(FrameId::deleteCommand, &MyFrame::deleteCommand);
  menu(FrameId::toolDeleteCommand, &MyFrame::deleteCommand);
  menu(FrameId::exportGroup, &MyFrame::exportGroup);
  menu(FrameId::importGroup, &MyFrame::importGroup);
  menu(FrameId::runGroup, &MyFrame::runCurrentGroup);
  menu(FrameId::toolRunGroup, &MyFrame::runCurrentGroup);
  Bind(wxEVT_BUTTON, &MyFrame::onInsertSpecialButton, this, FrameId::insertSpecial);
  Bind(wxEVT_MENU, [this](wxCommandEvent& event) { insertSpecial(event.GetId()); }, FrameId::insertSpecialFirst,
       FrameId::insertSpecialLast);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { rename(true); }, FrameId::renameGroup);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { rename(false); }, FrameId::renameCommand);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, FrameId::exitProgram);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { AboutBox(this).ShowModal(); }, FrameId::about);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { WebLinks::openHomePage(this); }, FrameId::webSite);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { WebLinks::openHomePage(this); }, FrameId::webSite);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { WebLinks::openVersionCheckPage(this); }, FrameId::checkVersion);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { WebLinks::openTellAFriendPage(this); }, FrameId::tellFriend);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { manual->showContents(); }, FrameId::helpContents);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { manual->showIndex(); }, FrameId::helpIndex);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { manual->showPopupFor(wxWindow::FindFocus()); }, FrameId::popupHelp);

  tree->Bind(wxEVT_TREE_SEL_CHANGING, &MyFrame::onSelChanging, this);
  tree->Bind(wxEVT_TREE_SEL_CHANGED, &MyFrame::onSelChanged, this);
  tree->Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, &MyFrame::onBeginLabelEdit, this);
  tree->Bind(wxEVT_TREE_END_LABEL_EDIT, &MyFrame::onEndLabelEdit, this);
  tree->Bind(wxEVT_TREE_ITEM_COLLAPSING, &MyFrame::onItemCollapsing, this);
  tree->Bind(wxEVT_TREE_BEGIN_DRAG, &MyFrame::onBeginDrag, this);
  tree->Bind(wxEVT_TREE_BEGIN_RDRAG, &MyFrame::onBeginDrag, this);
  tree->Bind(wxEVT_TREE_END_DRAG, &MyFrame::onEndDrag, this);
  tree->Bind(wxEVT_TREE_KEY_DOWN, &MyFrame::onTreeKeyDown, this);
  tree->Bind(wxEVT_RIGHT_DOWN, &MyFrame::onTreeRightDown, this);
  tree->Bind(wxEVT_KEY_DOWN, &MyFrame::onKeyDown, this);
  tree->Bind(wxEVT_KEY_UP, &MyFrame::onKeyUp, this);
  Bind(wxEVT_CHAR_HOOK, &MyFrame::onCharHook, this);
  chordWait.SetOwner(this);
  Bind(wxEVT_TIMER, &MyFrame::onChordWait, this, chordWait.GetId());
  autosave.SetOwner(this);
  Bind(wxEVT_TIMER, &MyFrame::onAutosave, this, autosave.GetId());
  Bind(wxEVT_CLOSE_WINDOW, &MyFrame::onClose, this);
}

void MyFrame::onClose(wxCloseEvent& event) {
  // A run still in progress ends as "End Sequence Now" ends it, final commands and all, so
  // that no key stays held and the stop key goes back to the desktop.
  endSequence();
  storeEditors();
  const std::string text = projectText();
  // Written even when unchanged: the file may have been moved or damaged meanwhile, and this is
  // the last chance. A project never loaded (a signal at start) is not written: the empty tree
  // would replace the user's file.
  if (projectLoaded && !writeProjectFile(text) && !keepAfterFailedSave(text, event.CanVeto())) {
    event.Veto();
    return;
  }
  autosave.Stop();
  exitSource.reset();
  // Under a window manager a hidden frame no longer knows where it was: its place is taken
  // while it is still shown.
  storeGeometry(GetRect());
  Hide();
  event.Skip();
}

void MyFrame::exitQuietly() {
  uiThread.assertCurrent("MyFrame::exitQuietly");
  safeExit->request();
}


void MyFrame::projectChanged() {
  if (projectLoaded) autosave.StartOnce(autosaveDelayMs);
}

void MyFrame::onAutosave(wxTimerEvent&) { saveIfChanged(); }

void MyFrame::saveIfChanged() {
  uiThread.assertCurrent("MyFrame::saveIfChanged");
  if (!projectLoaded || isRunning()) return;
  storeEditors();
  const std::string text = projectText();
  if (text == lastSaved) return;
  if (writeProjectFile(text)) {
    autosaveFailureTold = false;
  } else if (!autosaveFailureTold && !quietExit) {
    autosaveFailureTold = true;
    UserDialogs::current().tell("Failed to save command project file.\nPlease try again.", "SAVE ERROR",
                                UserDialogs::Icon::error, IsShown() ? this : nullptr);
  }
}

bool MyFrame::bringToFront() {
  uiThread.assertCurrent("MyFrame::bringToFront");
  if (isRunning() || !projectLoaded) return false;
  if (IsIconized()) Iconize(false);
  Raise();
  return true;
}

void MyFrame::saveWithoutDisplay() {
  uiThread.assertCurrent("MyFrame::saveWithoutDisplay");
  quietExit = true;
  if (!projectLoaded) return;
  storeEditors();
  const std::string text = projectText();
  if (!writeProjectFile(text)) keepAfterFailedSave(text, false);
}

bool MyFrame::keepAfterFailedSave(const std::string& text, bool canStay) {
  // The first refusal gives the user the chance to make room or mend the permissions and keep
  // the project where it belongs.
  if (canStay && !exitSaveFailed) {
    exitSaveFailed = true;
    tellUser("Failed to save command project file.\nZentak stays open: make room on the disk or fix the "
             "folder's permissions, then close it again.",
             UserDialogs::Icon::error);
    return false;
  }
  try {
    const std::filesystem::path kept = RecoveryFile::write(text, std::chrono::system_clock::now());
    tellUser("Failed to save command project file.\nYour project was written to\n" +
                 WxText::fromUtf8(kept.string()),
             UserDialogs::Icon::warning);
    return true;
  } catch (const std::exception&) {
    tellUser("Failed to save command project file, and no copy could be written to\n" +
                 recoveryFolderText() + "\nMake room on the disk, then close Zentak again.",
             UserDialogs::Icon::error);
    return !canStay;
  }
}

void MyFrame::tellUser(const wxString& message, UserDialogs::Icon icon) {
  if (quietExit) return;
  // A window that leaves the screen while its message is up would take the message with it.
  if (!IsShown()) Show();
  Raise();
  UserDialogs::current().tell(message, "SAVE ERROR", icon, this);
}

wxTreeItemId MyFrame::selectedGroup() const { return tree->groupOf(tree->GetSelection()); }

void MyFrame::postSelect(const wxTreeItemId& item) { Tern::Event::postOwned(std::make_unique<SelectItemEvent>(this, item)); }

void MyFrame::storeEditors() {
  uiThread.assertCurrent("MyFrame::storeEditors");
  const wxTreeItemId selected = tree->GetSelection();
  if (GroupCommand* group = tree->groupRecord(selected)) {
    groupPanel->storeGroup(*group);
  } else if (BaseCommand* command = tree->commandRecord(selected)) {
    commandEditor().storeCommand(*command);
  }
}

void MyFrame::showGroup(const GroupCommand& group) {
  emptyPanel->Hide();
  if (commandPanel != nullptr) commandPanel->Hide();
  groupPanel->Show();
  groupPanel->showGroup(group);
  // The editors' natural sizes are only final once they have been shown.
  fitMinimumToEditors();
  Layout();
}

void MyFrame::showCommand(const BaseCommand& command) {
  emptyPanel->Hide();
  groupPanel->Hide();
  commandEditor().Show();
  commandPanel->showCommand(command);
  fitMinimumToEditors();
  Layout();
}

void MyFrame::loadProject() {
  const std::filesystem::path path = projectPath();
  // Nothing saves yet, so any temporary file is left over from a save that was killed.
  ProjectFile::removeStaleTemporaries(path);
  std::string text;
  bool readable = false;
  bool failed = false;
  try {
    text = ProjectFile::readFile(path);
    readable = true;
  } catch (const std::system_error& error) {
    // A missing file is a first start; one that is there but cannot be read must not be saved over.
    failed = error.code() != std::errc::no_such_file_or_directory;
  }
  if (readable || failed) {
    TreeFiller filler(*tree);
    const ProjectFile::ReadOutcome outcome = readable ? ProjectFile::readProject(text, filler) : ProjectFile::ReadOutcome::failed;
    // Lines the load did not read may be groups: the file is kept before the first save.
    keepBeforeSave = outcome != ProjectFile::ReadOutcome::whole;
    if (outcome == ProjectFile::ReadOutcome::failed) {
      UserDialogs::current().tell("Failed to load command project file.\nPlease try again.", "LOAD ERROR",
                                  UserDialogs::Icon::error, nullptr);
    }
    tree->SetFocus();
    tree->Collapse(rootItem);
    tree->Expand(rootItem);
  }
  // The file's text and what reading it freed go back to the system instead of staying with
  // the program for as long as it runs.
  text = std::string();
  malloc_trim(0);
  // Again now that the minimum size is known.
  placement.show(restoredRect(settings));
  projectLoaded = true;
  postSelect(rootItem);
}

void MyFrame::saveProject() {
  uiThread.assertCurrent("MyFrame::saveProject");
  storeEditors();
  if (!writeProjectFile(projectText())) {
    UserDialogs::current().tell("Failed to save command project file.\nPlease try again.", "SAVE ERROR",
                                UserDialogs::Icon::error, IsShown() ? this : nullptr);
  }
}

ProjectFile::GroupBlock MyFrame::groupBlock(const wxTreeItemId& groupItem) const {
  ProjectFile::GroupBlock block{tree->groupRecord(groupItem), {}};
  if (block.group == nullptr) return block;
  const auto& unopened = block.group->unopenedCommands();
  block.commands.reserve(unopened.size() + tree->GetChildrenCount(groupItem, false));
  for (const auto& command : unopened) block.commands.push_back(command.get());
  wxTreeItemIdValue cookie;
  // A group's children are its commands.
  for (wxTreeItemId c = tree->GetFirstChild(groupItem, cookie); c.IsOk(); c = tree->GetNextChild(groupItem, cookie)) {
    if (const BaseCommand* command = tree->record(c)) block.commands.push_back(command);
  }
  return block;
}

std::string MyFrame::projectText() const {
  std::vector<ProjectFile::GroupBlock> blocks;
  wxTreeItemIdValue groupCookie;
  for (wxTreeItemId g = tree->GetFirstChild(rootItem, groupCookie); g.IsOk(); g = tree->GetNextChild(rootItem, groupCookie)) {
    ProjectFile::GroupBlock block = groupBlock(g);
    if (block.group != nullptr) blocks.push_back(std::move(block));
  }
  std::string text;
  // About the size of the last save: the text does not grow by copying itself again and again.
  text.reserve(lastSaved.size() + lastSaved.size() / 8);
  ProjectFile::writeProject(text, blocks);
  return text;
}

bool MyFrame::writeProjectFile(const std::string& text) {
  const std::filesystem::path path = projectPath();
  try {
    // A read-only file stays as it is, and so stays where it is.
    ProjectFile::checkReplaceable(path);
    std::error_code absent;
    if (keepBeforeSave && std::filesystem::exists(std::filesystem::symlink_status(path, absent))) {
      ProjectFile::preserveUnreadable(path);
    }
    keepBeforeSave = false;
    ProjectFile::writeFileSafely(path, text);
    lastSaved = text;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

namespace {

const wxString exportTitle = "Export Group As";
const wxString exportWildcard = "Zentak Group Export Files (*.zgf)|*.zgf";
const wxString importTitle = "Import Group From";
const wxString importWildcard = "Zentak Group Exported Files (*.zgf)|*.zgf";

// A path from a file chooser, in the file system's encoding.
std::filesystem::path chosenPath(const wxString& chosen) { return {std::string(chosen.fn_str())}; }

}  // namespace

void MyFrame::exportGroup() {
  uiThread.assertCurrent("MyFrame::exportGroup");
  storeEditors();
  UserDialogs& dialogs = UserDialogs::current();
  const ProjectFile::GroupBlock block = groupBlock(selectedGroup());
  if (block.group == nullptr) {
    dialogs.tell("Please try again", "Internal Error", UserDialogs::Icon::error, this);
    return;
  }
  // Until the group is written or the user gives up, each failure offers the chooser again.
  for (;;) {
    const std::optional<wxString> chosen = dialogs.chooseFileToSave(
        this, exportTitle, exportWildcard, WxText::fromUtf8(folder.string()), WxText::fromUtf8(block.group->getName()));
    if (!chosen) return;
    const std::filesystem::path path = GroupFile::withGroupExtension(chosenPath(*chosen));
    // The chooser asked about the name as written, not about the one the extension made.
    std::error_code unknown;
    if (path != chosenPath(*chosen) && std::filesystem::exists(path, unknown) &&
        !dialogs.ask("\"" + WxText::fromUtf8(path.filename().string()) + "\" already exists.\nDo you want to replace it?",
                     exportTitle, this)) {
      continue;
    }
    switch (GroupFile::save(path, block)) {
      case GroupFile::SaveOutcome::saved:
        return;
      case GroupFile::SaveOutcome::notWritable:
        dialogs.tell("File appears to be read-only.\nPlease select a different file.", "Save Failed",
                     UserDialogs::Icon::error, this);
        break;
      case GroupFile::SaveOutcome::writeFailed:
        dialogs.tell("Failed to write group file.\nPlease try again.", "Save Failed", UserDialogs::Icon::error, this);
        break;
    }
  }
}

void MyFrame::importGroup() {
  uiThread.assertCurrent("MyFrame::importGroup");
  storeEditors();
  UserDialogs& dialogs = UserDialogs::current();
  const std::optional<wxString> chosen =
      dialogs.chooseFileToOpen(this, importTitle, importWildcard, WxText::fromUtf8(folder.string()));
  if (!chosen) return;
  const std::filesystem::path path = chosenPath(*chosen);
  if (!GroupFile::hasGroupExtension(path)) {
    dialogs.tell("Invalid file type.\nPlease select a valid .ZGF file.", "Unknown File Type", UserDialogs::Icon::error,
                 this);
    return;
  }
  std::error_code unknown;
  if (!std::filesystem::exists(path, unknown)) {
    dialogs.tell("File does not exist", "Invalid File", UserDialogs::Icon::error, this);
    return;
  }
  std::string text;
  try {
    text = ProjectFile::readFile(path);
  } catch (const std::system_error&) {
    dialogs.tell("Unable to open file.\nPlease try again.", "Open File Error", UserDialogs::Icon::error, this);
    return;
  }
  projectChanged();
  TreeFiller filler(*tree, NameStyle::plain);
  const bool whole = ProjectFile::readGroupFile(text, filler);
  // What was read before a failure stays, and is shown.
  if (const wxTreeItemId added = filler.lastGroupItem(); added.IsOk()) {
    tree->Expand(added);
    tree->SelectItem(added);
  }
  if (!whole) {
    dialogs.tell("Failed to load group file.\nPlease try again.", "LOAD ERROR", UserDialogs::Icon::error, nullptr);
  }
  tree->SetFocus();
}

void MyFrame::runCurrentGroup() {
  uiThread.assertCurrent("MyFrame::runCurrentGroup");
  storeEditors();
  // Told while the window is still up: a message during the run would take the focus.
  if (const GroupCommand* group = tree->groupRecord(tree->runningGroup()); group != nullptr && !isRunning()) {
    if (const auto notice = StopTimeNotice::text(*group, wxDateTime::Now())) {
      UserDialogs::current().tell(WxText::fromUtf8(*notice), "Stop Time", UserDialogs::Icon::information, this);
    }
  }
  Tern::Event::postOwned(std::make_unique<RunSequenceEvent>(this));
}

void MyFrame::selectItem(const wxTreeItemId& item) {
  // The tree selects its root by itself while nothing is selected; selecting it again would
  // report no change.
  if (tree->GetSelection() == item) {
    selectionChanged(item);
  } else {
    tree->SelectItem(item);
  }
}

void MyFrame::enableForSelection(bool commandSelected) {
  runItem->Enable(true);
  for (int id : {FrameId::toolRunGroup, FrameId::toolAddGroup, FrameId::toolDeleteGroup, FrameId::toolAddCommand}) {
    toolbar->EnableTool(id, true);
  }
  toolbar->EnableTool(FrameId::toolDeleteCommand, commandSelected);
  for (wxMenu* menu : {groupMenu, groupPopup.get()}) {
    for (int id = FrameId::addGroup; id <= FrameId::importGroup; ++id) menu->Enable(id, true);
  }
  for (wxMenu* menu : {commandMenu, commandPopup.get()}) {
    menu->Enable(FrameId::addCommand, true);
    for (int id = FrameId::duplicateCommand; id <= FrameId::renameCommand; ++id) menu->Enable(id, commandSelected);
  }
}

void MyFrame::onSelChanging(wxTreeEvent& event) {
  event.Skip();
  if (!projectLoaded) return;
  const wxTreeItemId old = event.GetOldItem();
  if (GroupCommand* group = tree->groupRecord(old)) {
    groupPanel->storeGroup(*group);
  } else if (BaseCommand* command = tree->commandRecord(old)) {
    commandEditor().storeCommand(*command);
  }
}

void MyFrame::onSelChanged(wxTreeEvent& event) {
  event.Skip();
  selectionChanged(event.GetItem());
}

void MyFrame::selectionChanged(const wxTreeItemId& item) {
  if (!projectLoaded || !item.IsOk()) return;
  if (item == rootItem) {
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = tree->GetFirstChild(rootItem, cookie);
    if (first.IsOk()) {
      postSelect(first);
    } else {
      addGroup();
      postSelect(tree->GetSelection());
    }
    return;
  }
  if (GroupCommand* group = tree->groupRecord(item)) {
    enableForSelection(false);
    showGroup(*group);
  } else if (BaseCommand* command = tree->commandRecord(item)) {
    enableForSelection(true);
    showCommand(*command);
  }
}

void MyFrame::addGroup() {
  uiThread.assertCurrent("MyFrame::addGroup");
  projectChanged();
  auto group = std::make_unique<GroupCommand>();
  group->setName(newGroupName);
  GroupCommand& shown = *group;
  const wxTreeItemId item = tree->appendGroup(std::move(group), NameStyle::plain);
  tree->SelectItem(item);
  showGroup(shown);
}

void MyFrame::addCommand() {
  uiThread.assertCurrent("MyFrame::addCommand");
  projectChanged();
  const wxTreeItemId groupItem = selectedGroup();
  if (!groupItem.IsOk()) return;
  auto command = std::make_unique<BaseCommand>();
  command->setName(newCommandName);
  BaseCommand& shown = *command;
  const wxTreeItemId item = tree->appendCommand(groupItem, std::move(command), NameStyle::plain);
  tree->SelectItem(item);
  showCommand(shown);
}

void MyFrame::deleteGroup() {
  uiThread.assertCurrent("MyFrame::deleteGroup");
  projectChanged();
  const wxTreeItemId item = selectedGroup();
  if (!item.IsOk()) return;
  const wxTreeItemId next = tree->GetNextSibling(item);
  const wxTreeItemId previous = tree->GetPrevSibling(item);
  tree->Delete(item);
  if (!tree->HasChildren(rootItem)) tree->SetItemImage(rootItem, CommandTree::rootClosedImage);
  tree->SelectItem(next.IsOk() ? next : previous.IsOk() ? previous : rootItem);
}

void MyFrame::deleteCommand() {
  uiThread.assertCurrent("MyFrame::deleteCommand");
  projectChanged();
  const wxTreeItemId item = tree->GetSelection();
  if (tree->commandRecord(item) == nullptr) return;
  const wxTreeItemId groupItem = tree->GetItemParent(item);
  const wxTreeItemId next = tree->GetNextSibling(item);
  const wxTreeItemId previous = tree->GetPrevSibling(item);
  tree->Delete(item);
  if (!tree->HasChildren(groupItem)) tree->SetItemImage(groupItem, CommandTree::groupClosedImage);
  tree->SelectItem(next.IsOk() ? next : previous.IsOk() ? previous : groupItem);
}

void MyFrame::rename(bool groupOnly) {
  uiThread.assertCurrent("MyFrame::rename");
  const wxTreeItemId selected = tree->GetSelection();
  if (!selected.IsOk() || selected == rootItem) return;
  tree->EditLabel(groupOnly ? selectedGroup() : selected);
}

void MyFrame::duplicateGroup() {
  uiThread.assertCurrent("MyFrame::duplicateGroup");
  projectChanged();
  storeEditors();
  const wxTreeItemId source = selectedGroup();
  const GroupCommand* group = tree->groupRecord(source);
  if (group == nullptr) {
    UserDialogs::current().tell("Please try again", "Internal Error", UserDialogs::Icon::error, this);
    return;
  }
  const wxTreeItemId copy = tree->appendGroup(group->clone(), NameStyle::copy);
  for (const BaseCommand* command : groupBlock(source).commands) tree->appendCommand(copy, command->clone(), {});
  tree->Expand(copy);
  tree->SelectItem(copy);
  tree->SetFocus();
}

void MyFrame::duplicateCommand() {
  uiThread.assertCurrent("MyFrame::duplicateCommand");
  projectChanged();
  const wxTreeItemId source = tree->GetSelection();
  const BaseCommand* command = tree->commandRecord(source);
  if (command == nullptr) return;
  std::unique_ptr<BaseCommand> copy = command->clone();
  BaseCommand& shown = *copy;
  // Named after it is selected: the selection change stores the editors into the source.
  const wxTreeItemId item = tree->appendCommand(tree->GetItemParent(source), std::move(copy), {});
  tree->SelectItem(item);
  showCommand(shown);
  std::string name = shown.getName();
  tree->makeNameUnique(name, item, NameStyle::copy);
  shown.setName(name);
  tree->Refresh();
}

void MyFrame::onInsertSpecialButton(wxCommandEvent& event) {
  auto* button = dynamic_cast<wxWindow*>(event.GetEventObject());
  if (button == nullptr) return;
  // The status bar shows the items' help as it does the menu bar's, and its text again after.
  TokenMenu menu([this](const wxString& help) { DoGiveHelp(help, true); });
  UserDialogs::current().popUpMenu(*button, menu, wxPoint(0, 0));
  DoGiveHelp(wxEmptyString, false);
}

void MyFrame::insertSpecial(int id) {
  uiThread.assertCurrent("MyFrame::insertSpecial");
  wxTextCtrl& target = tree->isGroupItem(tree->GetSelection()) ? groupPanel->finalTextCtrl()
                                                               : commandEditor().commandTextCtrl();
  // A text too long to edit shows only its beginning, read-only; an insertion would be lost.
  if (const std::optional<std::string_view> text = MenuTokens::textFor(id); text && target.IsEditable()) {
    target.WriteText(WxText::fromUtf8(*text));
  }
  target.SetFocus();
}

void MyFrame::onBeginLabelEdit(wxTreeEvent& event) { tree->beginLabelEdit(event); }

void MyFrame::onEndLabelEdit(wxTreeEvent& event) {
  tree->endLabelEdit(event);
  projectChanged();
}

void MyFrame::onItemCollapsing(wxTreeEvent& event) {
  // The tree drops a selection that the collapse hides without a changing event, so the editors
  // are stored now or their edits are lost.
  if (projectLoaded && isBelow(*tree, tree->GetSelection(), event.GetItem())) storeEditors();
  tree->itemCollapsing(event);
  event.Skip();
}

void MyFrame::onBeginDrag(wxTreeEvent& event) { dragItem = tree->beginDrag(event); }

void MyFrame::onEndDrag(wxTreeEvent& event) {
  const wxTreeItemId dragged = dragItem;
  dragItem = wxTreeItemId();
  if (!dragged.IsOk()) return;
  projectChanged();
  storeEditors();
  const bool copy = copyOnDrop || wxGetKeyState(WXK_CONTROL);
  const wxTreeItemId dropped = tree->dropCommand(dragged, event.GetItem(), copy);
  if (const BaseCommand* command = tree->commandRecord(dropped)) showCommand(*command);
}

void MyFrame::onTreeKeyDown(wxTreeEvent& event) {
  if (event.GetKeyCode() == WXK_DELETE) {
    const wxTreeItemId selected = tree->GetSelection();
    if (tree->groupRecord(selected) != nullptr) {
      deleteGroup();
    } else if (tree->commandRecord(selected) != nullptr) {
      deleteCommand();
    }
    return;
  }
  event.Skip();
}

void MyFrame::onTreeRightDown(wxMouseEvent& event) {
  int flags = 0;
  const wxTreeItemId item = tree->HitTest(event.GetPosition(), flags);
  if (!item.IsOk()) return;
  tree->SelectItem(item);
  wxMenu* menu = item == rootItem ? rootPopup.get() : tree->isGroupItem(item) ? groupPopup.get() : commandPopup.get();
  const wxPoint where = ScreenToClient(tree->ClientToScreen(event.GetPosition())) + wxPoint(15, 0);
  PopupMenu(menu, where);
}

void MyFrame::onKeyDown(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_CONTROL) copyOnDrop = true;
  event.Skip();
}

void MyFrame::onKeyUp(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_CONTROL) copyOnDrop = false;
  event.Skip();
}

void MyFrame::onCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_F2) rename(false);
  event.Skip();
}

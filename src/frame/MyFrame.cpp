#include "frame/MyFrame.h"

#include <wx/bmpbuttn.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <functional>
#include <optional>

#include "commands/BaseCommand.h"
#include "commands/GroupCommand.h"
#include "controls/MenuTokens.h"
#include "controls/TokenMenu.h"
#include "frame/editors/CommandPanel.h"
#include "frame/EditorCapture.h"
#include "frame/editors/EditorChangeFilter.h"
#include "frame/FrameMenus.h"
#include "frame/GroupFiles.h"
#include "frame/editors/GroupPanel.h"
#include "frame/ProjectTree.h"
#include "frame/RunHost.h"
#include "input/RunInput.h"
#include "frame/TreeMemory.h"
#include "frame/TreeSplitter.h"
#include "frame/TreeUndo.h"
#include "project/Settings.h"
#include "project/WindowGeometry.h"
#include "resources/Resources.h"
#include "shell/AboutBox.h"
#include "shell/DialogSafeExit.h"
#include "shell/FrameIds.h"
#include "shell/HelpBook.h"
#include "shell/ThemeBitmaps.h"
#include "shell/TopToolbar.h"
#include "shell/UserDialogs.h"
#include "shell/WebLinks.h"
#include "tern/ExitSignals.h"
#include "text/Version.h"
#include "text/WxText.h"
#include "tree/CommandTree.h"

namespace {

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
      themeBitmaps(std::make_unique<ThemeBitmaps>()), folder(programFolder), settings(store), input(runInput) {
  SetBackgroundColour(*wxWHITE);
  SetIcons(Resources::iconBundle("MAINICON"));
  menus = std::make_unique<FrameMenus>(*this);
  buildPanels();
  toolbar = new TopToolbar(this);
  SetToolBar(toolbar);
  toolbar->Realize();
  buildStatusBar();
  Layout();
  fitMinimumToEditors();
  keeper = std::make_unique<ProjectKeeper>(projectPath(), static_cast<ProjectKeeper::Window&>(*this));
  run = std::make_unique<RunHost>(*this, *this, *tree, input, [this] { saveProject(); });
  capture = std::make_unique<EditorCapture>(*this, input);
  undo = std::make_unique<TreeUndo>(*tree, static_cast<TreeActions::Editors&>(*this), [this] { keeper->changed(); });
  menus->followHistory(undo->history().processor());
  actions = std::make_unique<TreeActions>(*this, *tree, static_cast<TreeActions::Editors&>(*this), *keeper, *undo);
  groupFiles =
      std::make_unique<GroupFiles>(*this, *tree, static_cast<TreeActions::Editors&>(*this), *keeper, *undo, folder);
  manual = std::make_unique<HelpBook>(this);
  bindEvents();
  changeWatch = std::make_unique<EditorChangeFilter>(*this, [this] { keeper->changed(); });
  safeExit = std::make_unique<DialogSafeExit>([this] {
    keeper->beQuiet();
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

MyFrame::~MyFrame() = default;

void MyFrame::receive(Tern::CountedPtr<Tern::Event> event) {
  uiThread.assertCurrent("MyFrame::receive");
  routeFrameEvent(event, *this);
}

bool MyFrame::isRunning() const { return run->isRunning(); }

TaskBarIcon& MyFrame::taskBarIcon() const { return run->taskBarIcon(); }

StopWindow* MyFrame::stopWindow() const { return run->stopWindow(); }

void MyFrame::endSequence() { run->endSequence(); }

void MyFrame::runSequence() { run->runSequence(); }

void MyFrame::commandFinished(const wxTreeItemId& item) { run->commandFinished(item); }

void MyFrame::stopKeyPressed() { run->stopKeyPressed(); }

void MyFrame::runCurrentGroup() {
  uiThread.assertCurrent("MyFrame::runCurrentGroup");
  storeEditors();
  run->runCurrentGroup();
}

void MyFrame::buildPanels() {
  splitter = new TreeSplitter(this, TreeShare::read(settings));
  // The tree's natural width follows its longest label; the divider gives it its share of the
  // width instead, and longer labels scroll.
  tree = new CommandTree(splitter, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxTR_HAS_BUTTONS | wxTR_EDIT_LABELS | wxBORDER_SUNKEN);
  tree->SetName("listCtrl");
  auto* editors = new wxPanel(splitter);
  emptyPanel = new wxPanel(editors, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN);
  groupPanel = new GroupPanel(editors, characterDelivery());
  groupPanel->Hide();

  editorColumn = new wxBoxSizer(wxVERTICAL);
  editorColumn->Add(emptyPanel, 1, wxEXPAND);
  editorColumn->Add(groupPanel, 1, wxEXPAND);
  editors->SetSizer(editorColumn);
  splitter->split(tree, editors);
  auto* sizer = new wxBoxSizer(wxHORIZONTAL);
  sizer->Add(splitter, 1, wxEXPAND);
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

KeyTextCheck::DeliveryOf MyFrame::characterDelivery() {
  return [this](char32_t c) { return input.delivery(c); };
}

CommandPanel& MyFrame::commandEditor() {
  // Hidden until a command is first selected, and a fifth of the window's making: made then.
  if (commandPanel == nullptr) {
    commandPanel = new CommandPanel(editorColumn->GetContainingWindow(), characterDelivery());
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
  splitter->keepEditorWidth(editor.GetWidth());
  SetMinSize(wxDefaultSize);
  SetMinClientSize(wxSize(splitter->smallestWidth(), editor.GetHeight()));
  wxSize smallest = GetMinSize();
  smallest.IncTo(wxSize(WindowGeometry::minimumSize, WindowGeometry::minimumSize));
  SetMinSize(smallest);
  // A window manager keeps the window at least this big; without one it is made so here.
  wxSize size = GetSize();
  if (size.x < smallest.x || size.y < smallest.y) {
    size.IncTo(smallest);
    SetSize(size);
  }
}

void MyFrame::storeGeometry(const wxRect& r) {
  settings.write("width", r.GetWidth());
  settings.write("height", r.GetHeight());
  settings.write("xpos", r.GetX());
  settings.write("ypos", r.GetY());
}

void MyFrame::bindEvents() {
  const auto menu = [this](std::initializer_list<int> ids, std::function<void()> action) {
    for (int id : ids) Bind(wxEVT_MENU, [action](wxCommandEvent&) { action(); }, id);
  };
  menu({FrameId::addGroup, FrameId::toolAddGroup}, [this] { actions->addGroup(); });
  menu({FrameId::duplicateGroup}, [this] { actions->duplicateGroup(); });
  menu({FrameId::deleteGroup, FrameId::toolDeleteGroup}, [this] { actions->deleteGroup(); });
  menu({FrameId::renameGroup}, [this] { actions->rename(true); });
  menu({FrameId::addCommand, FrameId::toolAddCommand}, [this] { actions->addCommand(); });
  menu({FrameId::duplicateCommand}, [this] { actions->duplicateCommand(); });
  menu({FrameId::deleteCommand, FrameId::toolDeleteCommand}, [this] { actions->deleteCommand(); });
  menu({FrameId::renameCommand}, [this] { actions->rename(false); });
  menu({wxID_UNDO}, [this] { undo->undo(); });
  menu({wxID_REDO}, [this] { undo->redo(); });
  menu({FrameId::exportGroup}, [this] { groupFiles->exportGroup(); });
  menu({FrameId::importGroup}, [this] { groupFiles->importGroup(); });
  menu({FrameId::runGroup, FrameId::toolRunGroup}, [this] { runCurrentGroup(); });
  menu({FrameId::exitProgram}, [this] { Close(); });
  menu({FrameId::about}, [this] { AboutBox(this).ShowModal(); });
  menu({FrameId::webSite}, [this] { WebLinks::openHomePage(this); });
  menu({FrameId::checkVersion}, [this] { WebLinks::openVersionCheckPage(this); });
  menu({FrameId::tellFriend}, [this] { WebLinks::openTellAFriendPage(this); });
  menu({FrameId::helpContents}, [this] { manual->showContents(); });
  menu({FrameId::helpIndex}, [this] { manual->showIndex(); });
  menu({FrameId::popupHelp}, [this] { manual->showPopupFor(wxWindow::FindFocus()); });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { WebLinks::openHomePage(this); }, FrameId::webSite);
  Bind(wxEVT_BUTTON, &MyFrame::onInsertSpecialButton, this, FrameId::insertSpecial);
  const auto record = [this](wxCommandEvent&) {
    storeEditors();
    capture->record(editedText());
  };
  Bind(wxEVT_BUTTON, record, FrameId::recordInput);
  Bind(wxEVT_MENU, record, FrameId::recordInput);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { capture->pick(editedText()); }, FrameId::pickPoint);
  Bind(wxEVT_MENU, [this](wxCommandEvent& event) { insertSpecial(event.GetId()); }, FrameId::insertSpecialFirst,
       FrameId::insertSpecialLast);

  tree->Bind(wxEVT_TREE_SEL_CHANGING, &MyFrame::onSelChanging, this);
  tree->Bind(wxEVT_TREE_SEL_CHANGED, &MyFrame::onSelChanged, this);
  tree->Bind(wxEVT_RIGHT_DOWN, &MyFrame::onTreeRightDown, this);
  Bind(wxEVT_CHAR_HOOK, &MyFrame::onCharHook, this);
  autosave.SetOwner(this);
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { keeper->autosave(); }, autosave.GetId());
  Bind(wxEVT_CLOSE_WINDOW, &MyFrame::onClose, this);
}

void MyFrame::onClose(wxCloseEvent& event) {
  // A run still in progress ends as "End Sequence Now" ends it, final commands and all, so
  // that no key stays held and the stop key goes back to the desktop.
  run->endSequence();
  if (!keeper->saveAtClose(event.CanVeto())) {
    event.Veto();
    return;
  }
  autosave.Stop();
  exitSource.reset();
  // Under a window manager a hidden frame no longer knows where it was: its place is taken
  // while it is still shown.
  storeGeometry(GetRect());
  splitter->share().write(settings);
  if (keeper->isLoaded()) TreeMemory::capture(*tree).write(settings);
  Hide();
  event.Skip();
}

void MyFrame::exitQuietly() {
  uiThread.assertCurrent("MyFrame::exitQuietly");
  safeExit->request();
}

void MyFrame::saveProject() {
  uiThread.assertCurrent("MyFrame::saveProject");
  keeper->save();
}

bool MyFrame::saveBeforeRun() {
  uiThread.assertCurrent("MyFrame::saveBeforeRun");
  return keeper->saveUntold();
}

void MyFrame::saveIfChanged() {
  uiThread.assertCurrent("MyFrame::saveIfChanged");
  keeper->saveIfChanged();
}

void MyFrame::saveWithoutDisplay() {
  uiThread.assertCurrent("MyFrame::saveWithoutDisplay");
  keeper->saveWithoutDisplay();
}

bool MyFrame::bringToFront() {
  uiThread.assertCurrent("MyFrame::bringToFront");
  if (isRunning() || !keeper->isLoaded()) return false;
  if (IsIconized()) Iconize(false);
  Raise();
  return true;
}

std::string MyFrame::projectText(std::size_t sizeHint) {
  storeEditors();
  return ProjectTree::text(*tree, sizeHint);
}

void MyFrame::startAutosave(int delayMs) { autosave.StartOnce(delayMs); }

void MyFrame::tell(const std::string& message, const std::string& title, UserDialogs::Icon icon) {
  UserDialogs::current().tell(WxText::fromUtf8(message), WxText::fromUtf8(title), icon, IsShown() ? this : nullptr);
}

void MyFrame::tellAtExit(const std::string& message, UserDialogs::Icon icon) {
  // A window that leaves the screen while its message is up would take the message with it.
  if (!IsShown()) Show();
  Raise();
  UserDialogs::current().tell(WxText::fromUtf8(message), "SAVE ERROR", icon, this);
}

void MyFrame::loadProject() {
  ProjectTree::Filler filler(*tree);
  if (keeper->load(filler)) {
    tree->SetFocus();
    tree->Collapse(rootItem);
    tree->Expand(rootItem);
  }
  // Again now that the minimum size is known.
  placement.show(restoredRect(settings));
  keeper->markLoaded();
  const wxTreeItemId selected = TreeMemory::restore(*tree, TreeState::read(settings));
  postSelect(selected.IsOk() ? selected : rootItem);
}

void MyFrame::postSelect(const wxTreeItemId& item) { Tern::Event::postOwned(std::make_unique<SelectItemEvent>(this, item)); }

void MyFrame::storeEditors() {
  uiThread.assertCurrent("MyFrame::storeEditors");
  storeInto(tree->GetSelection());
}

void MyFrame::storeInto(const wxTreeItemId& item) {
  std::unique_ptr<BaseCommand> before = undo->copyOf(item);
  BaseCommand* record = tree->record(item);
  if (GroupCommand* group = tree->groupRecord(item)) {
    groupPanel->storeGroup(*group);
  } else if (BaseCommand* command = tree->commandRecord(item)) {
    commandEditor().storeCommand(*command);
  } else {
    return;
  }
  std::string now;
  record->save(now);
  if (now != shownAs) undo->changed(tree->isGroupItem(item) ? "Edit Group" : "Edit Command", item, std::move(before));
  // The editors untouched now store what the record holds.
  shownAs = std::move(now);
}

void MyFrame::showGroup(const GroupCommand& group) {
  emptyPanel->Hide();
  if (commandPanel != nullptr) commandPanel->Hide();
  groupPanel->Show();
  groupPanel->showGroup(group);
  std::unique_ptr<GroupCommand> untouched = group.copy();
  groupPanel->storeGroup(*untouched);
  shownAs.clear();
  untouched->save(shownAs);
  layOutEditors();
}

void MyFrame::showCommand(const BaseCommand& command) {
  emptyPanel->Hide();
  groupPanel->Hide();
  commandEditor().Show();
  commandPanel->showCommand(command);
  std::unique_ptr<BaseCommand> untouched = command.clone();
  commandPanel->storeCommand(*untouched);
  shownAs.clear();
  untouched->save(shownAs);
  layOutEditors();
}

void MyFrame::layOutEditors() {
  // The editors' natural sizes are only final once they have been shown and laid out; the
  // editors' side keeps its size when the window does, and is not laid out with it.
  wxWindow& editors = *editorColumn->GetContainingWindow();
  editors.Layout();
  fitMinimumToEditors();
  Layout();
  editors.Layout();
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

void MyFrame::onSelChanging(wxTreeEvent& event) {
  event.Skip();
  if (keeper->isLoaded()) storeInto(event.GetOldItem());
}

void MyFrame::onSelChanged(wxTreeEvent& event) {
  event.Skip();
  selectionChanged(event.GetItem());
}

void MyFrame::selectionChanged(const wxTreeItemId& item) {
  if (!keeper->isLoaded() || !item.IsOk()) return;
  if (item == rootItem) {
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = tree->GetFirstChild(rootItem, cookie);
    if (first.IsOk()) {
      postSelect(first);
    } else {
      actions->addDefaultGroup();
      postSelect(tree->GetSelection());
    }
    return;
  }
  if (GroupCommand* group = tree->groupRecord(item)) {
    menus->enableFor(false, *toolbar);
    showGroup(*group);
  } else if (BaseCommand* command = tree->commandRecord(item)) {
    menus->enableFor(true, *toolbar);
    showCommand(*command);
  }
}

void MyFrame::onInsertSpecialButton(wxCommandEvent& event) {
  auto* button = dynamic_cast<wxWindow*>(event.GetEventObject());
  if (button == nullptr) return;
  // The status bar shows the items' help as it does the menu bar's, and its text again after.
  TokenMenu menu([this](const wxString& help) { DoGiveHelp(help, true); });
  // Below the button, so that the menu never hides the button the user just pressed.
  UserDialogs::current().popUpMenu(*button, menu, wxPoint(0, button->GetSize().GetHeight()));
  DoGiveHelp(wxEmptyString, false);
}

void MyFrame::insertSpecial(int id) {
  uiThread.assertCurrent("MyFrame::insertSpecial");
  wxTextCtrl& target = editedText();
  // A text too long to edit shows only its beginning, read-only; an insertion would be lost.
  if (const std::optional<std::string_view> text = MenuTokens::textFor(id); text && target.IsEditable()) {
    long from = 0;
    long to = 0;
    target.GetSelection(&from, &to);
    target.WriteText(WxText::fromUtf8(*text));
    // A mouse template's coordinates are selected, so that typing the numbers replaces them.
    if (const auto at = MenuTokens::placeholderIn(*text)) {
      const long start = from + static_cast<long>(*at);
      target.SetSelection(start, start + static_cast<long>(MenuTokens::placeholder.size()));
    }
  }
  target.SetFocus();
}

wxTextCtrl& MyFrame::editedText() {
  return tree->isGroupItem(tree->GetSelection()) ? groupPanel->finalTextCtrl() : commandEditor().commandTextCtrl();
}

void MyFrame::onTreeRightDown(wxMouseEvent& event) {
  int flags = 0;
  const wxTreeItemId item = tree->HitTest(event.GetPosition(), flags);
  if (!item.IsOk()) return;
  tree->SelectItem(item);
  const FrameMenus::Popup kind = item == rootItem           ? FrameMenus::Popup::root
                                 : tree->isGroupItem(item) ? FrameMenus::Popup::group
                                                           : FrameMenus::Popup::command;
  const wxPoint where = ScreenToClient(tree->ClientToScreen(event.GetPosition())) + wxPoint(15, 0);
  PopupMenu(&menus->popup(kind), where);
}

void MyFrame::onCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_F2) actions->rename(false);
  event.Skip();
}

#include "shell/HelpBook.h"

#include <wx/frame.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/treectrl.h>
#include <wx/log.h>

#include <system_error>

#include "shell/PopupTexts.h"
#include "shell/UserDialogs.h"
#include "text/WxText.h"

namespace {

// The book is a zip archive, read through the toolkit's file system, and its pictures are PNG
// images.
void enableBookFormats() {
  static bool added = false;
  if (added) return;
  wxFileSystem::AddHandler(new wxArchiveFSHandler);
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  added = true;
}

bool isFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::filesystem::path HelpBook::locate(const std::filesystem::path& programFolder) {
  for (const std::filesystem::path& candidate :
       {programFolder / fileName, programFolder.parent_path() / "share" / "zentak" / fileName}) {
    if (isFile(candidate)) return candidate;
  }
  return {};
}

wxWindow* HelpBook::popupTarget(wxWindow* focused) {
  if (focused == nullptr) return nullptr;
  if (focused->GetId() > 0) return focused;
  wxWindow* parent = focused->IsTopLevel() ? nullptr : focused->GetParent();
  return parent != nullptr && parent->GetId() > 0 ? parent : nullptr;
}

HelpBook::HelpBook(wxWindow* ownerWindow) : owner(ownerWindow) {}

HelpBook::~HelpBook() {
  if (currentPopup) currentPopup->Destroy();
}

void HelpBook::setBook(const std::filesystem::path& book) {
  path = book;
  controller.reset();
  sized = false;
}

void HelpBook::setViewerModule(const std::filesystem::path& module) {
  viewerModule = HelpModule(module);
  controller.reset();
  sized = false;
}

bool HelpBook::load() {
  if (controller) return true;
  if (path.empty() || !isFile(path)) {
    UserDialogs::current().tell("The help book \"" + wxString(fileName.data(), fileName.size()) +
                                    "\" cannot be found.\nPlease install Zentak again.",
                                "HELP ERROR", UserDialogs::Icon::error, owner);
    return false;
  }
  if (!isFile(viewerModule.file())) {
    UserDialogs::current().tell("The help viewer \"" + WxText::fromUtf8(HelpModule::fileName()) +
                                    "\" cannot be found.\nPlease install Zentak again.",
                                "HELP ERROR", UserDialogs::Icon::error, owner);
    return false;
  }
  std::unique_ptr<HelpViewer> viewer = viewerModule.makeViewer(owner);
  if (!viewer) {
    UserDialogs::current().tell("The help viewer \"" + WxText::fromUtf8(viewerModule.file().string()) +
                                    "\" cannot be loaded.\nPlease install Zentak again.",
                                "HELP ERROR", UserDialogs::Icon::error, owner);
    return false;
  }
  enableBookFormats();
  bool added = false;
  {
    // A broken book is told below in the program's words, not in the toolkit's log window.
    const wxLogNull quiet;
    added = viewer->addBook(WxText::fromUtf8(path.string()));
  }
  if (!added) {
    UserDialogs::current().tell("The help book \"" + WxText::fromUtf8(path.string()) +
                                    "\" cannot be read.\nPlease install Zentak again.",
                                "HELP ERROR", UserDialogs::Icon::error, owner);
    return false;
  }
  controller = std::move(viewer);
  return true;
}

void HelpBook::sizeWindow() {
  wxFrame* window = controller->frame();
  if (window == nullptr || sized) return;
  // The toolkit's first size leaves the pages too narrow for the pictures of the windows; later
  // the user's size stays.
  window->SetSize(window->FromDIP(wxSize(960, 680)));
  sized = true;
}

bool HelpBook::showContents() {
  if (!load() || !controller->displayContents()) return false;
  sizeWindow();
  // The book's one top entry would hide every chapter behind a click.
  wxTreeCtrl* contents = controller->contentsTree();
  if (contents == nullptr) return true;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId top = contents->GetFirstChild(contents->GetRootItem(), cookie); top.IsOk();
       top = contents->GetNextChild(contents->GetRootItem(), cookie)) {
    contents->Expand(top);
  }
  return true;
}

bool HelpBook::showIndex() {
  if (!load() || !controller->displayIndex()) return false;
  sizeWindow();
  return true;
}

void HelpBook::showPopupFor(wxWindow* focused) {
  wxWindow* target = popupTarget(focused);
  const std::string_view text = target != nullptr ? PopupTexts::find(target->GetId()) : std::string_view();
  if (text.empty()) {
    showContents();
    return;
  }
  if (currentPopup) currentPopup->Destroy();
  auto* shown = new HelpPopup(owner, WxText::fromUtf8(text));
  currentPopup = shown;
  shown->showBeside(target->GetScreenRect());
}

#include "shell/TaskBarIcon.h"

#include <wx/menu.h>

#include "resources/Resources.h"
#include "shell/FrameIds.h"
#include "shell/StopControls.h"
#include "text/WxText.h"

TaskBarIcon::TaskBarIcon(Hooks callbacks) : hooks(std::move(callbacks)) {
  Bind(wxEVT_TASKBAR_RIGHT_DOWN, &TaskBarIcon::onRightDown, this);
  Bind(wxEVT_TASKBAR_LEFT_DOWN, [this](wxTaskBarIconEvent&) { hooks.endSequence(); });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { hooks.endSequence(); }, FrameId::endSequence);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { hooks.exitProgram(); }, FrameId::exitProgram);
}

bool TaskBarIcon::install(const wxString& tip) {
  if (!IsAvailable()) return false;
  if (!picture.IsOk()) picture = Resources::icon("MAINICON", 32);
  return SetIcon(picture, tip);
}

void TaskBarIcon::setToolTip(const wxString& tip) {
  if (IsIconInstalled()) SetIcon(picture, tip);
}

void TaskBarIcon::remove() {
  if (IsIconInstalled()) RemoveIcon();
}

std::unique_ptr<wxMenu> TaskBarIcon::makeMenu() {
  auto menu = std::make_unique<wxMenu>();
  menu->Append(FrameId::endSequence, WxText::fromUtf8(StopControls::endSequenceText));
  menu->Append(FrameId::exitProgram, "Exit Zentak");
  return menu;
}

// The menu comes on the press, not on the release, so that one quick click both opens it and
// leaves it open.
void TaskBarIcon::onRightDown(wxTaskBarIconEvent&) {
  const std::unique_ptr<wxMenu> menu = makeMenu();
  menuOpen = true;
  PopupMenu(menu.get());
  menuOpen = false;
}

#include "shell/TopToolbar.h"

#include <wx/frame.h>
#include <wx/statusbr.h>

#include <array>
#include <cstddef>

#include "resources/Resources.h"
#include "shell/FrameIds.h"

namespace {

constexpr int toolSide = 32;

struct Tool {
  int id;
  const char* bitmap;
  const char* tip;
  const char* status;
};

constexpr std::array<Tool, 6> tools{{
    {FrameId::toolAddGroup, "ADDGROUPBTN", "Add New Group", "  Add a new command group to your group list."},
    {FrameId::toolDeleteGroup, "DELETEGROUPBTN", "Delete Current Group",
     "  Permanently delete the current group from your list."},
    {FrameId::toolAddCommand, "ADDCOMMANDBTN", "Add New Command", "  Add a new command to the current group."},
    {FrameId::toolDeleteCommand, "DELETECOMMANDBTN", "Delete Current Command",
     "  Delete the current command from the current group."},
    {FrameId::toolRunGroup, "RUNGROUPBTN", "Run Current Group", "  Run the current group."},
    {FrameId::popupHelp, "HELPBTN", "Show Help", "  Show Help."},
}};

// A separator follows the tools at these positions in the table.
constexpr bool separatorAfter(std::size_t index) { return index == 1 || index >= 3; }

}  // namespace

TopToolbar::TopToolbar(wxFrame* frame)
    : wxToolBar(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_HORIZONTAL | wxTB_FLAT | wxNO_BORDER),
      mainWindow(frame) {
  SetToolBitmapSize(wxSize(toolSide, toolSide));
  AddSeparator();
  for (std::size_t i = 0; i < tools.size(); ++i) {
    const Tool& tool = tools[i];
    AddTool(tool.id, wxEmptyString, Resources::bitmap(tool.bitmap), tool.tip, wxITEM_NORMAL);
    SetToolLongHelp(tool.id, tool.tip);
    if (separatorAfter(i)) AddSeparator();
  }
  Realize();
  SetBackgroundColour(*wxWHITE);
  Bind(wxEVT_TOOL_ENTER, &TopToolbar::onToolEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &TopToolbar::onLeave, this);
}

#ifdef __WXGTK3__
void TopToolbar::DoApplyWidgetStyle(GtkRcStyle* style) {
  wxToolBar::DoApplyWidgetStyle(style);
  GTKApplyStyle(reinterpret_cast<GtkWidget*>(GTKGetToolbar()), style);
}
#endif

wxString TopToolbar::defaultStatusText() { return "  Press F1 for popup help"; }

wxString TopToolbar::statusTextFor(int toolId) {
  for (const Tool& tool : tools) {
    if (tool.id == toolId) return tool.status;
  }
  return defaultStatusText();
}

void TopToolbar::showStatusFor(int toolId) {
  // The toolbar is built before the status bar; the pointer may get there first.
  wxStatusBar* bar = mainWindow->GetStatusBar();
  if (bar == nullptr || bar->GetFieldsCount() <= statusField) return;
  bar->SetStatusText(statusTextFor(toolId), statusField);
}

void TopToolbar::onToolEnter(wxCommandEvent& event) {
  // The toolkit sends the tool's id on entering it and -1 on leaving it.
  showStatusFor(event.GetInt());
}

void TopToolbar::onLeave(wxMouseEvent& event) {
  showStatusFor(wxID_ANY);
  event.Skip();
}

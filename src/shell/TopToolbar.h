#pragma once

#include <wx/toolbar.h>

class wxFrame;

// The main window's toolbar: add and delete group, add and delete command, run the current
// group, popup help. A click reaches the main window as a command event with the tool's id
// (FrameIds: the same handlers as the menus bind; popup help shares its id with the F1 key). While the pointer is over a tool, field 1 of the main
// window's status bar says what the tool does; elsewhere it shows the default text.
class TopToolbar : public wxToolBar {
 public:
  // The status bar field the tools describe themselves in.
  static constexpr int statusField = 1;

  // Created as frame's toolbar; the frame installs it with SetToolBar.
  explicit TopToolbar(wxFrame* frame);

  // "  Press F1 for popup help": field 1 whenever the pointer is over no tool.
  static wxString defaultStatusText();
  // What field 1 says while the pointer is over the tool; the default text for any other id.
  static wxString statusTextFor(int toolId);

  // Puts the tool's status text into field 1 of the main window's status bar, if it has one.
  void showStatusFor(int toolId);

 protected:
#ifdef __WXGTK3__
  // The native toolbar inside this window paints its own themed background over the window's,
  // so the colours go to it too.
  void DoApplyWidgetStyle(GtkRcStyle* style) override;
#endif

 private:
  void onToolEnter(wxCommandEvent& event);
  void onLeave(wxMouseEvent& event);

  wxFrame* mainWindow;
};

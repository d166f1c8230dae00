#pragma once

#include <wx/icon.h>
#include <wx/taskbar.h>

#include <functional>
#include <memory>

class wxMenu;

// The notification-area icon shown while a group runs: the program's icon, a tool tip saying
// where the run is, on a press of the right button a menu to end the run or the program, and on
// a click of the left button the end of the run (the main action, as notification-area icons
// have it). The choices reach the main window through the two hooks. UI thread only.
class TaskBarIcon : public wxTaskBarIcon {
 public:
  struct Hooks {
    std::function<void()> endSequence;
    std::function<void()> exitProgram;
  };

  explicit TaskBarIcon(Hooks hooks);

  // Shows the icon with the tool tip; false where the desktop has no notification area.
  bool install(const wxString& tip);
  // Puts another tool tip on the icon shown.
  void setToolTip(const wxString& tip);
  // Removes the icon if it is shown.
  void remove();
  // The menu is open: it holds the keyboard, and a key typed now would reach it (an Enter would
  // choose the item under the pointer). It opens in a loop of its own, in which the run's timers
  // go on.
  [[nodiscard]] bool isMenuOpen() const { return menuOpen; }

  // "End Sequence Now" and "Exit Zentak", as the right button's press shows them.
  [[nodiscard]] static std::unique_ptr<wxMenu> makeMenu();

 private:
  void onRightDown(wxTaskBarIconEvent& event);

  const Hooks hooks;
  bool menuOpen = false;
  wxIcon picture;
};

#pragma once

#include <wx/taskbar.h>

#include <functional>
#include <memory>

class wxMenu;

// The notification-area icon shown while a group runs: the program's icon, the tool tip
// "Zentak", and on a press of the right button a menu to end the run or the program. The
// choices reach the main window through the two hooks. UI thread only.
class TaskBarIcon : public wxTaskBarIcon {
 public:
  struct Hooks {
    std::function<void()> endSequence;
    std::function<void()> exitProgram;
  };

  explicit TaskBarIcon(Hooks hooks);

  // Shows the icon; note, when not empty, follows "Zentak" in the tool tip on a line of its
  // own. False where the desktop has no notification area.
  bool install(const wxString& note);
  // Removes the icon if it is shown.
  void remove();

  // "End Sequence Now" and "Exit Zentak", as the right button's press shows them.
  [[nodiscard]] static std::unique_ptr<wxMenu> makeMenu();

 private:
  void onRightDown(wxTaskBarIconEvent& event);

  const Hooks hooks;
};

#pragma once

#include <memory>
#include <string>

class TopToolbar;
class wxCommandProcessor;
class wxFrame;
class wxMenu;
class wxMenuItem;

// The main window's menu bar, its context menus and its keyboard accelerators, all made from
// one table of ids, labels, help strings and keys; a menu item shows its key. A menu on the menu
// bar cannot pop up as well, so the context menus of a group and a command are twins of the
// bar's. UI thread only.
class FrameMenus {
 public:
  enum class Popup { root, group, command };

  // Gives frame its menu bar and accelerators.
  explicit FrameMenus(wxFrame& frame);
  ~FrameMenus();
  FrameMenus(const FrameMenus&) = delete;
  FrameMenus& operator=(const FrameMenus&) = delete;

  // Enables the menu items and tools that act on the selected group, and those that act on a
  // command when one is selected.
  void enableFor(bool commandSelected, TopToolbar& tools);
  [[nodiscard]] wxMenu& popup(Popup which) const;
  // The Edit menu's Undo and Redo follow history, named after its steps and showing their keys.
  void followHistory(wxCommandProcessor& history);

  // The key that starts a menu entry, as its menu item shows it ("Ctrl+Z"); empty when none.
  [[nodiscard]] static std::string keyText(int id);

 private:
  wxFrame& frame;
  // Owned by the menu bar.
  wxMenu* groupMenu = nullptr;
  wxMenu* commandMenu = nullptr;
  wxMenu* editMenu = nullptr;
  wxMenuItem* runItem = nullptr;
  std::unique_ptr<wxMenu> rootPopup;
  std::unique_ptr<wxMenu> groupPopup;
  std::unique_ptr<wxMenu> commandPopup;
};

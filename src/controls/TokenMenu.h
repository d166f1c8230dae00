#pragma once

#include <wx/menu.h>

#include <functional>

// The "Insert Special" popup menu: a submenu of tokens for each group of keys, every item's help
// text its label. A chosen item reaches the window the menu popped up on as a menu event with
// the item's id. The help of the item under the pointer goes to showHelp (empty for a submenu's
// title): the toolkit sends it to the window the menu popped up on, which shows no help itself.
// Built for one popup and dropped when it closes. UI thread only.
class TokenMenu : public wxMenu {
 public:
  explicit TokenMenu(std::function<void(const wxString& help)> showHelp);

 private:
  void onHighlight(wxMenuEvent& event);

  std::function<void(const wxString& help)> show;
};

#pragma once

#include <wx/menu.h>

// The "Insert Special" popup menu: a submenu of tokens for each group of keys, every item's help
// text its label. A chosen item reaches the window the menu popped up on as a menu event with
// the item's id. Built for one popup and dropped when it closes. UI thread only.
class TokenMenu : public wxMenu {
 public:
  TokenMenu();
};

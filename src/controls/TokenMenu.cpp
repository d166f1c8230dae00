#include "controls/TokenMenu.h"

#include "controls/MenuTokens.h"

TokenMenu::TokenMenu() {
  for (const MenuTokens::Submenu& submenu : MenuTokens::submenus()) {
    auto* items = new wxMenu;
    for (const MenuTokens::Item& item : submenu.items) {
      const wxString label = wxString::FromUTF8(item.label);
      items->Append(item.id, label, label);
    }
    Append(submenu.id, wxString::FromUTF8(submenu.title), items);
  }
}

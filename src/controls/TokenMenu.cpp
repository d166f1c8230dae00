#include "controls/TokenMenu.h"

#include "controls/MenuTokens.h"

TokenMenu::TokenMenu(std::function<void(const wxString& help)> showHelp) : show(std::move(showHelp)) {
  Bind(wxEVT_MENU_HIGHLIGHT, &TokenMenu::onHighlight, this);
  for (const MenuTokens::Submenu& submenu : MenuTokens::submenus()) {
    auto* items = new wxMenu;
    for (const MenuTokens::Item& item : submenu.items) {
      const wxString label = wxString::FromUTF8(item.label);
      items->Append(item.id, label, label);
    }
    // A submenu's events reach its own handler first.
    items->Bind(wxEVT_MENU_HIGHLIGHT, &TokenMenu::onHighlight, this);
    Append(submenu.id, wxString::FromUTF8(submenu.title), items);
  }
}

void TokenMenu::onHighlight(wxMenuEvent& event) {
  const wxMenuItem* item = FindItem(event.GetMenuId());
  show(item != nullptr ? item->GetHelp() : wxString());
}

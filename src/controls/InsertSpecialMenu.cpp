#include "controls/InsertSpecialMenu.h"

#include "controls/SpecialTokens.h"

InsertSpecialMenu::InsertSpecialMenu() {
  for (const SpecialTokens::Submenu& submenu : SpecialTokens::submenus()) {
    auto* items = new wxMenu;
    for (const SpecialTokens::Item& item : submenu.items) {
      const wxString label = wxString::FromUTF8(item.label);
      items->Append(item.id, label, label);
    }
    Append(submenu.id, wxString::FromUTF8(submenu.title), items);
  }
}

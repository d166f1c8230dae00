#include "controls/RowSizer.h"

#include <wx/textentry.h>

#include <algorithm>

wxSize RowSizer::CalcMin() {
  // A text entry reports its true natural size only once it is realized and themed, which the
  // toolkit does not announce, so entries are measured afresh on every layout. Every other
  // control keeps the size it measured until it changes its content or font, which forgets it:
  // measuring a list means measuring each of its entries.
  for (wxSizerItem* item : GetChildren()) {
    wxWindow* window = item->GetWindow();
    if (dynamic_cast<wxTextEntry*>(window) != nullptr) window->InvalidateBestSize();
  }
  // The box sizer's own pass computes each item's minimum and the proportion total the layout
  // shares out by.
  wxBoxSizer::CalcMin();
  wxSize natural(0, 0);
  for (const wxSizerItem* item : GetChildren()) {
    if (!item->IsShown()) continue;
    const wxSize size = item->GetMinSizeWithBorder();
    natural.x += size.x;
    natural.y = std::max(natural.y, size.y);
  }
  return natural;
}

void RowSizer::install(wxWindow& control, RowSizer* row, const wxSize& asked) {
  control.SetSizer(row);
  control.SetMinSize(wxDefaultSize);
  wxSize initial = control.GetBestSize();
  initial.IncTo(asked);
  control.SetSize(initial);
  control.Layout();
}

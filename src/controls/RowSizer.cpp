#include "controls/RowSizer.h"

#include <algorithm>

wxSize RowSizer::CalcMin() {
  // Some widgets (text entries) only report their true natural size once realized and themed,
  // so it is measured afresh on every layout.
  for (wxSizerItem* item : GetChildren()) {
    if (wxWindow* window = item->GetWindow()) window->InvalidateBestSize();
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

#pragma once

#include <wx/sizer.h>

// A row of windows side by side. Its minimum is their natural sizes side by side; width beyond
// that is shared out by the items' proportions, never taking an item below its natural size. (A
// plain box sizer would instead widen its minimum until every proportion held at natural sizes.)
class RowSizer : public wxBoxSizer {
 public:
  RowSizer() : wxBoxSizer(wxHORIZONTAL) {}

  wxSize CalcMin() override;

  // Gives control this row as its sizer and the larger of its natural size and the size asked
  // for: the size asked for is only a starting point, the minimum stays the natural size.
  static void install(wxWindow& control, RowSizer* row, const wxSize& asked);
};

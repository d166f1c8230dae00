#pragma once

#include <wx/arrstr.h>
#include <wx/choice.h>

// A drop-down list whose natural size the toolkit measures by its shown entry only. A GTK combo
// box would measure each of its entries every time its size is asked; the list's natural width
// comes from its entries' text all the same, measured once for each change of entries or font.
class CompactChoice : public wxChoice {
 public:
  CompactChoice(wxWindow* parent, wxWindowID id, const wxArrayString& entries);
};

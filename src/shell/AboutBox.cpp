#include "shell/AboutBox.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "shell/AboutCanvas.h"

namespace {

// The box is never smaller than this; it grows when the toolkit's natural sizes need more.
const wxSize smallestSize(330, 310);

}  // namespace

AboutBox::AboutBox(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About Zentak", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      picture(new AboutCanvas(this)),
      close(new wxButton(this, wxID_OK, "Close")) {
  SetBackgroundColour(*wxWHITE);
  close->SetDefault();
  close->SetFocus();

  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(picture, 1, wxEXPAND);
  sizer->Add(close, 0, wxALIGN_CENTRE_HORIZONTAL | wxTOP | wxBOTTOM, FromDIP(6));
  SetSizerAndFit(sizer);

  wxSize size = GetSize();
  size.IncTo(smallestSize);
  SetMinSize(size);
  SetSize(size);
  CentreOnParent(wxBOTH);
}

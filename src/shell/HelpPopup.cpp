#include "shell/HelpPopup.h"

#include <wx/display.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {

// Lines are wrapped to this width, as a tool tip's are.
constexpr int wrapWidth = 320;
constexpr int margin = 8;

}  // namespace

HelpPopup::HelpPopup(wxWindow* parent, const wxString& text) : wxPopupTransientWindow(parent, wxBORDER_SIMPLE), shown(text) {
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
  auto* label = new wxStaticText(this, wxID_ANY, text);
  label->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
  label->Wrap(wrapWidth);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(label, wxSizerFlags().Border(wxALL, margin));
  SetSizerAndFit(sizer);
}

wxPoint HelpPopup::placeFor(const wxPoint& anchor, const wxSize& size, const wxRect& area) {
  const int x = std::clamp(anchor.x - size.x / 2, area.x, std::max(area.x, area.GetRight() + 1 - size.x));
  const int y = std::clamp(anchor.y, area.y, std::max(area.y, area.GetBottom() + 1 - size.y));
  return {x, y};
}

void HelpPopup::showAt(const wxPoint& anchor) {
  const int display = wxDisplay::GetFromPoint(anchor);
  const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0U : static_cast<unsigned>(display)).GetClientArea();
  Move(placeFor(anchor, GetSize(), area));
  Popup();
}

void HelpPopup::OnDismiss() { Destroy(); }

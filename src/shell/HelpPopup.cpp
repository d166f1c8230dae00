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
// Between the control and the popup, so that the control's edge stays visible.
constexpr int gap = 4;

int clampInto(int start, int length, int areaStart, int areaLength) {
  return std::clamp(start, areaStart, std::max(areaStart, areaStart + areaLength - length));
}

}  // namespace

HelpPopup::HelpPopup(wxWindow* parent, const wxString& text) : wxPopupWindow(parent, wxBORDER_SIMPLE), shown(text) {
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
  auto* label = new wxStaticText(this, wxID_ANY, text);
  label->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
  label->Wrap(wrapWidth);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(label, wxSizerFlags().Border(wxALL, margin));
  SetSizerAndFit(sizer);
  wxEvtHandler::AddFilter(this);
}

HelpPopup::~HelpPopup() { wxEvtHandler::RemoveFilter(this); }

wxPoint HelpPopup::placeFor(const wxRect& control, const wxSize& size, const wxRect& area) {
  const int below = control.GetBottom() + 1 + gap;
  const int above = control.y - gap - size.y;
  const int centredX = clampInto(control.x + (control.width - size.x) / 2, size.x, area.x, area.width);
  if (below + size.y <= area.GetBottom() + 1) return {centredX, below};
  if (above >= area.y) return {centredX, above};
  // A control as tall as the screen: beside it, on the side with more room.
  const int right = control.GetRight() + 1 + gap;
  const int left = control.x - gap - size.x;
  const int x = area.GetRight() + 1 - right >= control.x - area.x ? right : left;
  return {x, clampInto(control.y, size.y, area.y, area.height)};
}

void HelpPopup::showBeside(const wxRect& control) {
  const int display = wxDisplay::GetFromPoint(control.GetTopLeft());
  const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0U : static_cast<unsigned>(display)).GetClientArea();
  Move(placeFor(control, GetSize(), area));
  Show();
}

int HelpPopup::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (closing) return Event_Skip;
  // A key comes as a hook first (where a dialog takes Escape), then down.
  if (type == wxEVT_CHAR_HOOK || type == wxEVT_KEY_DOWN) {
    close();
    // Escape was meant for the popup alone: it must not also cancel a dialog or an edit.
    return static_cast<wxKeyEvent&>(event).GetKeyCode() == WXK_ESCAPE ? Event_Processed : Event_Skip;
  }
  if (type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN ||
      type == wxEVT_AUX1_DOWN || type == wxEVT_AUX2_DOWN) {
    close();
  }
  return Event_Skip;
}

void HelpPopup::close() {
  closing = true;
  Hide();
  // Later: the toolkit is still walking its filters, this one among them.
  CallAfter([this] { Destroy(); });
}

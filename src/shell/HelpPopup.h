#pragma once

#include <wx/popupwin.h>

// A short help text in a small window of its own, under the pointer's reach of a control: its
// top edge is centred on an anchor point, kept on the screen. It goes at the next click or key
// anywhere and then destroys itself. UI thread only.
class HelpPopup : public wxPopupTransientWindow {
 public:
  HelpPopup(wxWindow* parent, const wxString& text);

  // Shows the popup with the centre of its top edge at anchor (screen coordinates), moved
  // inside the display that holds the anchor.
  void showAt(const wxPoint& anchor);

  // The position the popup takes for anchor, for a popup of size on a display of area.
  static wxPoint placeFor(const wxPoint& anchor, const wxSize& size, const wxRect& area);

  [[nodiscard]] const wxString& text() const { return shown; }

 private:
  void OnDismiss() override;

  wxString shown;
};

#pragma once

#include <wx/eventfilter.h>
#include <wx/popupwin.h>

// A short help text in a small window of its own beside a control, never over it, kept on the
// screen. It takes neither the focus nor the pointer: the next key or click anywhere in the
// program closes it and still goes where it was aimed, except Escape, which only closes it.
// Closed, it destroys itself. UI thread only.
class HelpPopup : public wxPopupWindow, private wxEventFilter {
 public:
  HelpPopup(wxWindow* parent, const wxString& text);
  ~HelpPopup() override;
  HelpPopup(const HelpPopup&) = delete;
  HelpPopup& operator=(const HelpPopup&) = delete;

  // Shows the popup beside control (screen coordinates), inside the display that holds it.
  void showBeside(const wxRect& control);

  // The position the popup takes for control, for a popup of size on a display of area: centred
  // below it, else above it, else on the side with more room.
  static wxPoint placeFor(const wxRect& control, const wxSize& size, const wxRect& area);

  [[nodiscard]] const wxString& text() const { return shown; }

 private:
  int FilterEvent(wxEvent& event) override;
  void close();

  wxString shown;
  bool closing = false;
};

#pragma once

#include <wx/calctrl.h>
#include <wx/datetime.h>
#include <wx/dialog.h>

// Picks a date on a month calendar. Shown modally, it returns the id of the button that closed
// it: okId or cancelId (Escape counts as Cancel).
class CalendarDialog : public wxDialog {
 public:
  static constexpr wxWindowID okId = 18;
  static constexpr wxWindowID cancelId = 19;

  // Sized to fit its children; hidden until shown.
  CalendarDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize);

  [[nodiscard]] wxDateTime GetDate() const;
  void SetDate(const wxDateTime& date);

 private:
  void onButton(wxCommandEvent& event);

  wxCalendarCtrl* calendar;
};

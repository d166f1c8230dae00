#pragma once

#include <wx/datetime.h>
#include <wx/panel.h>

class DateOrder;
class wxButton;
class wxChoice;
class wxTextCtrl;

// A wall-clock date and time: the date as text with a "Set" button that picks it on a calendar,
// and lists for the hour, the minute and AM/PM. Every change the user makes is checked against
// the other time through DateOrder; a change that puts them out of order is refused with a
// message and the control shows its last accepted value again.
class DateTimeCtrl : public wxPanel {
 public:
  static constexpr wxWindowID setButtonId = 3026;
  static constexpr wxWindowID hourListId = 3027;
  static constexpr wxWindowID minuteListId = 3028;
  static constexpr wxWindowID amPmListId = 3029;

  // order must outlive the control. The control takes at least its natural size, whatever size
  // is asked for.
  DateTimeCtrl(wxWindow* parent, wxWindowID id, const DateOrder& order, const wxPoint& pos = wxDefaultPosition,
               const wxSize& size = wxDefaultSize);

  // The date shown at the hour and minute the lists show (seconds 0).
  [[nodiscard]] wxDateTime GetDateTime() const;
  // Shows value in every part and makes it the last accepted value; an invalid value changes
  // nothing.
  void SetDateTime(const wxDateTime& value);

  // Applies to the date text, the button and the three lists as well as the panel.
  bool Enable(bool enable = true) override;

 private:
  void onSet(wxCommandEvent& event);
  void onListChosen(wxCommandEvent& event);
  void centreOnTopWindow(wxWindow& calendar);
  void refuse();

  const DateOrder& order;
  wxDateTime stored;
  // The date part of the value, which the calendar opens on.
  wxDateTime date;
  wxTextCtrl* dateText;
  wxButton* setButton;
  wxChoice* hourList;
  wxChoice* minuteList;
  wxChoice* amPmList;
};

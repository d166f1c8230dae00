#include "controls/DateTimeCtrl.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <initializer_list>

#include "controls/CalendarDialog.h"
#include "controls/CompactChoice.h"
#include "controls/DateOrder.h"
#include "controls/RowSizer.h"
#include "controls/TwelveHourClock.h"
#include "shell/UserDialogs.h"

namespace {

const char* const dateFormat = "%x";

wxArrayString hourNames() {
  wxArrayString names;
  for (int hour = 1; hour <= 12; ++hour) names.Add(wxString::Format("%02d", hour));
  return names;
}

wxArrayString minuteNames() {
  wxArrayString names;
  for (int minute = 0; minute < 60; ++minute) names.Add(wxString::Format(":%02d", minute));
  return names;
}

wxArrayString amPmNames() {
  wxArrayString names;
  names.Add("AM");
  names.Add("PM");
  return names;
}

// The date as read-only text, at least as wide as the longest date of the locale's short format.
class DateText : public wxTextCtrl {
 public:
  DateText(wxWindow* parent, const wxString& date)
      : wxTextCtrl(parent, wxID_ANY, date, wxDefaultPosition, wxDefaultSize, wxTE_READONLY) {}

 protected:
  // Asked on every layout (an entry's own size may still change): the dates are measured only
  // when the font is new.
  wxSize DoGetBestSize() const override {
    if (measuredFont != GetFont()) {
      measuredFont = GetFont();
      widestDate = 0;
      for (int month = wxDateTime::Jan; month <= wxDateTime::Dec; ++month) {
        const wxDateTime sample(28, static_cast<wxDateTime::Month>(month), 2088);
        widestDate = std::max(widestDate, GetTextExtent(sample.Format(dateFormat)).x);
      }
    }
    wxSize best = wxTextCtrl::DoGetBestSize();
    best.IncTo(GetSizeFromTextSize(widestDate));
    return best;
  }

 private:
  mutable wxFont measuredFont;
  mutable int widestDate = 0;
};

}  // namespace

DateTimeCtrl::DateTimeCtrl(wxWindow* parent, wxWindowID id, const DateOrder& dateOrder, const wxPoint& pos,
                           const wxSize& size)
    : wxPanel(parent, id, pos, size, wxTAB_TRAVERSAL | wxNO_BORDER, "panel"),
      order(dateOrder),
      stored(wxDateTime::Now()),
      date(wxDateTime::Today()),
      dateText(new DateText(this, date.Format(dateFormat))),
      setButton(new wxButton(this, setButtonId, "Set")),
      hourList(new CompactChoice(this, hourListId, hourNames())),
      minuteList(new CompactChoice(this, minuteListId, minuteNames())),
      amPmList(new CompactChoice(this, amPmListId, amPmNames())) {
  hourList->SetSelection(0);
  minuteList->SetSelection(0);
  amPmList->SetSelection(0);
  // A GTK text entry reports a natural height that grows with the height it was last given; the
  // date text takes its height from the button and lists beside it instead.
  int rowHeight = 0;
  for (const wxWindow* part : std::initializer_list<const wxWindow*>{setButton, hourList, minuteList, amPmList}) {
    rowHeight = std::max(rowHeight, part->GetBestSize().y);
  }
  dateText->SetMaxSize(wxSize(-1, rowHeight));

  auto* row = new RowSizer;
  row->Add(dateText, 30, wxEXPAND);
  row->Add(setButton, 12, wxEXPAND);
  row->Add(hourList, 18, wxEXPAND);
  row->Add(minuteList, 20, wxEXPAND);
  row->Add(amPmList, 20, wxEXPAND);
  RowSizer::install(*this, row, size);

  setButton->Bind(wxEVT_BUTTON, &DateTimeCtrl::onSet, this);
  for (wxChoice* list : {hourList, minuteList, amPmList}) list->Bind(wxEVT_CHOICE, &DateTimeCtrl::onListChosen, this);
}

wxDateTime DateTimeCtrl::GetDateTime() const {
  if (!date.IsValid()) return wxDateTime();
  const int hour = TwelveHourClock::hourOf({hourList->GetSelection(), amPmList->GetSelection() == 1});
  const int minute = std::clamp(minuteList->GetSelection(), 0, 59);
  return wxDateTime(date.GetDay(), date.GetMonth(), date.GetYear(), static_cast<wxDateTime::wxDateTime_t>(hour),
                    static_cast<wxDateTime::wxDateTime_t>(minute));
}

void DateTimeCtrl::SetDateTime(const wxDateTime& value) {
  if (!value.IsValid()) return;
  date = value.GetDateOnly();
  const TwelveHourClock::Reading reading = TwelveHourClock::readingOf(value.GetHour());
  hourList->SetSelection(reading.index);
  amPmList->SetSelection(reading.pm ? 1 : 0);
  minuteList->SetSelection(value.GetMinute());
  stored = value;
  dateText->ChangeValue(value.Format(dateFormat));
}

bool DateTimeCtrl::Enable(bool enable) {
  const bool changed = wxPanel::Enable(enable);
  dateText->Enable(enable);
  setButton->Enable(enable);
  hourList->Enable(enable);
  minuteList->Enable(enable);
  amPmList->Enable(enable);
  return changed;
}

void DateTimeCtrl::onSet(wxCommandEvent&) {
  // Made for each pick, not with the control: a calendar window made at start would cost every
  // start time and memory, and most users never open it.
  CalendarDialog calendar(this, wxID_ANY, "Select Date");
  calendar.SetDate(date);
  centreOnTopWindow(calendar);
  if (calendar.ShowModal() != CalendarDialog::okId) return;
  date = calendar.GetDate().GetDateOnly();
  dateText->ChangeValue(date.Format(dateFormat));
  if (order.DatesInOrder()) {
    stored = GetDateTime();
    return;
  }
  refuse();
  SetDateTime(stored);
}

void DateTimeCtrl::onListChosen(wxCommandEvent&) {
  if (order.DatesInOrder()) {
    stored = GetDateTime();
  } else {
    refuse();
  }
  SetDateTime(stored);
}

void DateTimeCtrl::centreOnTopWindow(wxWindow& calendar) {
  const wxWindow* top = wxGetTopLevelParent(this);
  if (top == nullptr) return;
  const wxRect area = top->GetScreenRect();
  const wxSize own = calendar.GetSize();
  calendar.Move(area.x + (area.width - own.x) / 2, area.y + (area.height - own.y) / 2);
}

void DateTimeCtrl::refuse() {
  UserDialogs::current().tell("Start date must come before stop date.", "Invalid date selected",
                              UserDialogs::Icon::error, nullptr);
}

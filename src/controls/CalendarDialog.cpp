#include "controls/CalendarDialog.h"

#include <wx/button.h>
#include <wx/calctrl.h>
#include <wx/sizer.h>

CalendarDialog::CalendarDialog(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                               const wxSize& size)
    : wxDialog(parent, id, title, pos, size, wxCAPTION | wxSYSTEM_MENU),
      calendar(new wxCalendarCtrl(this, wxID_ANY)) {
  auto* okButton = new wxButton(this, okId, "Ok");
  auto* cancelButton = new wxButton(this, cancelId, "Cancel");

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(okButton, 0, wxLEFT, 10);
  buttons->Add(cancelButton, 0, wxLEFT | wxRIGHT, 10);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(calendar, 0, wxTOP, 30);
  column->Add(buttons, 0, wxTOP | wxBOTTOM, 5);
  SetSizerAndFit(column);

  okButton->Bind(wxEVT_BUTTON, &CalendarDialog::onButton, this);
  cancelButton->Bind(wxEVT_BUTTON, &CalendarDialog::onButton, this);
  // Escape and the window manager's close both press Cancel, so the dialog only ever ends with
  // one of its two ids.
  SetEscapeId(cancelId);
}

wxDateTime CalendarDialog::GetDate() const { return calendar->GetDate(); }

void CalendarDialog::SetDate(const wxDateTime& date) { calendar->SetDate(date); }

void CalendarDialog::onButton(wxCommandEvent& event) { EndModal(event.GetId()); }

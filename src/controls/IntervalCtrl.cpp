#include "controls/IntervalCtrl.h"

#include <wx/choice.h>
#include <wx/spinctrl.h>

#include "controls/CompactChoice.h"
#include "controls/IntervalUnits.h"
#include "controls/RowSizer.h"

namespace {

constexpr std::int32_t initialNumber = 10;

wxArrayString unitNames() {
  wxArrayString names;
  for (const char* name : {"Milliseconds", "Seconds", "Minutes", "Hours", "Days"}) names.Add(name);
  return names;
}

}  // namespace

IntervalCtrl::IntervalCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxPanel(parent, id, pos, size, wxTAB_TRAVERSAL | wxNO_BORDER, "panel"),
      numberField(new wxSpinCtrl(this, wxID_ANY, "10", wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS | wxSP_WRAP,
                            IntervalUnits::smallestNumber, IntervalUnits::largestTypedNumber, initialNumber,
                            "wxSpinCtrl")),
      unitList(new CompactChoice(this, wxID_ANY, unitNames())),
      lastNumber(initialNumber) {
  unitList->SetSelection(wxNOT_FOUND);

  auto* row = new RowSizer;
  row->Add(numberField, 40, wxEXPAND);
  row->Add(unitList, 60, wxEXPAND);
  RowSizer::install(*this, row, size);

  numberField->Bind(wxEVT_TEXT, &IntervalCtrl::onText, this);
  unitList->Bind(wxEVT_CHOICE, &IntervalCtrl::onUnitChosen, this);
}

void IntervalCtrl::GetValue(std::int32_t& value, std::int16_t& unit) const {
  value = currentNumber();
  unit = selectedUnit();
}

std::int32_t IntervalCtrl::GetMilliseconds() const {
  return IntervalUnits::milliseconds(currentNumber(), selectedUnit());
}

void IntervalCtrl::SetValue(std::int32_t value, std::int16_t unit) {
  const std::int16_t shown = IntervalUnits::isUnit(unit) ? unit : std::int16_t{-1};
  unitList->SetSelection(shown);
  applyRange(shown);
  showNumber(IntervalUnits::clampNumber(value, shown));
}

bool IntervalCtrl::Enable(bool enable) {
  const bool changed = wxPanel::Enable(enable);
  numberField->Enable(enable);
  unitList->Enable(enable);
  return changed;
}

std::int16_t IntervalCtrl::selectedUnit() const {
  const int selection = unitList->GetSelection();
  return IntervalUnits::isUnit(static_cast<std::int16_t>(selection)) ? static_cast<std::int16_t>(selection)
                                                                      : std::int16_t{-1};
}

std::int32_t IntervalCtrl::currentNumber() const {
  return IntervalUnits::readTyped(numberField->GetTextValue().ToStdString(), selectedUnit())
      .value_or(IntervalUnits::clampNumber(lastNumber, selectedUnit()));
}

void IntervalCtrl::applyRange(std::int16_t unit) {
  numberField->SetRange(IntervalUnits::smallestNumber, IntervalUnits::largestNumber(unit));
}

void IntervalCtrl::showNumber(std::int32_t value) {
  lastNumber = value;
  numberField->SetValue(value);
}

void IntervalCtrl::onText(wxCommandEvent& event) {
  if (const auto typed = IntervalUnits::readTyped(numberField->GetTextValue().ToStdString(), selectedUnit())) {
    lastNumber = *typed;
  } else {
    // Typing over a selection empties the field on the way, so the verdict waits until the
    // keystroke is done.
    CallAfter(&IntervalCtrl::restoreEmptiedField);
  }
  event.Skip();
}

void IntervalCtrl::restoreEmptiedField() {
  if (IntervalUnits::readTyped(numberField->GetTextValue().ToStdString(), selectedUnit())) return;
  // The field takes only digits, so this is an emptied field (or a lone sign), which the field
  // itself would read as its smallest number. The last number comes back instead, selected so
  // that typing replaces it.
  showNumber(IntervalUnits::clampNumber(lastNumber, selectedUnit()));
  numberField->SetSelection(-1, -1);
}

void IntervalCtrl::onUnitChosen(wxCommandEvent& event) {
  const std::int32_t value = currentNumber();
  applyRange(selectedUnit());
  showNumber(value);
  event.Skip();
}

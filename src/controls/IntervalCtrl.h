#pragma once

#include <wx/panel.h>

#include <cstdint>

class wxChoice;
class wxSpinCtrl;

// A length of time entered as a whole number and a unit ("10" "Seconds"). The number's range
// follows the unit (see IntervalUnits), so every pair fits a signed 32-bit count of milliseconds.
// Unit codes are those of IntervalUnits; -1 means no unit is selected.
class IntervalCtrl : public wxPanel {
 public:
  // The control takes at least its natural size, whatever size is asked for.
  IntervalCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
               const wxSize& size = wxDefaultSize);

  void GetValue(std::int32_t& number, std::int16_t& unit) const;
  // number × milliseconds per unit; 0 when no unit is selected.
  [[nodiscard]] std::int32_t GetMilliseconds() const;
  // A number outside the unit's range is brought to its nearest end; a unit code outside 0–4
  // selects no unit.
  void SetValue(std::int32_t number, std::int16_t unit);

  // Applies to the number field and the unit list as well as the panel.
  bool Enable(bool enable = true) override;

 private:
  [[nodiscard]] std::int16_t selectedUnit() const;
  // The number the field's text reads as, clamped to the unit's range.
  [[nodiscard]] std::int32_t currentNumber() const;
  void applyRange(std::int16_t unit);
  void showNumber(std::int32_t value);

  void onText(wxCommandEvent& event);
  void restoreEmptiedField();
  void onUnitChosen(wxCommandEvent& event);

  wxSpinCtrl* numberField;
  wxChoice* unitList;
  // The last number the field held; shown again when its text stops being a number.
  std::int32_t lastNumber;
};

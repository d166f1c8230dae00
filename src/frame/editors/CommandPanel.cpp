#include "frame/editors/CommandPanel.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/gbsizer.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdint>
#include <initializer_list>
#include <tuple>

#include "commands/BaseCommand.h"
#include "controls/IntervalCtrl.h"
#include "frame/editors/EditorLayout.h"
#include "frame/editors/EditorText.h"
#include "shell/FrameIds.h"

namespace {

constexpr int smallestRunCount = 1;
constexpr int largestRunCount = 9999;
constexpr int initialRunCount = 10;

// The bracket that joins the two bounds of the random interval: arms at the middle of either
// bound, joined by an upright. It follows the bounds wherever the layout puts them, and greys
// with them.
class BoundsBracket : public wxWindow {
 public:
  BoundsBracket(wxWindow* parent, const wxWindow& upperBound, const wxWindow& lowerBound)
      : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
        upper(upperBound),
        lower(lowerBound) {
    Bind(wxEVT_PAINT, &BoundsBracket::onPaint, this);
  }

  [[nodiscard]] bool AcceptsFocus() const override { return false; }
  [[nodiscard]] bool AcceptsFocusFromKeyboard() const override { return false; }

 protected:
  [[nodiscard]] wxSize DoGetBestSize() const override { return FromDIP(wxSize(12, 1)); }

  void DoEnable(bool enable) override {
    wxWindow::DoEnable(enable);
    Refresh();
  }

 private:
  void onPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const int top = GetPosition().y;
    const int upperArm = upper.GetPosition().y + upper.GetSize().y / 2 - top;
    const int lowerArm = lower.GetPosition().y + lower.GetSize().y / 2 - top;
    const int upright = FromDIP(3);
    const int end = GetClientSize().x;
    dc.SetPen(wxPen(wxSystemSettings::GetColour(IsEnabled() ? wxSYS_COLOUR_WINDOWTEXT : wxSYS_COLOUR_GRAYTEXT)));
    dc.DrawLine(end, upperArm, upright, upperArm);
    dc.DrawLine(upright, upperArm, upright, lowerArm);
    dc.DrawLine(upright, lowerArm, end, lowerArm);
  }

  const wxWindow& upper;
  const wxWindow& lower;
};

}  // namespace

CommandPanel::CommandPanel(wxWindow* parent, KeyTextCheck::DeliveryOf delivery)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN) {
  // Every control is a child of the panel, not of its box: disabling a box must leave "Disable
  // Command" alone.
  optionsBox = new wxStaticBox(this, wxID_ANY, "Command Options");
  disableCommand = new wxCheckBox(this, FrameId::disableCommand, "Disable Command");
  runCountLabel = new wxStaticText(this, wxID_ANY, "Run Count");
  runCount = new wxSpinCtrl(this, FrameId::runCount, "10", wxDefaultPosition, wxDefaultSize,
                            wxSP_ARROW_KEYS | wxSP_WRAP, smallestRunCount, largestRunCount, initialRunCount);

  intervalBox = new wxStaticBox(this, wxID_ANY, "Interval Options");
  setInterval =
      new wxRadioButton(this, FrameId::setInterval, "Set Interval", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  fixedInterval = new IntervalCtrl(this, FrameId::fixedInterval);
  randomInterval = new wxRadioButton(this, FrameId::randomInterval, "Random Interval");
  randomFrom = new IntervalCtrl(this, FrameId::randomBound);
  auto* between = new wxStaticText(this, wxID_ANY, "BETWEEN");
  randomTo = new IntervalCtrl(this, FrameId::randomBound);
  boundLabels = {between, new BoundsBracket(this, *randomFrom, *randomTo)};

  textBox = new wxStaticBox(this, wxID_ANY, "Command Text");
  commandText =
      new wxTextCtrl(this, FrameId::commandText, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE);
  insertSpecial = new wxButton(this, FrameId::insertSpecial, "Insert Special");
  std::tie(record, pickPoint) = EditorLayout::captureButtons(this);
  shownText = std::make_unique<EditorText>(*commandText, std::move(delivery));

  auto* runCountRow = new wxBoxSizer(wxHORIZONTAL);
  runCountRow->Add(runCountLabel, 0, wxALIGN_CENTRE_VERTICAL);
  runCountRow->AddSpacer(EditorLayout::columnGap);
  runCountRow->Add(runCount, 0, wxALIGN_CENTRE_VERTICAL);
  auto* disableRow = new wxBoxSizer(wxHORIZONTAL);
  disableRow->Add(disableCommand, 0, wxALIGN_CENTRE_VERTICAL);

  // Columns: "BETWEEN", the bracket, the interval controls; each option button spans the first
  // two.
  auto* intervals = new wxGridBagSizer(EditorLayout::rowGap, 0);
  intervals->Add(setInterval, wxGBPosition(0, 0), wxGBSpan(1, 2), wxALIGN_CENTRE_VERTICAL | wxRIGHT,
                 EditorLayout::columnGap);
  intervals->Add(fixedInterval, wxGBPosition(0, 2), wxDefaultSpan, wxEXPAND);
  intervals->Add(randomInterval, wxGBPosition(1, 0), wxGBSpan(1, 2), wxALIGN_CENTRE_VERTICAL | wxRIGHT,
                 EditorLayout::columnGap);
  intervals->Add(between, wxGBPosition(2, 0), wxGBSpan(2, 1), wxALIGN_CENTRE_VERTICAL | wxALIGN_RIGHT | wxRIGHT,
                 EditorLayout::rowGap);
  intervals->Add(boundLabels.back(), wxGBPosition(2, 1), wxGBSpan(2, 1), wxEXPAND | wxRIGHT, EditorLayout::rowGap);
  intervals->Add(randomFrom, wxGBPosition(2, 2), wxDefaultSpan, wxEXPAND);
  intervals->Add(randomTo, wxGBPosition(3, 2), wxDefaultSpan, wxEXPAND);
  intervals->AddGrowableCol(2);

  EditorLayout::placeBoxes(
      *this, {EditorLayout::boxOf(optionsBox, {disableRow, runCountRow}), EditorLayout::boxOf(intervalBox, {intervals}),
              EditorLayout::textBoxOf(textBox, commandText, &shownText->noteWindow(), {record, insertSpecial, pickPoint})});

  for (wxRadioButton* option : {setInterval, randomInterval}) {
    Bind(wxEVT_RADIOBUTTON, &CommandPanel::onIntervalOption, this, option->GetId());
  }
  Bind(wxEVT_CHECKBOX, &CommandPanel::onDisableCommand, this, FrameId::disableCommand);
}

void CommandPanel::showCommand(const BaseCommand& command) {
  disableCommand->SetValue(!command.isEnabled());
  runCount->SetValue(command.getRunCount());
  (command.isRandomInterval() ? randomInterval : setInterval)->SetValue(true);
  applyIntervalRule();
  std::int32_t value = 0;
  std::int16_t unit = 0;
  command.getInterval(value, unit);
  fixedInterval->SetValue(value, unit);
  command.getRandomFrom(value, unit);
  randomFrom->SetValue(value, unit);
  command.getRandomTo(value, unit);
  randomTo->SetValue(value, unit);
  shownText->show(command.displayText());
  applyDisableRule();
}

void CommandPanel::storeCommand(BaseCommand& command) const {
  command.setEnabled(!disableCommand->GetValue());
  command.setRunCount(runCount->GetValue());
  command.setRandomInterval(randomInterval->GetValue());
  std::int32_t value = 0;
  std::int16_t unit = 0;
  fixedInterval->GetValue(value, unit);
  command.setInterval(value, unit);
  command.setIntervalMs(fixedInterval->GetMilliseconds());
  randomFrom->GetValue(value, unit);
  command.setRandomFrom(value, unit);
  command.setRandomFromMs(randomFrom->GetMilliseconds());
  randomTo->GetValue(value, unit);
  command.setRandomTo(value, unit);
  command.setRandomToMs(randomTo->GetMilliseconds());
  command.setText(shownText->textToStore());
}

void CommandPanel::applyIntervalRule() {
  const bool random = randomInterval->GetValue();
  fixedInterval->Enable(!random);
  randomFrom->Enable(random);
  randomTo->Enable(random);
  for (wxWindow* label : boundLabels) label->Enable(random);
}

void CommandPanel::applyDisableRule() {
  const bool enable = !disableCommand->GetValue();
  for (wxWindow* control :
       std::initializer_list<wxWindow*>{optionsBox, runCountLabel, runCount, intervalBox, setInterval, randomInterval,
                                        fixedInterval, randomFrom, randomTo, textBox, commandText,
                                        &shownText->noteWindow(), insertSpecial, record, pickPoint}) {
    control->Enable(enable);
  }
  for (wxWindow* label : boundLabels) label->Enable(enable);
  if (enable) applyIntervalRule();
}

void CommandPanel::onIntervalOption(wxCommandEvent& event) {
  event.Skip();
  const auto* option = dynamic_cast<const wxRadioButton*>(FindWindow(event.GetId()));
  // A disabled command keeps every interval control disabled, whichever option is chosen.
  if (option != nullptr && option->GetValue() && !disableCommand->GetValue()) applyIntervalRule();
}

void CommandPanel::onDisableCommand(wxCommandEvent& event) {
  event.Skip();
  applyDisableRule();
}

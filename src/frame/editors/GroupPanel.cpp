#include "frame/editors/GroupPanel.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <tuple>
#include <vector>

#include "commands/GroupCommand.h"
#include "controls/DateTimeCtrl.h"
#include "controls/IntervalCtrl.h"
#include "frame/editors/EditorLayout.h"
#include "frame/editors/EditorText.h"
#include "shell/FrameIds.h"

namespace {

constexpr int smallestRepeatCount = 1;
constexpr int largestRepeatCount = 9999;
constexpr int initialRepeatCount = 10;

// The option buttons' cell of a row: as wide as the widest of all the option buttons, so that
// the controls of both boxes start at one edge.
class OptionCell : public wxBoxSizer {
 public:
  OptionCell(wxWindow* option, std::vector<wxWindow*> allOptions)
      : wxBoxSizer(wxHORIZONTAL), options(std::move(allOptions)) {
    Add(option, 0, wxALIGN_CENTRE_VERTICAL);
  }

  wxSize CalcMin() override {
    wxSize min = wxBoxSizer::CalcMin();
    for (const wxWindow* option : options) min.x = std::max(min.x, option->GetEffectiveMinSize().x);
    return min;
  }

 private:
  std::vector<wxWindow*> options;
};

enum class Width { natural, rest };

// An option button and what it sets, the control at its natural width or taking the rest of the
// row.
wxSizer* optionRow(wxWindow* option, const std::vector<wxWindow*>& allOptions, wxWindow* control, Width width) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new OptionCell(option, allOptions), 0, wxEXPAND);
  row->AddSpacer(EditorLayout::columnGap);
  if (width == Width::rest) {
    row->Add(control, 1, wxEXPAND);
  } else {
    row->Add(control, 0, wxALIGN_CENTRE_VERTICAL);
  }
  return row;
}

}  // namespace

GroupPanel::GroupPanel(wxWindow* parent, KeyTextCheck::DeliveryOf delivery)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_SUNKEN) {
  // Every control is a child of the panel, not of its box, in the order the user tabs through.
  auto* startBox = new wxStaticBox(this, wxID_ANY, "Start Options");
  startDelay =
      new wxRadioButton(this, FrameId::startDelay, "Start Delay", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  startDelayCtrl = new IntervalCtrl(this, FrameId::startDelayCtrl);
  startTime = new wxRadioButton(this, FrameId::startTime, "Start Time");
  startTimeCtrl = new DateTimeCtrl(this, FrameId::startTimeCtrl, *this);

  auto* stopBox = new wxStaticBox(this, wxID_ANY, "Stop Options");
  stopDelay = new wxRadioButton(this, FrameId::stopDelay, "Stop Delay", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  stopDelayCtrl = new IntervalCtrl(this, FrameId::stopDelayCtrl);
  stopTime = new wxRadioButton(this, FrameId::stopTime, "Stop Time");
  stopTimeCtrl = new DateTimeCtrl(this, FrameId::stopTimeCtrl, *this);
  repeatCount = new wxRadioButton(this, FrameId::repeatCount, "Repeat Count");
  repeatCountSpin =
      new wxSpinCtrl(this, FrameId::repeatCountSpin, "10", wxDefaultPosition, wxDefaultSize,
                     wxSP_ARROW_KEYS | wxSP_WRAP, smallestRepeatCount, largestRepeatCount, initialRepeatCount);
  dontStop = new wxRadioButton(this, FrameId::dontStop, "Don't Stop");
  finishCommands = new wxCheckBox(this, FrameId::finishCommands, "Finish Commands");

  finalTextBox = new wxStaticBox(this, wxID_ANY, "Final Command Text");
  finalText = new wxTextCtrl(this, FrameId::finalText, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE);
  insertSpecial = new wxButton(this, FrameId::insertSpecial, "Insert Special");
  std::tie(record, pickPoint) = EditorLayout::captureButtons(this);
  shownFinalText = std::make_unique<EditorText>(*finalText, std::move(delivery));

  const std::vector<wxWindow*> options{startDelay, startTime, stopDelay, stopTime, repeatCount, dontStop};
  wxSizer* start = EditorLayout::boxOf(startBox, {optionRow(startDelay, options, startDelayCtrl, Width::rest),
                                                  optionRow(startTime, options, startTimeCtrl, Width::rest)});
  auto* dontStopRow = new wxBoxSizer(wxHORIZONTAL);
  dontStopRow->Add(new OptionCell(dontStop, options), 0, wxEXPAND);
  dontStopRow->AddStretchSpacer();
  dontStopRow->Add(finishCommands, 0, wxALIGN_CENTRE_VERTICAL | wxLEFT, EditorLayout::columnGap);
  wxSizer* stop =
      EditorLayout::boxOf(stopBox, {optionRow(stopDelay, options, stopDelayCtrl, Width::rest),
                                    optionRow(stopTime, options, stopTimeCtrl, Width::rest),
                                    optionRow(repeatCount, options, repeatCountSpin, Width::natural), dontStopRow});
  EditorLayout::placeBoxes(
      *this, {start, stop,
              EditorLayout::textBoxOf(finalTextBox, finalText, &shownFinalText->noteWindow(),
                                      {record, insertSpecial, pickPoint})});

  for (wxRadioButton* option : {startDelay, startTime}) {
    Bind(wxEVT_RADIOBUTTON, &GroupPanel::onStartOption, this, option->GetId());
  }
  for (wxRadioButton* option : {stopDelay, stopTime, repeatCount, dontStop}) {
    Bind(wxEVT_RADIOBUTTON, &GroupPanel::onStopOption, this, option->GetId());
  }
}

void GroupPanel::showGroup(const GroupCommand& group) {
  (group.isStartAtTime() ? startTime : startDelay)->SetValue(true);
  applyStartRule();
  startTimeCtrl->SetDateTime(group.getStartTime());
  std::int32_t value = 0;
  std::int16_t unit = 0;
  group.getStartDelay(value, unit);
  startDelayCtrl->SetValue(value, unit);

  // The option a run goes by: the first one set, in the order the run tests them, and with none
  // set the run never stops. A record with several set, or none, shows that one alone.
  wxRadioButton* stopOption = dontStop;
  if (group.isStopAtTime()) {
    stopOption = stopTime;
  } else if (group.isStopAfterDelay()) {
    stopOption = stopDelay;
  } else if (group.isStopAfterRepeats()) {
    stopOption = repeatCount;
  }
  stopOption->SetValue(true);
  applyStopRule();
  stopTimeCtrl->SetDateTime(group.getStopTime());
  group.getStopDelayEditor(value, unit);
  stopDelayCtrl->SetValue(value, unit);
  repeatCountSpin->SetValue(group.getRepeatCount());

  shownFinalText->show(group.displayFinalText());
  finishCommands->SetValue(group.isFinishCommands());
}

void GroupPanel::storeGroup(GroupCommand& group) const {
  group.setStartAtTime(startTime->GetValue());
  // A time the control cannot compose leaves the record's own.
  if (const wxDateTime start = startTimeCtrl->GetDateTime(); start.IsValid()) group.setStartTime(start);
  std::int32_t value = 0;
  std::int16_t unit = 0;
  startDelayCtrl->GetValue(value, unit);
  group.setStartDelay(value, unit);
  group.setStartDelayMs(startDelayCtrl->GetMilliseconds());

  group.setStopAtTime(stopTime->GetValue());
  group.setStopAfterDelay(stopDelay->GetValue());
  group.setStopAfterRepeats(repeatCount->GetValue());
  group.setDontStop(dontStop->GetValue());
  if (const wxDateTime stop = stopTimeCtrl->GetDateTime(); stop.IsValid()) group.setStopTime(stop);
  stopDelayCtrl->GetValue(value, unit);
  group.setStopDelayEditor(value, unit);
  group.setStopDelay(stopDelayCtrl->GetMilliseconds());
  group.setRepeatCount(repeatCountSpin->GetValue());

  group.setFinishCommands(finishCommands->GetValue());
  group.setFinalText(shownFinalText->textToStore());
}

bool GroupPanel::DatesInOrder() const {
  const wxDateTime start = startTimeCtrl->GetDateTime();
  const wxDateTime stop = stopTimeCtrl->GetDateTime();
  return start.IsValid() && stop.IsValid() && start.IsEarlierThan(stop);
}

void GroupPanel::applyStartRule() {
  const bool atTime = startTime->GetValue();
  startTimeCtrl->Enable(atTime);
  startDelayCtrl->Enable(!atTime);
}

void GroupPanel::applyStopRule() {
  const bool atTime = stopTime->GetValue();
  const bool afterDelay = stopDelay->GetValue();
  const bool stops = !dontStop->GetValue();
  stopTimeCtrl->Enable(atTime);
  stopDelayCtrl->Enable(afterDelay);
  repeatCountSpin->Enable(repeatCount->GetValue());
  finalTextBox->Enable(stops);
  finalText->Enable(stops);
  shownFinalText->noteWindow().Enable(stops);
  // The buttons only write into the final text, so they follow it.
  for (wxButton* button : {record, insertSpecial, pickPoint}) button->Enable(stops);
  finishCommands->Enable(atTime || afterDelay);
}

void GroupPanel::onStartOption(wxCommandEvent& event) {
  event.Skip();
  const auto* option = dynamic_cast<const wxRadioButton*>(FindWindow(event.GetId()));
  if (option != nullptr && option->GetValue()) applyStartRule();
}

void GroupPanel::onStopOption(wxCommandEvent& event) {
  event.Skip();
  const auto* option = dynamic_cast<const wxRadioButton*>(FindWindow(event.GetId()));
  if (option != nullptr && option->GetValue()) applyStopRule();
}

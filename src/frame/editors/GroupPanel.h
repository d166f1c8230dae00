#pragma once

#include <wx/panel.h>

#include <memory>

#include "controls/DateOrder.h"
#include "frame/editors/EditorText.h"

class DateTimeCtrl;
class GroupCommand;
class IntervalCtrl;
class wxCheckBox;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticBox;
class wxTextCtrl;
class wxButton;

// The group editor: start options, stop options with "Finish Commands", and the final command
// text. A working copy of the selected group: filled by showGroup, written back by storeGroup.
// It keeps its own enabling rules as options are chosen, and answers whether its start time
// comes before its stop time. UI thread only.
class GroupPanel : public wxPanel, public DateOrder {
 public:
  // delivery: how the final text's characters reach the window (EditorText).
  explicit GroupPanel(wxWindow* parent, KeyTextCheck::DeliveryOf delivery = {});

  // Fills every control from the group and applies the enabling rules.
  void showGroup(const GroupCommand& group);
  // Writes every control into the group.
  void storeGroup(GroupCommand& group) const;

  [[nodiscard]] bool DatesInOrder() const override;

  [[nodiscard]] wxTextCtrl& finalTextCtrl() const { return *finalText; }
  // The line under the final text that says what is wrong with it.
  [[nodiscard]] wxWindow& finalTextNote() const { return shownFinalText->noteWindow(); }

 private:
  void applyStartRule();
  void applyStopRule();
  void onStartOption(wxCommandEvent& event);
  void onStopOption(wxCommandEvent& event);

  wxRadioButton* startDelay = nullptr;
  IntervalCtrl* startDelayCtrl = nullptr;
  wxRadioButton* startTime = nullptr;
  DateTimeCtrl* startTimeCtrl = nullptr;
  wxRadioButton* stopDelay = nullptr;
  IntervalCtrl* stopDelayCtrl = nullptr;
  wxRadioButton* stopTime = nullptr;
  DateTimeCtrl* stopTimeCtrl = nullptr;
  wxRadioButton* repeatCount = nullptr;
  wxSpinCtrl* repeatCountSpin = nullptr;
  wxRadioButton* dontStop = nullptr;
  wxCheckBox* finishCommands = nullptr;
  wxStaticBox* finalTextBox = nullptr;
  wxTextCtrl* finalText = nullptr;
  std::unique_ptr<EditorText> shownFinalText;
  wxButton* insertSpecial = nullptr;
  wxButton* record = nullptr;
  wxButton* pickPoint = nullptr;
};

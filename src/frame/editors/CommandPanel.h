#pragma once

#include <wx/panel.h>

#include <memory>
#include <vector>

#include "frame/editors/EditorText.h"

class BaseCommand;
class IntervalCtrl;
class wxButton;
class wxCheckBox;
class wxRadioButton;
class wxSpinCtrl;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

// The command editor: "Disable Command" and the run count, the fixed or random interval, and
// the command text. A working copy of the selected command: filled by showCommand, written back
// by storeCommand. It keeps its own enabling rules as options are chosen. UI thread only.
class CommandPanel : public wxPanel {
 public:
  // delivery: how the text's characters reach the window (EditorText).
  explicit CommandPanel(wxWindow* parent, KeyTextCheck::DeliveryOf delivery = {});

  // Fills every control from the command and applies the enabling rules.
  void showCommand(const BaseCommand& command);
  // Writes every control into the command.
  void storeCommand(BaseCommand& command) const;

  [[nodiscard]] wxTextCtrl& commandTextCtrl() const { return *commandText; }
  // The line under the text that says what is wrong with it.
  [[nodiscard]] wxWindow& commandTextNote() const { return shownText->noteWindow(); }
  // "BETWEEN" and the bracket joining the two bounds of the random interval.
  [[nodiscard]] const std::vector<wxWindow*>& boundLabelWindows() const { return boundLabels; }

 private:
  void applyIntervalRule();
  void applyDisableRule();
  void onIntervalOption(wxCommandEvent& event);
  void onDisableCommand(wxCommandEvent& event);

  wxStaticBox* optionsBox = nullptr;
  wxCheckBox* disableCommand = nullptr;
  wxStaticText* runCountLabel = nullptr;
  wxSpinCtrl* runCount = nullptr;
  wxStaticBox* intervalBox = nullptr;
  wxRadioButton* setInterval = nullptr;
  IntervalCtrl* fixedInterval = nullptr;
  wxRadioButton* randomInterval = nullptr;
  IntervalCtrl* randomFrom = nullptr;
  IntervalCtrl* randomTo = nullptr;
  std::vector<wxWindow*> boundLabels;
  wxStaticBox* textBox = nullptr;
  wxTextCtrl* commandText = nullptr;
  std::unique_ptr<EditorText> shownText;
  wxButton* insertSpecial = nullptr;
  wxButton* record = nullptr;
  wxButton* pickPoint = nullptr;
};

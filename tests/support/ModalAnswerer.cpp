#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/modalhook.h>

#include <deque>

#include "support/GuiTest.h"

namespace GuiTest {

namespace {

// Hands each dialog shown modally to the answer queued for it, from inside the dialog's own
// modal loop; a dialog nobody expected fails the test and is not shown, so that the test goes
// on instead of waiting for a user.
class ModalAnswerer final : public wxModalDialogHook {
 public:
  static ModalAnswerer& instance() {
    static ModalAnswerer hook;
    return hook;
  }

  void queue(std::function<void(wxDialog&)> answer) { answers.push_back(std::move(answer)); }

 protected:
  int Enter(wxDialog* dialog) override {
    if (answers.empty()) {
      ADD_FAILURE() << "a modal dialog nobody answers: " << dialog->GetTitle();
      return wxID_CANCEL;
    }
    // Runs once the dialog's loop handles events, when it is shown and modal.
    wxTheApp->CallAfter([dialog, answer = std::move(answers.front())] { answer(*dialog); });
    answers.pop_front();
    return wxID_NONE;
  }
  void Exit(wxDialog*) override {}

 private:
  ModalAnswerer() { Register(); }

  std::deque<std::function<void(wxDialog&)>> answers;
};

}  // namespace

void answerNextModal(std::function<void(wxDialog&)> answer) { ModalAnswerer::instance().queue(std::move(answer)); }

}  // namespace GuiTest

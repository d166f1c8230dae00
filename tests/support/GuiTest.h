#pragma once

#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/window.h>

#include <chrono>
#include <functional>

#include "support/WxPrinters.h"

// Window tests run inside a real toolkit event loop on a private Xvfb: the test program's own
// main starts the server and the toolkit, and the tests run from the loop's first idle turn.
namespace GuiTest {

// Lets the event loop run until cond holds or the patience runs out; returns whether it holds.
// Events keep being handled meanwhile, so windows paint, lay out and answer.
bool waitFor(const std::function<bool()>& cond,
             std::chrono::milliseconds patience = std::chrono::milliseconds(10000));

// Handles every event already waiting, and those they cause.
void flushEvents();

// The next dialog shown modally, while it is up, is handed to answer, which must end it
// (EndModal). Call before the action that opens the dialog; answers queue up in order. A modal
// dialog with no answer waiting fails the test and returns wxID_CANCEL unseen.
void answerNextModal(std::function<void(wxDialog&)> answer);

// Sends a command event, as a click or a selection in control would.
void click(wxWindow& control);

// Selects an entry of a list and reports it, as the toolkit reports a user's choice.
void choose(wxChoice& list, int index);

// Counts the events of one type that reach a window.
class EventCounter {
 public:
  EventCounter(wxWindow& window, wxEventType type);
  ~EventCounter();
  EventCounter(const EventCounter&) = delete;
  EventCounter& operator=(const EventCounter&) = delete;

  [[nodiscard]] int count() const { return seen; }

 private:
  void onEvent(wxEvent& event);

  wxWindow& target;
  wxEventType eventType;
  int seen = 0;
};

}  // namespace GuiTest

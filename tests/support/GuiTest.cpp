#include "support/GuiTest.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace GuiTest {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds patience) {
  const auto deadline = Clock::now() + patience;
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  while (!cond()) {
    if (Clock::now() >= deadline) return false;
    if (loop != nullptr) {
      loop->DispatchTimeout(10);
    }
    wxTheApp->ProcessPendingEvents();
  }
  return true;
}

void flushEvents() {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  for (int round = 0; round < 3; ++round) {
    wxTheApp->ProcessPendingEvents();
    if (loop != nullptr) {
      while (loop->Pending()) loop->Dispatch();
    }
    wxTheApp->ProcessIdle();
  }
}

void click(wxWindow& control) {
  wxCommandEvent event(wxEVT_BUTTON, control.GetId());
  event.SetEventObject(&control);
  control.GetEventHandler()->ProcessEvent(event);
}

void choose(wxChoice& list, int index) {
  list.SetSelection(index);
  wxCommandEvent event(wxEVT_CHOICE, list.GetId());
  event.SetEventObject(&list);
  event.SetInt(index);
  event.SetString(list.GetString(static_cast<unsigned>(index)));
  list.GetEventHandler()->ProcessEvent(event);
}

EventCounter::EventCounter(wxWindow& window, wxEventType type) : target(window), eventType(type) {
  target.Bind(eventType, &EventCounter::onEvent, this);
}

EventCounter::~EventCounter() { target.Unbind(eventType, &EventCounter::onEvent, this); }

void EventCounter::onEvent(wxEvent& event) {
  ++seen;
  event.Skip();
}

}  // namespace GuiTest

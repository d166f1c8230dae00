#include "frame/editors/EditorChangeFilter.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
#include <wx/window.h>

EditorChangeFilter::EditorChangeFilter(wxWindow& frame, std::function<void()> changed)
    : window(frame), onChange(std::move(changed)) {
  wxEvtHandler::AddFilter(this);
}

EditorChangeFilter::~EditorChangeFilter() { wxEvtHandler::RemoveFilter(this); }

int EditorChangeFilter::FilterEvent(wxEvent& event) {
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_TEXT || type == wxEVT_SPINCTRL || type == wxEVT_CHECKBOX || type == wxEVT_RADIOBUTTON ||
      type == wxEVT_CHOICE || type == wxEVT_BUTTON) {
    auto* source = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (source != nullptr && wxGetTopLevelParent(source) == &window) onChange();
  }
  return Event_Skip;
}

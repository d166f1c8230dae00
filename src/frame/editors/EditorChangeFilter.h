#pragma once

#include <wx/eventfilter.h>

#include <functional>

class wxWindow;

// Reports every change the user makes in the window's editors. Setting a control's value from a
// record reports one too; such a save finds nothing changed and writes nothing. UI thread only.
class EditorChangeFilter final : public wxEventFilter {
 public:
  EditorChangeFilter(wxWindow& frame, std::function<void()> changed);
  ~EditorChangeFilter() override;
  EditorChangeFilter(const EditorChangeFilter&) = delete;
  EditorChangeFilter& operator=(const EditorChangeFilter&) = delete;

  int FilterEvent(wxEvent& event) override;

 private:
  wxWindow& window;
  std::function<void()> onChange;
};

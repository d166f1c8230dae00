#pragma once

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/GuiTest.h"

// What the editor panels' window tests share: a frame of the main window's size around the
// panel, lookups of its controls, and the user's clicks on options.
namespace PanelTest {

template <typename T>
T& byId(const wxWindow& panel, wxWindowID id) {
  auto* found = dynamic_cast<T*>(panel.FindWindow(id));
  if (found == nullptr) throw std::logic_error("no control " + std::to_string(id));
  return *found;
}

// The panel's own children with id, in creation order.
inline std::vector<wxWindow*> allWithId(const wxWindow& panel, wxWindowID id) {
  std::vector<wxWindow*> found;
  for (wxWindow* child : panel.GetChildren()) {
    if (child->GetId() == id) found.push_back(child);
  }
  return found;
}

inline wxStaticBox& boxLabelled(const wxWindow& panel, const wxString& label) {
  for (wxWindow* child : panel.GetChildren()) {
    if (auto* box = dynamic_cast<wxStaticBox*>(child); box != nullptr && box->GetLabel() == label) return *box;
  }
  throw std::logic_error("no box " + label.utf8_string());
}

// The user selects option: it becomes selected, then tells of it.
inline void choose(wxRadioButton& option) {
  option.SetValue(true);
  wxCommandEvent event(wxEVT_RADIOBUTTON, option.GetId());
  event.SetEventObject(&option);
  event.SetInt(1);
  option.ProcessWindowEvent(event);
}

// The user ticks or clears box.
inline void tick(wxCheckBox& box, bool ticked) {
  box.SetValue(ticked);
  wxCommandEvent event(wxEVT_CHECKBOX, box.GetId());
  event.SetEventObject(&box);
  event.SetInt(ticked ? 1 : 0);
  box.ProcessWindowEvent(event);
}

inline void forgetNaturalSizes(wxWindow& window) {
  window.InvalidateBestSize();
  for (wxWindow* child : window.GetChildren()) forgetNaturalSizes(*child);
}

// A shown frame, of the main window's default size unless told otherwise, holding one panel,
// which fills the frame as the editors fill the main window's right part.
template <typename Panel>
class InFrame {
 public:
  explicit InFrame(const wxSize& size = wxSize(750, 550))
      : frame(new wxFrame(nullptr, wxID_ANY, "editor", wxDefaultPosition, size)), panel(new Panel(frame)) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(panel, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    EXPECT_TRUE(GuiTest::waitFor([this] { return frame->IsShownOnScreen(); }));
    GuiTest::flushEvents();
  }
  ~InFrame() { frame->Destroy(); }
  InFrame(const InFrame&) = delete;
  InFrame& operator=(const InFrame&) = delete;

  wxFrame* frame;
  Panel* panel;
};

}  // namespace PanelTest

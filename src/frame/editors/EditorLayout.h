#pragma once

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "controls/RowSizer.h"
#include "shell/FrameIds.h"

// The arrangement both editor panels share: boxes one under the other from a left margin, taking
// 97 % of the panel's width and the last box down to 97 % of its height; inside a box, rows of
// controls with a margin on either side.
namespace EditorLayout {

constexpr int panelMargin = 15;
// Right of the boxes at the panel's smallest width.
constexpr int rightMargin = 3;
constexpr int boxShare = 97;
constexpr int freeShare = 3;
constexpr int boxGap = 5;
constexpr int boxPadding = 6;
constexpr int rowGap = 4;
constexpr int columnGap = 5;
constexpr int buttonGap = 5;

// The box's own sizer around the rows, each row at full width.
inline wxStaticBoxSizer* boxOf(wxStaticBox* box, const std::vector<wxSizer*>& rows) {
  auto* inside = new wxBoxSizer(wxVERTICAL);
  for (wxSizer* row : rows) inside->Add(row, 0, wxEXPAND | (inside->IsEmpty() ? 0 : wxTOP), rowGap);
  auto* sizer = new wxStaticBoxSizer(box, wxVERTICAL);
  sizer->Add(inside, 1, wxEXPAND | wxLEFT | wxRIGHT, boxPadding);
  sizer->AddSpacer(rowGap);
  return sizer;
}

// A box holding a multi-line text that takes all its room, a note about the text (taking room
// only while shown), and a button centred under them.
inline wxStaticBoxSizer* textBoxOf(wxStaticBox* box, wxWindow* text, wxWindow* note, wxWindow* button) {
  auto* sizer = new wxStaticBoxSizer(box, wxVERTICAL);
  sizer->Add(text, 1, wxEXPAND | wxLEFT | wxRIGHT, boxPadding);
  sizer->Add(note, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, boxPadding);
  sizer->Add(button, 0, wxALIGN_CENTRE_HORIZONTAL | wxTOP | wxBOTTOM, buttonGap);
  return sizer;
}

// The "Record" and "Pick Point" buttons that stand beside "Insert Special" under a text.
inline std::pair<wxButton*, wxButton*> captureButtons(wxWindow* parent) {
  auto* record = new wxButton(parent, FrameId::recordInput, "Record");
  record->SetToolTip(
      "Record the keys and mouse buttons you press anywhere, until the stop key, into the text at the cursor. "
      "On a Wayland desktop only X11 (XWayland) windows can be recorded.");
  auto* pick = new wxButton(parent, FrameId::pickPoint, "Pick Point");
  pick->SetToolTip("Click a point of the screen to put it into the mouse token at the cursor; Escape cancels.");
  return {record, pick};
}

// The same with a row of buttons of one width, the middle one centred under the text.
inline wxStaticBoxSizer* textBoxOf(wxStaticBox* box, wxWindow* text, wxWindow* note,
                                   const std::vector<wxWindow*>& buttons) {
  int width = 0;
  for (wxWindow* button : buttons) width = std::max(width, button->GetBestSize().GetWidth());
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  for (wxWindow* button : buttons) {
    button->SetMinSize(wxSize(width, -1));
    row->Add(button, 0, row->IsEmpty() ? 0 : wxLEFT, columnGap);
  }
  auto* sizer = new wxStaticBoxSizer(box, wxVERTICAL);
  sizer->Add(text, 1, wxEXPAND | wxLEFT | wxRIGHT, boxPadding);
  sizer->Add(note, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, boxPadding);
  sizer->Add(row, 0, wxALIGN_CENTRE_HORIZONTAL | wxTOP | wxBOTTOM, buttonGap);
  return sizer;
}

// Gives panel its sizer: the boxes one under the other, the last taking the height left.
inline void placeBoxes(wxWindow& panel, const std::vector<wxSizer*>& boxes) {
  auto* column = new wxBoxSizer(wxVERTICAL);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (i > 0) column->AddSpacer(boxGap);
    column->Add(boxes[i], i + 1 == boxes.size() ? 1 : 0, wxEXPAND);
  }
  // The boxes' natural width is the panel's smallest; only width beyond it is shared out.
  auto* across = new RowSizer;
  across->AddSpacer(panelMargin);
  across->Add(column, boxShare, wxEXPAND);
  across->Add(rightMargin, 0, freeShare);
  auto* down = new wxBoxSizer(wxVERTICAL);
  down->Add(across, boxShare, wxEXPAND);
  down->AddStretchSpacer(freeShare);
  panel.SetSizer(down);
}

}  // namespace EditorLayout

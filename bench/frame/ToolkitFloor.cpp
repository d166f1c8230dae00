#include "ToolkitFloor.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>

#include <cstdio>
#include <stdexcept>

#include "DrawWatch.h"
#include "ProcessFigures.h"
#include "project/WindowGeometry.h"
#include "shell/ThemeBitmaps.h"
#include "support/GuiTest.h"

namespace {

wxFrame* makeWindow() {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "Toolkit floor", wxDefaultPosition,
                            wxSize(WindowGeometry::defaultWidth, WindowGeometry::defaultHeight));
  auto* menu = new wxMenu;
  menu->Append(wxID_EXIT, "E&xit");
  auto* bar = new wxMenuBar;
  bar->Append(menu, "&File");
  frame->SetMenuBar(bar);
  wxToolBar* tools = frame->CreateToolBar();
  tools->AddTool(wxID_NEW, "New", wxBitmap(24, 24));
  tools->Realize();
  frame->CreateStatusBar(2);

  auto* panel = new wxPanel(frame);
  auto* tree = new wxTreeCtrl(panel, wxID_ANY);
  tree->AddRoot("Groups");
  auto* box = new wxStaticBox(panel, wxID_ANY, "Options");
  const wxString units[] = {"Seconds", "Minutes"};
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(new wxRadioButton(panel, wxID_ANY, "Delay", wxDefaultPosition, wxDefaultSize, wxRB_GROUP));
  column->Add(new wxSpinCtrl(panel, wxID_ANY, "10"));
  column->Add(new wxChoice(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, 2, units));
  column->Add(new wxTextCtrl(panel, wxID_ANY, "text"), 0, wxEXPAND);
  column->Add(new wxCheckBox(panel, wxID_ANY, "Enabled"));
  column->Add(new wxTextCtrl(panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE), 1,
              wxEXPAND);
  column->Add(new wxButton(panel, wxID_ANY, "Insert"));
  auto* boxed = new wxStaticBoxSizer(box, wxVERTICAL);
  boxed->Add(column, 1, wxEXPAND);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(tree, 1, wxEXPAND);
  row->Add(boxed, 2, wxEXPAND);
  panel->SetSizer(row);
  return frame;
}

}  // namespace

ToolkitFloor::ToolkitFloor(std::optional<Clock::time_point> processStarted) : started(processStarted) {}

int ToolkitFloor::measure() {
  // As in the program: without it, the theme's SVG images alone cost more than Zentak's window.
  const ThemeBitmaps bitmaps;
  wxFrame* frame = makeWindow();
  const DrawWatch draws(*frame);
  frame->Show();
  std::optional<Clock::time_point> drawn;
  if (!GuiTest::waitFor([&] { return (drawn = draws.fullyDrawn()).has_value(); }, std::chrono::minutes(2))) {
    throw std::runtime_error("timed out waiting for the toolkit's window to be drawn");
  }
  GuiTest::flushEvents();
  if (started) std::printf("toolkit_floor_startup_ms %.0f ms\n", ProcessFigures::milliseconds(*drawn - *started));
  std::printf("toolkit_floor_rss_mb %.1f MB\n", ProcessFigures::residentMegabytes());
  std::fflush(stdout);
  frame->Destroy();
  GuiTest::flushEvents();
  return 0;
}

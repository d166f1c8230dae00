// How long selecting a command takes in the command editor when its text fills the editor
// (16,384 characters) with key tokens, some of which the editor marks: from showing the record
// until the toolkit has handled every event this caused and drawn the box. Prints "name value
// unit" lines on stdout; diagnostics go to stderr.

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "BenchApp.h"
#include "commands/BaseCommand.h"
#include "frame/editors/CommandPanel.h"
#include "frame/editors/EditorText.h"
#include "support/GuiTest.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int rounds = 5;

// Tokens as users write them, every other one misspelt: no blank anywhere.
std::string tokenText() {
  const std::string piece = "<ENTER><ENTR>";
  std::string text;
  while (text.size() + piece.size() <= static_cast<std::size_t>(EditorText::shownLimit)) text += piece;
  return text;
}

double showMilliseconds(wxFrame& frame, CommandPanel& panel, const BaseCommand& shown, const BaseCommand& empty) {
  panel.showCommand(empty);
  GuiTest::flushEvents();
  const auto start = Clock::now();
  panel.showCommand(shown);
  frame.Update();
  GuiTest::flushEvents();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int measure() {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "editor", wxDefaultPosition, wxSize(750, 550));
  auto* panel = new CommandPanel(frame);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(panel, 1, wxEXPAND);
  frame->SetSizer(sizer);
  frame->Show();
  if (!GuiTest::waitFor([frame] { return frame->IsShownOnScreen(); })) throw std::runtime_error("no window");
  BaseCommand tokens;
  tokens.setText(tokenText());
  const BaseCommand empty;
  std::array<double, rounds> times{};
  for (double& time : times) time = showMilliseconds(*frame, *panel, tokens, empty);
  std::sort(times.begin(), times.end());
  frame->Destroy();
  std::printf("editor_show_16k_tokens_ms %.1f ms\n", times[times.size() / 2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const auto xvfb = BenchApp::startPrivateDisplay();
    wxApp::SetInstance(new BenchApp("zentak_bench_editor", measure));
    return wxEntry(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "zentak_bench_editor: " << error.what() << '\n';
    return 1;
  }
}

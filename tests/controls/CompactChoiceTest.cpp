#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include "controls/CompactChoice.h"
#include "support/GuiTest.h"

// Catches a list measured by its shown entry only coming out smaller than the toolkit's own list
// of the same entries, whichever entry it shows: a longer entry would be cut off.
TEST(CompactChoiceTest, TakesTheNaturalSizeOfTheToolkitsListWhateverItShows) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "lists");
  auto* panel = new wxPanel(frame);
  wxArrayString entries;
  for (const char* entry : {"ms", "A rather longer entry than the others", "Hours"}) entries.Add(entry);
  auto* plain = new wxChoice(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, entries);
  auto* compact = new CompactChoice(panel, wxID_ANY, entries);
  frame->Show();
  ASSERT_TRUE(GuiTest::waitFor([frame] { return frame->IsShownOnScreen(); }));
  for (int shown : {0, 1, 2}) {
    plain->SetSelection(shown);
    compact->SetSelection(shown);
    GuiTest::flushEvents();
    plain->InvalidateBestSize();
    compact->InvalidateBestSize();
    EXPECT_EQ(compact->GetBestSize(), plain->GetBestSize()) << shown;
  }
  frame->Destroy();
  GuiTest::flushEvents();
}

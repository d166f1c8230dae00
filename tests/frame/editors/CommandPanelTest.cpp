#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <set>
#include <string>
#include <vector>

#include "PanelTestSupport.h"
#include "commands/BaseCommand.h"
#include "controls/IntervalCtrl.h"
#include "frame/editors/CommandPanel.h"
#include "frame/editors/EditorText.h"
#include "shell/FrameIds.h"
#include "support/WxPrinters.h"

namespace {

using PanelTest::byId;
using PanelTest::choose;
using PanelTest::tick;

const std::string commandText = "<ENTER>first\r\nsecond <F1>\nthird caf\xc3\xa9\rfourth";

void fill(BaseCommand& command, bool enabled, bool randomInterval) {
  command.setName("Ping");
  command.setEnabled(enabled);
  command.setRunCount(77);
  command.setRandomInterval(randomInterval);
  command.setInterval(250, 0);
  command.setIntervalMs(250);
  command.setRandomFrom(3, 1);
  command.setRandomFromMs(3000);
  command.setRandomTo(7, 3);
  command.setRandomToMs(7 * 3600 * 1000);
  command.setText(commandText);
}

std::string recordOf(const BaseCommand& command) {
  std::string record;
  command.save(record);
  return record;
}

class CommandPanelTest : public testing::Test {
 protected:
  CommandPanelTest()
      : window(),
        panel(*window.panel),
        disableCommand(byId<wxCheckBox>(panel, FrameId::disableCommand)),
        setInterval(byId<wxRadioButton>(panel, FrameId::setInterval)),
        randomInterval(byId<wxRadioButton>(panel, FrameId::randomInterval)),
        fixedInterval(byId<IntervalCtrl>(panel, FrameId::fixedInterval)),
        bounds(PanelTest::allWithId(panel, FrameId::randomBound)) {}

  // The panel's own windows, save the calendar-like top-level ones.
  [[nodiscard]] std::vector<wxWindow*> everyControl() const {
    std::vector<wxWindow*> all;
    for (wxWindow* child : panel.GetChildren()) {
      if (!child->IsTopLevel()) all.push_back(child);
    }
    return all;
  }

  // Every control enabled but those in disabled.
  void expectOnlyDisabled(const std::set<const wxWindow*>& disabled) const {
    for (const wxWindow* control : everyControl()) {
      EXPECT_EQ(control->IsEnabled(), disabled.count(control) == 0)
          << control->GetClassInfo()->GetClassName() << " \"" << control->GetLabel() << "\"";
    }
  }

  // The bounds of the random interval, "BETWEEN" and the bracket.
  [[nodiscard]] std::set<const wxWindow*> randomParts() const {
    std::set<const wxWindow*> parts(bounds.begin(), bounds.end());
    parts.insert(panel.boundLabelWindows().begin(), panel.boundLabelWindows().end());
    return parts;
  }

  [[nodiscard]] std::set<const wxWindow*> allButDisableCommand() const {
    const std::vector<wxWindow*> controls = everyControl();
    std::set<const wxWindow*> all(controls.begin(), controls.end());
    all.erase(&disableCommand);
    return all;
  }

  PanelTest::InFrame<CommandPanel> window;
  CommandPanel& panel;
  wxCheckBox& disableCommand;
  wxRadioButton& setInterval;
  wxRadioButton& randomInterval;
  IntervalCtrl& fixedInterval;
  std::vector<wxWindow*> bounds;
};

}  // namespace

TEST_F(CommandPanelTest, ANewPanelHasEveryControlEnabledAndTheRunCountAtTen) {
  expectOnlyDisabled({});
  ASSERT_EQ(bounds.size(), 2U);
  EXPECT_NE(dynamic_cast<IntervalCtrl*>(bounds[0]), nullptr);
  EXPECT_NE(dynamic_cast<IntervalCtrl*>(bounds[1]), nullptr);
  ASSERT_EQ(panel.boundLabelWindows().size(), 2U);
  EXPECT_EQ(panel.boundLabelWindows()[0]->GetLabel(), "BETWEEN");
  const auto& runCount = byId<wxSpinCtrl>(panel, FrameId::runCount);
  EXPECT_EQ(runCount.GetValue(), 10);
  EXPECT_EQ(runCount.GetMin(), 1);
  EXPECT_EQ(runCount.GetMax(), 9999);
  EXPECT_TRUE(runCount.HasFlag(wxSP_WRAP));
  EXPECT_EQ(&panel.commandTextCtrl(), &byId<wxTextCtrl>(panel, FrameId::commandText));
}

TEST_F(CommandPanelTest, ACommandShownAndStoredAgainIsUnchanged) {
  for (const bool enabled : {true, false}) {
    for (const bool random : {false, true}) {
      SCOPED_TRACE(testing::Message() << "enabled " << enabled << ", random " << random);
      BaseCommand source;
      fill(source, enabled, random);
      panel.showCommand(source);
      BaseCommand stored;
      stored.setName("Ping");
      panel.storeCommand(stored);
      EXPECT_EQ(recordOf(stored), recordOf(source));
      EXPECT_EQ(stored.displayText(), commandText);
      EXPECT_EQ(stored.getIntervalMs(), 250);
      EXPECT_EQ(stored.getRandomFromMs(), 3000);
      EXPECT_EQ(stored.getRandomToMs(), 7 * 3600 * 1000);
    }
  }
}

TEST_F(CommandPanelTest, StoringTakesTheLengthsTheIntervalControlsCompute) {
  BaseCommand source;
  fill(source, true, true);
  source.setIntervalMs(1);
  source.setRandomFrom(9, 2);
  source.setRandomFromMs(2);
  source.setRandomTo(24, 4);
  source.setRandomToMs(3);
  panel.showCommand(source);
  BaseCommand stored;
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getIntervalMs(), 250);
  EXPECT_EQ(stored.getRandomFromMs(), 9 * 60 * 1000);
  EXPECT_EQ(stored.getRandomToMs(), 24 * 24 * 3600 * 1000);
}

TEST_F(CommandPanelTest, ATextThatIsNoUtf8IsShownByItsBytesRatherThanLost) {
  BaseCommand source;
  fill(source, true, false);
  source.setText("caf\xe9 \x93<ENTER>");
  panel.showCommand(source);
  EXPECT_EQ(panel.commandTextCtrl().GetValue(), wxString::FromUTF8("caf\xc3\xa9 \xe2\x80\x9c<ENTER>"));
  BaseCommand stored;
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getText(), "caf\xe9 \x93<ENTER>");
  panel.commandTextCtrl().AppendText("!");
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getText(), "caf\xc3\xa9 \xe2\x80\x9c<ENTER>!");
}

// Fault: the text box refuses a NUL, and storing its empty text back wiped the command's text.
TEST_F(CommandPanelTest, ANulIsShownAsItsSymbolAndKeptExactly) {
  BaseCommand source;
  source.setText(std::string("a\0b\xe2\x90\x80", 6));
  panel.showCommand(source);
  EXPECT_EQ(panel.commandTextCtrl().GetValue(), wxString::FromUTF8("a\xe2\x90\x80" "b\xe2\x90\x80"));
  BaseCommand stored;
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getText(), source.getText());
  panel.commandTextCtrl().AppendText("c");
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getText(), std::string("a\0b\0c", 5));
}

// Fault: a huge text froze the window, and storing a cut view back would lose its end.
TEST_F(CommandPanelTest, AHugeTextShowsItsStartReadOnlyAndIsKeptWhole) {
  BaseCommand source;
  source.setText(std::string(1 << 20, 'x') + "<ENTER>");
  panel.showCommand(source);
  EXPECT_EQ(panel.commandTextCtrl().GetLastPosition(), EditorText::shownLimit);
  EXPECT_FALSE(panel.commandTextCtrl().IsEditable());
  BaseCommand stored;
  panel.storeCommand(stored);
  EXPECT_EQ(stored.getText(), source.getText());
  source.setText("short");
  panel.showCommand(source);
  EXPECT_TRUE(panel.commandTextCtrl().IsEditable());
}

namespace {

bool markedAt(const wxTextCtrl& box, long position) {
  wxTextAttr style;
  return const_cast<wxTextCtrl&>(box).GetStyle(position, style) && style.GetBackgroundColour() == EditorText::markColour();
}

}  // namespace

// Fault: a token the run skips, or a point it reads otherwise, was found out only when the run
// typed the wrong thing into another window.
TEST_F(CommandPanelTest, WhatWillNotTypeAsWrittenIsMarkedAndToldUnderTheText) {
  wxTextCtrl& box = panel.commandTextCtrl();
  const wxWindow& note = panel.commandTextNote();
  // Positions count characters: the two bytes of the accented letter are one.
  box.SetValue(wxString::FromUTF8("caf\xc3\xa9<ENTR>x"));
  GuiTest::flushEvents();
  EXPECT_TRUE(note.IsShown());
  EXPECT_EQ(note.GetLabel(), "\"<ENTR>\" is not a key name: it will be skipped; did you mean <ENTER>?");
  EXPECT_FALSE(markedAt(box, 3));
  EXPECT_TRUE(markedAt(box, 4));
  EXPECT_TRUE(markedAt(box, 9));
  EXPECT_FALSE(markedAt(box, 10));

  box.SetValue("<ENTER>");
  GuiTest::flushEvents();
  EXPECT_FALSE(note.IsShown());
  EXPECT_FALSE(markedAt(box, 1));

  BaseCommand source;
  source.setText("<A> <MOUSE-LEFT-CLICK X Y>");
  panel.showCommand(source);
  EXPECT_EQ(note.GetLabel(), "\"<A>\" is not a key name: it will be skipped (1 more marked)");
  EXPECT_TRUE(markedAt(box, 6));
  EXPECT_FALSE(markedAt(box, 3));
}

// Faults: a finding after the first was told nowhere; a tip stayed over text that is not marked.
TEST_F(CommandPanelTest, EachMarkedPartTellsItsFindingUnderThePointer) {
  wxTextCtrl& box = panel.commandTextCtrl();
  box.SetValue("<A> <MOUSE-LEFT-CLICK X Y>");
  GuiTest::flushEvents();
  // The pointer over a character, found as the box finds characters under the pointer.
  const auto tipAt = [&box](long position) {
    wxPoint at(0, 4);
    long hit = -1;
    while (at.x < box.GetClientSize().x && (box.HitTest(at, &hit) != wxTE_HT_ON_TEXT || hit != position)) ++at.x;
    wxMouseEvent motion(wxEVT_MOTION);
    motion.SetPosition(at);
    box.ProcessWindowEvent(motion);
    return box.GetToolTipText();
  };
  EXPECT_EQ(tipAt(6), "\"<MOUSE-LEFT-CLICK X Y>\" needs two whole numbers X Y: it will use 0, 0");
  EXPECT_EQ(tipAt(3), "");
  EXPECT_EQ(tipAt(1), "\"<A>\" is not a key name: it will be skipped");
}

// Fault: a text of tokens without a blank froze the window for seconds, as the toolkit measured
// its one long word again for every line it broke it into.
TEST_F(CommandPanelTest, AWordTooLongToWrapWholeWrapsBetweenAnyCharacters) {
  for (const auto& [text, anyCharacter] : {std::pair{std::string(200, 'x') + " <ENTER>", false},
                                           std::pair{"<ENTER><ENTR>" + std::string(200, 'x'), true}}) {
    BaseCommand source;
    source.setText(text);
    panel.showCommand(source);
    EXPECT_EQ(panel.commandTextCtrl().HasFlag(wxTE_CHARWRAP), anyCharacter) << text;
  }
}

// Fault: a huge paste made every later keystroke take seconds.
TEST_F(CommandPanelTest, APasteBeyondTheLimitIsCutBack) {
  panel.commandTextCtrl().WriteText(wxString(static_cast<std::size_t>(EditorText::shownLimit) + 10, 'y'));
  GuiTest::flushEvents();
  EXPECT_EQ(panel.commandTextCtrl().GetLastPosition(), EditorText::shownLimit);
}

TEST_F(CommandPanelTest, TheIntervalOptionEnablesEitherTheFixedIntervalOrTheBounds) {
  choose(randomInterval);
  expectOnlyDisabled({&fixedInterval});
  choose(setInterval);
  expectOnlyDisabled(randomParts());
}

TEST_F(CommandPanelTest, DisablingTheCommandDisablesEveryOtherControl) {
  for (wxRadioButton* option : {&setInterval, &randomInterval}) {
    choose(*option);
    tick(disableCommand, true);
    expectOnlyDisabled(allButDisableCommand());
  }
}

TEST_F(CommandPanelTest, EnablingTheCommandAgainFollowsTheIntervalOption) {
  choose(setInterval);
  tick(disableCommand, true);
  tick(disableCommand, false);
  expectOnlyDisabled(randomParts());

  choose(randomInterval);
  tick(disableCommand, true);
  tick(disableCommand, false);
  expectOnlyDisabled({&fixedInterval});
}

TEST_F(CommandPanelTest, ShowingACommandAppliesTheIntervalAndDisableRules) {
  BaseCommand command;
  fill(command, false, true);
  panel.showCommand(command);
  EXPECT_TRUE(disableCommand.GetValue());
  EXPECT_TRUE(randomInterval.GetValue());
  expectOnlyDisabled(allButDisableCommand());

  fill(command, true, false);
  panel.showCommand(command);
  EXPECT_FALSE(disableCommand.GetValue());
  EXPECT_TRUE(setInterval.GetValue());
  expectOnlyDisabled(randomParts());

  fill(command, true, true);
  panel.showCommand(command);
  expectOnlyDisabled({&fixedInterval});
}

TEST_F(CommandPanelTest, TheOptionsActOnlyWhenSelectedAndTheMainWindowHearsOfThem) {
  const GuiTest::EventCounter radios(*window.frame, wxEVT_RADIOBUTTON);
  const GuiTest::EventCounter boxes(*window.frame, wxEVT_CHECKBOX);
  choose(setInterval);
  wxCommandEvent notSelected(wxEVT_RADIOBUTTON, FrameId::randomInterval);
  notSelected.SetEventObject(&randomInterval);
  randomInterval.ProcessWindowEvent(notSelected);
  expectOnlyDisabled(randomParts());
  tick(disableCommand, true);
  EXPECT_EQ(radios.count(), 2);
  EXPECT_EQ(boxes.count(), 1);
}

// Fault: a long message under the text stayed on one line, cut off at the editor's edge at the
// window's smallest width (or widening the editor past the window).
TEST_F(CommandPanelTest, ALongMessageWrapsInsideTheEditor) {
  const wxSize smallest(panel.GetBestSize().x, window.frame->GetClientSize().y);
  window.frame->SetClientSize(smallest);
  GuiTest::waitFor([&] { return window.frame->GetClientSize() == smallest; });
  const wxWindow& note = panel.commandTextNote();
  panel.commandTextCtrl().SetValue("<" + std::string(40, 'W') + "> <X> <Y> <Z>");
  GuiTest::flushEvents();
  EXPECT_EQ(panel.GetBestSize().x, smallest.x);
  const wxRect shown(note.GetPosition(), note.GetSize());
  EXPECT_TRUE(wxRect(wxPoint(), panel.GetClientSize()).Contains(shown)) << testing::PrintToString(shown);
  EXPECT_GE(shown.height, 2 * note.GetCharHeight());
  EXPECT_GE(shown.height, note.GetBestSize().y);
}

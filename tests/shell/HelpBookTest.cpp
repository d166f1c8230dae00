#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <fstream>
#include <functional>

#include "shell/HelpBook.h"
#include "shell/HelpModule.h"
#include "shell/PopupTexts.h"
#include "support/GuiTest.h"
#include "support/ToolkitMessages.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

namespace {

// The notebook of the manual's window: its pages are the contents, the index and the search.
wxNotebook* navigation(wxWindow& window) {
  if (auto* notebook = dynamic_cast<wxNotebook*>(&window)) return notebook;
  for (wxWindow* child : window.GetChildren()) {
    if (wxNotebook* found = navigation(*child)) return found;
  }
  return nullptr;
}

wxString shownPage(HelpBook& book) {
  wxNotebook* notebook = navigation(*book.viewer()->frame());
  return notebook == nullptr || notebook->GetSelection() == wxNOT_FOUND ? wxString()
                                                                         : notebook->GetPageText(static_cast<std::size_t>(notebook->GetSelection()));
}

class HelpBookTest : public testing::Test {
 protected:
  HelpBookTest() : frame(nullptr, wxID_ANY, "help"), book(&frame) {
    book.setViewerModule(ZENTAK_HELP_MODULE);
    frame.SetSize(200, 150, 400, 300);
    frame.Show();
    GuiTest::flushEvents();
  }

  // The toolkit's help window lays its scroll bars out at a negative size while it builds its
  // panes, whatever size it is given.
  const AllowedToolkitMessage helpWindowScrollBars{"assertion 'size >= 0' failed in GtkScrollbar"};
  wxFrame frame;
  HelpBook book;
};

}  // namespace

// Faults: the book built with the program did not open through the viewer's module, or opened
// without its table of contents or its index, or Index showed the contents page; the HTML
// library, loaded with the module, was left without its tag handlers (the toolkit asserts) or
// its page filters were never ended with the toolkit (the leak check at exit).
TEST_F(HelpBookTest, TheBookOpensAtItsContentsAndAtItsIndex) {
  book.setBook(ZENTAK_HELP_BOOK);
  ASSERT_TRUE(book.showContents());
  wxFrame* window = book.viewer()->frame();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(GuiTest::waitFor([window] { return window->IsShown(); }));
  EXPECT_EQ(window->GetParent(), &frame);
  // Wide enough for the pictures of the windows beside the contents.
  EXPECT_GE(window->GetSize().x, 900);
  EXPECT_EQ(shownPage(book), "Contents");
  EXPECT_GE(book.viewer()->contentsTree()->GetCount(), 15U);

  ASSERT_TRUE(book.showIndex());
  EXPECT_EQ(shownPage(book), "Index");
  wxListBox* index = nullptr;
  for (wxWindow* w = navigation(*window)->GetCurrentPage(); w != nullptr && index == nullptr;) {
    for (wxWindow* child : w->GetChildren()) {
      if ((index = dynamic_cast<wxListBox*>(child)) != nullptr) break;
    }
    w = nullptr;
  }
  ASSERT_NE(index, nullptr);
  EXPECT_GE(index->GetCount(), 50U);
}

// Faults: a missing or broken book failed silently, or the toolkit's log window spoke for it.
TEST_F(HelpBookTest, AMissingOrUnreadableBookIsToldToTheUser) {
  RecordingDialogs dialogs;
  const TempDir dir;
  book.setBook(dir.path() / "Zentak.htb");
  EXPECT_FALSE(book.showContents());
  std::ofstream(dir.path() / "Zentak.htb") << "not a zip archive";
  EXPECT_FALSE(book.showIndex());
  ASSERT_EQ(dialogs.messages.size(), 2U);
  EXPECT_EQ(dialogs.messages[0].text, "The help book \"Zentak.htb\" cannot be found.\nPlease install Zentak again.");
  EXPECT_EQ(dialogs.messages[0].caption, "HELP ERROR");
  EXPECT_NE(dialogs.messages[1].text.Find("cannot be read"), wxNOT_FOUND);
  EXPECT_EQ(dialogs.messages[1].parent, &frame);
}

// Faults: a help viewer that could not be found, or that is no module, crashed the program or
// failed silently; the toolkit's log window spoke for it; a later request found a half-made
// viewer.
TEST_F(HelpBookTest, AMissingOrUnloadableViewerIsToldToTheUser) {
  const TempDir dir;
  std::ofstream(dir.path() / "zentak_helpviewer.so") << "not a library";
  const struct {
    std::filesystem::path module;
    wxString told;
  } cases[] = {
      {{}, "The help viewer \"zentak_helpviewer.so\" cannot be found.\nPlease install Zentak again."},
      {dir.path() / "nowhere" / "zentak_helpviewer.so",
       "The help viewer \"zentak_helpviewer.so\" cannot be found.\nPlease install Zentak again."},
      {dir.path() / "zentak_helpviewer.so", "The help viewer \"" + wxString((dir.path() / "zentak_helpviewer.so").string()) +
                                                "\" cannot be loaded.\nPlease install Zentak again."},
  };
  book.setBook(ZENTAK_HELP_BOOK);
  for (const auto& [module, told] : cases) {
    RecordingDialogs dialogs;
    book.setViewerModule(module);
    EXPECT_FALSE(book.showContents()) << module;
    EXPECT_FALSE(book.showIndex()) << module;
    ASSERT_EQ(dialogs.messages.size(), 2U) << module;
    EXPECT_EQ(dialogs.messages[0].text, told);
    EXPECT_EQ(dialogs.messages[0].caption, "HELP ERROR");
    EXPECT_EQ(dialogs.messages[0].parent, &frame);
    EXPECT_EQ(book.viewer(), nullptr);
  }
}

// Faults: an installed program did not find its book under share/zentak or its viewer where the
// package puts it, or a copy beside the program lost to it.
TEST(HelpBookLocateTest, BesideTheProgramFirstThenTheInstalledPlace) {
  const TempDir dir;
  const auto bin = dir.path() / "usr" / "bin";
  const auto shared = dir.path() / "usr" / "share" / "zentak";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(shared);
  EXPECT_EQ(HelpBook::locate(bin), std::filesystem::path());
  std::ofstream(shared / "Zentak.htb") << "book";
  EXPECT_EQ(HelpBook::locate(bin), shared / "Zentak.htb");
  std::ofstream(bin / "Zentak.htb") << "book";
  EXPECT_EQ(HelpBook::locate(bin), bin / "Zentak.htb");

  const auto lib = dir.path() / "usr" / ZENTAK_HELP_MODULE_DIR;
  std::filesystem::create_directories(lib);
  EXPECT_EQ(HelpModule::locate(bin), std::filesystem::path());
  std::ofstream(lib / "zentak_helpviewer.so") << "module";
  EXPECT_EQ(HelpModule::locate(bin), lib / "zentak_helpviewer.so");
  std::ofstream(bin / "zentak_helpviewer.so") << "module";
  EXPECT_EQ(HelpModule::locate(bin), bin / "zentak_helpviewer.so");
}

// Faults: the inner field of a compound control (no id of its own) found no help, or a window
// without an id borrowed the frame's.
TEST_F(HelpBookTest, ThePopupBelongsToTheFocusedControlOrItsCompoundControl) {
  auto* panel = new wxPanel(&frame);
  auto* text = new wxTextCtrl(panel, 3011, "");
  auto* compound = new wxPanel(panel, 3009);
  auto* inner = new wxTextCtrl(compound, wxID_ANY, "");
  auto* loose = new wxTextCtrl(panel, wxID_ANY, "");
  EXPECT_EQ(HelpBook::popupTarget(text), text);
  EXPECT_EQ(HelpBook::popupTarget(inner), compound);
  EXPECT_EQ(HelpBook::popupTarget(loose), nullptr);
  EXPECT_EQ(HelpBook::popupTarget(panel), nullptr);
  EXPECT_EQ(HelpBook::popupTarget(nullptr), nullptr);
}

// Faults: the popup showed another control's text, covered the control, or stood away from it.
TEST_F(HelpBookTest, ThePopupShowsTheControlsTextJustBelowIt) {
  auto* text = new wxTextCtrl(&frame, 3011, "", wxPoint(40, 60), wxSize(200, 40));
  GuiTest::flushEvents();
  book.showPopupFor(text);
  HelpPopup* popup = book.popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(GuiTest::waitFor([popup] { return popup->IsShown(); }));
  EXPECT_EQ(popup->text(), wxString::FromUTF8(PopupTexts::find(3011).data(), PopupTexts::find(3011).size()));
  const wxRect control = text->GetScreenRect();
  const wxRect shown = popup->GetScreenRect();
  EXPECT_FALSE(shown.Intersects(control));
  EXPECT_NEAR(shown.y, control.GetBottom(), 8);
  EXPECT_NEAR(shown.x + shown.width / 2, control.x + control.width / 2, 1);
  EXPECT_EQ(book.viewer(), nullptr);
}

// Faults: Escape left the popup up or also reached the field; a key or click that closed the
// popup was swallowed instead of reaching the field or the button it was aimed at.
TEST_F(HelpBookTest, ThePopupGoesAtEscapeAndAtAKeyOrClickThatStillReachesItsTarget) {
  auto* text = new wxTextCtrl(&frame, 3011, "", wxPoint(10, 10), wxSize(200, 30));
  auto* button = new wxButton(&frame, wxID_ANY, "Go", wxPoint(10, 200), wxSize(100, 40));
  GuiTest::EventCounter keys(*text, wxEVT_KEY_DOWN);
  GuiTest::EventCounter clicks(*button, wxEVT_BUTTON);
  frame.Raise();
  text->SetFocus();
  ASSERT_TRUE(GuiTest::waitFor([text] { return wxWindow::FindFocus() == text; }));
  wxUIActionSimulator user;
  const auto shownThenGone = [this, text](const std::function<void()>& act) {
    book.showPopupFor(text);
    HelpPopup* popup = book.popup();
    EXPECT_TRUE(GuiTest::waitFor([popup] { return popup->IsShown(); }));
    act();
    EXPECT_TRUE(GuiTest::waitFor([this] { return book.popup() == nullptr; }));
  };
  shownThenGone([&user] { user.Char(WXK_ESCAPE); });
  GuiTest::flushEvents();
  EXPECT_EQ(keys.count(), 0);
  shownThenGone([&user] { user.Char('a'); });
  EXPECT_TRUE(GuiTest::waitFor([text] { return text->GetValue() == "a"; })) << text->GetValue();
  shownThenGone([&user, button] {
    user.MouseMove(button->GetScreenRect().GetPosition() + wxPoint(50, 20));
    user.MouseClick();
  });
  EXPECT_TRUE(GuiTest::waitFor([&clicks] { return clicks.count() == 1; }));
}

TEST(HelpPopupPlaceTest, ThePopupStaysOnTheScreen) {
  const wxRect screen(0, 0, 1024, 768);
  // Below, centred; against an edge; above when there is no room below; beside a control as
  // tall as the screen; wider than the screen.
  EXPECT_EQ(HelpPopup::placeFor({450, 100, 100, 30}, {200, 50}, screen), wxPoint(400, 134));
  EXPECT_EQ(HelpPopup::placeFor({0, 100, 40, 30}, {200, 50}, screen), wxPoint(0, 134));
  EXPECT_EQ(HelpPopup::placeFor({980, 700, 40, 30}, {200, 50}, screen), wxPoint(824, 646));
  EXPECT_EQ(HelpPopup::placeFor({100, 0, 300, 768}, {200, 50}, screen), wxPoint(404, 0));
  EXPECT_EQ(HelpPopup::placeFor({450, 100, 100, 30}, {2000, 50}, screen), wxPoint(0, 134));
}

#include <gtest/gtest.h>
#include <wx/frame.h>

#include "shell/RecordingBrowser.h"
#include "shell/WebLinks.h"
#include "support/RecordingDialogs.h"

TEST(WebLinks, PagesAreOnTheProductSite) {
  EXPECT_EQ(WebLinks::site(), "www.zentak.example");
  EXPECT_EQ(WebLinks::homePage(), "https://www.zentak.example/");
  EXPECT_EQ(WebLinks::tellAFriendPage(), "https://www.zentak.example/tellafriend.html");
  EXPECT_EQ(WebLinks::versionCheckPage(), "https://www.zentak.example/reg.php?action=version&id=Zentak&version=2.0");
  EXPECT_EQ(WebLinks::version(), "2.0");
}

TEST(WebLinks, MenuAndLogoTextsNameTheSite) {
  EXPECT_EQ(WebLinks::menuLabel(), "Visit &www.zentak.example");
  EXPECT_EQ(WebLinks::menuHelp(), "Visit www.zentak.example");
  EXPECT_EQ(WebLinks::logoToolTip(), "  Visit us at www.zentak.example");
}

TEST(WebLinks, EachPageOpensInTheBrowserWithoutAMessage) {
  const RecordingDialogs dialogs;
  RecordingBrowser browser;
  WebLinks::openHomePage(nullptr);
  WebLinks::openTellAFriendPage(nullptr);
  WebLinks::openVersionCheckPage(nullptr);
  EXPECT_EQ(browser.opened,
            (std::vector<wxString>{WebLinks::homePage(), WebLinks::tellAFriendPage(), WebLinks::versionCheckPage()}));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(WebLinks, APageThatCannotOpenIsReportedWithItsAddress) {
  const RecordingDialogs dialogs;
  RecordingBrowser browser;
  browser.opens = false;
  wxFrame owner(nullptr, wxID_ANY, "owner");
  WebLinks::openTellAFriendPage(&owner);
  ASSERT_EQ(dialogs.messages.size(), 1U);
  const auto& message = dialogs.messages[0];
  EXPECT_EQ(message.caption, "BROWSER ERROR");
  EXPECT_EQ(message.icon, UserDialogs::Icon::error);
  EXPECT_EQ(message.parent, &owner);
  EXPECT_NE(message.text.Find(WebLinks::tellAFriendPage()), wxNOT_FOUND);
}

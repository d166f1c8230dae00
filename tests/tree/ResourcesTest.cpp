#include "resources/Resources.h"

#include <gtest/gtest.h>

TEST(Resources, TreeImagesAreSixteenPixelsSquare) {
  for (const char* name : {"ROOTOPENICON", "ROOTCLOSEDICON", "GROUPOPENICON", "GROUPCLOSEDICON", "COMMANDICON"}) {
    const wxBitmap image = Resources::bitmap(name);
    ASSERT_TRUE(image.IsOk()) << name;
    EXPECT_EQ(image.GetSize(), wxSize(16, 16)) << name;
  }
}

TEST(Resources, ToolBitmapsAreThirtyTwoPixelsSquare) {
  for (const char* name :
       {"ADDGROUPBTN", "DELETEGROUPBTN", "ADDCOMMANDBTN", "DELETECOMMANDBTN", "RUNGROUPBTN", "HELPBTN"}) {
    const wxBitmap image = Resources::bitmap(name);
    ASSERT_TRUE(image.IsOk()) << name;
    EXPECT_EQ(image.GetSize(), wxSize(32, 32)) << name;
  }
}

TEST(Resources, TheLogoAndTheAboutPictureHaveTheirSizes) {
  const wxBitmap logo = Resources::bitmap("SMALLLOGO");
  ASSERT_TRUE(logo.IsOk());
  EXPECT_EQ(logo.GetSize(), wxSize(180, 34));
  const wxBitmap about = Resources::bitmap("ABOUTIMAGE");
  ASSERT_TRUE(about.IsOk());
  EXPECT_EQ(about.GetSize(), wxSize(325, 242));
  EXPECT_FALSE(about.ConvertToImage().HasAlpha());
}

// Fault: a size the desktop's menus and docks ask for (48, 128) missing from the program's icon.
TEST(Resources, TheProgramIconComesInFiveSizes) {
  const wxIconBundle icons = Resources::iconBundle("MAINICON");
  ASSERT_EQ(icons.GetIconCount(), 5U);
  for (const int side : {16, 32, 48, 64, 128}) {
    const wxIcon icon = Resources::icon("MAINICON", side);
    ASSERT_TRUE(icon.IsOk()) << side;
    EXPECT_EQ(icon.GetSize(), wxSize(side, side));
    EXPECT_EQ(icons.GetIcon(side, wxIconBundle::FALLBACK_NONE).GetSize(), wxSize(side, side));
  }
  EXPECT_FALSE(Resources::icon("MAINICON", 24).IsOk());
  EXPECT_EQ(Resources::bitmap("MAINICON").GetSize(), wxSize(128, 128));
}

TEST(Resources, AnUnknownNameGivesNothing) {
  EXPECT_FALSE(Resources::bitmap("NOSUCHIMAGE").IsOk());
  EXPECT_FALSE(Resources::bitmap("commandicon").IsOk());
  EXPECT_FALSE(Resources::bitmap("").IsOk());
  EXPECT_FALSE(Resources::icon("NOSUCHIMAGE", 16).IsOk());
  EXPECT_TRUE(Resources::iconBundle("NOSUCHIMAGE").IsEmpty());
}

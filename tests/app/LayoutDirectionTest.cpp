#include "app/LayoutDirection.h"

#include <gtest/gtest.h>
#include <wx/uilocale.h>

// Catches the application's answer parting from the toolkit's, for instance once a toolkit
// locale is set up and a right-to-left language would mirror the windows.
TEST(LayoutDirectionTest, IsTheToolkitsOwnAnswerForTheInterfaceLocale) {
  EXPECT_EQ(LayoutDirection::ofWindows, wxUILocale::GetCurrent().GetLayoutDirection());
}
